#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ui {
namespace {

base::URL url(const char* text) {
    return *base::URL::parse(text);
}

// Records every delegate call as one line, and can refuse or run code inside its calls.
class RecordingDelegate : public WebViewDelegate {
public:
    std::vector<std::string> calls;
    std::vector<net::URLRequest> requests;
    std::vector<WebViewNavigationType> types;
    std::vector<base::Error> errors;
    bool allow = true;
    std::function<void(WebView&)> onFinish;

    bool webViewShouldStartLoadWithRequestNavigationType(WebView&, const net::URLRequest& request,
                                                         WebViewNavigationType type) override {
        calls.push_back("shouldStart " + request.url()->absoluteString());
        requests.push_back(request);
        types.push_back(type);
        return allow;
    }
    void webViewDidStartLoad(WebView&) override { calls.push_back("didStart"); }
    void webViewDidFinishLoad(WebView& view) override {
        calls.push_back("didFinish");
        if (onFinish)
            onFinish(view);
        calls.push_back("didFinish returns");
    }
    void webViewDidFailLoadWithError(WebView&, const base::Error& error) override {
        calls.push_back("didFail " + std::to_string(error.code));
        errors.push_back(error);
    }
};

class WebViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        view = WebView::create(Rect(0, 0, 320, 400));
        delegate = std::make_shared<RecordingDelegate>();
        view->setDelegate(delegate);
    }
    FakeWebEngine& engine() { return FakeWebEngine::of(*view); }

    std::shared_ptr<WebView> view;
    std::shared_ptr<RecordingDelegate> delegate;
};

TEST_F(WebViewTest, HTMLAndDataWithoutBaseURLReportAboutBlank) {
    view->loadHTMLString("<p>x</p>", std::nullopt);
    ASSERT_TRUE(view->request());
    EXPECT_EQ(view->request()->url()->absoluteString(), "about:blank");
    EXPECT_EQ(delegate->calls.back(), "shouldStart about:blank");
    EXPECT_EQ(delegate->types.back(), WebViewNavigationType::Other);

    view->loadData(base::Data::fromString("text"), "text/plain", "utf-8", std::nullopt);
    EXPECT_EQ(view->request()->url()->absoluteString(), "about:blank");

    view->loadHTMLString("<p>y</p>", url("https://host.tld/page"));
    EXPECT_EQ(view->request()->url()->absoluteString(), "https://host.tld/page");
    EXPECT_EQ(view->request()->mainDocumentURL()->absoluteString(), "https://host.tld/page");

    // The engine itself gets the HTML with the base URL as given, none for the first load.
    ASSERT_EQ(engine().loads().size(), 3u);
    auto* first = std::get_if<FakeWebEngine::HTMLLoad>(&engine().loads()[0]);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->baseURL);
    auto* data = std::get_if<FakeWebEngine::DataLoad>(&engine().loads()[1]);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->MIMEType, "text/plain");
    EXPECT_EQ(data->textEncodingName, "utf-8");
}

TEST_F(WebViewTest, RefusedLoadsNeverReachTheEngine) {
    view->loadRequest(net::URLRequest(url("http://first.tld/")));
    ASSERT_EQ(engine().loads().size(), 1u);

    delegate->allow = false;
    view->loadRequest(net::URLRequest(url("http://refused.tld/")));
    view->loadHTMLString("<p>refused</p>", std::nullopt);
    EXPECT_EQ(engine().loads().size(), 1u);
    EXPECT_EQ(view->request()->url()->absoluteString(), "http://first.tld/");

    // A link the delegate refuses is not followed: the view keeps its request.
    EXPECT_EQ(engine().raiseNavigation(url("http://link.tld/"), WebViewNavigationType::LinkClicked),
              false);
    EXPECT_EQ(view->request()->url()->absoluteString(), "http://first.tld/");

    delegate->allow = true;
    EXPECT_EQ(engine().raiseNavigation(url("http://link.tld/"), WebViewNavigationType::LinkClicked),
              true);
    EXPECT_EQ(view->request()->url()->absoluteString(), "http://link.tld/");
}

TEST_F(WebViewTest, SubFrameNavigationsKeepTheirTypeAndThePagesDocumentURL) {
    view->loadRequest(net::URLRequest(url("https://page.tld/")));
    EXPECT_EQ(engine().raiseNavigation(url("https://frame.tld/ad"),
                                       WebViewNavigationType::FormSubmitted, false),
              true);
    ASSERT_EQ(delegate->types.size(), 2u);
    EXPECT_EQ(delegate->types.back(), WebViewNavigationType::FormSubmitted);
    EXPECT_EQ(delegate->requests.back().url()->absoluteString(), "https://frame.tld/ad");
    EXPECT_EQ(delegate->requests.back().mainDocumentURL()->absoluteString(), "https://page.tld/");
    // An allowed sub-frame does not become the view's request.
    EXPECT_EQ(view->request()->url()->absoluteString(), "https://page.tld/");

    for (auto type : {WebViewNavigationType::BackForward, WebViewNavigationType::Reload,
                      WebViewNavigationType::FormResubmitted, WebViewNavigationType::Other}) {
        engine().raiseNavigation(url("https://frame.tld/x"), type, false);
        EXPECT_EQ(delegate->types.back(), type);
    }
}

TEST_F(WebViewTest, EventsDuringAScriptAreDeliveredInOrderAfterTheDelegateCallReturns) {
    view->loadHTMLString("<p>page</p>", url("https://page.tld/"));
    delegate->calls.clear();
    std::optional<bool> decisionSeenInsideScript = true;
    // As a real engine, the page's reaction to the script arrives while the script runs.
    engine().answerScript("addFrame()", [&](const std::string&) {
        decisionSeenInsideScript =
            engine().raiseNavigation(url("js:gh-page-loaded"), WebViewNavigationType::Other, false);
        engine().raiseStartLoad();
        engine().raiseFinishLoad();
        return std::optional<std::string>("done");
    });
    std::string answer;
    delegate->onFinish = [&](WebView& webView) {
        if (answer.empty()) {
            answer = webView.stringByEvaluatingJavaScriptFromString("addFrame()");
            delegate->calls.push_back("script returned " + answer);
        }
    };
    engine().raiseFinishLoad();

    EXPECT_FALSE(decisionSeenInsideScript); // held, not answered inside the script
    const std::vector<std::string> expected = {"didFinish",         "script returned done",
                                               "didFinish returns", "shouldStart js:gh-page-loaded",
                                               "didStart",          "didFinish",
                                               "didFinish returns"};
    EXPECT_EQ(delegate->calls, expected);
    ASSERT_EQ(engine().navigations().size(), 1u);
    EXPECT_EQ(engine().navigations()[0].allowed, true);
    EXPECT_FALSE(view->isHoldingEvents());
}

TEST_F(WebViewTest, ScriptsAnswerFromTheTableAndFailAsEmptyText) {
    engine().answerScript("document.title", "Title");
    engine().setScriptFallback([](const std::string& script) -> std::optional<std::string> {
        if (script.starts_with("window."))
            return "fallback";
        return std::nullopt;
    });
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.title"), "Title");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.innerWidth"), "fallback");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("throw 1"), "");
    EXPECT_EQ(engine().evaluatedScripts().size(), 3u);
}

TEST_F(WebViewTest, CommandsGivenInsideADelegateCallWaitTheirTurn) {
    // A delegate stopping the view from inside a callback must not see its own stop's
    // consequences before it returns.
    delegate->onFinish = [&](WebView& webView) {
        webView.stopLoading();
        delegate->calls.push_back("stops so far " + std::to_string(engine().stopCount()));
    };
    engine().raiseFinishLoad();
    EXPECT_EQ(engine().stopCount(), 1);
    EXPECT_EQ(delegate->calls[1], "stops so far 0");
}

TEST_F(WebViewTest, AFailedLoadReachesTheDelegateOnceWithItsError) {
    view->loadRequest(net::URLRequest(url("http://unreachable.tld/")));
    engine().raiseStartLoad();
    EXPECT_TRUE(view->isLoading());
    auto error = base::Error::make(base::URLErrorDomain, base::URLErrorCannotConnectToHost,
                                   "Could not connect to the server.");
    error.userInfo[base::Error::failingURLStringKey] = base::Value("http://unreachable.tld/");
    engine().raiseFailLoad(error);

    EXPECT_EQ(
        delegate->calls,
        (std::vector<std::string>{"shouldStart http://unreachable.tld/", "didStart",
                                  "didFail " + std::to_string(base::URLErrorCannotConnectToHost)}));
    ASSERT_EQ(delegate->errors.size(), 1u);
    EXPECT_EQ(delegate->errors[0], error);
    EXPECT_EQ(delegate->errors[0].localizedDescription(), "Could not connect to the server.");
    EXPECT_FALSE(view->isLoading());
}

TEST_F(WebViewTest, WorksWithoutADelegateAndWithAGoneDelegate) {
    delegate.reset(); // the view held it weakly
    view->loadRequest(net::URLRequest(url("http://a.tld/")));
    EXPECT_EQ(engine().raiseNavigation(url("http://b.tld/"), WebViewNavigationType::LinkClicked),
              true);
    engine().raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorCancelled));
    EXPECT_EQ(view->request()->url()->absoluteString(), "http://b.tld/");
}

TEST_F(WebViewTest, ScrollViewFollowsTheEngineAndCodeScrollsThePage) {
    auto scroll = view->scrollView();
    ASSERT_EQ(scroll->superview().get(), view.get());
    engine().raiseContentSize(Size(320, 2000));
    engine().raiseScroll(Point(0, 150));
    EXPECT_EQ(scroll->contentSize(), Size(320, 2000));
    EXPECT_EQ(scroll->contentOffset(), Point(0, 150));
    EXPECT_TRUE(engine().scrolledTo().empty()); // no echo of the engine's own scrolling

    scroll->setContentOffset(Point(0, -44));
    ASSERT_EQ(engine().scrolledTo().size(), 1u);
    EXPECT_EQ(engine().scrolledTo()[0], Point(0, -44));
}

TEST_F(WebViewTest, TheScrollViewsInsetReachesTheEngineWhenItChanges) {
    auto scroll = view->scrollView();
    EXPECT_TRUE(engine().contentInsets().empty());
    scroll->setContentOffset(Point(0, -44));
    scroll->setContentInset(EdgeInsets(44, 0, 0, 0));
    scroll->setContentInset(EdgeInsets(44, 0, 0, 0));
    scroll->setContentInset(EdgeInsets(64, 0, 44, 0));
    EXPECT_EQ(engine().contentInsets(),
              (std::vector<EdgeInsets>{EdgeInsets(44, 0, 0, 0), EdgeInsets(64, 0, 44, 0)}));
    // The offset stays where it was: the inset moves no page.
    EXPECT_EQ(engine().scrolledTo(), (std::vector<Point>{Point(0, -44)}));

    // A scroll view kept past its web view tells nobody.
    view.reset();
    scroll->setContentInset(EdgeInsets());
    scroll->setContentOffset(Point(0, 10));
    EXPECT_EQ(scroll->contentInset(), EdgeInsets());
}

TEST_F(WebViewTest, SettingsReachTheEngineAndRelatedViewsShareAProcess) {
    view->setScalesPageToFit(true);
    view->setMediaPlaybackRequiresUserAction(false);
    EXPECT_TRUE(engine().settings().scalesPageToFit);
    EXPECT_FALSE(engine().settings().mediaPlaybackRequiresUserAction);

    auto related = WebView::create(Rect(), view.get());
    auto unrelated = WebView::create();
    EXPECT_EQ(FakeWebEngine::of(*related).processIdentifier(), engine().processIdentifier());
    EXPECT_NE(FakeWebEngine::of(*unrelated).processIdentifier(), engine().processIdentifier());
}

TEST_F(WebViewTest, TheOldestLiveViewIsTheFirstMadeOfThoseStillAlive) {
    EXPECT_EQ(WebView::oldestLiveWebView(), view.get());
    EXPECT_EQ(WebView::liveWebViewCount(), 1u);
    auto second = WebView::create();
    auto third = WebView::create();
    EXPECT_EQ(WebView::liveWebViewCount(), 3u);
    EXPECT_EQ(WebView::oldestLiveWebView(), view.get());
    view.reset();
    EXPECT_EQ(WebView::oldestLiveWebView(), second.get());
    third.reset();
    EXPECT_EQ(WebView::oldestLiveWebView(), second.get());
    second.reset();
    EXPECT_EQ(WebView::oldestLiveWebView(), nullptr);
    EXPECT_EQ(WebView::liveWebViewCount(), 0u);
}

TEST_F(WebViewTest, TheFactoryMakesTheInstalledEngine) {
    int made = 0;
    auto previous = WebEngineFactory::install([&](WebEngine* relatedTo) {
        ++made;
        return std::make_unique<FakeWebEngine>(dynamic_cast<FakeWebEngine*>(relatedTo));
    });
    auto other = WebView::create();
    EXPECT_EQ(made, 1);
    WebEngineFactory::install(previous);
}

TEST_F(WebViewTest, WithoutAnInstalledEngineNoWebViewIsMade) {
    WebEngineFactory::reset();
    try {
        WebView::create();
        ADD_FAILURE() << "a web view was made without an engine";
    } catch (const std::logic_error& error) {
        EXPECT_THAT(error.what(), testing::HasSubstr("no web engine is installed"));
    }
    // The same for a view that asks to share another's process.
    EXPECT_THROW(WebView::create(Rect(), view.get()), std::logic_error);
}

#if BROWSER_MAIN_THREAD_CHECKS
// Builds with the checks hold a web view's callers to the main thread, where its engine and
// its delegate live. (No fixture: a dying child process would leave its app home behind.)
TEST(WebViewDeathTest, MakingLoadingOrScriptingAWebViewOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto previous = WebEngineFactory::install(FakeWebEngine::maker());
    auto view = WebView::create();
    auto& engine = FakeWebEngine::of(*view);
    EXPECT_DEATH(std::thread([] { WebView::create(); }).join(),
                 "WebView::WebView.* is main thread only");
    EXPECT_DEATH(std::thread([&] { view->loadHTMLString("<p>x</p>", std::nullopt); }).join(),
                 "loadHTMLString.* is main thread only");
    EXPECT_DEATH(std::thread([&] { view->stringByEvaluatingJavaScriptFromString("1"); }).join(),
                 "stringByEvaluatingJavaScriptFromString.* is main thread only");
    EXPECT_DEATH(std::thread([&] { view->runJavaScript("1"); }).join(),
                 "runJavaScript.* is main thread only");
    EXPECT_DEATH(std::thread([&] { view->stopLoading(); }).join(),
                 "stopLoading.* is main thread only");
    // The engine's events are held to the same promise.
    EXPECT_DEATH(std::thread([&] { engine.raiseStartLoad(); }).join(), "is main thread only");
    WebEngineFactory::install(previous);
}
#endif

} // namespace
} // namespace ui
