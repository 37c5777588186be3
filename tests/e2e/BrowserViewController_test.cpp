// The road of a page with the real engine: the browser is launched as the program launches it,
// an address is typed, the tab fetches the page from a loopback server itself, hands it to its
// WebKit web view, hears the final-load signal and takes the page's title.

#include "browser/AppDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/WebView.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// A loopback port nothing listens on: the search engine's home page, which every new tab's web
// view loads itself, fails there at once instead of leaving the machine.
int closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

std::string page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

class PageRoadTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The engine and the server live in real time.
        base::Clock::install(nullptr);
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::Application::reset();
        previousDevice_ =
            ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Phone));
        base::Value::Dictionary info;
        info[BrowserSettings::searchEngineHostKey] =
            base::Value("127.0.0.1:" + std::to_string(closedPort()));
        previousBundle_ = base::Bundle::install(
            std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));

        // The engine may open a connection ahead of a link it is about to follow and leave it
        // idle; the server must not wait long for its request when it stops.
        server_.server().set_keep_alive_timeout(1);
        serve("/first", page("Welcome to the first page",
                             "<p id='text'>first</p><a id='link' href='/second'>second</a>"));
        serve("/second", page("Second", "<p id='text'>second</p>"));
        serve("/third", page("Third", "<p id='text'>third</p>"));
        server_.start();

        delegate_ = std::make_shared<AppDelegate>();
        ui::Application::shared().setDelegate(delegate_);
        ASSERT_TRUE(ui::Application::shared().launch());
        screen_ = delegate_->viewController();
    }

    void TearDown() override {
        screen_.reset();
        delegate_.reset();
        ui::Application::reset();
        // Lets the web views' last events go while the engine still runs.
        base::RunLoop::main().runUntil([] { return false; }, 100ms);
        server_.stop();
        base::Bundle::install(previousBundle_);
        ui::Device::install(previousDevice_);
        PlatformTest::TearDown();
    }

    void serve(const std::string& path, const std::string& html) {
        server_.server().Get(
            path, [this, path, html](const httplib::Request& request, httplib::Response& response) {
                {
                    std::lock_guard lock(mutex_);
                    ++hits_[path];
                    userAgents_[path] = request.get_header_value("User-Agent");
                }
                response.set_content(html, "text/html; charset=utf-8");
            });
    }
    int hits(const std::string& path) {
        std::lock_guard lock(mutex_);
        return hits_[path];
    }
    std::string userAgentOf(const std::string& path) {
        std::lock_guard lock(mutex_);
        return userAgents_[path];
    }

    Tab& tab() { return *screen_->selectedTab(); }
    std::string tabTitle() {
        return tab().tabButton()->titleForState(ui::ControlStateNormal).value_or("");
    }
    std::string js(const std::string& script) {
        return tab().webView()->stringByEvaluatingJavaScriptFromString(script);
    }

    void typeAddress(const std::string& text) {
        auto field = screen_->addressBar();
        field->becomeFirstResponder();
        field->setText(text);
        field->simulateReturn();
    }
    // Waits for the selected tab's page to end with the final-load signal and the title.
    bool finishes(const std::string& title) {
        return base::RunLoop::main().runUntil(
            [&] { return !tab().loading() && tabTitle() == title; }, 30s);
    }

    net::TestHTTPServer server_;
    std::shared_ptr<AppDelegate> delegate_;
    std::shared_ptr<BrowserViewController> screen_;

private:
    std::shared_ptr<ui::Device> previousDevice_;
    std::shared_ptr<base::Bundle> previousBundle_;
    std::mutex mutex_;
    std::map<std::string, int> hits_;
    std::map<std::string, std::string> userAgents_;
};

TEST_F(PageRoadTest, ATypedAddressIsFetchedByTheTabAndShownByTheEngine) {
    ASSERT_EQ(screen_->tabs().size(), 1u);
    ASSERT_TRUE(dynamic_cast<gtk::WebKitEngine*>(&tab().webView()->engine()));
    const std::string address = server_.url("/first");

    typeAddress(address);
    EXPECT_FALSE(screen_->progressBar()->isHidden());
    ASSERT_TRUE(finishes("Welcome .."));

    // Fetched once, by the tab, with the engine's own user agent.
    EXPECT_EQ(hits("/first"), 1);
    const std::string agent = js("navigator.userAgent");
    EXPECT_FALSE(agent.empty());
    EXPECT_EQ(userAgentOf("/first"), agent);
    // Handed to the web view with the response's address as base.
    EXPECT_EQ(tab().webView()->request()->url()->absoluteString(), address);
    EXPECT_EQ(js("document.getElementById('text').textContent"), "first");
    EXPECT_EQ(js("document.getElementById('gh-page-loaded') != null"), "true");
    EXPECT_EQ(tab().tabButton()->accessibilityLabel(), "Tab with title Welcome ..");

    // The end of the load, on the screen.
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_DOUBLE_EQ(screen_->progressBar()->progress(), 1.0);
    EXPECT_TRUE(screen_->stopButton()->isHidden());
    EXPECT_FALSE(screen_->refreshButton()->isHidden());
    EXPECT_EQ(screen_->addressBar()->text(), address);
    EXPECT_EQ(tab().currentURLString(), address);
}

TEST_F(PageRoadTest, BackAndForwardStepTheTabsOwnHistory) {
    typeAddress(server_.url("/first"));
    ASSERT_TRUE(finishes("Welcome .."));
    typeAddress(server_.url("/second"));
    ASSERT_TRUE(finishes("Second"));
    EXPECT_TRUE(screen_->backButton()->isEnabled());
    EXPECT_FALSE(screen_->forwardButton()->isEnabled());

    ASSERT_TRUE(screen_->backButton()->simulateTap());
    ASSERT_TRUE(finishes("Welcome .."));
    // The tab fetched the page again itself; the history did not grow.
    EXPECT_EQ(hits("/first"), 2);
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().history_position(), 0);
    EXPECT_EQ(js("document.getElementById('text').textContent"), "first");
    EXPECT_FALSE(screen_->backButton()->isEnabled());
    EXPECT_TRUE(screen_->forwardButton()->isEnabled());
    EXPECT_EQ(screen_->addressBar()->text(), server_.url("/first"));

    ASSERT_TRUE(screen_->forwardButton()->simulateTap());
    ASSERT_TRUE(finishes("Second"));
    EXPECT_EQ(hits("/second"), 2);
    EXPECT_EQ(tab().history_position(), 1);
    EXPECT_TRUE(screen_->backButton()->isEnabled());
    EXPECT_FALSE(screen_->forwardButton()->isEnabled());
}

TEST_F(PageRoadTest, ATappedLinkIsFetchedByTheTab) {
    typeAddress(server_.url("/first"));
    ASSERT_TRUE(finishes("Welcome .."));
    js("document.getElementById('link').click()");
    ASSERT_TRUE(finishes("Second"));
    EXPECT_EQ(hits("/second"), 1);
    EXPECT_EQ(userAgentOf("/second"), js("navigator.userAgent"));
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(screen_->addressBar()->text(), server_.url("/second"));
    EXPECT_EQ(js("document.getElementById('text').textContent"), "second");
}

TEST_F(PageRoadTest, OfflineTheUnableToConnectPageShows) {
    reachability().setFlags(0);
    typeAddress(server_.url("/first"));
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return js("document.title") == "Cannot Open Page"; }, 30s));
    EXPECT_EQ(tab().webView()->request()->url()->absoluteString(), "about:blank");
    EXPECT_THAT(js("document.body.innerText"), HasSubstr("could not connect"));
    EXPECT_EQ(hits("/first"), 0);
    EXPECT_TRUE(tab().history().empty());
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_FALSE(screen_->stopButton()->isHidden());
    EXPECT_EQ(tabTitle(), "New Tab");
}

// Three tabs on three pages: the address field, the buttons and the page on top follow the
// selected tab through switches and closes, and each tab keeps its own title.
TEST_F(PageRoadTest, TabsKeepTheirOwnPagesThroughSwitchesAndCloses) {
    const std::string first = server_.url("/first");
    const std::string second = server_.url("/second");
    const std::string third = server_.url("/third");
    auto titleOf = [](const std::shared_ptr<Tab>& tab) {
        return tab->tabButton()->titleForState(ui::ControlStateNormal).value_or("");
    };
    auto topWebView = [&] {
        for (auto view = screen_->view()->subviews().rbegin();
             view != screen_->view()->subviews().rend(); ++view)
            if (auto web = std::dynamic_pointer_cast<ui::WebView>(*view))
                return web;
        return std::shared_ptr<ui::WebView>();
    };

    typeAddress(first);
    ASSERT_TRUE(finishes("Welcome .."));
    // The new-tab button, then an address typed in the new tab.
    ASSERT_TRUE(screen_->addTab()->simulateTap());
    ASSERT_EQ(screen_->tabs().size(), 2u);
    EXPECT_EQ(screen_->addressBar()->text(), "");
    typeAddress(second);
    ASSERT_TRUE(finishes("Second"));
    // A tab opened straight onto an address, as a bookmark is opened.
    screen_->addTabWithAddress(third);
    ASSERT_TRUE(finishes("Third"));
    const auto tabs = screen_->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(titleOf(tabs[0]), "Welcome ..");
    EXPECT_EQ(titleOf(tabs[1]), "Second");
    EXPECT_EQ(titleOf(tabs[2]), "Third");
    EXPECT_EQ(screen_->addressBar()->text(), third);
    EXPECT_EQ(hits("/first") + hits("/second") + hits("/third"), 3);

    // Back to the first tab: its address, its page on top, no history to step through.
    ASSERT_TRUE(tabs[0]->tabButton()->simulateTap());
    EXPECT_EQ(screen_->selectedTab(), tabs[0]);
    EXPECT_EQ(screen_->addressBar()->text(), first);
    EXPECT_EQ(topWebView(), tabs[0]->webView());
    EXPECT_EQ(js("document.getElementById('text').textContent"), "first");
    EXPECT_FALSE(screen_->backButton()->isEnabled());
    EXPECT_FALSE(screen_->forwardButton()->isEnabled());
    EXPECT_FALSE(screen_->refreshButton()->isHidden());
    EXPECT_TRUE(screen_->progressBar()->isHidden());

    // Closing the middle tab leaves the selection and moves the last one left.
    ASSERT_TRUE(tabs[1]->closeButton()->simulateTap());
    EXPECT_EQ(screen_->tabs(), (std::vector<std::shared_ptr<Tab>>{tabs[0], tabs[2]}));
    EXPECT_EQ(screen_->selectedTab(), tabs[0]);
    EXPECT_EQ(tabs[2]->frame().origin.x, 102);
    EXPECT_EQ(screen_->addressBar()->text(), first);
    EXPECT_FALSE(tabs[1]->webView()->superview());

    // Closing the selected first tab selects its right neighbour and its page.
    ASSERT_TRUE(tabs[0]->closeButton()->simulateTap());
    EXPECT_EQ(screen_->selectedTab(), tabs[2]);
    EXPECT_EQ(screen_->addressBar()->text(), third);
    EXPECT_EQ(topWebView(), tabs[2]->webView());
    EXPECT_EQ(js("document.getElementById('text').textContent"), "third");
    EXPECT_EQ(titleOf(tabs[2]), "Third");

    // Closing the only tab leaves a fresh one on the start page.
    ASSERT_TRUE(tabs[2]->closeButton()->simulateTap());
    ASSERT_EQ(screen_->tabs().size(), 1u);
    EXPECT_NE(screen_->selectedTab(), tabs[2]);
    EXPECT_EQ(tabTitle(), "New Tab");
    EXPECT_EQ(screen_->addressBar()->text(), "");
    EXPECT_FALSE(tabs[2]->current());
    EXPECT_EQ(hits("/first") + hits("/second") + hits("/third"), 3);
}

} // namespace
