#include "platform/ui/WebView.h"

#include "platform/base/NoDestructor.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/WebEngine.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/WebViewDelegate.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ui {

namespace {

// Counts one more script running for the length of a scope, whatever way the scope is left.
class DepthScope {
public:
    explicit DepthScope(int& depth)
        : depth_(++depth) {}
    ~DepthScope() { --depth_; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& depth_;
};

// Sets a flag for the length of a scope, whatever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : flag_(flag)
        , previous_(std::exchange(flag, true)) {}
    ~FlagScope() { flag_ = previous_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};

// The web view's scroll view: tells the view when its offset or inset changes, so that code
// moving it scrolls the page and its inset pads the page.
class PageScrollView final : public ScrollView {
public:
    explicit PageScrollView(const Rect& frame)
        : ScrollView(frame) {}
    std::function<void(Point)> offsetDidChange;
    std::function<void(EdgeInsets)> insetDidChange;

protected:
    void contentOffsetDidChange() override {
        if (offsetDidChange)
            offsetDidChange(contentOffset());
    }
    void contentInsetDidChange() override {
        if (insetDidChange)
            insetDidChange(contentInset());
    }
};

// Every web view alive, oldest first. Main thread only, like the views themselves. Never
// destroyed: a view something still holds at the process's end leaves it after the statics go.
std::vector<WebView*>& liveWebViews() {
    static base::NoDestructor<std::vector<WebView*>> views;
    return *views;
}

net::URLRequest requestForBaseURL(const std::optional<base::URL>& baseURL) {
    auto url = baseURL ? baseURL : base::URL::parse("about:blank");
    net::URLRequest request(url);
    request.setMainDocumentURL(url);
    return request;
}

} // namespace

WebView::WebView(const Rect& frame, WebView* relatedTo)
    : View(frame)
    , engine_(WebEngineFactory::create(relatedTo ? relatedTo->engine_.get() : nullptr))
    , scrollView_(std::make_shared<PageScrollView>(Rect(Point(), frame.size))) {
    base::assertMainThread();
    scrollView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth |
                                     ViewAutoresizingFlexibleHeight);
    auto& pageScrollView = static_cast<PageScrollView&>(*scrollView_);
    pageScrollView.offsetDidChange = [this](Point offset) { scrollViewWasMoved(offset); };
    pageScrollView.insetDidChange = [this](EdgeInsets insets) { engine_->setContentInset(insets); };
    engine_->setClient(this);
    engine_->applySettings(settings_);
    liveWebViews().push_back(this);
}

WebView::~WebView() {
    std::erase(liveWebViews(), this);
    auto& pageScrollView = static_cast<PageScrollView&>(*scrollView_);
    pageScrollView.offsetDidChange = nullptr;
    pageScrollView.insetDidChange = nullptr;
    held_.clear();
    engine_->setClient(nullptr);
}

std::shared_ptr<WebView> WebView::create(const Rect& frame, WebView* relatedTo) {
    auto view = std::make_shared<WebView>(frame, relatedTo);
    view->attachScrollView();
    return view;
}

WebView* WebView::oldestLiveWebView() {
    base::assertMainThread();
    const auto& views = liveWebViews();
    return views.empty() ? nullptr : views.front();
}

std::size_t WebView::liveWebViewCount() {
    return liveWebViews().size();
}

void WebView::attachScrollView() {
    if (scrollView_->superview() || weak_from_this().expired())
        return;
    scrollView_->setFrame(Rect(Point(), bounds().size));
    insertSubviewAtIndex(scrollView_, 0);
}

const std::shared_ptr<ScrollView>& WebView::scrollView() {
    attachScrollView();
    return scrollView_;
}

void WebView::boundsSizeDidChange(Size oldSize) {
    attachScrollView();
    View::boundsSizeDidChange(oldSize);
}

// --- Loads.

void WebView::perform(std::function<void()> step) {
    base::assertMainThread();
    if (scriptDepth_ > 0 || delivering_ || !held_.empty()) {
        held_.push_back(std::move(step));
        return;
    }
    auto keepAlive = weak_from_this().lock();
    {
        FlagScope delivering(delivering_);
        step();
    }
    deliverHeld();
}

void WebView::deliverHeld() {
    auto keepAlive = weak_from_this().lock();
    while (!held_.empty() && scriptDepth_ == 0 && !delivering_) {
        auto step = std::move(held_.front());
        held_.pop_front();
        FlagScope delivering(delivering_);
        step();
    }
}

bool WebView::askDelegate(const net::URLRequest& request, WebViewNavigationType type) {
    if (auto delegate = delegate_.lock())
        return delegate->webViewShouldStartLoadWithRequestNavigationType(*this, request, type);
    return true;
}

void WebView::startLoad(net::URLRequest reported, std::function<void()> load) {
    perform([this, reported = std::move(reported), load = std::move(load)] {
        if (!askDelegate(reported, WebViewNavigationType::Other))
            return;
        request_ = reported;
        load();
    });
}

void WebView::loadRequest(const net::URLRequest& request) {
    base::assertMainThread();
    net::URLRequest reported = request;
    if (!reported.mainDocumentURL())
        reported.setMainDocumentURL(reported.url());
    startLoad(reported, [this, reported] { engine_->loadRequest(reported); });
}

void WebView::loadHTMLString(const std::string& html, const std::optional<base::URL>& baseURL) {
    base::assertMainThread();
    startLoad(requestForBaseURL(baseURL),
              [this, html, baseURL] { engine_->loadHTMLString(html, baseURL); });
}

void WebView::loadData(const base::Data& data, const std::string& MIMEType,
                       const std::string& textEncodingName,
                       const std::optional<base::URL>& baseURL) {
    base::assertMainThread();
    startLoad(requestForBaseURL(baseURL), [this, data, MIMEType, textEncodingName, baseURL] {
        engine_->loadData(data, MIMEType, textEncodingName, baseURL);
    });
}

void WebView::stopLoading() {
    base::assertMainThread();
    perform([this] { engine_->stopLoading(); });
}

void WebView::reload() {
    base::assertMainThread();
    perform([this] { engine_->reload(); });
}

void WebView::goBack() {
    base::assertMainThread();
    perform([this] { engine_->goBack(); });
}

void WebView::goForward() {
    base::assertMainThread();
    perform([this] { engine_->goForward(); });
}

bool WebView::canGoBack() const {
    return engine_->canGoBack();
}
bool WebView::canGoForward() const {
    return engine_->canGoForward();
}
bool WebView::isLoading() const {
    return engine_->isLoading();
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string& script) {
    base::assertMainThread();
    auto keepAlive = weak_from_this().lock();
    std::optional<std::string> result;
    {
        DepthScope running(scriptDepth_);
        result = engine_->evaluateJavaScript(script);
    }
    if (scriptDepth_ == 0 && !delivering_)
        deliverHeld();
    return result.value_or(std::string());
}

void WebView::runJavaScript(const std::string& script) {
    base::assertMainThread();
    auto keepAlive = weak_from_this().lock();
    // An engine that waits after all holds its events as for any script.
    {
        DepthScope running(scriptDepth_);
        engine_->runJavaScript(script);
    }
    if (scriptDepth_ == 0 && !delivering_)
        deliverHeld();
}

// --- Settings.

void WebView::applySettings() {
    base::assertMainThread();
    engine_->applySettings(settings_);
}

void WebView::setScalesPageToFit(bool on) {
    settings_.scalesPageToFit = on;
    applySettings();
}

void WebView::setDataDetectorTypes(unsigned types) {
    settings_.dataDetectorTypes = types;
    applySettings();
}

void WebView::setAllowsInlineMediaPlayback(bool on) {
    settings_.allowsInlineMediaPlayback = on;
    applySettings();
}

void WebView::setMediaPlaybackRequiresUserAction(bool on) {
    settings_.mediaPlaybackRequiresUserAction = on;
    applySettings();
}

void WebView::setKeyboardDisplayRequiresUserAction(bool on) {
    settings_.keyboardDisplayRequiresUserAction = on;
    applySettings();
}

void WebView::setSuppressesIncrementalRendering(bool on) {
    settings_.suppressesIncrementalRendering = on;
    applySettings();
}

// --- Engine events.

void WebView::decidePolicy(const net::URLRequest& request, WebViewNavigationType type,
                           bool isMainFrame, PolicyDecision decide) {
    (void)isMainFrame; // the delegate tells frames apart by the main document URL
    perform([this, request, type, decide = std::move(decide)] {
        const bool allow = askDelegate(request, type);
        decide(allow);
    });
}

void WebView::mainFrameRequestChanged(const net::URLRequest& request) {
    perform([this, request] { request_ = request; });
}

void WebView::didStartLoad() {
    perform([this] {
        if (auto delegate = delegate_.lock())
            delegate->webViewDidStartLoad(*this);
    });
}

void WebView::didFinishLoad() {
    perform([this] {
        if (auto delegate = delegate_.lock())
            delegate->webViewDidFinishLoad(*this);
    });
}

void WebView::didFailLoad(const base::Error& error) {
    perform([this, error] {
        if (auto delegate = delegate_.lock())
            delegate->webViewDidFailLoadWithError(*this, error);
    });
}

void WebView::setLoadScript(const std::string& script) {
    base::assertMainThread();
    engine_->setLoadScript(script);
}

void WebView::loadScriptAnswered(const std::string& answer) {
    perform([this, answer] {
        if (auto delegate = delegate_.lock())
            delegate->webViewLoadScriptAnswered(*this, answer);
    });
}

void WebView::titleChanged(const std::string& title) {
    perform([this, title] { pageTitle_ = title; });
}

bool WebView::canShowMIMEType(const std::string& MIMEType) const {
    return engine_->canShowMIMEType(MIMEType);
}

void WebView::contentSizeChanged(Size size) {
    perform([this, size] {
        attachScrollView();
        scrollView_->setContentSize(size);
    });
}

void WebView::scrollOffsetChanged(Point offset) {
    perform([this, offset] {
        attachScrollView();
        FlagScope fromEngine(engineScrolling_);
        scrollView_->setContentOffset(offset);
    });
}

void WebView::scrollViewWasMoved(Point offset) {
    if (!engineScrolling_)
        engine_->scrollTo(offset);
}

} // namespace ui
