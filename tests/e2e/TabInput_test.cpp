// Input with several tabs, in the program's real window, made by the X server's mouse and
// keyboard: only the selected tab's page is shown and takes clicks, the wheel and typing; the
// pages of the other tabs get no events at all.

#include "browser/Tab.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/ui/WebView.h"
#include "tests/e2e/LaunchedBrowserTest.h"
#include "tests/e2e/WindowInput.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// A tall page with a field near its top and a link below it; it counts the input events it
// gets.
std::string tabPage(int number) {
    const std::string n = std::to_string(number);
    return "<html><head><title>Tab " + n +
           "</title><script>window.seen = 0;"
           "['mousedown', 'wheel', 'keydown'].forEach(function (type) {"
           "  window.addEventListener(type, function () { window.seen++; }, true); });"
           "</script></head><body style='margin:0;height:3000px'>"
           "<input id='field' style='position:absolute;top:20px;left:20px;width:200px;"
           "height:30px'>"
           "<a id='link' href='/linked?from=" +
           n +
           "' style='position:absolute;top:200px;left:20px;display:block;width:200px;"
           "height:40px'>a link</a></body></html>";
}

class TabInputTest : public LaunchedBrowserTest {
protected:
    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        server_.server().set_keep_alive_timeout(1);
        for (int number = 1; number <= 3; ++number) {
            server_.server().Get("/tab" + std::to_string(number),
                                 [number](const httplib::Request&, httplib::Response& response) {
                                     response.set_content(tabPage(number), "text/html");
                                 });
        }
        server_.server().Get(
            "/linked", [this](const httplib::Request& request, httplib::Response& response) {
                const std::string from = request.get_param_value("from");
                {
                    std::lock_guard lock(mutex_);
                    ++linkedFrom_[from];
                }
                response.set_content("<html><head><title>Linked " + from + "</title></head></html>",
                                     "text/html");
            });
        server_.start();

        launch();
        showWindow("tabs");
    }

    void TearDown() override {
        LaunchedBrowserTest::TearDown();
        server_.stop();
    }

    // Opens the page of tab `number` in the selected tab as if typed, and waits for it.
    bool open(int number) {
        auto field = screen_->addressBar();
        field->becomeFirstResponder();
        field->setText(server_.url("/tab" + std::to_string(number)));
        field->simulateReturn();
        return finishes(*screen_->selectedTab(), "Tab " + std::to_string(number));
    }
    static bool finishes(Tab& tab, const std::string& title) {
        return base::RunLoop::main().runUntil(
            [&] {
                // The engine's own end of the load comes after the page's signal.
                return !tab.loading() &&
                       tab.tabButton()->titleForState(ui::ControlStateNormal) == title &&
                       !tab.webView()->isLoading();
            },
            30s);
    }
    static std::string js(Tab& tab, const std::string& script) {
        return tab.webView()->stringByEvaluatingJavaScriptFromString(script);
    }
    // The centre of an element of the tab's page, in the page's view.
    static ui::Point centreOf(Tab& tab, const std::string& id) {
        const auto number = [&](const std::string& expression) {
            return std::stod(js(tab, "(function () { var r = document.getElementById('" + id +
                                         "').getBoundingClientRect(); return " + expression +
                                         "; })()"));
        };
        return ui::Point(number("r.left + r.width / 2"), number("r.top + r.height / 2"));
    }
    GtkWidget* pageWidget(Tab& tab) {
        return dynamic_cast<gtk::WebKitEngine&>(tab.webView()->engine()).widget();
    }
    int linkedFrom(const std::string& from) {
        std::lock_guard lock(mutex_);
        return linkedFrom_[from];
    }

    net::TestHTTPServer server_;

private:
    std::mutex mutex_;
    std::map<std::string, int> linkedFrom_;
};

TEST_F(TabInputTest, OnlyTheSelectedTabsPageTakesClicksTheWheelAndTyping) {
    WindowInput window(window_->canvas().widget());
    ASSERT_TRUE(window.available());
    ASSERT_TRUE(open(1));
    for (int number = 2; number <= 3; ++number) {
        screen_->addTab(ui::InterfaceObject());
        ASSERT_TRUE(open(number));
    }
    const auto tabs = screen_->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    Tab& first = *tabs[0];

    // The first tab's face, clicked.
    const auto face = first.tabButton();
    const ui::Rect onScreen = face->convertRectToView(face->bounds(), nullptr);
    // Clicked again while nothing has happened, as a person would on a busy machine.
    const auto clickUntil = [](const std::function<void()>& click,
                               const std::function<bool()>& happened) {
        for (int turn = 0; turn < 5; ++turn) {
            click();
            if (base::RunLoop::main().runUntil(happened, 3s))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(clickUntil(
        [&] {
            window.click(ui::Point(onScreen.origin.x + onScreen.size.width / 3,
                                   onScreen.origin.y + onScreen.size.height / 2));
        },
        [&] {
            return screen_->selectedTab() == tabs[0] && gtk_widget_get_mapped(pageWidget(first));
        }));
    for (std::size_t other = 1; other < 3; ++other)
        EXPECT_FALSE(gtk_widget_get_mapped(pageWidget(*tabs[other]))) << "tab " << other + 1;
    // As a person would, wait for the page to be on screen: it has drawn two frames.
    js(first, "window.drawn = 0; requestAnimationFrame(function () {"
              "  requestAnimationFrame(function () { window.drawn = 1; }); }); 0");
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return js(first, "window.drawn") == "1"; }, 10s));

    // Typing into its form.
    WindowInput page(pageWidget(first));
    ASSERT_TRUE(clickUntil([&] { page.click(centreOf(first, "field")); },
                           [&] { return js(first, "document.activeElement.id") == "field"; }));
    page.type("abc");
    EXPECT_TRUE(base::RunLoop::main().runUntil(
        [&] { return js(first, "document.getElementById('field').value") == "abc"; }, 10s));

    // The wheel over it.
    EXPECT_TRUE(clickUntil([&] { page.wheel(ui::Point(160, 300), 2); },
                           [&] { return std::stod(js(first, "window.scrollY")) > 0; }));
    EXPECT_GT(std::stoi(js(first, "window.seen")), 0);

    // A click on its link: the first tab follows it.
    page.click(centreOf(first, "link"));
    EXPECT_TRUE(finishes(first, "Linked 1"));
    EXPECT_EQ(linkedFrom("1"), 1);

    // The other tabs' pages saw nothing of it.
    for (std::size_t other = 1; other < 3; ++other) {
        Tab& tab = *tabs[other];
        const std::string name = "tab " + std::to_string(other + 1);
        EXPECT_EQ(js(tab, "window.seen"), "0") << name;
        EXPECT_EQ(js(tab, "document.getElementById('field').value"), "") << name;
        EXPECT_EQ(js(tab, "window.scrollY"), "0") << name;
        EXPECT_EQ(tab.tabButton()->titleForState(ui::ControlStateNormal),
                  "Tab " + std::to_string(other + 1))
            << name;
        EXPECT_EQ(linkedFrom(std::to_string(other + 1)), 0) << name;
    }
}

} // namespace
