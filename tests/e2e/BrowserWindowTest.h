#pragma once

// For e2e tests: the launched browser (LaunchedBrowserTest) shown in its real window on a
// phone, with a loopback server for the test's pages, the bookmark store in the test's own app
// home, input made through the X server (WindowInput), and helpers to find and click what a
// person would.

#include "browser/Tab.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/WebView.h"
#include "tests/e2e/LaunchedBrowserTest.h"
#include "tests/e2e/WindowInput.h"

#include <array>
#include <cairo.h>
#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

class BrowserWindowTest : public LaunchedBrowserTest {
protected:
    // Serves the test's pages; called before the server starts.
    virtual void addPages(httplib::Server& server) = 0;

    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        server.server().set_keep_alive_timeout(1);
        addPages(server.server());
        server.start();
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(showWindow("e2e"));
        screen = screen_;
        input.emplace(window_->canvas().widget());
        ASSERT_TRUE(input->available());
    }

    void TearDown() override {
        input.reset();
        screen.reset();
        LaunchedBrowserTest::TearDown();
        server.stop();
    }

    // Waits until the condition holds, serving the run loop (at most `limit`).
    template <class Condition>
    static bool eventually(Condition condition,
                           std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return base::RunLoop::main().runUntil(condition, limit);
    }

    // Opens the address in the selected tab as if typed, and waits for the page's title.
    bool open(const std::string& address, const std::string& title) {
        auto field = screen->addressBar();
        field->becomeFirstResponder();
        field->setText(address);
        field->simulateReturn();
        return finishes(*screen->selectedTab(), title);
    }
    static bool finishes(Tab& tab, const std::string& title) {
        return eventually([&] {
            // The engine's own end of the load comes after the page's signal.
            return !tab.loading() &&
                   tab.tabButton()->titleForState(ui::ControlStateNormal) == title &&
                   !tab.webView()->isLoading();
        });
    }

    static std::string js(Tab& tab, const std::string& script) {
        return tab.webView()->stringByEvaluatingJavaScriptFromString(script);
    }
    // The centre of the element of the tab's page, in the window.
    ui::Point centreOf(Tab& tab, const std::string& id) {
        const auto number = [&](const std::string& expression) {
            return std::stod(js(tab, "(function () { var r = document.getElementById('" + id +
                                         "').getBoundingClientRect(); return " + expression +
                                         "; })()"));
        };
        return inWindow(*tab.webView(),
                        ui::Point(number("r.left + r.width / 2"), number("r.top + r.height / 2")));
    }
    // A point of the page widget of a web view (below what is in view of its top inset), in
    // the window.
    static ui::Point inWindow(ui::WebView& webView, ui::Point inPage) {
        const ui::Rect frame = webView.convertRectToView(webView.bounds(), nullptr);
        const double inset = webView.scrollView()->topInsetInView();
        return ui::Point(frame.origin.x + inPage.x, frame.origin.y + inset + inPage.y);
    }
    // The colour of a pixel of the window as drawn now: red, green, blue.
    std::array<int, 3> pixel(ui::Point point) {
        const auto file = homeDirectory() / "window.png";
        if (auto written = window_->writeScreenshot(file); !written.ok())
            return {-1, -1, -1};
        cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
        std::array<int, 3> colour{-1, -1, -1};
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
            point.y < cairo_image_surface_get_height(surface) &&
            point.x < cairo_image_surface_get_width(surface)) {
            const unsigned char* row = cairo_image_surface_get_data(surface) +
                                       int(point.y) * cairo_image_surface_get_stride(surface);
            const std::uint32_t value = reinterpret_cast<const std::uint32_t*>(row)[int(point.x)];
            colour = {int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
        }
        cairo_surface_destroy(surface);
        return colour;
    }
    // The centre of a view or bar item on screen, in the window.
    static ui::Point centreOf(const ui::View& view) {
        const ui::Rect frame = view.convertRectToView(view.bounds(), nullptr);
        return ui::Point(frame.origin.x + frame.size.width / 2,
                         frame.origin.y + frame.size.height / 2);
    }

    // Waits until no view animation (a push, a fade, a panel coming or going) is running, so
    // that a click meets the screen as it will stay.
    static bool stillAnimations() {
        return eventually([] { return ui::View::runningAnimationCount() == 0; });
    }
    // A click on a bar button item where its bar shows it.
    void click(const ui::BarButtonItem& item) {
        ASSERT_TRUE(stillAnimations());
        auto bar = item.barView();
        ASSERT_TRUE(bar) << "the item is in no bar";
        const ui::Rect frame = bar->convertRectToView(item.frameInBar(), nullptr);
        input->click(ui::Point(frame.origin.x + frame.size.width / 2,
                               frame.origin.y + frame.size.height / 2));
    }
    // A click on the button with that label in the alert or action sheet on screen.
    bool clickPanelButton(const std::string& label) {
        GtkWidget* button = nullptr;
        stillAnimations();
        eventually([&] {
            button = WindowInput::findButton(GTK_WIDGET(window_->gtkWindow()), label);
            return button && gtk_widget_get_mapped(button);
        });
        if (!button)
            return false;
        WindowInput(button).click(
            ui::Point(gtk_widget_get_width(button) / 2.0, gtk_widget_get_height(button) / 2.0));
        return true;
    }

    net::TestHTTPServer server;
    std::shared_ptr<BrowserViewController> screen;
    std::optional<WindowInput> input;
};
