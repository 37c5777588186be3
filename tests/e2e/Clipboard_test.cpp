// The desktop's clipboard in the program's real window: the link menu's "Copy Link" puts the
// link where a paste (Ctrl+V, from the X server's keyboard) finds it, both in the browser's own
// address field and in the entry of another program (a GTK window on its own connection to the
// display, so that the paste goes through the display server); and what another program copies
// reads in the browser's pasteboard.

#include "platform/ui/Pasteboard.h"
#include "tests/e2e/BrowserWindowTest.h"

namespace {

using namespace std::chrono_literals;

class ClipboardTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/links", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<html><head><title>Links</title></head><body style='margin:0'>"
                "<a id='link' href='/target?copied=1' style='display:block;width:200px;"
                "height:40px;margin:100px 20px'>the target</a></body></html>",
                "text/html");
        });
    }
    void TearDown() override {
        if (otherWindow_)
            gtk_window_destroy(GTK_WINDOW(otherWindow_));
        if (other_)
            gdk_display_close(other_);
        BrowserWindowTest::TearDown();
    }

    // Another program's window with one empty entry, shown beside the browser's.
    GtkWidget* otherEntry() {
        other_ = gdk_display_open(gdk_display_get_name(gdk_display_get_default()));
        if (!other_)
            return nullptr;
        otherWindow_ = gtk_window_new();
        gtk_window_set_display(GTK_WINDOW(otherWindow_), other_);
        gtk_window_set_default_size(GTK_WINDOW(otherWindow_), 400, 80);
        GtkWidget* entry = gtk_entry_new();
        gtk_window_set_child(GTK_WINDOW(otherWindow_), entry);
        gtk_window_present(GTK_WINDOW(otherWindow_));
        if (!eventually([&] { return gtk_widget_get_mapped(entry); }))
            return nullptr;
        return entry;
    }

private:
    GdkDisplay* other_ = nullptr;
    GtkWidget* otherWindow_ = nullptr;
};

TEST_F(ClipboardTest, ACopiedLinkPastesIntoTheAddressFieldAndIntoAnotherProgramsEntry) {
    ASSERT_TRUE(open(server.url("/links"), "Links"));
    const std::string link = server.url("/target?copied=1");
    input->longPress(centreOf(*screen->selectedTab(), "link"));
    ASSERT_TRUE(eventually([] { return ui::Presentation::shared().topActionSheet() != nullptr; }));
    ASSERT_TRUE(clickPanelButton(Tab::copyLinkTitle));
    ASSERT_TRUE(eventually([] { return !ui::Presentation::shared().topActionSheet(); }));

    // Into the address field: clicked, emptied, pasted.
    auto field = screen->addressBar();
    ASSERT_TRUE(stillAnimations());
    input->click(centreOf(*field));
    ASSERT_TRUE(eventually([&] { return field->isFirstResponder(); }));
    field->setText("");
    window_->sync();
    input->pressWithControl('v');
    EXPECT_TRUE(eventually([&] { return field->text() == link; }, 5s)) << field->text();

    // Into another program's entry.
    GtkWidget* entry = otherEntry();
    ASSERT_TRUE(entry);
    WindowInput other(entry);
    ASSERT_TRUE(other.available());
    other.click(ui::Point(gtk_widget_get_width(entry) / 2.0, gtk_widget_get_height(entry) / 2.0));
    // The entry's own text widget has the window's focus.
    ASSERT_TRUE(eventually([&] {
        GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(gtk_widget_get_root(entry)));
        return focus && (focus == entry || gtk_widget_is_ancestor(focus, entry));
    }));
    other.pressWithControl('v');
    EXPECT_TRUE(eventually(
        [&] { return std::string(gtk_editable_get_text(GTK_EDITABLE(entry))) == link; }, 5s))
        << gtk_editable_get_text(GTK_EDITABLE(entry));

    // And back: what the other program copies is the browser's pasteboard's.
    gtk_editable_set_text(GTK_EDITABLE(entry), "copied in the other program");
    gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
    other.pressWithControl('c');
    EXPECT_TRUE(eventually([&] {
        return ui::Pasteboard::general().string() == std::string("copied in the other program");
    }));
}

} // namespace
