#include "browser/BrowserDelegate.h"
#include "browser/BrowserScreenTest.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "browser/UIMainView.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Keyboard.h"

#include <gmock/gmock.h>
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
};

// --- Address text to load or search.

TEST_F(AddressFieldTest, TextWithADotOpensAsHttpAddressAndWithoutOneIsSearchedFor) {
    typeAddress("host.tld");
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld");
    typeAddress("  host.tld/page \n");
    EXPECT_EQ(lastFetchedAddress(), "http://host.tld/page");
    typeAddress("https://host.tld/a");
    EXPECT_EQ(lastFetchedAddress(), "https://host.tld/a");
    typeAddress("word");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=word");
    EXPECT_TRUE(logged("sdfsd https://search.test/search?q=word"));
    EXPECT_EQ(fetched.size(), 4u);
    EXPECT_FALSE(screen->addressBar()->isFirstResponder());
}

TEST_F(AddressFieldTest, TextThatMakesNoAddressIsSearchedForEscaped) {
    typeAddress("a b.tld");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=a%20b.tld");
    EXPECT_FALSE(screen->gotoUrl());
    typeAddress("1+1 & x#y");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=1%2B1%20%26%20x%23y");
    typeAddress("caf\xC3\xA9 / 100%");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=caf%C3%A9%20%2F%20100%25");
    // An empty field is a search for nothing, not an address.
    typeAddress("");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=");
}

TEST_F(AddressFieldTest, OtherSchemesGetHttpInFrontButLetterCaseDoesNotMakeAnotherScheme) {
    typeAddress("ftp://host.tld");
    EXPECT_EQ(lastFetchedAddress(), "http://ftp://host.tld");
    // A scheme written in capitals is still http.
    typeAddress("HTTP://host.tld/x");
    EXPECT_EQ(lastFetchedAddress(), "HTTP://host.tld/x");
    // A scheme that leaves nothing to fetch once http is put in front is searched for.
    typeAddress("mailto:someone");
    EXPECT_EQ(lastFetchedAddress(), "https://search.test/search?q=mailto%3Asomeone");
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
    EXPECT_FALSE(screen->stopButton()->isHidden());
    EXPECT_TRUE(screen->refreshButton()->isHidden());
    auto loads = htmlLoads(engineOf(tab()));
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(loads.back().html, resource("unable_to_connect", "html"));
    EXPECT_FALSE(loads.back().baseURL);
    EXPECT_EQ(screen->webView()->request()->url()->absoluteString(), "about:blank");

    // A search offline shows the same page, and the network is asked afresh each time.
    const int asked = reachability().queryCount();
    typeAddress("words");
    EXPECT_TRUE(fetched.empty());
    EXPECT_GT(reachability().queryCount(), asked);
    reachability().setFlags(net::ReachabilityFlagReachable);
    typeAddress("words");
    EXPECT_EQ(fetched.size(), 1u);
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

// A new load in a tab cancels the fetch it had: a slow first page never replaces the second.
TEST_F(BrowserScreenTest, ANewLoadCancelsTheTabsEarlierFetch) {
    net::TestHTTPServer server;
    server.server().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
        server.waitForRelease();
        response.set_content("<title>Slow</title>slow", "text/html");
    });
    server.server().Get("/fast", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<title>Fast</title>fast", "text/html");
    });
    server.start();
    showScreen(true);
    auto& engine = engineOf(*screen->selectedTab());

    typeAddress(server.url("/slow"));
    auto first = screen->selectedTab()->urlConnection();
    typeAddress(server.url("/fast"));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return !htmlLoads(engine).empty(); },
                                               std::chrono::seconds(10)));
    server.release();
    // Give a stale answer every chance to arrive.
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(300));
    auto loads = htmlLoads(engine);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].html, "<title>Fast</title>fast");
    EXPECT_NE(first, screen->selectedTab()->urlConnection());
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
    screen->webView()->scrollView()->setContentOffset(ui::Point(0, 40));

    keyboard.show();
    EXPECT_THAT(engine.evaluatedScripts(),
                ::testing::Contains(BrowserViewController::keyboardShownScript));
    EXPECT_EQ(screen->webView()->scrollView()->contentOffset(), ui::Point(0, -96));
    keyboard.hide();
    EXPECT_EQ(engine.evaluatedScripts().back(), BrowserViewController::keyboardHiddenScript);

    // The address field's own keyboard does not lift the page.
    auto shown = [&] {
        const auto& scripts = engine.evaluatedScripts();
        return std::count(scripts.begin(), scripts.end(),
                          BrowserViewController::keyboardShownScript);
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
    // Every new tab shows the start page and then has its web view load the search home page.
    auto& engine = engineOf(tab());
    ASSERT_EQ(engine.loads().size(), 2u);
    const auto* start = std::get_if<ui::FakeWebEngine::DataLoad>(&engine.loads()[0]);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->data.toString(), resource("launch", "html"));
    EXPECT_EQ(start->MIMEType, "text/html");
    EXPECT_EQ(start->textEncodingName, "utf-8");
    EXPECT_THAT(requestLoads(engine), ElementsAre("https://search.test/"));

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

TEST_F(AddressFieldTest, ClosingTabsSelectsANeighbourAndNeverLeavesTheStripEmpty) {
    screen->addTab(ui::InterfaceObject());
    screen->addTab(ui::InterfaceObject());
    auto tabs = screen->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[2]->frame().origin.x, 202);
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(305, 23));

    // The selected middle tab gives way to its right neighbour, which moves left.
    screen->selectTab(ui::InterfaceObject(tabs[1]->tabButton()));
    EXPECT_EQ(screen->selectedTab(), tabs[1]);
    screen->removeTab(ui::InterfaceObject(tabs[1]->closeButton()));
    ASSERT_EQ(screen->tabs().size(), 2u);
    EXPECT_EQ(screen->selectedTab(), tabs[2]);
    EXPECT_EQ(tabs[2]->frame().origin.x, 102);
    EXPECT_FALSE(tabs[1]->webView()->superview());
    EXPECT_EQ(screen->tabsView()->contentSize(), ui::Size(240, 23));

    // Closing the last tab selects its left neighbour, whichever was selected.
    screen->removeTab(ui::InterfaceObject(tabs[2]->closeButton()));
    EXPECT_EQ(screen->selectedTab(), tabs[0]);
    // Closing the only tab leaves one fresh tab.
    screen->removeTab(ui::InterfaceObject(tabs[0]->closeButton()));
    ASSERT_EQ(screen->tabs().size(), 1u);
    EXPECT_NE(screen->tabs()[0], tabs[0]);
    EXPECT_EQ(screen->selectedTab(), screen->tabs()[0]);
    EXPECT_EQ(screen->tabs()[0]->frame().origin.x, 2);
}

TEST_F(AddressFieldTest, TheSelectedTabsWebViewLiesAboveTheOthersAndBelowTheBars) {
    screen->addTab(ui::InterfaceObject());
    auto first = screen->tabs()[0];
    auto second = screen->tabs()[1];
    const auto& subviews = screen->view()->subviews();
    auto indexOf = [&](const std::shared_ptr<ui::View>& view) {
        return std::find(subviews.begin(), subviews.end(), view) - subviews.begin();
    };
    EXPECT_LT(indexOf(first->webView()), indexOf(second->webView()));
    EXPECT_LT(indexOf(second->webView()), indexOf(screen->topBar()));
    EXPECT_LT(indexOf(second->webView()), indexOf(screen->bottomBar()));

    screen->selectTab(ui::InterfaceObject(first->tabButton()));
    EXPECT_LT(indexOf(second->webView()), indexOf(first->webView()));
    EXPECT_LT(indexOf(first->webView()), indexOf(screen->topBar()));
}

// --- Device rules.

TEST_F(AddressFieldTest, APhoneUsesMainWindowWithEveryOutletConnected) {
    EXPECT_EQ(screen->nibName(), "MainWindow");
    EXPECT_FALSE(screen->isPad());
    EXPECT_EQ(screen->view()->frame().size, ui::Size(320, 480));
    auto root = screen->mainView();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->controller(), screen);
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
    EXPECT_EQ(
        std::count(scripts.begin(), scripts.end(), BrowserViewController::keyboardShownScript), 0);
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

} // namespace
