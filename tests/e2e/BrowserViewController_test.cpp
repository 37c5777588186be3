// The road of a page with the real engine: the browser is launched as the program launches it,
// an address is typed, the tab fetches the page from a loopback server itself, hands it to its
// WebKit web view, hears the final-load signal and takes the page's title.

#include "browser/Tab.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/WebView.h"
#include "tests/e2e/LaunchedBrowserTest.h"

#include <algorithm>
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

std::string page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// Stands between a web view and its tab: passes every call on to the tab, and notes the address
// of each document the web view reports finished.
class FinishCounter : public ui::WebViewDelegate {
public:
    explicit FinishCounter(std::shared_ptr<Tab> tab)
        : tab_(std::move(tab)) {}

    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override {
        return tab_->webViewShouldStartLoadWithRequestNavigationType(webView, request, type);
    }
    void webViewDidStartLoad(ui::WebView& webView) override { tab_->webViewDidStartLoad(webView); }
    void webViewDidFinishLoad(ui::WebView& webView) override {
        const auto& request = webView.request();
        finished.push_back(request && request->url() ? request->url()->absoluteString() : "");
        tab_->webViewDidFinishLoad(webView);
    }
    void webViewDidFailLoadWithError(ui::WebView& webView, const base::Error& error) override {
        tab_->webViewDidFailLoadWithError(webView, error);
    }

    std::vector<std::string> finished;

private:
    std::shared_ptr<Tab> tab_;
};

class PageRoadTest : public LaunchedBrowserTest {
protected:
    void SetUp() override {
        LaunchedBrowserTest::SetUp();
        // The engine may open a connection ahead of a link it is about to follow and leave it
        // idle; the server must not wait long for its request when it stops.
        server_.server().set_keep_alive_timeout(1);
        serve("/first", page("Welcome to the first page",
                             "<p id='text'>first</p><a id='link' href='/second'>second</a>"));
        serve("/second", page("Second", "<p id='text'>second</p>"));
        serve("/third", page("Third", "<p id='text'>third</p>"));
        serve("/empty", "<html><head></head><body></body></html>");
        serve("/marker", page("Marker", ""));
        server_.start();
        launch();
    }

    void TearDown() override {
        LaunchedBrowserTest::TearDown();
        server_.stop();
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

    // The final-load frames in the selected tab's document, found by their address.
    std::string finalLoadFrames() {
        return js(std::string("document.querySelectorAll('iframe[src=\"") +
                  Tab::finalLoadSignalAddress + "\"]').length");
    }
    // How often the tab took the final-load signal for `address`.
    static int signalsFor(const testing_support::LogCapture& log, const std::string& address) {
        const auto lines = log.lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), "Loaded url: " + address));
    }
    // Every navigation the page started before this call has reached the tab once it returns
    // true: the engine hands navigations to its client in the order they start, and this one
    // only reaches the server after the tab let it through. It leaves a frame of its own in
    // the document.
    bool earlierNavigationsReachedTheTab() {
        const int before = hits("/marker");
        js("var marker = document.createElement('iframe'); marker.src = '" +
           server_.url("/marker") + "'; document.documentElement.appendChild(marker);");
        return base::RunLoop::main().runUntil([&] { return hits("/marker") == before + 1; }, 30s);
    }
    // Puts a FinishCounter between the selected tab and its web view.
    std::shared_ptr<FinishCounter> countFinishes() {
        auto counter = std::make_shared<FinishCounter>(screen_->selectedTab());
        tab().webView()->setDelegate(counter);
        return counter;
    }
    // Waits until the web view has told its tab that the document at `address` finished, so
    // the tab has run the final-load script on it.
    bool tabHeardFinish(const FinishCounter& counter, const std::string& address) {
        return base::RunLoop::main().runUntil(
            [&] {
                return std::find(counter.finished.begin(), counter.finished.end(), address) !=
                       counter.finished.end();
            },
            30s);
    }

    net::TestHTTPServer server_;

private:
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
    // The final-load frame was known for one when its navigation came: no probe asked the page.
    EXPECT_EQ(dynamic_cast<gtk::WebKitEngine&>(tab().webView()->engine()).framesAsked(), 0);
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
    // The link told which frame it loads in before its navigation came to be decided.
    EXPECT_EQ(dynamic_cast<gtk::WebKitEngine&>(tab().webView()->engine()).framesAsked(), 0);
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

// The web view may report one document finished more than once; each report runs the final-load
// script again, and the page must still hold one frame and signal the end of its load once.
TEST_F(PageRoadTest, TheFinalLoadFrameIsAddedOnceToADocument) {
    testing_support::LogCapture log;
    const std::string address = server_.url("/first");
    typeAddress(address);
    ASSERT_TRUE(finishes("Welcome .."));
    EXPECT_EQ(finalLoadFrames(), "1");
    EXPECT_EQ(signalsFor(log, address), 1);

    auto& webView = *tab().webView();
    tab().webViewDidFinishLoad(webView);
    EXPECT_EQ(finalLoadFrames(), "1");
    tab().webViewDidFinishLoad(webView);
    EXPECT_EQ(finalLoadFrames(), "1");
    EXPECT_EQ(js("document.querySelectorAll('#gh-page-loaded').length"), "1");

    ASSERT_TRUE(earlierNavigationsReachedTheTab());
    EXPECT_EQ(signalsFor(log, address), 1);
    EXPECT_FALSE(tab().loading());
    EXPECT_EQ(tabTitle(), "Welcome ..");
}

// A fetched page whose markup is only an empty head and body gets no frame, so the tab hears no
// end of that load: it stays loading and keeps the title it had.
TEST_F(PageRoadTest, AFetchedPageWithEmptyMarkupGetsNoFinalLoadFrame) {
    testing_support::LogCapture log;
    typeAddress(server_.url("/first"));
    ASSERT_TRUE(finishes("Welcome .."));
    auto counter = countFinishes();

    const std::string address = server_.url("/empty");
    typeAddress(address);
    ASSERT_TRUE(tabHeardFinish(*counter, address));
    EXPECT_EQ(hits("/empty"), 1);
    // Without a frame nothing can signal the end of this load later on.
    EXPECT_EQ(finalLoadFrames(), "0");
    ASSERT_EQ(js("document.documentElement.innerHTML"), "<head></head><body></body>");
    EXPECT_EQ(signalsFor(log, address), 0);
    EXPECT_TRUE(tab().loading());
    EXPECT_EQ(tabTitle(), "Welcome ..");

    // Reported finished once more, the document still gets none.
    tab().webViewDidFinishLoad(*tab().webView());
    EXPECT_EQ(finalLoadFrames(), "0");
}

// A page that sends itself to about:blank leaves a blank document in the tab's web view: the
// script runs there too, and adds nothing.
TEST_F(PageRoadTest, ABlankDocumentGetsNoFinalLoadFrame) {
    testing_support::LogCapture log;
    const std::string address = server_.url("/first");
    typeAddress(address);
    ASSERT_TRUE(finishes("Welcome .."));
    ASSERT_EQ(signalsFor(log, address), 1);
    auto counter = countFinishes();

    js("location.href = 'about:blank'");
    ASSERT_TRUE(tabHeardFinish(*counter, "about:blank"));
    EXPECT_EQ(finalLoadFrames(), "0");
    ASSERT_EQ(js("document.documentElement.innerHTML"), "<head></head><body></body>");
    EXPECT_EQ(signalsFor(log, "about:blank"), 0);
    EXPECT_EQ(signalsFor(log, address), 1);
}

} // namespace
