// The road of a page with the real engine: the browser is launched as the program launches it,
// an address is typed, the tab fetches the page from a loopback server itself, hands it to its
// WebKit web view, hears the final-load signal and takes the page's title.

#include "browser/StalePageServer.h"
#include "browser/Tab.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/WebView.h"
#include "tests/e2e/LaunchedBrowserTest.h"
#include "tests/e2e/WindowInput.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cairo.h>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
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
        serve("/comment", "<html><head></head><body><!----></body></html>");
        serve("/space", "<html><head></head><body> </body></html>");
        serve("/marker", page("Marker", ""));
        // A link to an anchor of its own page, far below.
        serve("/anchored",
              page("Anchored", "<a id='jump' href='#section' style='display:block;height:80px'>"
                               "to the section</a><div style='height:3000px'></div>"
                               "<h2 id='section'>Section</h2>"));
        // A button whose script opens a window.
        serve("/opener", page("Opener", "<button id='open' style='width:200px;height:80px' "
                                        "onclick=\"window.open('/second')\">open</button>"));
        serve("/home", page("Home Page", "<p id='text'>home</p>"));
        serve("/files", page("Files", "<a id='zip' href='/big.zip'>an archive</a>"));
        // A file that is no page, of zipSize bytes, sent a piece at a time.
        server_.server().Get(
            "/big.zip", [this](const httplib::Request&, httplib::Response& response) {
                response.set_chunked_content_provider(
                    "application/zip", [this](std::size_t, httplib::DataSink& sink) {
                        static const std::string chunk(64 * 1024, 'z');
                        if (zipSent_ >= zipSize) {
                            sink.done();
                            return true;
                        }
                        if (!sink.write(chunk.data(), chunk.size())) {
                            zipCut_ = true;
                            return false;
                        }
                        zipSent_ += chunk.size();
                        return !stopping_.load();
                    });
            });
        server_.start();
        launch();
    }

    void TearDown() override {
        LaunchedBrowserTest::TearDown();
        stopping_ = true;
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
    // Waits for the selected tab's page to end with the final-load signal and the title, and
    // for the engine's own end of the load (the page signals at its load event, before it).
    bool finishes(const std::string& title) {
        return base::RunLoop::main().runUntil(
            [&] {
                return !tab().loading() && tabTitle() == title && !tab().webView()->isLoading();
            },
            30s);
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
    // More than the loopback's socket buffers hold, so that a hang-up shows.
    static constexpr std::size_t zipSize = 32 * 1024 * 1024;
    std::atomic<std::size_t> zipSent_{0};
    std::atomic<bool> zipCut_{false};
    std::atomic<bool> stopping_{false};

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
    // Nothing is loading: the page is reloaded from the reload button.
    EXPECT_TRUE(screen_->stopButton()->isHidden());
    EXPECT_FALSE(screen_->refreshButton()->isHidden());
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

// Markup next to empty is not empty: a lone comment or blank in the body still gets the frame,
// and the page ends with the signal.
TEST_F(PageRoadTest, AlmostEmptyMarkupGetsTheFinalLoadFrame) {
    testing_support::LogCapture log;
    for (const char* path : {"/comment", "/space"}) {
        SCOPED_TRACE(path);
        const std::string address = server_.url(path);
        typeAddress(address);
        ASSERT_TRUE(base::RunLoop::main().runUntil(
            [&] {
                return signalsFor(log, address) == 1 && !tab().loading() &&
                       !tab().webView()->isLoading();
            },
            30s));
        EXPECT_EQ(finalLoadFrames(), "1");
        EXPECT_EQ(tabTitle(), "Untitled");
    }
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

// --- The browser in its real window, driven as a person drives it: clicks at window
// coordinates, typing and Return, synthesized at the X server.

class WindowTest : public PageRoadTest {
protected:
    void SetUp() override {
        PageRoadTest::SetUp();
        if (HasFatalFailure())
            return;
        showWindow("e2e");
        if (HasFatalFailure())
            return;
        input_ = std::make_unique<WindowInput>(window_->canvas().widget());
        ASSERT_TRUE(input_->available()) << "the display has no XTEST extension";
        // The first tab is on the start page, then the search engine's home page.
        ASSERT_TRUE(
            base::RunLoop::main().runUntil([&] { return !tab().webView()->isLoading(); }, 30s));
    }
    void TearDown() override {
        input_.reset();
        PageRoadTest::TearDown();
    }

    static ui::Point centerOf(const ui::View& view) {
        const ui::Rect frame = view.convertRectToView(view.bounds(), nullptr);
        return ui::Point(frame.origin.x + frame.size.width / 2,
                         frame.origin.y + frame.size.height / 2);
    }
    static ui::Point centerOf(const ui::BarButtonItem& item, const ui::View& bar) {
        const ui::Rect frame = bar.convertRectToView(item.frameInBar(), nullptr);
        return ui::Point(frame.origin.x + frame.size.width / 2,
                         frame.origin.y + frame.size.height / 2);
    }
    // The middle of an element of the selected tab's page, in the window: the page lies in its
    // web view below the view's top inset.
    ui::Point centerOfElement(const std::string& id) {
        const std::string box = "document.getElementById('" + id + "').getBoundingClientRect()";
        const double x = std::stod(js("String(" + box + ".left + " + box + ".width / 2)"));
        const double y = std::stod(js("String(" + box + ".top + " + box + ".height / 2)"));
        auto& webView = *tab().webView();
        const ui::Rect frame = webView.convertRectToView(webView.bounds(), nullptr);
        return ui::Point(frame.origin.x + x,
                         frame.origin.y + webView.scrollView()->topInsetInView() + y);
    }

    // A click on the control, then the run loop until `done` (the click's effect) holds.
    bool click(const ui::View& view, const std::function<bool()>& done) {
        input_->click(centerOf(view));
        return base::RunLoop::main().runUntil(done, 30s);
    }
    bool click(const ui::BarButtonItem& item, const std::function<bool()>& done) {
        input_->click(centerOf(item, *screen_->bottomBar()));
        return base::RunLoop::main().runUntil(done, 30s);
    }
    // Clicks the address field, types the text and presses Return.
    ::testing::AssertionResult typeIntoAddressField(const std::string& text) {
        auto field = screen_->addressBar();
        input_->click(centerOf(*field));
        if (!base::RunLoop::main().runUntil([&] { return field->isFirstResponder(); }, 30s))
            return ::testing::AssertionFailure() << "the field took no focus";
        // Focusing selects the whole text on the next turn; once the entry shows the selection,
        // typing replaces it.
        base::RunLoop::main().runUntil([&] { return field->selectedText() == field->text(); }, 30s);
        window_->sync();
        input_->type(text);
        if (!base::RunLoop::main().runUntil([&] { return field->text() == text; }, 30s))
            return ::testing::AssertionFailure() << "the field shows " << field->text();
        input_->pressReturn();
        if (!base::RunLoop::main().runUntil([&] { return !field->isFirstResponder(); }, 30s))
            return ::testing::AssertionFailure() << "Return did not end the editing";
        return ::testing::AssertionSuccess();
    }
    std::unique_ptr<WindowInput> input_;
};

// A link to an anchor of the page shown moves the page there: nothing is fetched again, no load
// starts that could be left hanging, and the history stays as it was.
TEST_F(WindowTest, AnAnchorLinkScrollsThePageAndBackAndForwardStayRight) {
    ASSERT_TRUE(typeIntoAddressField(server_.url("/first")));
    ASSERT_TRUE(finishes("Welcome .."));
    ASSERT_TRUE(typeIntoAddressField(server_.url("/anchored")));
    ASSERT_TRUE(finishes("Anchored"));
    ASSERT_EQ(js("String(window.scrollY)"), "0");

    input_->click(centerOfElement("jump"));
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return js("String(window.scrollY)") != "0"; }, 30s));
    ASSERT_TRUE(earlierNavigationsReachedTheTab());
    EXPECT_EQ(hits("/anchored"), 1);
    EXPECT_FALSE(tab().loading());
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_TRUE(screen_->backButton()->isEnabled());
    EXPECT_FALSE(screen_->forwardButton()->isEnabled());

    ASSERT_TRUE(click(*screen_->backButton(), [&] { return tab().history_position() == 0; }));
    ASSERT_TRUE(finishes("Welcome .."));
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_FALSE(screen_->backButton()->isEnabled());
    EXPECT_TRUE(screen_->forwardButton()->isEnabled());

    ASSERT_TRUE(click(*screen_->forwardButton(), [&] { return tab().history_position() == 1; }));
    ASSERT_TRUE(finishes("Anchored"));
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_TRUE(screen_->backButton()->isEnabled());
    EXPECT_FALSE(screen_->forwardButton()->isEnabled());
    EXPECT_EQ(screen_->addressBar()->text(), server_.url("/anchored"));
}

// Stop ends the tab's own fetch: the held-back page is never read to its end (the server sees
// the client hang up) and never replaces the page shown.
TEST_F(WindowTest, StopEndsTheTabsFetchAndThePageNeverArrives) {
    StalePageServer held;
    ASSERT_TRUE(typeIntoAddressField(server_.url("/first")));
    ASSERT_TRUE(finishes("Welcome .."));
    ASSERT_TRUE(typeIntoAddressField(held.url("/slow")));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return held.requested.load(); }, 30s));
    ASSERT_FALSE(screen_->stopButton()->isHidden());

    ASSERT_TRUE(click(*screen_->stopButton(), [&] { return screen_->stopButton()->isHidden(); }));
    EXPECT_FALSE(tab().loading());
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_TRUE(screen_->stopButton()->isHidden());
    EXPECT_FALSE(screen_->refreshButton()->isHidden());
    EXPECT_EQ(screen_->addressBar()->text(), server_.url("/first"));
    ASSERT_TRUE(held.laterFetchAnswered());
    ASSERT_TRUE(held.releaseAndWaitForTheEnd());
    EXPECT_TRUE(held.cut);
    ASSERT_TRUE(earlierNavigationsReachedTheTab());
    EXPECT_EQ(js("document.getElementById('text').textContent"), "first");
    EXPECT_EQ(tab().history().size(), 1u);
}

// A link to a file that is no page: the tab hangs up at once rather than fetching it all, and shows
// a page that says it cannot show it, rather than the file's bytes as text; Back leads back.
TEST_F(WindowTest, AFileThatIsNoPageIsNotFetchedAndTheTabSaysSo) {
    ASSERT_TRUE(typeIntoAddressField(server_.url("/files")));
    ASSERT_TRUE(finishes("Files"));
    input_->click(centerOfElement("zip"));
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return !tab().loading() && js("document.title") == "Cannot Show File"; }, 30s))
        << "the page shows " << js("document.body.innerText").substr(0, 80);
    EXPECT_THAT(js("document.body.innerText"), HasSubstr("does not download files"));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return zipCut_.load(); }, 30s));
    EXPECT_LT(zipSent_.load(), zipSize);
    EXPECT_TRUE(screen_->progressBar()->isHidden());
    EXPECT_TRUE(screen_->stopButton()->isHidden());
    EXPECT_EQ(screen_->addressBar()->text(), server_.url("/big.zip"));

    ASSERT_TRUE(click(*screen_->backButton(), [&] { return tab().history_position() == 0; }));
    ASSERT_TRUE(finishes("Files"));
}

// An address and port typed without "http://", its host a number, opens as http.
TEST_F(WindowTest, ATypedHostAndPortWithANumericHostOpensAsHttp) {
    const std::string typed = "127.0.0.1:" + std::to_string(server_.port()) + "/first";
    ASSERT_TRUE(typeIntoAddressField(typed));
    ASSERT_TRUE(finishes("Welcome .."));
    EXPECT_EQ(hits("/first"), 1);
    EXPECT_EQ(screen_->addressBar()->text(), "http://" + typed);
}

// A page's script that opens a window has the page load in the same view.
TEST_F(WindowTest, WindowOpenLoadsInTheSameView) {
    ASSERT_TRUE(typeIntoAddressField(server_.url("/opener")));
    ASSERT_TRUE(finishes("Opener"));
    input_->click(centerOfElement("open"));
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return hits("/second") == 1 && js("document.title") == "Second"; }, 30s));
    EXPECT_EQ(js("document.getElementById('text').textContent"), "second");
    EXPECT_EQ(screen_->tabs().size(), 1u);
}

// However tabs are opened and closed, the strip is never scrolled past its content: the tabs
// left, even the only one, show from their first one on.
TEST_F(WindowTest, TheTabStripStaysWithinItsContent) {
    const auto& strip = *screen_->tabsView();
    auto expectWithinContent = [&](const char* when) {
        const double limit = std::max(0.0, strip.contentSize().width - strip.bounds().size.width);
        EXPECT_GE(strip.contentOffset().x, 0) << when;
        EXPECT_LE(strip.contentOffset().x, limit) << when;
        // The first tab's face starts inside the strip when it fits.
        if (strip.contentSize().width <= strip.bounds().size.width) {
            const ui::Rect first = screen_->tabs().front()->convertRectToView(
                screen_->tabs().front()->bounds(), &strip);
            EXPECT_GE(first.origin.x - strip.bounds().origin.x, 0) << when;
        }
    };
    for (std::size_t count = 2; count <= 4; ++count) {
        ASSERT_TRUE(click(*screen_->addTab(), [&] { return screen_->tabs().size() == count; }));
        expectWithinContent("opened");
    }
    ASSERT_EQ(screen_->tabs().size(), 4u);
    EXPECT_GT(strip.contentOffset().x, 0); // scrolled to show the newest
    while (screen_->tabs().size() > 1) {
        const auto last = screen_->tabs().back();
        ASSERT_TRUE(click(*last->closeButton(), [&] { return screen_->tabs().back() != last; }));
        expectWithinContent("closed");
    }
    EXPECT_EQ(strip.contentOffset().x, 0);
}

// A title that nearly fits ends before the tab's close mark: the mark looks the same with or
// without a title beside it.
TEST_F(WindowTest, ATabsTitleIsNeverDrawnUnderItsCloseMark) {
    ASSERT_TRUE(typeIntoAddressField(server_.url("/home")));
    ASSERT_TRUE(finishes("Home Page"));
    auto shot = [&](const std::string& name) {
        window_->sync();
        auto file = std::filesystem::temp_directory_path() / ("browser-e2e-" + name + ".png");
        EXPECT_TRUE(window_->writeScreenshot(file).ok());
        return file;
    };
    const ui::Rect mark =
        tab().closeButton()->convertRectToView(tab().closeButton()->bounds(), nullptr);
    auto pixels = [&](const std::filesystem::path& file) {
        cairo_surface_t* picture = cairo_image_surface_create_from_png(file.c_str());
        std::vector<std::uint32_t> inside;
        if (cairo_surface_status(picture) == CAIRO_STATUS_SUCCESS) {
            const int stride = cairo_image_surface_get_stride(picture);
            const unsigned char* data = cairo_image_surface_get_data(picture);
            for (int y = int(mark.origin.y); y < int(mark.origin.y + mark.size.height); ++y)
                for (int x = int(mark.origin.x); x < int(mark.origin.x + mark.size.width); ++x)
                    inside.push_back(reinterpret_cast<const std::uint32_t*>(data + y * stride)[x]);
        }
        cairo_surface_destroy(picture);
        return inside;
    };
    // A change shows once the window has drawn it: the mark as two shots in a row agree on it.
    auto settledMark = [&](const std::string& name) {
        std::vector<std::uint32_t> last;
        std::vector<std::uint32_t> now = pixels(shot(name));
        base::RunLoop::main().runUntil(
            [&] {
                last = std::move(now);
                now = pixels(shot(name));
                return now == last;
            },
            30s);
        return now;
    };
    const auto withTitle = settledMark("titled");
    ASSERT_FALSE(withTitle.empty());
    // The mark is there: the region is not of one colour.
    ASSERT_NE(std::count(withTitle.begin(), withTitle.end(), withTitle.front()),
              static_cast<std::ptrdiff_t>(withTitle.size()));
    tab().setTitle("");
    const auto withoutTitle = settledMark("untitled");
    EXPECT_EQ(withTitle, withoutTitle);
    tab().setTitle("Slow page");
    EXPECT_EQ(settledMark("slow"), withoutTitle);
}

} // namespace
