#include "ads/webview/VDAdView.h"

#include "ads/foundation/VDGestureUtil.h"
#include "ads/webview/VDNotification.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "ads/webview/VDWebViewFactory.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/ScrollView.h"

std::shared_ptr<VDAdView> VDAdView::create(const ui::Rect& frame) {
    base::assertMainThread();
    auto view = std::make_shared<VDAdView>(Private{}, frame);
    view->webView_->setDelegate(std::static_pointer_cast<ui::WebViewDelegate>(view));
    return view;
}

VDAdView::VDAdView(Private, const ui::Rect& frame)
    : View(frame) {
    webView_ = VDWebViewCacheSet::shared()->anyObject();
    if (!webView_)
        webView_ = VDWebViewFactory::createWebView(ui::Rect(ui::Point(), frame.size));
    webView_->setFrame(ui::Rect(ui::Point(), frame.size));
    webView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                  ui::ViewAutoresizingFlexibleHeight);
    addSubview(webView_);
}

VDAdView::~VDAdView() {
    // The web view goes back to the pool clean: no delegate, no load, no superview.
    webView_->setDelegate({});
    webView_->stopLoading();
    webView_->removeFromSuperview();
    // A pool without room would only hand it to the main queue to let it go: it goes here.
    if (auto pool = VDWebViewCacheSet::shared(); pool->maxCapacity() > 0)
        pool->addObject(std::move(webView_));
}

void VDAdView::configureAsBannerAdView() {
    banner_ = true;
    scrollView()->setBounces(false);
    webView_->setScalesPageToFit(false);
    const base::Value preventAutoplay =
        base::UserDefaults::standard()->objectForKey(bannerPreventAutoplayKey);
    webView_->setMediaPlaybackRequiresUserAction(!preventAutoplay.isNull() &&
                                                 preventAutoplay.boolValue());
    setHidden(true);
}

void VDAdView::configureAsExpandedBannerAdView() {
    configureAsBannerAdView();
    expanded_ = true;
}

void VDAdView::configureAsInterstitialAdView() {
    banner_ = false;
    expanded_ = false;
    interstitial_ = true;
    scrollView()->setBounces(false);
    webView_->setScalesPageToFit(false);
}

void VDAdView::loadHTMLStringBaseURL(const std::string& html,
                                     const std::optional<base::URL>& baseURL) {
    events_.clear();
    if (loadingCreative_)
        ++replacedLoads_;
    loadingCreative_ = true;
    baseURL_ = baseURL;
    webView_->loadHTMLString(html, baseURL);
}

void VDAdView::postSDKEventScript(std::string script) {
    events_.push_back(std::move(script));
    scheduleEvents();
}

void VDAdView::scheduleEvents() {
    if (loadingCreative_ || eventsScheduled_ || events_.empty())
        return;
    eventsScheduled_ = true;
    base::RunLoop::main().dispatch([weakSelf = std::weak_ptr<VDAdView>(
                                        std::static_pointer_cast<VDAdView>(shared_from_this()))] {
        if (auto self = weakSelf.lock())
            self->runEvents();
    });
}

void VDAdView::runEvents() {
    eventsScheduled_ = false;
    while (!loadingCreative_ && !events_.empty()) {
        // Taken out before it runs: an event the script causes goes behind it.
        auto script = std::move(events_.front());
        events_.pop_front();
        webView_->stringByEvaluatingJavaScriptFromString(script);
    }
}

void VDAdView::recordTouches(const ui::TouchSet& touches) {
    for (const auto& touch : touches)
        if (touch)
            gesturePoints_.push_back(touch->locationInView(this));
}

void VDAdView::reportGesture() {
    if (gesturePoints_.empty())
        return;
    touched_ = true;
    VDGestureUtil::sharedInstance()->reportTouchPoints(std::exchange(gesturePoints_, {}));
}

void VDAdView::touchesBegan(const ui::TouchSet& touches, const ui::Event* event) {
    gesturePoints_.clear();
    recordTouches(touches);
    View::touchesBegan(touches, event);
}

void VDAdView::touchesMoved(const ui::TouchSet& touches, const ui::Event* event) {
    recordTouches(touches);
    View::touchesMoved(touches, event);
}

void VDAdView::touchesEnded(const ui::TouchSet& touches, const ui::Event* event) {
    recordTouches(touches);
    reportGesture();
    View::touchesEnded(touches, event);
}

void VDAdView::touchesCancelled(const ui::TouchSet& touches, const ui::Event* event) {
    recordTouches(touches);
    reportGesture();
    View::touchesCancelled(touches, event);
}

void VDAdView::addAMSGHandler(std::shared_ptr<VDAMSGHandler> handler) {
    if (handler)
        handlers_.push_back(std::move(handler));
}

bool VDAdView::webViewShouldStartLoadWithRequestNavigationType(ui::WebView&,
                                                               const net::URLRequest& request,
                                                               ui::WebViewNavigationType type) {
    auto self = shared_from_this();
    if (request.url() && VDNotification::isNotificationURL(*request.url())) {
        if (auto note = VDNotification::notificationWithURL(*request.url())) {
            const auto handlers = handlers_;
            for (const auto& handler : handlers)
                if (handler->didReceiveNotification(*note))
                    break;
        }
        return false;
    }
    auto delegate = this->delegate();
    return !delegate ||
           delegate->adViewShouldStartLoadWithRequestNavigationType(*this, request, type);
}

void VDAdView::webViewDidStartLoad(ui::WebView&) {
    auto self = shared_from_this();
    if (auto delegate = this->delegate())
        delegate->adViewDidStartLoad(*this);
}

void VDAdView::webViewDidFinishLoad(ui::WebView&) {
    auto self = shared_from_this();
    loadingCreative_ = false;
    replacedLoads_ = 0;
    if (auto delegate = this->delegate())
        delegate->adViewDidFinishLoad(*this);
    scheduleEvents();
}

void VDAdView::webViewDidFailLoadWithError(ui::WebView&, const base::Error& error) {
    auto self = shared_from_this();
    if (error.domain == base::URLErrorDomain && error.code == base::URLErrorCancelled &&
        replacedLoads_ > 0) {
        --replacedLoads_;
        return;
    }
    loadingCreative_ = false;
    replacedLoads_ = 0;
    if (auto delegate = this->delegate())
        delegate->adViewDidFailLoadWithError(*this, error);
}
