#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "browser/BrowserDelegate.h"
#include "browser/BrowserScreenTest.h"
#include "browser/BrowserViewController.h"
#include "browser/StalePageServer.h"
#include "browser/Tab.h"
#include "browser/UIMainView.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/store/FetchRequest.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Keyboard.h"

#include <atomic>
#include <filesystem>
#include <gmock/gmock.h>
#include <thread>
#include <variant>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::string resource(const char* name, const char* type) {
    auto path = base::Bundle::main().pathForResource(name, type);
    EXPECT_TRUE(path) << name;
    return path ? base::readFile(*path)->toString() : std::string();
}

// The HTML loads the engine was given, newest last.
std::vector<ui::FakeWebEngine::HTMLLoad> htmlLoads(ui::FakeWebEngine& engine) {
    std::vector<ui::FakeWebEngine::HTMLLoad> loads;
    for (const auto& load : engine.loads())
        if (const auto* html = std::get_if<ui::FakeWebEngine::HTMLLoad>(&load))
            loads.push_back(*html);
    return loads;
}

std::vector<std::string> requestLoads(ui::FakeWebEngine& engine) {
    std::vector<std::string> loads;
    for (const auto& load : engine.loads())
        if (const auto* request = std::get_if<net::URLRequest>(&load))
            loads.push_back(request->url() ? request->url()->absoluteString() : "(none)");
    return loads;
}

class AddressFieldTest : public BrowserScreenTest {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        showScreen();
    }
    Tab& tab() { return *screen->selectedTab(); }
    // A new tab shows the start page, then has its web view load the search home page.
    void expectStartPageThenSearchHome(Tab& tab) {
        auto& engine = engineOf(tab);
        ASSERT_EQ(engine.loads().size(), 2u);
        const auto* start = std::get_if<ui::FakeWebEngine::DataLoad>(&engine.loads()[0]);
        ASSERT_TRUE(start);
        EXPECT_EQ(start->data.toString(), resource("launch", "html"));
        EXPECT_EQ(start->MIMEType, "text/html");
        EXPECT_EQ(start->textEncodingName, "utf-8");
        EXPECT_FALSE(start->baseURL);
        EXPECT_THAT(requestLoads(engine), ElementsAre("https://search.test/"));
    }
    // The tab's page at `address` has arrived and sent its final-load signal.
    void finishLoad(Tab& tab, const std::string& address) {
        tab.setCurrentURL(base::URL::parse(address));
        tab.setCurrentURLString(address);
        engineOf(tab).raiseNavigation(*base::URL::parse(address), ui::WebViewNavigationType::Other);
        tab.setLoading(false);
        screen->currentWebViewDidFinishFinalLoad(tab.webView());
    }
    // The first callback of the tab's fetch has come: the tab is loading.
    static void startFetching(Tab& tab) {
        tab.connectionWillSendRequest(tab.urlConnection(), tab.urlConnection()->originalRequest(),
                                      std::nullopt);
    }
    // The user focuses the field, types and leaves it without Return.
    void typeAndLeave(const std::string& text) {
        auto field = screen->addressBar();
        field->becomeFirstResponder();
        EXPECT_TRUE(screen->addressBarButtonsView()->isHidden());
        field->setText(text);
        field->resignFirstResponder();
    }
};

// --- Address text to load or search.

TEST_F(AddressFieldTest, TextWithADotOpensAsHttpAddressAndWithoutOneIsSearchedForEscaped) {
    const std::pair<const char*, const char*> cases[] = {
        {"host.tld", "http://host.tld"},
        {"  host.tld/page \n", "http://host.tld/page"},
        {"https://host.tld/a", "https://host.tld/a"},
        // A host and port typed without a scheme, the host a name or an address.
        {"localhost:8080/page.html", "http://localhost:8080/page.html"},
        {"127.0.0.1:8080/page.html", "http://127.0.0.1:8080/page.html"},
        {"192.168.0.10:8080", "http://192.168.0.10:8080"},
        {"192.168.1.1", "http://192.168.1.1"},
        // Other schemes get http in front, but letter case makes no other scheme.
        {"ftp://host.tld", "http://ftp://host.tld"},
        {"HTTP://host.tld/x", "HTTP://host.tld/x"},
        // A host in its own script opens at its ASCII form.
        {"b\xC3\xBC"
         "cher.example/stra\xC3\x9F"
         "e",
         "http://xn--bcher-kva.example/stra%C3%9Fe"},
        {"https://b\xC3\xBC"
         "cher.example",
         "https://xn--bcher-kva.example"},
        {"word", "https://search.test/search?q=word"},
        // Text that makes no address, or nothing to fetch once http is put in front.
        {"a b.tld", "https://search.test/search?q=a%20b.tld"},
        {"1+1 & x#y", "https://search.test/search?q=1%2B1%20%26%20x%23y"},
        {"caf\xC3\xA9 / 100%", "https://search.test/search?q=caf%C3%A9%20%2F%20100%25"},
        {"mailto:someone", "https://search.test/search?q=mailto%3Asomeone"},
        {"", "https://search.test/search?q="},
    };
    for (const auto& [typed, opened] : cases) {
        typeAddress(typed);
        EXPECT_EQ(lastFetchedAddress(), opened) << typed;
    }
    EXPECT_TRUE(logged("sdfsd https://search.test/search?q=word"));
    EXPECT_EQ(fetched.size(), std::size(cases));
    EXPECT_FALSE(screen->gotoUrl());
    EXPECT_FALSE(screen->addressBar()->isFirstResponder());
}

TEST_F(AddressFieldTest, ALoadCarriesTheUserAgentReadOnceFromAWebView) {
    typeAddress("host.tld");
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].valueForHTTPHeaderField("User-Agent"), std::string(userAgent));
    EXPECT_EQ(screen->userAgent(), std::string(userAgent));

    // A second tab does not ask again, and its engine could not answer anyway.
    screen->addTab(ui::InterfaceObject());
    typeAddress("other.tld");
    ASSERT_EQ(fetched.size(), 2u);
    EXPECT_EQ(fetched[1].valueForHTTPHeaderField("User-Agent"), std::string(userAgent));
    const auto& scripts = engineOf(*screen->selectedTab()).evaluatedScripts();
    EXPECT_EQ(std::count(scripts.begin(), scripts.end(), "navigator.userAgent"), 0);
}

TEST_F(AddressFieldTest, AUserAgentNotThereYetIsAskedForAgainInsteadOfSendingAnEmptyOne) {
    screen->addTab(ui::InterfaceObject()); // its engine has no answer
    typeAddress("host.tld");
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_FALSE(fetched[0].valueForHTTPHeaderField("User-Agent"));
    EXPECT_FALSE(screen->userAgent());
    answerUserAgent(tab());
    typeAddress("host.tld");
    EXPECT_EQ(fetched.back().valueForHTTPHeaderField("User-Agent"), std::string(userAgent));
}

TEST_F(AddressFieldTest, ALoadStartsTheProgressAndAddsAHistoryEntryUnlessItIsAReload) {
    typeAddress("host.tld/one");
    EXPECT_FALSE(screen->progressBar()->isHidden());
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.1);
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_EQ(tab().currentURLString(), "");
    EXPECT_EQ(screen->oldAddressText(), "host.tld/one");
    ASSERT_EQ(tab().history().size(), 1u);

    // The reload button reads the field again and fetches without a new entry.
    screen->refreshButton()->setHidden(false);
    ASSERT_TRUE(screen->refreshButton()->simulateTap());
    EXPECT_EQ(fetched.size(), 2u);
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    EXPECT_EQ(tab().history().size(), 1u);

    typeAddress("host.tld/two");
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().urlConnection()->originalRequest().url()->absoluteString(),
              "http://host.tld/two");
}

TEST_F(AddressFieldTest, BackAndForwardStepTheSelectedTabsHistory) {
    typeAddress("host.tld/one");
    typeAddress("host.tld/two");
    screen->backButton()->setEnabled(true);
    ASSERT_TRUE(screen->backButton()->simulateTap());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    EXPECT_TRUE(screen->reloadOnPageLoad());
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().history_position(), 0);
    // Until the load ends the buttons stay off.
    EXPECT_FALSE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());

    screen->goForward(ui::InterfaceObject());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/two");
    EXPECT_EQ(tab().history_position(), 1);
    EXPECT_EQ(tab().history().size(), 2u);
}

TEST_F(AddressFieldTest, AppStoreLinksAreHandedToTheSystem) {
    typeAddress("https://apps.store.test/app/id123");
    EXPECT_THAT(openedURLs, ElementsAre("https://apps.store.test/app/id123"));
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(tab().history().empty());
    EXPECT_TRUE(screen->progressBar()->isHidden());
    // Another host with the store's name inside is fetched.
    typeAddress("https://apps.store.test.example/app");
    EXPECT_EQ(fetched.size(), 1u);
}

TEST_F(AddressFieldTest, OfflineTheUnableToConnectPageShowsAndNothingIsFetched) {
    reachability().setFlags(0);
    typeAddress("host.tld");
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(tab().history().empty());
    EXPECT_TRUE(screen->progressBar()->isHidden());
    // No load is under way: the page is reloaded from the reload button.
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    auto loads = htmlLoads(engineOf(tab()));
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(loads.back().html, resource("unable_to_connect", "html"));
    EXPECT_FALSE(loads.back().baseURL);
    EXPECT_EQ(screen->webView()->request()->url()->absoluteString(), "about:blank");

    // A search offline shows the same page. The state is the network watcher's, known
    // without a new look at the system for each load, and it follows the network's changes.
    base::RunLoop::main().runUntilIdle();
    const int asked = reachability().queryCount();
    typeAddress("words");
    EXPECT_TRUE(fetched.empty());
    EXPECT_EQ(reachability().queryCount(), asked);
    reachability().setFlags(net::ReachabilityFlagReachable);
    typeAddress("words");
    EXPECT_EQ(fetched.size(), 1u);
}

TEST_F(AddressFieldTest, AHistoryStepTakenOfflineDoesNotSwallowTheNextVisit) {
    typeAddress("host.tld/one");
    typeAddress("host.tld/two");
    reachability().setFlags(0);
    screen->goBack(ui::InterfaceObject());
    EXPECT_EQ(fetched.size(), 2u);

    // Back online, a typed address is a new visit: it goes into the history after the entry
    // the step went to, and Back leads to that entry.
    reachability().setFlags(net::ReachabilityFlagReachable);
    typeAddress("host.tld/three");
    ASSERT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().history().back().url()->absoluteString(), "http://host.tld/three");
    EXPECT_EQ(tab().history_position(), 1);
    EXPECT_EQ(tab().traverse(), 0);
    screen->goBack(ui::InterfaceObject());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
}

TEST_F(AddressFieldTest, FocusingTheFieldSelectsItsTextOnTheNextTurnAndHidesTheButtons) {
    screen->addressBar()->setText("host.tld/page");
    screen->addressBar()->becomeFirstResponder();
    EXPECT_TRUE(screen->addressBarButtonsView()->isHidden());
    EXPECT_EQ(screen->addressBar()->selectedRange().length, 0u);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(screen->addressBar()->selectedText(), "host.tld/page");

    screen->addressBar()->resignFirstResponder();
    screen->addressBarButtonsView()->setHidden(false);
    screen->addressBar()->setText("");
    screen->addressBar()->becomeFirstResponder();
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(screen->addressBarButtonsView()->isHidden());
    EXPECT_EQ(screen->addressBar()->selectedRange().length, 0u);
}

TEST_F(AddressFieldTest, LeavingTheFieldWithoutReturnPutsBackTheTabsAddressAndButtons) {
    auto field = screen->addressBar();
    typeAddress("host.tld/one");
    finishLoad(tab(), "http://host.tld/one");
    ASSERT_EQ(field->text(), "http://host.tld/one");

    typeAndLeave("half typed");
    EXPECT_EQ(field->text(), "http://host.tld/one");
    EXPECT_FALSE(screen->addressBarButtonsView()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_EQ(fetched.size(), 1u);

    // While a page is on its way: its address, and the stop button.
    typeAddress("host.tld/two");
    startFetching(tab());
    typeAndLeave("other");
    EXPECT_EQ(field->text(), "http://host.tld/two");
    EXPECT_FALSE(screen->addressBarButtonsView()->isHidden());
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());

    // Return opens what was typed, and the field keeps it.
    typeAddress("host.tld/three");
    EXPECT_EQ(field->text(), "host.tld/three");
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/three");

    // A search's words come back, not its address.
    typeAddress("some words");
    startFetching(tab());
    finishLoad(tab(), "https://search.test/search?q=some%20words");
    EXPECT_TRUE(screen->stopButton()->isHidden());
    typeAndLeave("x");
    EXPECT_EQ(field->text(), "some words");
    EXPECT_FALSE(screen->refreshButton()->isHidden());
}

TEST_F(AddressFieldTest, LeavingTheFieldOfANewTabLeavesItEmptyWithoutAReloadButton) {
    typeAndLeave("half typed");
    EXPECT_EQ(screen->addressBar()->text(), "");
    EXPECT_FALSE(screen->addressBarButtonsView()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
}

TEST_F(AddressFieldTest, TheUnableToConnectPageIsReloadedFromTheReloadButton) {
    // Offline, the page stands for the address typed.
    reachability().setFlags(0);
    typeAddress("host.tld/one");
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    ASSERT_FALSE(screen->refreshButton()->isHidden());
    reachability().setFlags(net::ReachabilityFlagReachable);
    ASSERT_TRUE(screen->refreshButton()->simulateTap());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    // It never had a history entry: this fetch is its visit.
    EXPECT_EQ(tab().history().size(), 1u);

    // A fetch that fails: the same page, reloaded without a new entry.
    startFetching(tab());
    tab().connectionDidFailWithError(
        tab().urlConnection(),
        base::Error{base::URLErrorDomain, base::URLErrorCannotConnectToHost, {}});
    auto loads = htmlLoads(engineOf(tab()));
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(loads.back().html, resource("unable_to_connect", "html"));
    EXPECT_EQ(tab().currentURLString(), "http://host.tld/one");
    EXPECT_TRUE(screen->stopButton()->isHidden());
    ASSERT_FALSE(screen->refreshButton()->isHidden());
    ASSERT_TRUE(screen->refreshButton()->simulateTap());
    EXPECT_EQ(fetched.size(), 2u);
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    EXPECT_EQ(tab().history().size(), 1u);

    // Its end keeps the reload button, though the page is one of the program's own.
    startFetching(tab());
    tab().connectionDidFailWithError(
        tab().urlConnection(),
        base::Error{base::URLErrorDomain, base::URLErrorCannotConnectToHost, {}});
    EXPECT_FALSE(tab().loading());
    tab().webViewDidFinishFinalLoad(*screen->webView());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
}

TEST_F(AddressFieldTest, BackWhileOfflineNamesThePageItWentToAndReloadsIt) {
    typeAddress("host.tld/one");
    finishLoad(tab(), "http://host.tld/one");
    typeAddress("host.tld/two");
    finishLoad(tab(), "http://host.tld/two");
    screen->addressBar()->setText("old typed text");
    reachability().setFlags(0);
    screen->goBack(ui::InterfaceObject());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_EQ(fetched.size(), 2u);

    reachability().setFlags(net::ReachabilityFlagReachable);
    ASSERT_TRUE(screen->refreshButton()->simulateTap());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().history_position(), 0);
}

// A new load in a tab cancels the fetch it had: a slow first page never replaces the second.
TEST_F(BrowserScreenTest, ANewLoadCancelsTheTabsEarlierFetch) {
    StalePageServer server;
    showScreen(true);
    auto& engine = engineOf(*screen->selectedTab());

    typeAddress(server.url("/slow"));
    auto first = screen->selectedTab()->urlConnection();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return server.requested.load(); },
                                               std::chrono::seconds(10)));
    typeAddress(server.url("/fast"));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return !htmlLoads(engine).empty(); },
                                               std::chrono::seconds(10)));
    const auto loadsShown = engine.loads().size();

    // The slow page goes out only now, and the client has hung up on it; whatever its
    // connection had passed on before then is waiting on the main loop.
    ASSERT_TRUE(server.releaseAndWaitForTheEnd());
    EXPECT_TRUE(server.cut);
    base::RunLoop::main().runUntilIdle();
    auto loads = htmlLoads(engine);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].html, "<title>Fast</title>fast");
    EXPECT_EQ(engine.loads().size(), loadsShown);
    EXPECT_NE(first, screen->selectedTab()->urlConnection());
}

// Stop, and a load or search asked for offline, end the tab's fetch under way: the slow page
// never arrives over what is shown then.
TEST_F(BrowserScreenTest, StopAndTheOfflineBranchesEndTheTabsEarlierFetch) {
    const std::pair<const char*, std::function<void(BrowserViewController&)>> ways[] = {
        {"stop", [](BrowserViewController& screen) { screen.stopButton()->simulateTap(); }},
        {"load offline",
         [this](BrowserViewController&) {
             reachability().setFlags(0);
             typeAddress("host.tld");
         }},
        {"search offline",
         [this](BrowserViewController&) {
             reachability().setFlags(0);
             typeAddress("words");
         }},
    };
    for (const auto& [way, end] : ways) {
        SCOPED_TRACE(way);
        reachability().setFlags(net::ReachabilityFlagReachable);
        StalePageServer server;
        showScreen(true);
        auto& tab = *screen->selectedTab();
        auto& engine = engineOf(tab);
        typeAddress(server.url("/slow"));
        ASSERT_TRUE(base::RunLoop::main().runUntil(
            [&] { return tab.loading() && server.requested.load(); }, std::chrono::seconds(10)));

        end(*screen);
        EXPECT_FALSE(tab.urlConnection());
        EXPECT_FALSE(tab.loading());
        EXPECT_TRUE(screen->progressBar()->isHidden());
        ASSERT_TRUE(server.laterFetchAnswered());
        const auto loadsShown = engine.loads().size();
        ASSERT_TRUE(server.releaseAndWaitForTheEnd());
        EXPECT_TRUE(server.cut);
        base::RunLoop::main().runUntilIdle();
        EXPECT_EQ(engine.loads().size(), loadsShown);
        for (const auto& load : htmlLoads(engine))
            EXPECT_EQ(load.html, resource("unable_to_connect", "html"));
    }
}

// A stopped page never showed: its visit is undone, the field shows the page still shown, and a
// history step stopped half-way leaves Back and Forward as the history is.
TEST_F(AddressFieldTest, StopUndoesTheVisitOfAPageThatNeverArrived) {
    auto arrives = [this] {
        tab().connectionDidReceiveData(tab().urlConnection(), base::Data::fromString("<p>x</p>"));
        tab().connectionDidFinishLoading(tab().urlConnection());
    };
    typeAddress("host.tld/one");
    arrives();
    typeAddress("host.tld/two");
    screen->stopButton()->simulateTap();
    EXPECT_EQ(tab().history().size(), 1u);
    EXPECT_EQ(tab().history_position(), 0);
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_FALSE(screen->backButton()->isEnabled());

    typeAddress("host.tld/two");
    arrives();
    screen->goBack(ui::InterfaceObject());
    EXPECT_FALSE(screen->backButton()->isEnabled() || screen->forwardButton()->isEnabled());
    screen->stopButton()->simulateTap();
    EXPECT_EQ(tab().history().size(), 2u);
    EXPECT_EQ(tab().history_position(), 1);
    EXPECT_TRUE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/two");

    // A page already handed to the web view stays a visit; its web view's load is stopped.
    typeAddress("host.tld/three");
    arrives();
    const auto stops = engineOf(tab()).stopCount();
    screen->stopButton()->simulateTap();
    EXPECT_EQ(tab().history().size(), 3u);
    EXPECT_GT(engineOf(tab()).stopCount(), stops);
    EXPECT_FALSE(tab().loading());
}

// --- The end of a load.

TEST_F(AddressFieldTest, TheFinalLoadSignalEndsTheProgressAndRefreshesTheFieldAndButtons) {
    typeAddress("host.tld/one");
    typeAddress("host.tld/two");
    auto webView = screen->webView();
    auto& engine = engineOf(tab());
    tab().setCurrentURL(base::URL::parse("http://host.tld/two"));
    tab().setCurrentURLString("http://host.tld/two");
    engine.raiseNavigation(*base::URL::parse("http://host.tld/two"),
                           ui::WebViewNavigationType::Other);
    screen->addressBar()->setText("typed");

    screen->currentWebViewDidFinishFinalLoad(webView);
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 1.0);
    EXPECT_TRUE(screen->progressBar()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/two");
    EXPECT_TRUE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());
    EXPECT_TRUE(logged("hererererereressdf"));
}

TEST_F(AddressFieldTest, AfterASearchTheFieldKeepsTheWordsTyped) {
    typeAddress("some words");
    EXPECT_TRUE(screen->saveScrollPosition());
    tab().setCurrentURLString("https://search.test/search?q=some%20words");
    engineOf(tab()).raiseNavigation(*base::URL::parse("https://search.test/search?q=some%20words"),
                                    ui::WebViewNavigationType::Other);
    screen->addressBar()->setText("some words");
    screen->currentWebViewDidFinishFinalLoad(screen->webView());
    EXPECT_EQ(screen->addressBar()->text(), "some words");

    typeAddress("www.search.test/about");
    EXPECT_TRUE(screen->saveScrollPosition());
    typeAddress("other.tld/search.test");
    EXPECT_FALSE(screen->saveScrollPosition());
}

TEST_F(AddressFieldTest, ResourcePagesHideTheReloadButtonAtTheirEnd) {
    // A page loaded without a base URL reports "about:blank".
    screen->webView()->loadHTMLString("<p>page</p>", std::nullopt);
    screen->refreshButton()->setHidden(false);
    screen->currentWebViewDidFinishFinalLoad(screen->webView());
    EXPECT_TRUE(screen->refreshButton()->isHidden());

    auto launch =
        base::URL::fileURL(base::Bundle::main().pathForResource("launch", "html")->string());
    engineOf(tab()).raiseNavigation(launch, ui::WebViewNavigationType::Other);
    screen->refreshButton()->setHidden(false);
    screen->addressBar()->setText("left over");
    screen->currentWebViewDidFinishFinalLoad(screen->webView());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_EQ(screen->addressBar()->text(), "");
}

TEST_F(AddressFieldTest, TheStartHookMovesTheProgressOnceAndStopsLoadsWhileTheFieldIsEdited) {
    typeAddress("host.tld");
    screen->refreshButton()->setHidden(false);
    screen->stopButton()->setHidden(true);
    screen->currentWebViewDidStartLoading(*screen->webView());
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.15);
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_FALSE(screen->initialPageLoad());

    screen->addressBar()->becomeFirstResponder();
    const int stops = engineOf(tab()).stopCount();
    screen->currentWebViewDidStartLoading(*screen->webView());
    EXPECT_EQ(engineOf(tab()).stopCount(), stops + 1);
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.15);
}

// --- Set-up, keyboard and appearance.

TEST_F(AddressFieldTest, SetUpColoursTheTopBarAndGivesTheFieldItsRightView) {
    EXPECT_EQ(screen->topBar()->backgroundColor(), ui::Color::fromRGB255(23, 230, 230));
    ASSERT_TRUE(screen->addressBar()->rightView());
    EXPECT_EQ(screen->addressBar()->rightView()->frame().size, ui::Size(23, 10));
    EXPECT_EQ(screen->addressBar()->rightViewMode(), ui::TextFieldViewMode::UnlessEditing);
    EXPECT_EQ(screen->oldAddressText(), "");
}

TEST_F(AddressFieldTest, TheKeyboardLiftsTheStartPageOnlyForFieldsOfThatPage) {
    auto& engine = engineOf(tab());
    auto& keyboard = ui::Application::shared().keyboard();
    const std::string keyboardShownScript = base::Bundle::main().requiredTextOfResource(
        BrowserViewController::keyboardShownScriptName, "js");
    const std::string keyboardHiddenScript = base::Bundle::main().requiredTextOfResource(
        BrowserViewController::keyboardHiddenScriptName, "js");
    screen->webView()->scrollView()->setContentOffset(ui::Point(0, 40));

    keyboard.show();
    EXPECT_THAT(engine.evaluatedScripts(), ::testing::Contains(keyboardShownScript));
    EXPECT_EQ(screen->webView()->scrollView()->contentOffset(), ui::Point(0, -96));
    keyboard.hide();
    EXPECT_EQ(engine.evaluatedScripts().back(), keyboardHiddenScript);

    // The address field's own keyboard does not lift the page.
    auto shown = [&] {
        const auto& scripts = engine.evaluatedScripts();
        return std::count(scripts.begin(), scripts.end(), keyboardShownScript);
    };
    screen->addressBar()->becomeFirstResponder();
    EXPECT_EQ(shown(), 1);
    screen->addressBar()->resignFirstResponder();
    // Nor does the keyboard of a page the tab fetched itself.
    tab().setCurrentURL(base::URL::parse("http://host.tld/form"));
    const auto count = engine.evaluatedScripts().size();
    keyboard.show();
    keyboard.hide();
    EXPECT_EQ(engine.evaluatedScripts().size(), count);
}

TEST_F(AddressFieldTest, TheFirstAppearanceOpensOneTabAndLaterOnesAddNone) {
    ASSERT_EQ(screen->tabs().size(), 1u);
    EXPECT_EQ(screen->selectedTab(), screen->tabs()[0]);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    expectStartPageThenSearchHome(tab());

    navigation->pushViewController(ui::ViewController::create(), false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(navigation->isNavigationBarHidden());
    navigation->popViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(screen->tabs().size(), 1u);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

TEST_F(AddressFieldTest, ABookmarkPickedElsewhereOpensOnceInANewTab) {
    navigation->pushViewController(ui::ViewController::create(), false);
    base::RunLoop::main().runUntilIdle();
    auto defaults = base::UserDefaults::standard();
    defaults->setBool(BrowserDelegate::openBookmarkKey, true);
    defaults->setObject(BrowserDelegate::loadedItemKey, base::Value("bookmarked.tld/page"));

    navigation->popViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(screen->tabs().size(), 2u);
    EXPECT_FALSE(defaults->boolForKey(BrowserDelegate::openBookmarkKey));
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(lastFetchedAddress(), "bookmarked.tld/page");
    EXPECT_EQ(fetched[0].url()->absoluteString(), "bookmarked.tld/page");

    navigation->pushViewController(ui::ViewController::create(), false);
    base::RunLoop::main().runUntilIdle();
    navigation->popViewControllerAnimated(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(screen->tabs().size(), 2u);
}

// --- Tab strip.

class TabStripTest : public AddressFieldTest {
protected:
    // Opens tabs until the strip holds `count` of them; the newest is selected.
    std::vector<std::shared_ptr<Tab>> openTabs(std::size_t count) {
        while (screen->tabs().size() < count)
            screen->addTab(ui::InterfaceObject());
        return screen->tabs();
    }
    std::vector<double> faceXs() const {
        std::vector<double> xs;
        for (const auto& tab : screen->tabs())
            xs.push_back(tab->frame().origin.x);
        return xs;
    }
    // A touch on the tab's close button, as the user closes it.
    static void closeTab(const std::shared_ptr<Tab>& tab) {
        ASSERT_TRUE(tab->closeButton()->simulateTap());
    }
    static bool pick(const std::shared_ptr<Tab>& tab) { return tab->tabButton()->simulateTap(); }
    // Exactly one tab is current, and it is the selected one.
    void expectOnlySelected(const std::shared_ptr<Tab>& tab) {
        EXPECT_EQ(screen->selectedTab(), tab);
        for (const auto& other : screen->tabs())
            EXPECT_EQ(other->current(), other == tab) << other->frame().origin.x;
    }
};

TEST_F(TabStripTest, FacesLieSideBySideAndTheStripScrollsToTheNewest) {
    auto first = screen->tabs()[0];
    EXPECT_EQ(first->frame(), ui::Rect(2, 2, 100, 34));
    EXPECT_EQ(first->superview(), screen->tabsView());
    EXPECT_TRUE(screen->tabsView()->clipsToBounds());
    EXPECT_FALSE(screen->tabsView()->showsHorizontalScrollIndicator());
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(105, 23));
    EXPECT_TRUE(logged("fsdfsd  "));
    expectOnlySelected(first);

    // The phone's strip is 280 points wide: two tabs fit, a third scrolls it to its end.
    openTabs(2);
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(205, 23));
    EXPECT_EQ(screen->tabsView()->contentOffset(), ui::Point(0, 0));
    openTabs(4);
    EXPECT_THAT(faceXs(), ElementsAre(2, 102, 202, 302));
    EXPECT_EQ(screen->tabs()[3]->frame(), ui::Rect(302, 2, 100, 34));
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(405, 23));
    EXPECT_EQ(screen->tabsView()->contentOffset(), ui::Point(125, 0));
    expectOnlySelected(screen->tabs()[3]);
}

TEST_F(TabStripTest, ClosingATabSelectsTheRightNeighbourOfASelectedOneOrTheLastsLeftOne) {
    struct Row {
        std::size_t count;
        int picked; // -1: the newest stays selected
        std::vector<int> closed;
        std::vector<int> left;
        int selected;
    };
    const Row rows[] = {
        {3, 0, {0}, {1, 2}, 1},    // the selected first tab: its right neighbour
        {4, 1, {1}, {0, 2, 3}, 2}, // the selected middle tab: its right neighbour
        {4, 2, {1, 0}, {2, 3}, 2}, // tabs not selected: the selection stays
        {3, -1, {2}, {0, 1}, 1},   // the selected last tab: its left neighbour
        {3, 0, {2}, {0, 1}, 1},    // the last tab, whichever was selected: its left neighbour
    };
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        SCOPED_TRACE(r);
        const Row& row = rows[r];
        showScreen();
        auto tabs = openTabs(row.count);
        if (row.picked >= 0) {
            ASSERT_TRUE(pick(tabs[row.picked]));
        }
        for (int closed : row.closed)
            closeTab(tabs[closed]);
        std::vector<std::shared_ptr<Tab>> left;
        std::vector<double> xs;
        for (int i : row.left) {
            left.push_back(tabs[i]);
            xs.push_back(2 + 100 * double(xs.size()));
        }
        EXPECT_EQ(screen->tabs(), left);
        expectOnlySelected(tabs[row.selected]);
        EXPECT_EQ(screen->webView(), tabs[row.selected]->webView());
        EXPECT_EQ(faceXs(), xs);
        // After closing the content is 40 points wider than the tabs.
        EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(100 * double(left.size()) + 40, 23));
        for (int closed : row.closed) {
            EXPECT_FALSE(tabs[closed]->superview());
            EXPECT_FALSE(tabs[closed]->webView()->superview());
        }
    }
}

TEST_F(TabStripTest, ClosingTheOnlyTabLeavesOneFreshTabOnTheStartPage) {
    auto only = screen->tabs()[0];
    typeAddress("host.tld/page");
    screen->addressBar()->setText("host.tld/page");
    closeTab(only);
    ASSERT_EQ(screen->tabs().size(), 1u);
    auto fresh = screen->tabs()[0];
    EXPECT_NE(fresh, only);
    expectOnlySelected(fresh);
    EXPECT_EQ(fresh->frame().origin.x, 2);
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(140, 23));
    EXPECT_EQ(screen->addressBar()->text(), "");
    expectStartPageThenSearchHome(*fresh);
}

TEST_F(TabStripTest, TheSelectedTabCannotBePickedAgainAndAClosedOneSendsNothingMore) {
    auto tabs = openTabs(2);
    EXPECT_FALSE(pick(tabs[1]));
    closeTab(tabs[0]);
    EXPECT_FALSE(tabs[0]->closeButton()->isEnabled());
    EXPECT_FALSE(tabs[0]->tabButton()->isEnabled());
    // Even sent from code, a closed tab's buttons change nothing.
    screen->removeTab(ui::InterfaceObject(tabs[0]->closeButton()));
    screen->selectTab(ui::InterfaceObject(tabs[0]->tabButton()));
    EXPECT_THAT(screen->tabs(), ElementsAre(tabs[1]));
    expectOnlySelected(tabs[1]);
}

TEST_F(TabStripTest, TheGivenWebViewEndsAboveTheOtherTabsAndBelowTheBars) {
    auto tabs = openTabs(3);
    ASSERT_TRUE(pick(tabs[1]));
    const auto& subviews = screen->view()->subviews();
    // The others go to the back one after the other in strip order, so the last one in the
    // strip ends furthest back.
    ASSERT_GE(subviews.size(), 4u);
    EXPECT_EQ(subviews[0], tabs[2]->webView());
    EXPECT_EQ(subviews[1], tabs[0]->webView());
    EXPECT_EQ(subviews[2], tabs[1]->webView());
    for (std::size_t i = 3; i < subviews.size(); ++i)
        EXPECT_FALSE(std::dynamic_pointer_cast<ui::WebView>(subviews[i])) << i;

    screen->loadTabs(tabs[0]->webView().get());
    EXPECT_EQ(subviews[0], tabs[2]->webView());
    EXPECT_EQ(subviews[1], tabs[1]->webView());
    EXPECT_EQ(subviews[2], tabs[0]->webView());
    EXPECT_TRUE(logged("hererererereressdf   "));
}

TEST_F(TabStripTest, LoadTabsRefreshesTheFieldOnlyForTheSelectedTabAndTurnsTitlesBlack) {
    auto tabs = openTabs(2);
    tabs[0]->hideText();
    tabs[0]->setCurrentURLString("http://host.tld/zero");
    engineOf(*tabs[0]).raiseNavigation(*base::URL::parse("http://host.tld/zero"),
                                       ui::WebViewNavigationType::Other);
    screen->addressBar()->setText("typed");
    screen->loadTabs(tabs[0]->webView().get());
    EXPECT_EQ(screen->addressBar()->text(), "typed");
    EXPECT_EQ(tabs[0]->tabButton()->titleColorForState(ui::ControlStateNormal),
              ui::Color::blackColor());

    // For the selected tab the field follows, unless the user is typing in it.
    tabs[1]->setCurrentURLString("http://host.tld/one");
    engineOf(*tabs[1]).raiseNavigation(*base::URL::parse("http://host.tld/one"),
                                       ui::WebViewNavigationType::Other);
    screen->addressBar()->becomeFirstResponder();
    screen->loadTabs(tabs[1]->webView().get());
    EXPECT_EQ(screen->addressBar()->text(), "typed");
    screen->addressBar()->resignFirstResponder();
    screen->loadTabs(tabs[1]->webView().get());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    EXPECT_FALSE(screen->refreshButton()->isHidden());
}

TEST_F(TabStripTest, SwitchingShowsStopForALoadingTabAndReloadWithTheAddressForAnIdleOne) {
    auto tabs = openTabs(1);
    typeAddress("host.tld/one");
    tabs[0]->setCurrentURLString("http://host.tld/one");
    tabs = openTabs(2);
    typeAddress("host.tld/two");
    startFetching(*tabs[1]);
    ASSERT_TRUE(tabs[1]->loading());

    ASSERT_TRUE(pick(tabs[0]));
    EXPECT_TRUE(screen->progressBar()->isHidden());
    EXPECT_TRUE(screen->stopButton()->isHidden());
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");

    screen->progressBar()->setProgress(0.4, false);
    ASSERT_TRUE(pick(tabs[1]));
    EXPECT_FALSE(screen->progressBar()->isHidden());
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.4);
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    // Only the selected tab moves the bar.
    EXPECT_EQ(tabs[1]->progressBar(), screen->progressBar());
    EXPECT_FALSE(tabs[0]->progressBar());
}

TEST_F(TabStripTest, SwitchingToATabWhosePageIsOnItsWayShowsThatTabsAddress) {
    auto tabs = openTabs(1);
    typeAddress("host.tld/one");
    startFetching(*tabs[0]);
    tabs = openTabs(2);
    typeAddress("some words");
    startFetching(*tabs[1]);

    ASSERT_TRUE(pick(tabs[0]));
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    ASSERT_TRUE(pick(tabs[1]));
    EXPECT_EQ(screen->addressBar()->text(), "some words");
    tabs = openTabs(3);
    EXPECT_EQ(screen->addressBar()->text(), "");
    ASSERT_TRUE(pick(tabs[0]));
    EXPECT_EQ(screen->addressBar()->text(), "http://host.tld/one");
    EXPECT_FALSE(screen->stopButton()->isHidden());
}

TEST_F(TabStripTest, ANewTabShowsNoReloadButtonAndATabWithAPageDoes) {
    typeAddress("host.tld/one");
    finishLoad(tab(), "http://host.tld/one");
    ASSERT_FALSE(screen->refreshButton()->isHidden());
    ASSERT_TRUE(screen->addTab()->simulateTap());
    auto tabs = screen->tabs();
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    ASSERT_TRUE(pick(tabs[0]));
    EXPECT_FALSE(screen->refreshButton()->isHidden());
    ASSERT_TRUE(pick(tabs[1]));
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    // Stopping the first load of a new tab leaves nothing to reload either.
    typeAddress("host.tld/two");
    ASSERT_TRUE(screen->stopButton()->simulateTap());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    EXPECT_EQ(screen->addressBar()->text(), "");
}

TEST_F(TabStripTest, BackAndForwardFollowTheSelectedTabsHistory) {
    auto tabs = openTabs(1);
    typeAddress("host.tld/one");
    typeAddress("host.tld/two");
    tabs = openTabs(2);
    typeAddress("host.tld/three");
    screen->backButton()->setEnabled(true);
    screen->forwardButton()->setEnabled(true);
    screen->loadTabs(screen->webView().get());
    EXPECT_FALSE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());

    ASSERT_TRUE(pick(tabs[0]));
    EXPECT_TRUE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());
    screen->goBack(ui::InterfaceObject());
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/one");
    screen->loadTabs(screen->webView().get());
    EXPECT_FALSE(screen->backButton()->isEnabled());
    EXPECT_TRUE(screen->forwardButton()->isEnabled());

    ASSERT_TRUE(pick(tabs[1]));
    EXPECT_FALSE(screen->backButton()->isEnabled());
    EXPECT_FALSE(screen->forwardButton()->isEnabled());
}

TEST_F(TabStripTest, ATabForAnAddressFetchesItWhileItsWebViewLoadsTheSearchHome) {
    screen->addressBar()->setText("left over");
    screen->addTabWithAddress("http://host.tld/page");
    auto tab = screen->selectedTab();
    ASSERT_EQ(screen->tabs().size(), 2u);
    EXPECT_EQ(tab, screen->tabs()[1]);
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/page");
    EXPECT_EQ(tab->urlConnection()->originalRequest().url()->absoluteString(),
              "http://host.tld/page");
    EXPECT_EQ(tab->history().size(), 1u);
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.1);
    // No start page: the search home page shows until the tab's own page replaces it.
    auto& engine = engineOf(*tab);
    ASSERT_EQ(engine.loads().size(), 1u);
    EXPECT_THAT(requestLoads(engine), ElementsAre("https://search.test/"));
    EXPECT_TRUE(logged("fsdfsd  http://host.tld/page"));
}

TEST_F(TabStripTest, TheNewTabButtonShowsAHiddenStripAndAnEmptyTabWithAnEmptyField) {
    screen->tabsView()->setHidden(true);
    screen->addressBar()->setText("left over");
    ASSERT_TRUE(screen->addTab()->simulateTap());
    EXPECT_FALSE(screen->tabsView()->isHidden());
    EXPECT_EQ(screen->tabs().size(), 2u);
    EXPECT_EQ(screen->addressBar()->text(), "");
    expectStartPageThenSearchHome(*screen->selectedTab());
    EXPECT_EQ(fetched.size(), 0u);
}

// An address that makes no URL still opens its tab; the failed fetch puts the start page back.
TEST_F(BrowserScreenTest, ATabForAnAddressThatMakesNoURLEndsOnTheStartPage) {
    showScreen(true);
    screen->addTabWithAddress("no address here");
    ASSERT_EQ(screen->tabs().size(), 2u);
    auto tab = screen->selectedTab();
    EXPECT_EQ(tab, screen->tabs()[1]);
    screen->addressBar()->setText("no address here");
    const auto launch =
        base::URL::fileURL(base::Bundle::main().pathForResource("launch", "html")->string());
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] {
            auto loads = requestLoads(engineOf(*tab));
            return !loads.empty() && loads.back() == launch.absoluteString();
        },
        std::chrono::seconds(10)));
    EXPECT_EQ(screen->addressBar()->text(), "");
    EXPECT_TRUE(screen->progressBar()->isHidden());
}

// --- Closed tabs stay out of the way.

TEST_F(TabStripTest, AClosedOnlyTabNoLongerDrivesTheProgressBarTheFieldOrTheEndOfLoad) {
    auto closed = screen->tabs()[0];
    closeTab(closed);
    EXPECT_FALSE(closed->current());
    EXPECT_FALSE(closed->progressBar());
    auto fresh = screen->selectedTab();
    ASSERT_NE(fresh, closed);

    typeAddress("host.tld/fresh");
    const auto fetches = fetched.size();
    ASSERT_FALSE(screen->progressBar()->isHidden());
    ASSERT_EQ(screen->addressBar()->text(), "host.tld/fresh");
    screen->progressBar()->setProgress(0.5, false);

    // The closed tab's page ends, and a link is tapped in it.
    auto& engine = engineOf(*closed);
    engine.answerScript("document.title", "Old page");
    engine.raiseNavigation(*base::URL::parse("js:gh-page-loaded"), ui::WebViewNavigationType::Other,
                           false);
    EXPECT_EQ(engine.raiseNavigation(*base::URL::parse("http://elsewhere.tld/"),
                                     ui::WebViewNavigationType::LinkClicked),
              false);

    EXPECT_FALSE(screen->progressBar()->isHidden());
    EXPECT_DOUBLE_EQ(screen->progressBar()->progress(), 0.5);
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_EQ(screen->addressBar()->text(), "host.tld/fresh");
    EXPECT_EQ(fetched.size(), fetches);
    EXPECT_FALSE(closed->urlConnection());
    expectOnlySelected(fresh);
    EXPECT_EQ(fresh->history().size(), 1u);
}

TEST_F(TabStripTest, AClosedTabStopsItsWebViewAndNoLongerObservesLongPresses) {
    auto tabs = openTabs(2);
    auto& center = base::NotificationCenter::defaultCenter();
    const auto observers = center.observerCount();
    const int stops = engineOf(*tabs[0]).stopCount();
    closeTab(tabs[0]);
    EXPECT_GT(engineOf(*tabs[0]).stopCount(), stops);
    EXPECT_EQ(center.observerCount(), observers - 1);
    // Nothing else keeps the closed tab.
    std::weak_ptr<Tab> gone = tabs[0];
    tabs.clear();
    EXPECT_TRUE(gone.expired());
}

// A closed tab's fetch is cancelled: its page reaches no web view and moves nothing on screen.
TEST_F(BrowserScreenTest, AClosedTabsFetchIsCancelled) {
    StalePageServer server;
    showScreen(true);
    screen->addTab(ui::InterfaceObject());
    auto first = screen->tabs()[0];
    auto closing = screen->tabs()[1];
    typeAddress(server.url("/slow"));
    auto connection = closing->urlConnection();
    ASSERT_TRUE(connection);
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return closing->loading() && server.requested.load(); }, std::chrono::seconds(10)));

    closing->closeButton()->simulateTap();
    EXPECT_EQ(screen->selectedTab(), first);
    EXPECT_TRUE(screen->progressBar()->isHidden());
    ASSERT_TRUE(server.laterFetchAnswered());
    const auto closingLoads = engineOf(*closing).loads().size();
    const auto firstLoads = engineOf(*first).loads().size();

    ASSERT_TRUE(server.releaseAndWaitForTheEnd());
    EXPECT_TRUE(server.cut);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(engineOf(*closing).loads().size(), closingLoads);
    EXPECT_EQ(engineOf(*first).loads().size(), firstLoads);
    EXPECT_TRUE(htmlLoads(engineOf(*closing)).empty());
    EXPECT_TRUE(htmlLoads(engineOf(*first)).empty());
    EXPECT_TRUE(screen->progressBar()->isHidden());
    EXPECT_FALSE(closing->urlConnection());
}

// --- Device rules.

TEST_F(AddressFieldTest, APhoneUsesMainWindowWithEveryOutletConnected) {
    EXPECT_EQ(screen->nibName(), "MainWindow");
    EXPECT_FALSE(screen->isPad());
    EXPECT_EQ(screen->view()->frame().size, ui::Size(320, 480));
    auto root = screen->mainView();
    ASSERT_TRUE(root);
    // A tap on the status strip reaches the screen's scroll-to-top.
    EXPECT_TRUE(root->scrollToTop());
    ASSERT_TRUE(root->statusBarView());
    EXPECT_EQ(root->statusBarView()->frame(), ui::Rect(0, 0, 320, 20));
    EXPECT_TRUE(screen->navBar() && screen->bugListNavBar() && screen->searchBar() &&
                screen->activityIndicator() && screen->addressItem() && screen->searchItem() &&
                screen->customButton() && screen->customButton2() && screen->bookmarkButton() &&
                screen->moreButton() && screen->tabsView() && screen->addTab());
    // The placeholder never hides the page nor catches its touches.
    EXPECT_TRUE(screen->webViewTemplate()->isHidden());
    EXPECT_EQ(screen->supportedInterfaceOrientations(), 30u);
    EXPECT_EQ(screen->preferredInterfaceOrientationForPresentation(),
              ui::InterfaceOrientation::Portrait);
}

TEST_F(AddressFieldTest, ScrollToTopPutsThePageUnderTheWholeTopBar) {
    auto scroll = screen->webView()->scrollView();
    scroll->setContentOffset(ui::Point(0, 300));
    scroll->setContentInset(ui::EdgeInsets());
    screen->scrollToTop(ui::InterfaceObject());
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, -96));
    EXPECT_EQ(scroll->contentInset(), ui::EdgeInsets(96, 0, 0, 0));
}

// Both interface files make the bookmark list (under a navigation of its own) and the
// bookmark form; the list knows the screen without keeping it alive.
TEST_F(BrowserScreenTest, TheInterfaceFilesMakeTheBookmarkListAndForm) {
    for (auto idiom : {ui::UserInterfaceIdiom::Phone, ui::UserInterfaceIdiom::Pad}) {
        auto previous = ui::Device::install(std::make_shared<ui::Device>(idiom));
        auto controller = BrowserViewController::create();
        ASSERT_TRUE(controller->view());
        ASSERT_TRUE(controller->bookmarksController());
        auto list = std::dynamic_pointer_cast<BookmarksController>(
            controller->bookmarksController()->topViewController());
        ASSERT_TRUE(list) << controller->nibName();
        EXPECT_EQ(list->browserController(), controller);
        EXPECT_TRUE(controller->bookmarksFormController());
        std::weak_ptr<BrowserViewController> gone = controller;
        controller.reset();
        EXPECT_TRUE(gone.expired());
        ui::Device::install(previous);
    }
}

class PadScreenTest : public BrowserScreenTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(PadScreenTest, APadUsesMainWindowIPadAndKeepsItsPageStill) {
    showScreen();
    EXPECT_EQ(screen->nibName(), "MainWindow-iPad");
    EXPECT_TRUE(screen->isPad());
    EXPECT_EQ(screen->view()->frame().size, ui::Size(768, 1024));
    EXPECT_TRUE(screen->mainView() && screen->mainView()->statusBarView());

    auto scroll = screen->webView()->scrollView();
    scroll->setContentOffset(ui::Point(0, 300));
    screen->scrollToTop(ui::InterfaceObject());
    ui::Application::shared().keyboard().show();
    typeAddress("host.tld");
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, 300));
    const auto& scripts = engineOf(*screen->selectedTab()).evaluatedScripts();
    const std::string keyboardShownScript = base::Bundle::main().requiredTextOfResource(
        BrowserViewController::keyboardShownScriptName, "js");
    EXPECT_EQ(std::count(scripts.begin(), scripts.end(), keyboardShownScript), 0);
}

class UnspecifiedIdiomTest : public BrowserScreenTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Unspecified; }
};

TEST_F(UnspecifiedIdiomTest, AnyIdiomButPhoneTakesThePadFileWhileIsPadStaysFalse) {
    auto controller = BrowserViewController::create();
    EXPECT_EQ(controller->nibName(), "MainWindow-iPad");
    EXPECT_FALSE(controller->isPad());
}

TEST_F(BrowserScreenTest, AnInterfaceFileMissingAnOutletIsRefusedWithItsName) {
    const auto folder = homeDirectory() / "resources";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(base::Bundle::main().resourcePath() / "MainWindow.ui.json",
                               folder / "MainWindow.ui.json");
    auto text = base::readFile(folder / "MainWindow.ui.json")->toString();
    text = base::replaceAll(text, "\"progressBar\": \"progressBar\",", "");
    ASSERT_TRUE(base::writeFileAtomically(folder / "Broken.ui.json", base::Data::fromString(text)));
    base::Bundle::install(std::make_shared<base::Bundle>(folder));
    auto controller = BrowserViewController::create("Broken");
    try {
        controller->view();
        FAIL() << "the view loaded";
    } catch (const ui::InterfaceFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr("progressBar"));
    }
}

TEST_F(BrowserScreenTest, TheScreenDoesNotLoadWithoutItsKeyboardScripts) {
    const auto folder = homeDirectory() / "resources";
    std::filesystem::copy(base::Bundle::main().resourcePath(), folder,
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove(folder / "keyboard_hidden.js");
    base::Bundle::install(std::make_shared<base::Bundle>(folder));
    auto controller = BrowserViewController::create();
    try {
        controller->view();
        FAIL() << "the view loaded";
    } catch (const base::MissingResourceError& error) {
        EXPECT_THAT(error.what(), HasSubstr("keyboard_hidden.js"));
    }
}

#if BROWSER_MAIN_THREAD_CHECKS
// Builds with the checks hold the screens to the main thread, where their views, web views
// and connections live. Making screens and tabs is checked without a fixture, since a dying
// child process leaves its app home behind; one case does so for a shown screen's calls.
TEST(BrowserScreenDeathTest, MakingScreensOrTabsOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { BrowserViewController::create(); }).join(),
                 "BrowserViewController::create.* is main thread only");
    EXPECT_DEATH(std::thread([] { Tab::create(ui::Rect(), nullptr); }).join(),
                 "Tab::create.* is main thread only");
    EXPECT_DEATH(std::thread([] { BookmarksController::create(); }).join(),
                 "BookmarksController::create.* is main thread only");
}

using ShownScreenDeathTest = AddressFieldTest;

TEST_F(ShownScreenDeathTest, CallingTheShownScreenOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([&] { screen->addTabWithAddress("http://127.0.0.1:9/"); }).join(),
                 "addTabWithAddress.* is main thread only");
}
#endif

} // namespace
