#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDWebViewFactory.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

class RecordingObserver : public VDSDKCoreWebViewNotification {
public:
    std::vector<long> states;
    void didFinishLoadingSDKCoreInSDKCoreWebView(VDSDKCoreWebView& webView) override {
        states.push_back(webView.state());
    }
};

class RecordingPageDelegate : public VDSDKCoreAMSGHandlerDelegate {
public:
    std::vector<std::string> calls;
    std::vector<base::Value::Dictionary> parameters;

    void SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(
        VDSDKCoreAMSGHandler&, const std::string& requestID,
        const base::Value::Dictionary& values) override {
        record("loadAdURL " + requestID, values);
    }
    void SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler&, const std::string& requestID,
        const base::Value::Dictionary& values) override {
        record("loadAd " + requestID, values);
    }
    void SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler&, const std::string& requestID,
        const base::Value::Dictionary& values) override {
        record("invalidRequest " + requestID, values);
    }
    void SDKCoreAMSGHandlerDidLoadSDKConstants(VDSDKCoreAMSGHandler&,
                                               const base::Value::Dictionary& values) override {
        record("loadSdkConstants", values);
    }
    void SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(VDSDKCoreAMSGHandler&) override {
        record("requestReload", {});
    }

private:
    void record(std::string call, base::Value::Dictionary values) {
        calls.push_back(std::move(call));
        parameters.push_back(std::move(values));
    }
};

class ActiveViewObserver : public VDActiveViewObserver {
public:
    void adViewDidChangeActiveViewVisibility(bool visible) override {
        calls.push_back(visible ? "visible" : "hidden");
    }
    void adViewDidStopActiveViewMonitoring() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

class VDSDKCoreWebViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        coreWebView_ = VDSDKCoreWebView::create();
        coreWebView_->SDKCoreAMSGHandler()->setDelegate(pageDelegate_);
        // The page defines the ads client's functions unless a test says otherwise; every
        // other script is recorded and answers nothing.
        engine().setScriptFallback([this](const std::string& script) -> std::optional<std::string> {
            if (script.find("typeof VDMA_getAd") != std::string::npos)
                return definesFunctions_ ? "true" : "false";
            return "";
        });
    }
    void TearDown() override {
        coreWebView_.reset();
        PlatformTest::TearDown();
    }

    ui::FakeWebEngine& engine() { return ui::FakeWebEngine::of(*coreWebView_->webView()); }
    std::vector<std::string> commands() {
        std::vector<std::string> result;
        for (const auto& script : engine().evaluatedScripts())
            if (script.find("typeof VDMA_getAd") == std::string::npos)
                result.push_back(script);
        return result;
    }
    std::string lastLoadedURL() {
        const auto& loads = engine().loads();
        if (loads.empty())
            return {};
        const auto* request = std::get_if<net::URLRequest>(&loads.back());
        return request && request->url() ? request->url()->absoluteString() : std::string();
    }
    // The page asks to load an "amsg" URL; answers whether the view let it load.
    std::optional<bool> pageSends(const std::string& url) {
        return engine().raiseNavigation(*base::URL::parse(url), ui::WebViewNavigationType::Other,
                                        false);
    }

    std::shared_ptr<VDSDKCoreWebView> coreWebView_;
    std::shared_ptr<RecordingPageDelegate> pageDelegate_ =
        std::make_shared<RecordingPageDelegate>();
    bool definesFunctions_ = true;
};

TEST_F(VDSDKCoreWebViewTest, LoadsTheCorePageFromItsSettingAndCountsOnlyAPageWithTheFunctions) {
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateNotLoaded);
    auto observer = std::make_shared<RecordingObserver>();

    coreWebView_->refreshSDKCoreAndNotifyObserver(observer);
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateLoading);
    EXPECT_EQ(lastLoadedURL(), VDSDKCoreWebView::defaultSDKCoreURL);
    engine().raiseFinishLoad();
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateLoaded);
    EXPECT_TRUE(coreWebView_->hasSDKCoreLoadedAtLeastOnce());

    // The setting names another page; one that is no http or https URL is passed over.
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(VDSDKCoreWebView::SDKCoreURLKey, base::Value("http://127.0.0.1:9/core"));
    coreWebView_->refreshSDKCoreAndNotifyObserver(observer);
    EXPECT_EQ(lastLoadedURL(), "http://127.0.0.1:9/core");
    // An error page finishes loading too, but defines nothing: the load failed.
    definesFunctions_ = false;
    engine().raiseFinishLoad();
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateFailed);
    EXPECT_TRUE(coreWebView_->hasSDKCoreLoadedAtLeastOnce());

    defaults->setObject(VDSDKCoreWebView::SDKCoreURLKey, base::Value("file:///etc/passwd"));
    EXPECT_EQ(VDSDKCoreWebView::SDKCoreURL().absoluteString(), VDSDKCoreWebView::defaultSDKCoreURL);

    // Each registration is heard once.
    EXPECT_EQ(observer->states, (std::vector<long>{2, 3}));
}

TEST_F(VDSDKCoreWebViewTest, ObserversHearTheEndOfTheLoadOnceOrAtOnceWhenItHasEnded) {
    auto early = std::make_shared<RecordingObserver>();
    auto removed = std::make_shared<RecordingObserver>();
    coreWebView_->refreshSDKCoreAndNotifyObserver(nullptr);
    coreWebView_->addObserverForOneTimeNotification(early);
    coreWebView_->addObserverForOneTimeNotification(early);
    coreWebView_->addObserverForOneTimeNotification(removed);
    coreWebView_->removeObserver(removed.get());
    EXPECT_TRUE(early->states.empty());

    engine().raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorTimedOut));
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateFailed);
    EXPECT_FALSE(coreWebView_->hasSDKCoreLoadedAtLeastOnce());
    EXPECT_EQ(early->states, std::vector<long>{3});
    EXPECT_TRUE(removed->states.empty());

    auto late = std::make_shared<RecordingObserver>();
    coreWebView_->addObserverForOneTimeNotification(late);
    EXPECT_EQ(late->states, std::vector<long>{3});
}

TEST_F(VDSDKCoreWebViewTest, AReplacedLoadsCancellationIsNoFailure) {
    auto observer = std::make_shared<RecordingObserver>();
    coreWebView_->refreshSDKCoreAndNotifyObserver(observer);
    coreWebView_->refreshSDKCoreAndNotifyObserver(nullptr);
    engine().raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorCancelled));
    EXPECT_EQ(coreWebView_->state(), VDSDKCoreWebView::StateLoading);
    EXPECT_TRUE(observer->states.empty());
    // A cancellation nobody asked for is a failure.
    engine().raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorCancelled));
    EXPECT_EQ(observer->states, std::vector<long>{3});
}

TEST_F(VDSDKCoreWebViewTest, CommandsWaitForThePageAndRunOnceEachInOrder) {
    coreWebView_->executeJavaScriptCommand("first();");
    coreWebView_->refreshSDKCoreAndNotifyObserver(nullptr);
    coreWebView_->executeJavaScriptCommand("second();");
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(coreWebView_->queuedCommandCount(), 2u);

    engine().raiseFinishLoad();
    EXPECT_EQ(commands(), (std::vector<std::string>{"first();", "second();"}));

    // While loaded, a command runs from the main queue, whatever thread gave it.
    std::thread([view = coreWebView_] { view->executeJavaScriptCommand("third();"); }).join();
    base::RunLoop::main().runUntilIdle();
    // A reload holds commands back again; nothing already run runs again.
    coreWebView_->refreshSDKCoreAndNotifyObserver(nullptr);
    coreWebView_->executeJavaScriptCommand("fourth();");
    base::RunLoop::main().runUntilIdle();
    engine().raiseFinishLoad();
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"first();", "second();", "third();", "fourth();"}));
    EXPECT_EQ(coreWebView_->queuedCommandCount(), 0u);
}

TEST_F(VDSDKCoreWebViewTest, AmsgNavigationsNeverLoadAndReachTheDelegateOnTheMainQueue) {
    coreWebView_->refreshSDKCoreAndNotifyObserver(nullptr);
    engine().raiseFinishLoad();

    EXPECT_EQ(pageSends("amsg:///loadAdURL?request_id=1&url=http%3A%2F%2Fad.test%2Fa"), false);
    EXPECT_EQ(pageSends("amsg:///loadAd?request_id=2&fetched_ad=%7B%22ad_url%22%3A%22x%22%7D"),
              false);
    EXPECT_EQ(pageSends("amsg:///loadAd?request_id=3&fetched_ad=%5B1%5D"), false);
    EXPECT_EQ(pageSends("amsg:///invalidRequest?request_id=4&reason=no"), false);
    EXPECT_EQ(pageSends("amsg:///loadSdkConstants?as_domains=a.test"), false);
    EXPECT_EQ(pageSends("amsg:///requestReload"), false);
    EXPECT_EQ(pageSends("amsg:///unknown?request_id=5"), false);
    EXPECT_EQ(pageSends("https://cdn.test/frame.html"), true);
    EXPECT_TRUE(pageDelegate_->calls.empty());

    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pageDelegate_->calls,
              (std::vector<std::string>{"loadAdURL 1", "loadAd 2", "loadAd 3", "invalidRequest 4",
                                        "loadSdkConstants", "requestReload"}));
    using Dictionary = base::Value::Dictionary;
    EXPECT_EQ(pageDelegate_->parameters[0],
              (Dictionary{{"request_id", "1"}, {"url", "http://ad.test/a"}}));
    EXPECT_EQ(pageDelegate_->parameters[1], (Dictionary{{"ad_url", "x"}}));
    EXPECT_EQ(pageDelegate_->parameters[2], Dictionary{});
    EXPECT_EQ(pageDelegate_->parameters[4], (Dictionary{{"as_domains", "a.test"}}));
}

TEST_F(VDSDKCoreWebViewTest, ActiveViewRunsWhileAnObserverIsRegisteredAndAlive) {
    auto first = std::make_shared<ActiveViewObserver>();
    auto second = std::make_shared<ActiveViewObserver>();
    EXPECT_FALSE(coreWebView_->isActiveViewRunning());
    coreWebView_->setActiveViewObserverForActiveViewID(first, 1);
    coreWebView_->setActiveViewObserverForActiveViewID(second, 2);
    EXPECT_EQ(coreWebView_->activeViewObserverForActiveViewID(2), second);
    coreWebView_->removeActiveViewObserverForActiveViewID(2);
    coreWebView_->removeActiveViewObserverForActiveViewID(7);
    EXPECT_EQ(coreWebView_->activeViewObserverForActiveViewID(2), nullptr);
    EXPECT_TRUE(coreWebView_->isActiveViewRunning());
    first.reset();
    EXPECT_FALSE(coreWebView_->isActiveViewRunning());

    coreWebView_->setActiveViewObserverForActiveViewID(second, 3);
    coreWebView_->removeAllActiveViewObservers();
    EXPECT_FALSE(coreWebView_->isActiveViewRunning());
}

TEST_F(VDSDKCoreWebViewTest, AdsWebViewsShareOneProcessWhileOneOfThemLives) {
    auto processOf = [](const std::shared_ptr<ui::WebView>& view) {
        return ui::FakeWebEngine::of(*view).processIdentifier();
    };
    auto other = VDWebViewFactory::createWebView();
    EXPECT_EQ(processOf(other), processOf(coreWebView_->webView()));
    coreWebView_.reset();
    auto third = VDWebViewFactory::createWebView();
    EXPECT_EQ(processOf(third), processOf(other));
    const int shared = processOf(other);
    other.reset();
    third.reset();
    EXPECT_NE(processOf(VDWebViewFactory::createWebView()), shared);
}

TEST_F(VDSDKCoreWebViewTest, AdsWebViewsShareTheProcessOfAPageMadeBeforeThem) {
    coreWebView_.reset();
    auto processOf = [](const std::shared_ptr<ui::WebView>& view) {
        return ui::FakeWebEngine::of(*view).processIdentifier();
    };
    auto page = ui::WebView::create();
    auto ad = VDWebViewFactory::createWebView();
    auto core = VDSDKCoreWebView::create();
    EXPECT_EQ(processOf(ad), processOf(page));
    EXPECT_EQ(processOf(core->webView()), processOf(page));
    // The page gone, new ads views join the ads still alive.
    const int shared = processOf(page);
    page.reset();
    EXPECT_EQ(processOf(VDWebViewFactory::createWebView()), shared);
}

TEST_F(VDSDKCoreWebViewTest, ThePagesActiveViewVerdictsReachTheObserverOfTheirIdentifier) {
    auto observer = std::make_shared<ActiveViewObserver>();
    auto other = std::make_shared<ActiveViewObserver>();
    coreWebView_->setActiveViewObserverForActiveViewID(observer, 4);
    coreWebView_->setActiveViewObserverForActiveViewID(other, 5);
    for (const char* url : {
             "amsg:visibilityChanged?hashCode=4&isVisible=1",
             "amsg:visibilityChanged?hashCode=4&isVisible=true", // only "1" is visible
             "amsg:visibilityChanged?hashCode=4",                // no verdict: ignored
             "amsg:visibilityChanged?isVisible=1",               // no identifier: ignored
             "amsg:visibilityChanged?hashCode=4x&isVisible=1",   // no number: ignored
             "amsg:visibilityChanged?hashCode=9&isVisible=1",    // nobody's: nothing
             "amsg:untrackActiveViewUnit?hashCode=4",
             "amsg:untrackActiveViewUnit",
         })
        EXPECT_EQ(pageSends(url), false) << url;
    EXPECT_TRUE(observer->calls.empty()); // in a later main-thread turn
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"visible", "hidden", "stop"}));
    EXPECT_TRUE(other->calls.empty());
    // The page's own messages still reach the core page's handler.
    EXPECT_EQ(pageSends("amsg:requestReload"), false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pageDelegate_->calls, std::vector<std::string>{"requestReload"});
}

} // namespace
