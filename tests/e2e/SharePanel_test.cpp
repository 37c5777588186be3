// The share panel as a person meets it: the program's screen in its real window, every button
// clicked where it is drawn, through the X server.

#include "platform/gtk/ViewCanvas.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/ShareSheet.h"
#include "platform/ui/SheetBar.h"
#include "tests/e2e/LaunchedBrowserTest.h"

#include <array>
#include <cairo.h>
#include <gtest/gtest.h>

// Last: the X11 headers it brings define macros (None, Status, Success) that others' names use.
#include "tests/e2e/WindowInput.h"

namespace {

using namespace std::chrono_literals;

class SharePanelWindowTest : public LaunchedBrowserTest {
protected:
    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        launch();
        showWindow("share panel");
        ASSERT_TRUE(waitFor([&] { return !screen_->tabs().empty(); }));
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 20s);
    }
    // A click at window coordinates, through the X server.
    void click(ui::Point point) {
        window_->sync();
        WindowInput input(window_->canvas().widget());
        ASSERT_TRUE(input.available());
        input.click(point);
    }
    // The centre of a view, in window coordinates.
    static ui::Point centreOf(const ui::View& view) {
        const ui::Rect frame = view.convertRectToView(view.bounds(), nullptr);
        return ui::Point(frame.midX(), frame.midY());
    }
    ui::Point shareButton() {
        for (const auto& item : screen_->bottomBar()->items())
            if (item->accessibilityLabel() == "Share") {
                const ui::Rect bar = screen_->bottomBar()->convertRectToView(
                    screen_->bottomBar()->bounds(), nullptr);
                const ui::Rect frame = item->frameInBar();
                return ui::Point(bar.minX() + frame.midX(), bar.minY() + frame.midY());
            }
        ADD_FAILURE() << "no share button";
        return ui::Point();
    }
    std::shared_ptr<ui::View> panelButton(const std::string& label) {
        for (const auto& view : screen_->imgpicker()->subviews())
            if (view->accessibilityLabel() == label)
                return view;
        return nullptr;
    }
    // The colour of a pixel of the window as drawn now: red, green, blue.
    std::array<int, 3> pixel(ui::Point point) {
        const auto file = homeDirectory() / "window.png";
        auto written = window_->writeScreenshot(file);
        EXPECT_TRUE(written.ok());
        cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
        const unsigned char* row = cairo_image_surface_get_data(surface) +
                                   int(point.y) * cairo_image_surface_get_stride(surface);
        const std::uint32_t value = reinterpret_cast<const std::uint32_t*>(row)[int(point.x)];
        cairo_surface_destroy(surface);
        return {int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
    }

    bool logged(const std::string& line) const { return log_.contains(line); }

    testing_support::LogCapture log_;
};

TEST_F(SharePanelWindowTest, TheShareButtonOpensThePanelWhoseButtonsAndDimmingViewAct) {
    const ui::Point top(160, 200); // on the page, far from the panel
    // The window draws what changed on its next frames: look until it shows.
    const auto brightness = [&] {
        const auto colour = pixel(top);
        return colour[0] + colour[1] + colour[2];
    };
    ASSERT_TRUE(waitFor([&] { return brightness() > 700; })) << "the start page is white";
    click(shareButton());
    ASSERT_FALSE(screen_->darkview()->isHidden());
    // The panel stands on the screen's bottom edge, and the page behind it is dimmed.
    const ui::Rect panel = screen_->imgpicker()->frame();
    EXPECT_EQ(panel.maxY(), 480);
    EXPECT_TRUE(waitFor([&] { return brightness() < 500; }));

    // Mail: the composer comes, the panel goes.
    screen_->addressBar()->setText("shared words");
    click(centreOf(*panelButton("Send by mail")));
    auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_NE(composer->messageBody().find("/search?q=shared%20words"), std::string::npos);
    EXPECT_GT(screen_->imgpicker()->frame().minY(), 480);
    ASSERT_TRUE(
        waitFor([&] { return screen_->darkview()->isHidden() && !composer->isBeingPresented(); }));
    const ui::Rect cancel = composer->bar()->frameOfItem(*composer->cancelButton(), nullptr);
    click(ui::Point(cancel.midX(), cancel.midY()));
    EXPECT_TRUE(logged("You cancelled sending this email."));
    ASSERT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::MailComposer>(); }));

    // Twitter: the sheet comes; Post sends it, and the outcome's alert shows.
    click(shareButton());
    click(centreOf(*panelButton("Share on Twitter")));
    std::shared_ptr<ui::ShareSheet> sheet;
    ASSERT_TRUE(waitFor([&] {
        sheet = ui::Presentation::shared().topController<ui::ShareSheet>();
        return sheet && !sheet->isBeingPresented();
    }));
    const ui::Rect post = sheet->bar()->frameOfItem(*sheet->postButton(), nullptr);
    click(ui::Point(post.midX(), post.midY()));
    auto alert = ui::Presentation::shared().topAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), "Tweet successful!");
    ASSERT_TRUE(
        waitFor([&] { return !ui::Presentation::shared().topController<ui::ShareSheet>(); }));
    // Its Done button, clicked, closes it.
    GtkWidget* done = nullptr;
    ASSERT_TRUE(waitFor([&] {
        window_->sync();
        done = WindowInput::findButton(GTK_WIDGET(window_->gtkWindow()), "Done");
        return done && gtk_widget_get_mapped(done);
    }));
    WindowInput(done).click(
        ui::Point(gtk_widget_get_width(done) / 2.0, gtk_widget_get_height(done) / 2.0));
    EXPECT_TRUE(waitFor([&] { return !ui::Presentation::shared().topAlertView(); }));

    // A click on the dimming view closes the panel again.
    click(shareButton());
    ASSERT_FALSE(screen_->darkview()->isHidden());
    click(top);
    EXPECT_GT(screen_->imgpicker()->frame().minY(), 480);
    EXPECT_TRUE(waitFor([&] { return screen_->darkview()->isHidden(); }));
}

} // namespace
