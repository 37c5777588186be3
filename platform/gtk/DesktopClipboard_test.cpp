// The desktop's clipboard as another program meets it: a second connection to the display
// stands for that program (its clipboard is not this one's, so every exchange goes through the
// display server), in both directions, with text, links and pictures.

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/DesktopClipboard.h"
#include "platform/gtk/GLibCallbackData.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Image.h"
#include "platform/ui/Pasteboard.h"

#include <chrono>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

namespace gtk {
namespace {

using namespace std::chrono_literals;

class DesktopClipboardTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        ASSERT_TRUE(GtkPlatform::install().ok());
        other_ = gdk_display_open(gdk_display_get_name(gdk_display_get_default()));
        ASSERT_TRUE(other_);
        clipboard = DesktopClipboard::forDefaultDisplay();
        ASSERT_TRUE(clipboard);
    }
    void TearDown() override {
        clipboard.reset();
        if (other_)
            gdk_display_close(other_);
        PlatformTest::TearDown();
    }

    GdkClipboard* otherClipboard() const { return gdk_display_get_clipboard(other_); }
    static bool eventually(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 10s);
    }
    // What the other program pastes as text.
    std::optional<std::string> pastedText() {
        struct Paste {
            bool done = false;
            std::optional<std::string> text;
        };
        auto paste = std::make_shared<Paste>();
        gdk_clipboard_read_text_async(
            otherClipboard(), nullptr,
            +[](GObject* source, GAsyncResult* result, gpointer data) {
                auto paste = *GLibCallbackData::take<std::shared_ptr<Paste>>(data);
                if (char* text =
                        gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr)) {
                    paste->text = text;
                    g_free(text);
                }
                paste->done = true;
            },
            GLibCallbackData::give(paste));
        EXPECT_TRUE(eventually([&] { return paste->done; }));
        return paste->text;
    }
    // The size of the picture the other program pastes, or (0, 0).
    std::pair<int, int> pastedPictureSize() {
        struct Paste {
            bool done = false;
            int width = 0, height = 0;
        };
        auto paste = std::make_shared<Paste>();
        gdk_clipboard_read_texture_async(
            otherClipboard(), nullptr,
            +[](GObject* source, GAsyncResult* result, gpointer data) {
                auto paste = *GLibCallbackData::take<std::shared_ptr<Paste>>(data);
                if (GdkTexture* texture =
                        gdk_clipboard_read_texture_finish(GDK_CLIPBOARD(source), result, nullptr)) {
                    paste->width = gdk_texture_get_width(texture);
                    paste->height = gdk_texture_get_height(texture);
                    g_object_unref(texture);
                }
                paste->done = true;
            },
            GLibCallbackData::give(paste));
        EXPECT_TRUE(eventually([&] { return paste->done; }));
        return {paste->width, paste->height};
    }
    bool otherOffers(const char* mimeType) {
        return eventually([&] {
            return gdk_content_formats_contain_mime_type(
                gdk_clipboard_get_formats(otherClipboard()), mimeType);
        });
    }
    static std::shared_ptr<ui::Image> picture() { return ui::Image::named("bookmark.png"); }

    std::shared_ptr<DesktopClipboard> clipboard;

private:
    GdkDisplay* other_ = nullptr;
};

TEST_F(DesktopClipboardTest, WhatThisProgramCopiesPastesInAnother) {
    clipboard->setText("plain words");
    ASSERT_TRUE(otherOffers("text/plain;charset=utf-8"));
    EXPECT_EQ(pastedText(), "plain words");

    clipboard->setURL(*base::URL::parse("http://127.0.0.1:8080/a?b=c"));
    ASSERT_TRUE(otherOffers("text/uri-list"));
    EXPECT_EQ(pastedText(), "http://127.0.0.1:8080/a?b=c") << "a link pastes as its address";
    EXPECT_EQ(clipboard->text(), "http://127.0.0.1:8080/a?b=c");
    EXPECT_EQ(clipboard->url()->absoluteString(), "http://127.0.0.1:8080/a?b=c");

    const auto image = picture();
    ASSERT_TRUE(image && image->size().width > 0);
    ASSERT_TRUE(clipboard->setImage(image));
    ASSERT_TRUE(otherOffers("image/png"));
    EXPECT_EQ(pastedPictureSize(), std::make_pair(int(image->size().width * image->scale()),
                                                  int(image->size().height * image->scale())));
    EXPECT_EQ(clipboard->image(), image);
    EXPECT_FALSE(clipboard->text());

    // A picture without pixels cannot be handed on: refused, and the clipboard is empty.
    EXPECT_FALSE(clipboard->setImage(ui::Image::blank(ui::Size(4, 4))));
    EXPECT_FALSE(clipboard->image());
    EXPECT_TRUE(eventually([&] {
        return !gdk_content_formats_contain_mime_type(gdk_clipboard_get_formats(otherClipboard()),
                                                      "image/png");
    }));
}

TEST_F(DesktopClipboardTest, WhatAnotherProgramCopiesReadsHere) {
    const auto before = clipboard->changeCount();
    gdk_clipboard_set_text(otherClipboard(), "copied elsewhere");
    ASSERT_TRUE(eventually([&] { return clipboard->changeCount() > before; }))
        << "the change is heard";
    // The other program tells what it offers a moment after it takes the clipboard.
    EXPECT_TRUE(eventually([&] { return clipboard->text() == "copied elsewhere"; }));
    EXPECT_FALSE(clipboard->url());
    EXPECT_FALSE(clipboard->image());

    const std::string list = "# a comment\r\nhttps://host.tld/page\r\n";
    GBytes* bytes = g_bytes_new(list.data(), list.size());
    GdkContentProvider* link = gdk_content_provider_new_for_bytes("text/uri-list", bytes);
    g_bytes_unref(bytes);
    gdk_clipboard_set_content(otherClipboard(), link);
    g_object_unref(link);
    ASSERT_TRUE(eventually([&] { return clipboard->url().has_value(); }));
    EXPECT_EQ(clipboard->url()->absoluteString(), "https://host.tld/page");

    const auto image = picture();
    GBytes* png = g_bytes_new(image->data().bytes(), image->data().size());
    GdkTexture* texture = gdk_texture_new_from_bytes(png, nullptr);
    g_bytes_unref(png);
    ASSERT_TRUE(texture);
    gdk_clipboard_set_texture(otherClipboard(), texture);
    g_object_unref(texture);
    std::shared_ptr<ui::Image> read;
    ASSERT_TRUE(eventually([&] { return (read = clipboard->image()) != nullptr; }));
    EXPECT_EQ(read->size().width * read->scale(), image->size().width * image->scale());
    EXPECT_FALSE(read->data().empty());
}

// The program's general pasteboard is the desktop's clipboard once the platform is installed.
TEST_F(DesktopClipboardTest, ThePasteboardIsTheDesktopsOnceThePlatformIsInstalled) {
    ui::Pasteboard::general().setString("through the pasteboard");
    ASSERT_TRUE(otherOffers("text/plain;charset=utf-8"));
    EXPECT_EQ(pastedText(), "through the pasteboard");
}

} // namespace
} // namespace gtk
