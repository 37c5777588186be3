// The plain alert (myAlertView) in the program's real window: shown, it comes as a dialog with
// its title, message and buttons, clicked through the X server; its own layout only restyles
// its labels and does not place them as the ordinary alert does.

#include "browser/myAlertView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "tests/e2e/BrowserWindowTest.h"

namespace {

class PlainAlertTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server&) override {}

    // Whether a label with the text is shown among the window's widgets.
    static bool showsLabel(GtkWidget* root, const std::string& text) {
        if (GTK_IS_LABEL(root) && text == gtk_label_get_text(GTK_LABEL(root)) &&
            gtk_widget_get_mapped(root))
            return true;
        for (GtkWidget* child = gtk_widget_get_first_child(root); child;
             child = gtk_widget_get_next_sibling(child))
            if (showsLabel(child, text))
                return true;
        return false;
    }
};

class Clicks : public ui::AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(ui::AlertView&, std::int64_t index) override {
        clicked.push_back(index);
    }
    std::vector<std::int64_t> clicked;
};

TEST_F(PlainAlertTest, ThePlainAlertShowsItsTextAndButtonsAndOnlyRestylesItsLabels) {
    auto clicks = std::make_shared<Clicks>();
    auto alert = myAlertView::create("Plain Title", "A plain message", clicks, "Close", {"Go"});
    alert->show();
    ASSERT_TRUE(eventually([&] {
        return showsLabel(GTK_WIDGET(window_->gtkWindow()), "Plain Title") &&
               showsLabel(GTK_WIDGET(window_->gtkWindow()), "A plain message");
    }));
    // Its layout ran on showing: the title has the plain look, and the alert's own layout did
    // not place it (nor the alert).
    std::shared_ptr<ui::Label> title;
    for (const auto& view : alert->subviews())
        if (auto label = std::dynamic_pointer_cast<ui::Label>(view);
            label && label->text() == "Plain Title")
            title = label;
    ASSERT_TRUE(title) << "the title is no label of the alert";
    EXPECT_EQ(title->font().family, "Futura Medium");
    EXPECT_EQ(title->textColor(), ui::Color::blackColor());
    EXPECT_EQ(title->frame(), ui::Rect());
    EXPECT_EQ(alert->frame(), ui::Rect());

    ASSERT_TRUE(clickPanelButton("Go"));
    EXPECT_TRUE(eventually([&] { return clicks->clicked == std::vector<std::int64_t>{1}; }));
    EXPECT_TRUE(eventually([] { return !ui::Presentation::shared().topAlertView(); }));
}

} // namespace
