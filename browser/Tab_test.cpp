#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLConnection.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/HostileServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ScrollView.h"

#include <arpa/inet.h>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>
#include <variant>

namespace {

using namespace std::chrono_literals;

// The script that adds the hidden frame, as the resource holds it: one function expression
// that answers "1" when it added the frame, "0" when not, then the page's title.
std::string pageLoadedSource() {
    return base::Bundle::main().requiredTextOfResource(Tab::pageLoadedScriptName, "js");
}

// As the tab runs it at the end of the engine's load.
std::string pageLoadedScript() {
    return pageLoadedSource() + "(false)";
}

// A browser screen reduced to what a tab uses. It records the page loads the tab asks for and,
// when `fetches` is set, starts them the way the screen does: a new connection with the tab
// as delegate, then a history entry unless the sender is the reload button.
class FakeHost : public TabHost, public ui::ScrollViewDelegate {
public:
    struct Load {
        net::URLRequest request;
        std::weak_ptr<Tab> tab;
    };

    FakeHost() {
        root->addSubview(templateView);
        root->addSubview(topBarView);
        root->addSubview(bottomBarView);
        topBarView->setFrame(ui::Rect(0, 0, 320, 44));
        bottomBarView->setFrame(ui::Rect(0, 436, 320, 44));
        templateView->setHidden(true);
    }

    std::shared_ptr<ui::View> webViewTemplate() const override { return templateView; }
    std::shared_ptr<ui::View> topBar() const override { return topBarView; }
    std::shared_ptr<ui::Toolbar> bottomBar() const override { return bottomBarView; }
    std::shared_ptr<ui::View> rootView() override { return root; }
    std::shared_ptr<ui::ProgressView> progressBar() const override { return progress; }
    std::shared_ptr<ui::TextField> addressBar() const override { return address; }
    std::shared_ptr<ui::BarButtonItem> forwardButton() const override { return forward; }
    std::shared_ptr<ui::BarButtonItem> backButton() const override { return back; }

    void gotoAddressWithRequestObjInTab(const ui::InterfaceObject& sender,
                                        const net::URLRequest& request,
                                        const std::shared_ptr<Tab>& tab) override {
        loads.push_back({request, tab});
        if (!fetches)
            return;
        tab->setCurrentURLString("");
        progress->setHidden(false);
        progress->setProgress(0.1);
        tab->setUrlConnection(nullptr);
        tab->setUrlConnection(net::URLConnection::create(request, tab));
        if (sender.empty() || sender.address() != reloadSender)
            tab->updateHistory();
    }
    void addTabWithAddress(const std::string&) override {}
    std::shared_ptr<BookmarksFormController> bookmarksFormController() const override {
        return nullptr;
    }
    void addBookmarkFromSheet(ui::ActionSheet&) override {}
    void cannotConnect(const ui::InterfaceObject& sender) override {
        ++cannotConnectCount;
        cannotConnectSender = sender;
    }
    void currentWebViewDidFinishFinalLoad(const std::shared_ptr<ui::WebView>& webView) override {
        finishedWebViews.push_back(webView);
    }
    void selectTab(const ui::InterfaceObject& sender) override { selectSenders.push_back(sender); }
    void removeTab(const ui::InterfaceObject& sender) override { removeSenders.push_back(sender); }

    std::shared_ptr<ui::View> root = ui::View::create(ui::Rect(0, 0, 320, 480));
    std::shared_ptr<ui::View> templateView = ui::View::create(ui::Rect(0, 44, 320, 392.7));
    std::shared_ptr<ui::View> topBarView = ui::View::create();
    std::shared_ptr<ui::Toolbar> bottomBarView = ui::Toolbar::create();
    std::shared_ptr<ui::ProgressView> progress = ui::ProgressView::create();
    std::shared_ptr<ui::TextField> address = ui::TextField::create();
    std::shared_ptr<ui::BarButtonItem> forward =
        ui::BarButtonItem::createWithTitle(">", ui::BarButtonItemStyle::Plain);
    std::shared_ptr<ui::BarButtonItem> back =
        ui::BarButtonItem::createWithTitle("<", ui::BarButtonItemStyle::Plain);

    bool fetches = false;
    const void* reloadSender = nullptr;
    std::vector<Load> loads;
    int cannotConnectCount = 0;
    ui::InterfaceObject cannotConnectSender;
    std::vector<std::shared_ptr<ui::WebView>> finishedWebViews;
    std::vector<ui::InterfaceObject> selectSenders;
    std::vector<ui::InterfaceObject> removeSenders;
};

class TabTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        host = std::make_shared<FakeHost>();
    }
    void TearDown() override {
        // A tab and its running (or never started) connection hold each other until the
        // fetch ends; closing cancels it, as the strip does.
        for (const auto& weak : tabs)
            if (auto tab = weak.lock())
                tab->close();
        host.reset();
        PlatformTest::TearDown();
    }

    std::shared_ptr<Tab> makeTab(bool selected = true) {
        auto tab = Tab::create(ui::Rect(2, 2, 100, 34), host);
        tabs.push_back(tab);
        if (selected)
            tab->select();
        return tab;
    }
    static ui::FakeWebEngine& engine(const std::shared_ptr<Tab>& tab) {
        return ui::FakeWebEngine::of(*tab->webView());
    }
    static net::URLRequest requestFor(const std::string& address) {
        return net::URLRequest::withURLString(address);
    }
    // Asks the screen to load the address in the tab (as a typed address does) and runs the
    // loop until the tab has handed something to its web view or has failed.
    bool fetch(const std::shared_ptr<Tab>& tab, const std::string& address) {
        host->fetches = true;
        auto before = engine(tab).loads().size();
        int failuresBefore = host->cannotConnectCount;
        host->gotoAddressWithRequestObjInTab({}, requestFor(address), tab);
        return base::RunLoop::main().runUntil(
            [&] {
                return engine(tab).loads().size() > before ||
                       host->cannotConnectCount > failuresBefore;
            },
            10s);
    }
    static const ui::FakeWebEngine::HTMLLoad* lastHTML(const std::shared_ptr<Tab>& tab) {
        const auto& loads = engine(tab).loads();
        return loads.empty() ? nullptr : std::get_if<ui::FakeWebEngine::HTMLLoad>(&loads.back());
    }
    static std::string resource(const std::string& name, const std::string& type) {
        auto path = base::Bundle::main().pathForResource(name, type);
        if (!path)
            return "(missing)";
        std::ifstream in(*path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::shared_ptr<FakeHost> host;
    std::vector<std::weak_ptr<Tab>> tabs;
};

// A loopback server with pages in several charsets, a redirect, a slow page and a page that
// answers with no body.
class TabFetchTest : public TabTest {
protected:
    void SetUp() override {
        TabTest::SetUp();
        auto& s = server.server();
        s.Get("/latin1", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>caf\xe9</title>caf\xe9", "text/html; charset=ISO-8859-1");
        });
        s.Get("/sjis", [](const httplib::Request&, httplib::Response& res) {
            // "日本語" in Shift_JIS.
            res.set_content("\x93\xfa\x96\x7b\x8c\xea", "text/html; charset=Shift_JIS");
        });
        s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>\xc3\xa9t\xc3\xa9</p>", "text/html");
        });
        s.Get("/unknown-charset", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>\xc3\xa9t\xc3\xa9</p>", "text/html; charset=x-no-such-charset");
        });
        s.Get("/xhtml", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>x</p>", "application/xhtml+xml; charset=utf-8");
        });
        s.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("caf\xe9", "text/plain; charset=iso-8859-1");
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
        s.Get("/sometimes-empty", [this](const httplib::Request&, httplib::Response& res) {
            if (answerEmpty)
                res.status = 204;
            else
                res.set_content("<p>here</p>", "text/html");
        });
        s.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/final", 302);
        });
        s.Get("/final", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            finalUserAgent = req.get_header_value("User-Agent");
            res.set_content("<p>final</p>", "text/html");
        });
        s.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            slowRequested = true;
            server.waitForRelease();
            res.set_content("<p>slow</p>", "text/html");
            slowServed = true;
        });
        s.Get("/fast", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>fast</p>", "text/html");
        });
        s.Post("/form", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            formBody = req.body;
            res.set_content("<p>posted</p>", "text/html");
        });
        server.start();
    }

    net::TestHTTPServer server;
    std::mutex mutex;
    std::string finalUserAgent;
    std::string formBody;
    std::atomic<bool> answerEmpty = false;
    std::atomic<bool> slowRequested = false;
    std::atomic<bool> slowServed = false;
};

// --- Creation and face.

TEST_F(TabTest, CreationBuildsTheFaceAndPlacesTheWebViewBehindEverything) {
    auto tab = Tab::create(ui::Rect(102, 2, 100, 34), host);

    EXPECT_EQ(tab->frame(), ui::Rect(102, 2, 100, 34));
    ASSERT_EQ(tab->subviews().size(), 2u);
    EXPECT_EQ(tab->subviews()[0], tab->tabButton());
    EXPECT_EQ(tab->subviews()[1], tab->closeButton());
    EXPECT_EQ(tab->tabButton()->frame(), ui::Rect(0, 0, 100, 32));
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "New Tab");
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateHighlighted), "New Tab");
    EXPECT_EQ(tab->closeButton()->frame(), ui::Rect(75, 3, 25, 25));
    EXPECT_EQ(tab->closeButton()->titleForState(ui::ControlStateNormal), "X");
    EXPECT_EQ(tab->closeButton()->accessibilityLabel(), "close tab");

    // The template's height is cut to whole points; the bottom bar is showing.
    EXPECT_EQ(tab->webView()->frame(), ui::Rect(0, 44, 320, 392));
    EXPECT_EQ(tab->webView()->delegate().get(), static_cast<ui::WebViewDelegate*>(tab.get()));
    EXPECT_EQ(tab->webView()->scrollView()->contentInset().top, 44);
    EXPECT_EQ(tab->webView()->scrollView()->contentOffset(), ui::Point(0, -44));
    EXPECT_EQ(tab->webView()->scrollView()->delegate().get(),
              static_cast<ui::ScrollViewDelegate*>(host.get()));
    // The template at the very back, the web view right above it.
    ASSERT_GE(host->root->subviews().size(), 2u);
    EXPECT_EQ(host->root->subviews()[0], host->templateView);
    EXPECT_EQ(host->root->subviews()[1], tab->webView());

    EXPECT_EQ(tab->pageInfoJS(), resource("page_info", "js"));
    EXPECT_FALSE(tab->pageInfoJS().empty());
    EXPECT_TRUE(tab->history().empty());
    EXPECT_EQ(tab->traverse(), 0);
    EXPECT_EQ(tab->history_position(), 0);
    EXPECT_FALSE(tab->currentURL());
    EXPECT_FALSE(tab->loading());
    EXPECT_FALSE(tab->current());

    // The web view takes the bottom bar's place while the bar is hidden.
    host->bottomBarView->setAlpha(0);
    EXPECT_EQ(makeTab()->webView()->frame().size.height, 436);
}

// A tab that could not tell when its pages finish is not made: the missing script is named.
TEST_F(TabTest, ATabIsNotMadeWithoutItsPageScripts) {
    const auto folder = homeDirectory() / "resources";
    const auto resources = base::Bundle::main().resourcePath();
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(resources / "page_info.js", folder / "page_info.js");
    auto previous = base::Bundle::install(std::make_shared<base::Bundle>(folder));
    try {
        (void)Tab::create(ui::Rect(2, 2, 100, 34), host);
        ADD_FAILURE() << "a tab was made without its page-loaded script";
    } catch (const base::MissingResourceError& error) {
        EXPECT_NE(std::string(error.what()).find("page_loaded.js"), std::string::npos)
            << error.what();
    }
    // Nor without the script of its link menu.
    std::filesystem::copy_file(resources / "page_loaded.js", folder / "page_loaded.js");
    EXPECT_THROW((void)Tab::create(ui::Rect(2, 2, 100, 34), host), base::MissingResourceError);
    base::Bundle::install(previous);
}

TEST_F(TabTest, TouchDownOnTheButtonsSendsSelectAndRemoveWithTheButton) {
    auto tab = makeTab(false);
    tab->tabButton()->sendActionsForControlEvents(ui::ControlEventTouchDown);
    tab->closeButton()->sendActionsForControlEvents(ui::ControlEventTouchDown);
    tab->closeButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    ASSERT_EQ(host->selectSenders.size(), 1u);
    EXPECT_EQ(host->selectSenders[0].address(), tab->tabButton().get());
    ASSERT_EQ(host->removeSenders.size(), 1u);
    EXPECT_EQ(host->removeSenders[0].address(), tab->closeButton().get());
}

TEST_F(TabTest, TitleRuleCutsAtElevenUTF16UnitsAndLabelsBothButtons) {
    const std::string e = "\xc3\xa9";            // one unit
    const std::string grin = "\xf0\x9f\x98\x80"; // U+1F600, two units
    const std::pair<std::string, std::string> titles[] = {
        {"1234567890", "1234567890"},
        {"12345678901", "12345678.."},
        {"", ""},
        {e + e + e + e + e + e + e + e + e + e, e + e + e + e + e + e + e + e + e + e},
        {grin + grin + grin + grin + grin, grin + grin + grin + grin + grin}, // 10 units
        {grin + grin + grin + grin + "x", grin + grin + grin + grin + "x"},
        // The eighth unit would be half an emoji: the emoji is left out whole.
        {"abcdefg" + grin + "xyz", "abcdefg.."},
    };
    auto tab = makeTab();
    for (const auto& [title, shown] : titles) {
        tab->setTitle(title);
        EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), shown) << title;
        EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateHighlighted), shown);
    }
    tab->setTitle("12345678901");
    EXPECT_EQ(tab->tabButton()->accessibilityLabel(), "Tab with title 12345678..");
    EXPECT_EQ(tab->closeButton()->accessibilityLabel(), "Close Tab with title 12345678..");
}

TEST_F(TabTest, SelectionMovesViewsAndGatesTheProgressBar) {
    auto strip = ui::ScrollView::create();
    auto first = makeTab(false);
    auto second = makeTab(false);
    strip->addSubview(first);
    strip->addSubview(second);

    first->select();
    EXPECT_TRUE(first->current());
    EXPECT_TRUE(first->tabButton()->isSelected());
    EXPECT_FALSE(first->tabButton()->isEnabled());
    EXPECT_EQ(first->tabButton()->backgroundColor(), ui::Color::whiteColor());
    EXPECT_EQ(host->root->subviews().back(), first->webView());
    EXPECT_EQ(strip->subviews().back(), first);
    EXPECT_EQ(first->progressBar(), host->progress);
    EXPECT_EQ(second->progressBar(), nullptr);

    first->deselect();
    EXPECT_FALSE(first->current());
    EXPECT_FALSE(first->tabButton()->isSelected());
    EXPECT_TRUE(first->tabButton()->isEnabled());
    EXPECT_EQ(first->tabButton()->backgroundColor(), ui::Color::lightGrayColor());
    EXPECT_EQ(host->root->subviews().front(), first->webView());
    EXPECT_EQ(strip->subviews().front(), first);
    EXPECT_EQ(first->progressBar(), nullptr);
}

// --- Fetching.

TEST_F(TabFetchTest, PagesAreDecodedInTheirCharsetOrElseUTF8AndGetTheResponseURLAsBase) {
    const std::pair<const char*, const char*> pages[] = {
        {"/latin1", "<title>caf\xc3\xa9</title>caf\xc3\xa9"},
        {"/sjis", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
        {"/xhtml", "<p>x</p>"},
        {"/utf8", "<p>\xc3\xa9t\xc3\xa9</p>"},
        {"/unknown-charset", "<p>\xc3\xa9t\xc3\xa9</p>"},
    };
    auto tab = makeTab();
    for (const auto& [path, html] : pages) {
        SCOPED_TRACE(path);
        const auto stops = engine(tab).stopCount();
        ASSERT_TRUE(fetch(tab, server.url(path)));
        ASSERT_NE(lastHTML(tab), nullptr);
        EXPECT_EQ(lastHTML(tab)->html, html);
        ASSERT_TRUE(lastHTML(tab)->baseURL);
        EXPECT_EQ(lastHTML(tab)->baseURL->absoluteString(), server.url(path));
        EXPECT_EQ(tab->currentURLString(), server.url(path));
        EXPECT_EQ(tab->connectionURLString(), server.url(path) + "/");
        EXPECT_GT(engine(tab).stopCount(), stops);
        EXPECT_FALSE(tab->pageData());
        EXPECT_TRUE(tab->loading());
    }

    // Other data goes to the web view with its MIME type and encoding name.
    ASSERT_TRUE(fetch(tab, server.url("/plain")));
    auto* data = std::get_if<ui::FakeWebEngine::DataLoad>(&engine(tab).loads().back());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data.toString(), "caf\xe9");
    EXPECT_EQ(data->MIMEType, "text/plain");
    EXPECT_EQ(data->textEncodingName, "iso-8859-1");
    ASSERT_TRUE(data->baseURL);
    EXPECT_EQ(data->baseURL->absoluteString(), server.url("/plain"));
}

TEST_F(TabFetchTest, RedirectKeepsTheUserAgentAndTheTargetBecomesCurrent) {
    auto tab = makeTab();
    host->fetches = true;
    auto request = requestFor(server.url("/redirect"));
    ASSERT_TRUE(request.setValueForHTTPHeaderField("TabTest/1.0", "User-Agent"));
    host->gotoAddressWithRequestObjInTab({}, request, tab);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return lastHTML(tab) != nullptr; }, 10s));

    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(finalUserAgent, "TabTest/1.0");
    }
    ASSERT_TRUE(tab->currentURL());
    EXPECT_EQ(tab->currentURL()->absoluteString(), server.url("/final"));
    EXPECT_EQ(tab->currentURLString(), server.url("/final"));
    ASSERT_TRUE(lastHTML(tab)->baseURL);
    EXPECT_EQ(lastHTML(tab)->baseURL->absoluteString(), server.url("/final"));
    // The history keeps the request as it was asked for.
    ASSERT_EQ(tab->history().size(), 1u);
    EXPECT_EQ(tab->history()[0].url()->absoluteString(), server.url("/redirect"));
}

TEST_F(TabFetchTest, AnEmptyBodyUndoesTheVisit) {
    auto tab = makeTab();
    ASSERT_TRUE(fetch(tab, server.url("/utf8")));
    auto loadsBefore = engine(tab).loads().size();
    host->address->setText("typed");
    host->progress->setHidden(false);

    host->gotoAddressWithRequestObjInTab({}, requestFor(server.url("/empty")), tab);
    ASSERT_EQ(tab->history().size(), 2u);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return tab->history().size() == 1; }, 10s));

    EXPECT_EQ(tab->history()[0].url()->absoluteString(), server.url("/utf8"));
    // The position names the page still shown, so Back does not fetch that page again.
    EXPECT_EQ(tab->history_position(), 0);
    EXPECT_FALSE(tab->canGoBack());
    EXPECT_FALSE(tab->canGoForward());
    EXPECT_EQ(tab->currentURLString(), server.url("/utf8"));
    EXPECT_EQ(host->address->text(), server.url("/utf8"));
    EXPECT_TRUE(host->progress->isHidden());
    EXPECT_TRUE(tab->loading());
    EXPECT_EQ(engine(tab).loads().size(), loadsBefore);
}

TEST_F(TabFetchTest, AnEmptyAnswerToAHistoryStepKeepsEveryEntryAndStepsBack) {
    auto tab = makeTab();
    ASSERT_TRUE(fetch(tab, server.url("/utf8")));
    ASSERT_TRUE(fetch(tab, server.url("/sometimes-empty")));
    ASSERT_TRUE(fetch(tab, server.url("/plain")));
    ASSERT_EQ(tab->history().size(), 3u);
    answerEmpty = true;

    tab->goBack();
    ASSERT_EQ(tab->history_position(), 1);
    // Settled once the empty answer has been handled, one way or the other.
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return tab->history_position() != 1 || tab->history().size() != 3; }, 10s));

    // The forward page never failed: it stays, and the tab is back on it.
    ASSERT_EQ(tab->history().size(), 3u);
    EXPECT_EQ(tab->history()[2].url()->absoluteString(), server.url("/plain"));
    EXPECT_EQ(tab->history_position(), 2);
    EXPECT_EQ(tab->currentURLString(), server.url("/plain"));
    EXPECT_TRUE(tab->canGoBack());
    EXPECT_FALSE(tab->canGoForward());
}

TEST_F(TabTest, AnEmptyBodyLeavesTheAddressFieldForExcludedAddresses) {
    auto tab = makeTab();
    auto connection = net::URLConnection::create(requestFor("http://127.0.0.1:1/a"), tab, false);
    tab->setUrlConnection(connection);
    tab->setHistory({requestFor(std::string(Tab::secondSearchEngineHomeAddress) + "?q=x"),
                     requestFor("http://127.0.0.1:1/a")});
    host->address->setText("words");
    tab->connectionDidReceiveResponse(
        connection, net::HTTPURLResponse(base::URL::parse("http://127.0.0.1:1/a"), 200, {}));
    tab->connectionDidFinishLoading(connection);
    EXPECT_EQ(host->address->text(), "words");
    EXPECT_EQ(tab->currentURLString(), std::string(Tab::secondSearchEngineHomeAddress) + "?q=x");

    tab->setHistory({requestFor("about:blank"), requestFor("http://127.0.0.1:1/a")});
    tab->connectionDidReceiveResponse(
        connection, net::HTTPURLResponse(base::URL::parse("http://127.0.0.1:1/a"), 200, {}));
    tab->connectionDidFinishLoading(connection);
    EXPECT_EQ(host->address->text(), "words");
    EXPECT_EQ(tab->currentURLString(), "about:blank");
}

TEST_F(TabTest, ProgressStepsOnlyMoveTheBarOfTheCurrentTab) {
    auto tab = makeTab();
    auto url = base::URL::parse("http://127.0.0.1:1/page");
    auto connection = net::URLConnection::create(net::URLRequest(url), tab, false);
    host->progress->setProgress(0.1);
    auto sent = tab->connectionWillSendRequest(connection, net::URLRequest(url), std::nullopt);
    ASSERT_TRUE(sent);
    EXPECT_TRUE(tab->loading());
    EXPECT_EQ(tab->urlConnection(), connection);

    net::HTTPURLResponse response(url, 200, {});
    tab->connectionDidReceiveResponse(connection, response);
    EXPECT_DOUBLE_EQ(host->progress->progress(), 0.25);
    tab->connectionDidReceiveData(connection, base::Data::fromString("x"));
    EXPECT_NEAR(host->progress->progress(), 0.30, 1e-9);
    for (int i = 1; i < 20; ++i)
        tab->connectionDidReceiveData(connection, base::Data::fromString("x"));
    // 0.05 a chunk while below 0.75, then no further.
    EXPECT_NEAR(host->progress->progress(), 0.75, 1e-9);
    EXPECT_EQ(tab->pageData()->size(), 20u);
    tab->connectionDidFinishLoading(connection);
    EXPECT_DOUBLE_EQ(host->progress->progress(), 0.75);

    // A second response starts the body again.
    tab->connectionDidReceiveResponse(connection, response);
    EXPECT_TRUE(tab->pageData()->empty());

    tab->deselect();
    host->progress->setProgress(0.5);
    tab->connectionDidReceiveResponse(connection, response);
    tab->connectionDidReceiveData(connection, base::Data::fromString("x"));
    EXPECT_DOUBLE_EQ(host->progress->progress(), 0.5);
}

TEST_F(TabFetchTest, AFailedFetchShowsTheUnableToConnectPage) {
    std::string deadAddress =
        "http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/gone";

    auto tab = makeTab();
    host->progress->setHidden(false);
    ASSERT_TRUE(fetch(tab, deadAddress));
    EXPECT_EQ(host->cannotConnectCount, 1);
    EXPECT_EQ(host->cannotConnectSender.address(), tab->webView().get());
    EXPECT_TRUE(host->progress->isHidden());
    EXPECT_EQ(tab->history().size(), 1u);
    // The failure ends the load, and the page stands for the address that failed.
    EXPECT_FALSE(tab->loading());
    EXPECT_EQ(tab->currentURLString(), deadAddress);

    // A tab in the background shows the page itself: the selected tab keeps its page.
    auto background = makeTab(false);
    host->gotoAddressWithRequestObjInTab({}, requestFor(deadAddress), background);
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return lastHTML(background) != nullptr; }, 10s));
    EXPECT_EQ(lastHTML(background)->html, resource("unable_to_connect", "html"));
    EXPECT_FALSE(lastHTML(background)->baseURL);
    EXPECT_EQ(host->cannotConnectCount, 1);
}

TEST_F(TabFetchTest, APageTooLargeToKeepStopsAndTheTabSaysSo) {
    // A few kilobytes that decode to one byte more than a tab keeps.
    testing_support::HostileServer hostile(Tab::maximumPageLength + 1, "text/html");
    auto tab = makeTab();
    host->progress->setHidden(false);
    ASSERT_TRUE(fetch(tab, hostile.url("/bomb")));
    ASSERT_TRUE(lastHTML(tab));
    EXPECT_EQ(lastHTML(tab)->html, resource("page_too_large", "html"));
    EXPECT_FALSE(lastHTML(tab)->baseURL);
    EXPECT_EQ(host->cannotConnectCount, 0);
    EXPECT_TRUE(host->progress->isHidden());

    // The next page loads as usual.
    ASSERT_TRUE(fetch(tab, server.url("/utf8")));
    EXPECT_EQ(lastHTML(tab)->html, "<p>\xc3\xa9t\xc3\xa9</p>");
}

TEST_F(TabTest, AFetchWithoutURLShowsTheStartPageAndClearsTheAddressField) {
    auto tab = makeTab();
    host->fetches = true;
    host->address->setText("not a url");
    host->gotoAddressWithRequestObjInTab({}, net::URLRequest(), tab);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return !engine(tab).loads().empty(); }, 10s));
    auto* request = std::get_if<net::URLRequest>(&engine(tab).loads().back());
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(request->url());
    EXPECT_TRUE(request->url()->isFileURL());
    EXPECT_EQ(request->url()->lastPathComponent(), "launch.html");
    EXPECT_EQ(host->address->text(), "");
    EXPECT_EQ(host->cannotConnectCount, 0);
}

// A new load cancels the tab's earlier connection: the slow page, answered after the fast
// one, never replaces it.
TEST_F(TabFetchTest, ANewLoadCancelsTheEarlierFetch) {
    auto tab = makeTab();
    host->fetches = true;
    host->gotoAddressWithRequestObjInTab({}, requestFor(server.url("/slow")), tab);
    auto slowConnection = tab->urlConnection();
    // The slow request reaches the server before the fast one starts.
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return slowRequested.load(); }, 10s));

    ASSERT_TRUE(fetch(tab, server.url("/fast")));
    EXPECT_NE(tab->urlConnection(), slowConnection);
    server.release();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return slowServed.load(); }, 10s));
    // One more full fetch after the slow page was sent: whatever the slow connection could
    // still deliver would have come by now.
    ASSERT_TRUE(fetch(tab, server.url("/utf8")));
    base::RunLoop::main().runUntilIdle();

    std::vector<std::string> shown;
    for (const auto& load : engine(tab).loads())
        if (auto* html = std::get_if<ui::FakeWebEngine::HTMLLoad>(&load))
            shown.push_back(html->html);
    EXPECT_EQ(shown, (std::vector<std::string>{"<p>fast</p>", "<p>\xc3\xa9t\xc3\xa9</p>"}));
    EXPECT_EQ(tab->currentURLString(), server.url("/utf8"));
}

// A closed tab's fetch is cancelled: the connection lets the tab go and never calls it.
TEST_F(TabFetchTest, ClosingATabCancelsItsFetchAndReleasesIt) {
    auto tab = makeTab();
    host->fetches = true;
    host->gotoAddressWithRequestObjInTab({}, requestFor(server.url("/slow")), tab);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return slowRequested.load(); }, 10s));
    std::weak_ptr<Tab> weak = tab;
    auto observersBefore = base::NotificationCenter::defaultCenter().observerCount();

    tab->close();
    EXPECT_EQ(base::NotificationCenter::defaultCenter().observerCount(), observersBefore - 1);
    tab->webView()->removeFromSuperview();
    tab.reset();
    host->loads.clear();
    EXPECT_TRUE(weak.expired());

    server.release();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return slowServed.load(); }, 10s));
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

// --- Web view delegate.

TEST_F(TabFetchTest, TappedLinksAreFetchedByTheTabItself) {
    auto tab = makeTab();
    host->fetches = true;
    auto link = *base::URL::parse(server.url("/fast"));
    auto decision = engine(tab).raiseNavigation(link, ui::WebViewNavigationType::LinkClicked);
    ASSERT_TRUE(decision);
    EXPECT_FALSE(*decision);
    ASSERT_EQ(host->loads.size(), 1u);
    EXPECT_EQ(host->loads[0].request.url(), link);
    EXPECT_EQ(host->loads[0].tab.lock(), tab);
    EXPECT_EQ(host->address->text(), link.absoluteString());

    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return lastHTML(tab) != nullptr; }, 10s));
    EXPECT_EQ(lastHTML(tab)->html, "<p>fast</p>");
    ASSERT_EQ(tab->history().size(), 1u);
    EXPECT_EQ(tab->history()[0].url(), link);
}

TEST_F(TabFetchTest, SubmittedFormsKeepTheirMethodAndBody) {
    auto tab = makeTab();
    host->fetches = true;
    auto url = *base::URL::parse(server.url("/form"));
    net::URLRequest form(url);
    form.setMainDocumentURL(url);
    ASSERT_TRUE(form.setHTTPMethod("POST"));
    form.setHTTPBody(base::Data::fromString("q=1&r=2"));
    ASSERT_TRUE(
        form.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type"));
    auto decision = engine(tab).raiseNavigation(form, ui::WebViewNavigationType::FormSubmitted);
    ASSERT_TRUE(decision);
    EXPECT_FALSE(*decision);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return lastHTML(tab) != nullptr; }, 10s));
    EXPECT_EQ(lastHTML(tab)->html, "<p>posted</p>");
    std::lock_guard lock(mutex);
    EXPECT_EQ(formBody, "q=1&r=2");
    ASSERT_EQ(tab->history().size(), 1u);
    EXPECT_EQ(tab->history()[0].HTTPMethod(), "POST");
}

TEST_F(TabTest, OnlyTopLevelHTTPLinksAndFormsAreTakenOver) {
    auto tab = makeTab(false);
    host->address->setText("kept");
    auto& page = engine(tab);
    using Type = ui::WebViewNavigationType;

    // A background tab takes its link over without touching the address field.
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/a"), Type::LinkClicked),
              false);
    EXPECT_EQ(host->loads.size(), 1u);
    EXPECT_EQ(host->address->text(), "kept");

    EXPECT_EQ(
        page.raiseNavigation(*base::URL::parse("mailto:someone@host.test"), Type::LinkClicked),
        false);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("tel:123"), Type::FormSubmitted), false);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("about:blank"), Type::LinkClicked), true);
    // Frames inside a page, history steps, reloads and the view's own loads.
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/frame"), Type::LinkClicked,
                                   false),
              true);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/b"), Type::BackForward),
              true);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/c"), Type::Reload), true);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/d"), Type::Other), true);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("mailto:x@host.test"), Type::Other), true);
    EXPECT_EQ(page.raiseNavigation(net::URLRequest(), Type::LinkClicked), false);
    EXPECT_EQ(host->loads.size(), 1u);

    // A link to an anchor of the page shown is the web view's to follow; one to another page's
    // anchor, or a form sent to the same page, is fetched.
    tab->webView()->loadHTMLString("<a href='#s'>s</a>", base::URL::parse("https://host.test/p"));
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/p#s"), Type::LinkClicked),
              true);
    EXPECT_EQ(host->loads.size(), 1u);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/q#s"), Type::LinkClicked),
              false);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/p#s"), Type::FormSubmitted),
              false);
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://host.test/p"), Type::LinkClicked),
              false);
    EXPECT_EQ(host->loads.size(), 4u);
}

// --- Final-load signal.

TEST_F(TabTest, FinishedPagesGetTheHiddenFrameScriptOnlyWhenTheTabFetchedThem) {
    auto tab = makeTab();
    auto& page = engine(tab);

    // Nothing fetched yet (start page, search home page): no frame.
    page.raiseFinishLoad();
    EXPECT_TRUE(page.evaluatedScripts().empty());

    tab->setCurrentURL(base::URL::parse("http://host.test/"));
    tab->webView()->loadRequest(net::URLRequest(base::URL::fileURL("/tmp/launch.html")));
    page.raiseFinishLoad();
    EXPECT_TRUE(page.evaluatedScripts().empty());

    tab->webView()->loadHTMLString("<p>x</p>", base::URL::parse("http://host.test/"));
    page.raiseFinishLoad();
    ASSERT_EQ(page.evaluatedScripts().size(), 1u);
    EXPECT_EQ(page.evaluatedScripts()[0], pageLoadedScript());
}

// One trip to the page: the script that adds the frame brings the title back, and the signal
// of that frame ends the load with it. The signal comes once per document, never before the
// title is known, and never from a document that got no frame.
TEST_F(TabTest, TheHiddenFrameSignalEndsTheLoadWithTheTitleTheScriptBroughtBack) {
    auto tab = makeTab();
    auto& page = engine(tab);
    tab->setLoading(true);
    tab->setCurrentURL(base::URL::parse("http://host.test/article"));
    tab->webView()->loadHTMLString("<p>x</p>", tab->currentURL());
    bool frameAdded = false;
    bool finishedBeforeTheAnswer = false;
    // The page runs the script and its frame asks to load "js:gh-page-loaded" while the view
    // is still waiting for the script's answer.
    page.answerScript(pageLoadedScript(), [&](const std::string&) -> std::optional<std::string> {
        if (frameAdded)
            return "0A Rather Long Title";
        frameAdded = true;
        const auto finished = host->finishedWebViews.size();
        page.raiseNavigation(*base::URL::parse("js:gh-page-loaded"),
                             ui::WebViewNavigationType::Other, false);
        if (!tab->loading() || host->finishedWebViews.size() != finished)
            finishedBeforeTheAnswer = true;
        return "1A Rather Long Title";
    });

    page.raiseFinishLoad();
    EXPECT_FALSE(tab->loading());
    ASSERT_EQ(host->finishedWebViews.size(), 1u);
    EXPECT_EQ(host->finishedWebViews[0], tab->webView());
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "A Rather..");
    ASSERT_FALSE(page.navigations().empty());
    EXPECT_EQ(page.navigations().back().allowed, std::optional<bool>(true));
    EXPECT_EQ(page.evaluatedScripts(), std::vector<std::string>{pageLoadedScript()});

    // The same document reported finished again keeps its one frame and signals nothing more.
    page.raiseFinishLoad();
    EXPECT_EQ(host->finishedWebViews.size(), 1u);

    // Run outside the view's own reports, the signal's delivery is not held for the script:
    // the tab itself waits for the answer.
    tab->setLoading(true);
    tab->webViewDidStartLoad(*tab->webView());
    frameAdded = false;
    tab->webViewDidFinishLoad(*tab->webView());
    EXPECT_FALSE(finishedBeforeTheAnswer);
    EXPECT_FALSE(tab->loading());
    EXPECT_EQ(host->finishedWebViews.size(), 2u);
    EXPECT_EQ(page.evaluatedScripts().back(), pageLoadedScript());

    // An empty document, or about:blank, gets no frame: the load stays unfinished and the
    // title as it was.
    tab->setLoading(true);
    tab->webViewDidStartLoad(*tab->webView());
    page.answerScript(pageLoadedScript(), "0");
    page.raiseFinishLoad();
    EXPECT_TRUE(tab->loading());
    EXPECT_EQ(host->finishedWebViews.size(), 2u);
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "A Rather..");
    EXPECT_EQ(page.evaluatedScripts().size(), 4u);
}

// While the tab has an address, its pages add the frame themselves at their load event and
// hand over the same answer: the signal then ends the load with that title and no trip to the
// page, and the script of the engine's later end of the load finds the frame there. A page
// that got no frame ("0") gives no title to a later signal.
TEST_F(TabTest, ThePagesOwnLoadScriptBringsTheTitleBeforeItsSignal) {
    auto tab = makeTab();
    auto& page = engine(tab);
    EXPECT_EQ(page.loadScript(), "");
    tab->setCurrentURL(base::URL::parse("http://host.test/article"));
    const std::string atLoad = page.loadScript();
    EXPECT_EQ(atLoad, pageLoadedSource() + "(true)");

    tab->setLoading(true);
    tab->webViewDidStartLoad(*tab->webView());
    page.raiseLoadScriptAnswer("1Own Title");
    page.raiseNavigation(*base::URL::parse("js:gh-page-loaded"), ui::WebViewNavigationType::Other,
                         false);
    EXPECT_FALSE(tab->loading());
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "Own Title");
    EXPECT_EQ(host->finishedWebViews.size(), 1u);
    EXPECT_TRUE(page.evaluatedScripts().empty());
    page.answerScript(pageLoadedScript(), "0Own Title");
    page.raiseFinishLoad();
    EXPECT_EQ(host->finishedWebViews.size(), 1u);

    // A document without a frame: its answer is no title for the next signal.
    tab->setLoading(true);
    tab->webViewDidStartLoad(*tab->webView());
    page.raiseLoadScriptAnswer("0Other");
    page.answerScript("document.title", "Read");
    page.raiseNavigation(*base::URL::parse("js:gh-page-loaded"), ui::WebViewNavigationType::Other,
                         false);
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "Read");

    // Without an address the pages add nothing themselves.
    tab->setCurrentURL(std::nullopt);
    EXPECT_EQ(page.loadScript(), "");
}

TEST_F(TabTest, AnUntitledPageAndABackgroundTabsSignal) {
    auto tab = makeTab(false);
    auto& page = engine(tab);
    tab->setLoading(true);
    page.answerScript("document.title", "");
    page.raiseNavigation(*base::URL::parse("js:gh-page-loaded"), ui::WebViewNavigationType::Other,
                         false);
    EXPECT_FALSE(tab->loading());
    EXPECT_EQ(tab->tabButton()->titleForState(ui::ControlStateNormal), "Untitled");
    // Only the selected tab tells the screen.
    EXPECT_TRUE(host->finishedWebViews.empty());

    // A failing title script counts as an empty title.
    auto other = makeTab();
    engine(other).raiseNavigation(*base::URL::parse("js:gh-page-loaded"),
                                  ui::WebViewNavigationType::Other, false);
    EXPECT_EQ(other->tabButton()->titleForState(ui::ControlStateNormal), "Untitled");
    EXPECT_EQ(host->finishedWebViews.size(), 1u);
}

// --- History.

TEST_F(TabTest, NewVisitsDropForwardEntriesAndStepsAddNothing) {
    auto tab = makeTab();
    host->fetches = true;
    auto visit = [&](const std::string& address) {
        host->gotoAddressWithRequestObjInTab({}, requestFor(address), tab);
    };
    auto addressAt = [&](std::size_t i) { return tab->history()[i].url()->absoluteString(); };

    EXPECT_FALSE(tab->canGoBack());
    EXPECT_FALSE(tab->canGoForward());
    visit("http://127.0.0.1:1/a");
    visit("http://127.0.0.1:1/b");
    visit("http://127.0.0.1:1/c");
    ASSERT_EQ(tab->history().size(), 3u);
    EXPECT_EQ(tab->history_position(), 2);
    EXPECT_TRUE(tab->canGoBack());
    EXPECT_FALSE(tab->canGoForward());

    host->forward->setEnabled(true);
    host->back->setEnabled(true);
    tab->goBack();
    EXPECT_FALSE(host->forward->isEnabled());
    EXPECT_FALSE(host->back->isEnabled());
    EXPECT_EQ(host->loads.back().request.url()->absoluteString(), "http://127.0.0.1:1/b");
    EXPECT_EQ(tab->history().size(), 3u);
    EXPECT_EQ(tab->history_position(), 1);
    EXPECT_EQ(tab->traverse(), 0);
    tab->goBack();
    EXPECT_EQ(tab->history_position(), 0);
    EXPECT_FALSE(tab->canGoBack());
    EXPECT_TRUE(tab->canGoForward());
    tab->goForward();
    EXPECT_EQ(host->loads.back().request.url()->absoluteString(), "http://127.0.0.1:1/b");
    EXPECT_EQ(tab->history_position(), 1);
    EXPECT_EQ(tab->history().size(), 3u);

    // A new visit from the middle: "c" was ahead and goes.
    visit("http://127.0.0.1:1/d");
    ASSERT_EQ(tab->history().size(), 3u);
    EXPECT_EQ(addressAt(0), "http://127.0.0.1:1/a");
    EXPECT_EQ(addressAt(1), "http://127.0.0.1:1/b");
    EXPECT_EQ(addressAt(2), "http://127.0.0.1:1/d");
    EXPECT_EQ(tab->history_position(), 2);
    EXPECT_FALSE(tab->canGoForward());
}

TEST_F(TabTest, AReloadAddsNoEntryAndStepsOutsideTheHistoryLoadTheLastEntry) {
    auto tab = makeTab();
    host->fetches = true;
    auto reload = ui::Button::create();
    host->reloadSender = reload.get();
    host->gotoAddressWithRequestObjInTab({}, requestFor("http://127.0.0.1:1/a"), tab);
    host->gotoAddressWithRequestObjInTab({}, requestFor("http://127.0.0.1:1/b"), tab);
    host->gotoAddressWithRequestObjInTab(ui::InterfaceObject(reload),
                                         requestFor("http://127.0.0.1:1/b"), tab);
    EXPECT_EQ(tab->history().size(), 2u);

    // Stepping forward from the last entry: the last entry loads again, and the position
    // comes back to it.
    tab->go(1);
    EXPECT_EQ(host->loads.back().request.url()->absoluteString(), "http://127.0.0.1:1/b");
    EXPECT_EQ(tab->history().size(), 2u);
    EXPECT_EQ(tab->history_position(), 1);
    EXPECT_TRUE(tab->canGoBack());
}

TEST_F(TabTest, StepsInAnEmptyHistoryLoadNothing) {
    auto tab = makeTab();
    tab->goBack();
    tab->goForward();
    EXPECT_TRUE(host->loads.empty());
}

TEST_F(TabTest, HistoryStepsSendTheStoredRequestAgain) {
    auto tab = makeTab();
    auto post = requestFor("http://127.0.0.1:1/form");
    ASSERT_TRUE(post.setHTTPMethod("POST"));
    post.setHTTPBody(base::Data::fromString("a=1"));
    ASSERT_TRUE(post.setValueForHTTPHeaderField("TabTest", "User-Agent"));
    tab->setHistory({post, requestFor("http://127.0.0.1:1/next")});
    tab->setHistory_position(1);
    tab->goBack();
    ASSERT_EQ(host->loads.size(), 1u);
    EXPECT_EQ(host->loads[0].request, post);
    EXPECT_EQ(tab->traverse(), -1); // until the screen's updateHistory
}

// --- Notification.

TEST_F(TabTest, EveryTabObservesTapAndHoldUntilItCloses) {
    auto& center = base::NotificationCenter::defaultCenter();
    auto before = center.observerCount();
    auto first = makeTab();
    auto second = makeTab(false);
    EXPECT_EQ(center.observerCount(), before + 2);
    // Nothing on the page answers yet: the press is taken without a menu or a page script.
    center.post(Tab::tapAndHoldNotification, nullptr);
    EXPECT_FALSE(first->actionSheetVisible());
    EXPECT_TRUE(engine(second).evaluatedScripts().empty());

    first->close();
    EXPECT_EQ(center.observerCount(), before + 1);
    second.reset();
    EXPECT_EQ(center.observerCount(), before);
    center.post(Tab::tapAndHoldNotification, nullptr);
}

} // namespace
