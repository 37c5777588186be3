#include "ads/webview/VDSDKCoreWebView.h"

#include "ads/webview/VDNotification.h"
#include "ads/webview/VDWebViewFactory.h"
#include "platform/base/Bundle.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/URLRequest.h"

#include <algorithm>

namespace {

// The script that tells whether the page defines what the ads client calls; read once.
const std::string& coreScriptCheck() {
    static const std::string script = [] {
        auto text = base::Bundle::main().textOfResource("sdk_core_ready", "js");
        if (!text) {
            base::log("The SDK-core check script is missing: " +
                      text.error().localizedDescription());
            return std::string("false");
        }
        return std::move(text).value();
    }();
    return script;
}

bool isCancellation(const base::Error& error) {
    return error.domain == base::URLErrorDomain && error.code == base::URLErrorCancelled;
}

} // namespace

std::shared_ptr<VDSDKCoreWebView> VDSDKCoreWebView::create() {
    base::assertMainThread();
    auto view = std::make_shared<VDSDKCoreWebView>(Private{});
    view->webView_->setDelegate(view);
    view->activeViewAMSGHandler_->setDelegate(view);
    view->SDKCoreAMSGHandler_->setPageCommandSink(
        [weakView = std::weak_ptr<VDSDKCoreWebView>(view)](std::string command) {
            if (auto view = weakView.lock())
                view->executeJavaScriptCommand(std::move(command));
        });
    return view;
}

VDSDKCoreWebView::VDSDKCoreWebView(Private)
    : webView_(VDWebViewFactory::createWebView())
    , SDKCoreAMSGHandler_(VDSDKCoreAMSGHandler::create())
    , activeViewAMSGHandler_(std::make_shared<VDActiveViewAMSGHandler>()) {}

VDSDKCoreWebView::~VDSDKCoreWebView() {
    webView_->setDelegate({});
}

base::URL VDSDKCoreWebView::SDKCoreURL() {
    if (auto text = base::UserDefaults::standard()->stringForKey(SDKCoreURLKey)) {
        auto url = base::URL::parse(*text);
        if (url && (url->scheme() == "http" || url->scheme() == "https") && !url->host().empty())
            return *url;
    }
    return *base::URL::parse(defaultSDKCoreURL);
}

void VDSDKCoreWebView::refreshSDKCoreAndNotifyObserver(
    const std::shared_ptr<VDSDKCoreWebViewNotification>& observer) {
    base::assertMainThread();
    {
        std::lock_guard lock(mutex_);
        if (state_ == StateLoading)
            ++replacedLoads_;
        state_ = StateLoading;
        if (observer)
            oneTimeObservers_.push_back(observer);
    }
    webView_->loadRequest(net::URLRequest(SDKCoreURL()));
}

void VDSDKCoreWebView::addObserverForOneTimeNotification(
    const std::shared_ptr<VDSDKCoreWebViewNotification>& observer) {
    base::assertMainThread();
    if (!observer)
        return;
    {
        std::lock_guard lock(mutex_);
        if (state_ != StateLoaded && state_ != StateFailed) {
            const bool known = std::any_of(oneTimeObservers_.begin(), oneTimeObservers_.end(),
                                           [&](const auto& o) { return o.lock() == observer; });
            if (!known)
                oneTimeObservers_.push_back(observer);
            return;
        }
    }
    observer->didFinishLoadingSDKCoreInSDKCoreWebView(*this);
}

void VDSDKCoreWebView::removeObserver(const VDSDKCoreWebViewNotification* observer) {
    std::lock_guard lock(mutex_);
    std::erase_if(oneTimeObservers_, [&](const auto& o) {
        auto alive = o.lock();
        return !alive || alive.get() == observer;
    });
}

void VDSDKCoreWebView::executeJavaScriptCommand(std::string command) {
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(std::move(command));
        if (state_ != StateLoaded || commandsScheduled_)
            return;
        commandsScheduled_ = true;
    }
    base::mainQueue().async([weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock())
            self->runQueuedCommands();
    });
}

std::size_t VDSDKCoreWebView::queuedCommandCount() const {
    std::lock_guard lock(mutex_);
    return commands_.size();
}

void VDSDKCoreWebView::runQueuedCommands() {
    for (;;) {
        std::string command;
        {
            std::lock_guard lock(mutex_);
            commandsScheduled_ = false;
            if (state_ != StateLoaded || commands_.empty())
                return;
            // Taken out before it runs, so that no command can run twice.
            command = std::move(commands_.front());
            commands_.pop_front();
        }
        webView_->runJavaScript(command);
    }
}

void VDSDKCoreWebView::setActiveViewObserverForActiveViewID(
    const std::shared_ptr<VDActiveViewObserver>& observer, std::uint64_t activeViewID) {
    std::lock_guard lock(mutex_);
    activeViewObservers_[activeViewID] = observer;
}

void VDSDKCoreWebView::removeActiveViewObserverForActiveViewID(std::uint64_t activeViewID) {
    std::lock_guard lock(mutex_);
    activeViewObservers_.erase(activeViewID);
}

std::shared_ptr<VDActiveViewObserver>
VDSDKCoreWebView::activeViewObserverForActiveViewID(std::uint64_t activeViewID) const {
    std::lock_guard lock(mutex_);
    auto found = activeViewObservers_.find(activeViewID);
    return found == activeViewObservers_.end() ? nullptr : found->second.lock();
}

bool VDSDKCoreWebView::isActiveViewRunning() const {
    std::lock_guard lock(mutex_);
    return std::any_of(activeViewObservers_.begin(), activeViewObservers_.end(),
                       [](const auto& entry) { return !entry.second.expired(); });
}

void VDSDKCoreWebView::removeAllActiveViewObservers() {
    std::lock_guard lock(mutex_);
    activeViewObservers_.clear();
}

bool VDSDKCoreWebView::webViewShouldStartLoadWithRequestNavigationType(
    ui::WebView&, const net::URLRequest& request, ui::WebViewNavigationType) {
    if (!request.url() || !VDNotification::isNotificationURL(*request.url()))
        return true;
    if (auto note = VDNotification::notificationWithURL(*request.url())) {
        if (!SDKCoreAMSGHandler_->didReceiveNotification(*note))
            activeViewAMSGHandler_->didReceiveNotification(*note);
    }
    return false;
}

void VDSDKCoreWebView::activeViewAMSGHandlerDidReceiveVisibilityNotificationForActiveViewID(
    VDActiveViewAMSGHandler&, bool visible, std::uint64_t activeViewID) {
    if (auto observer = activeViewObserverForActiveViewID(activeViewID))
        base::mainQueue().async([weakObserver = std::weak_ptr(observer), visible] {
            if (auto observer = weakObserver.lock())
                observer->adViewDidChangeActiveViewVisibility(visible);
        });
}

void VDSDKCoreWebView::activeViewAMSGHandlerDidReceiveUntrackNotificationForActiveViewID(
    VDActiveViewAMSGHandler&, std::uint64_t activeViewID) {
    if (auto observer = activeViewObserverForActiveViewID(activeViewID))
        base::mainQueue().async([weakObserver = std::weak_ptr(observer)] {
            if (auto observer = weakObserver.lock())
                observer->adViewDidStopActiveViewMonitoring();
        });
}

void VDSDKCoreWebView::webViewDidFinishLoad(ui::WebView& webView) {
    if (state_ != StateLoading)
        return;
    const bool defined =
        webView.stringByEvaluatingJavaScriptFromString(coreScriptCheck()) == "true";
    if (!defined)
        base::log("The SDK-core page at " + SDKCoreURL().absoluteString() +
                  " does not define the ads client's functions.");
    endLoad(defined ? StateLoaded : StateFailed);
}

void VDSDKCoreWebView::webViewDidFailLoadWithError(ui::WebView&, const base::Error& error) {
    {
        std::lock_guard lock(mutex_);
        if (state_ != StateLoading)
            return;
        if (isCancellation(error) && replacedLoads_ > 0) {
            --replacedLoads_;
            return;
        }
    }
    endLoad(StateFailed);
}

void VDSDKCoreWebView::endLoad(State state) {
    std::vector<std::weak_ptr<VDSDKCoreWebViewNotification>> observers;
    {
        std::lock_guard lock(mutex_);
        state_ = state;
        replacedLoads_ = 0;
        if (state == StateLoaded)
            loadedOnce_ = true;
        observers.swap(oneTimeObservers_);
    }
    if (state == StateLoaded)
        runQueuedCommands();
    for (const auto& weakObserver : observers) {
        if (auto observer = weakObserver.lock())
            observer->didFinishLoadingSDKCoreInSDKCoreWebView(*this);
    }
}
