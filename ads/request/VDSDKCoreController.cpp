#include "ads/request/VDSDKCoreController.h"

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDJSONUtilities.h"
#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDNumberStrings.h"
#include "ads/request/VDAd.h"
#include "ads/request/VDBannerAd.h"
#include "ads/request/VDInterstitialAd.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDRequestError.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace {

// Runs `call` with the delegate on the main queue, when it is still alive then.
void tellOnMain(std::weak_ptr<VDSDKCoreControllerDelegate> delegate,
                std::function<void(VDSDKCoreControllerDelegate&)> call) {
    base::mainQueue().async([delegate = std::move(delegate), call = std::move(call)] {
        if (auto alive = delegate.lock())
            call(*alive);
    });
}

bool isHTTPURLString(const base::Value& value) {
    const std::string* text = value.string();
    auto url = text ? base::URL::parse(*text) : std::nullopt;
    return url && (url->scheme() == "http" || url->scheme() == "https");
}

// The page's ad dictionary with every URL that is not http or https left out: a creative's
// base URL, its content and its pings come only from the web.
base::Value::Dictionary withWebURLsOnly(base::Value::Dictionary ad) {
    for (const char* key : {"ad_url", "ad_base_url", "ad_passback_url"}) {
        auto found = ad.find(key);
        if (found != ad.end() && found->second.string() && !isHTTPURLString(found->second))
            ad.erase(found);
    }
    for (const char* key : {"click_urls", "impression_urls", "manual_impression_urls"}) {
        auto found = ad.find(key);
        if (found == ad.end() || !found->second.array())
            continue;
        base::Value::Array kept;
        for (const auto& entry : *found->second.array())
            if (isHTTPURLString(entry))
                kept.push_back(entry);
        found->second = base::Value(std::move(kept));
    }
    return ad;
}

// A constant's number: a JSON number, or text that is a number and nothing else.
std::optional<base::Value> decodedJSONText(const base::Value& value) {
    const std::string* text = value.string();
    return text ? vd_decodedJSONObjectError(*text) : std::nullopt;
}

// Constants stored as they come, under "/redodi/ads/" + key; their readers check them.
constexpr const char* storedStringConstants[] = {
    "bad_ad_report_path",
    "as_domains",
    "native_ad_support_url",
    "banner_prevent_autoplay",
    "web_view_cache_max_capacity",
    "content_age_weight",
    "content_length_weight",
    "character_delimited_unicode_range",
    "space_delimited_unicode_range",
    "minimum_paragraph_length",
    "maximum_shingle_count",
    "content_queue_maximum_capacity",
    "shingle_length",
    "traversal_interval",
    "disable_interstitial_click_ping_on_click_navigation",
};

} // namespace

std::shared_ptr<VDSDKCoreController> VDSDKCoreController::sharedInstance() {
    static base::ProcessWide<VDSDKCoreController> shared(
        &VDSDKCoreController::create,
        [](VDSDKCoreController& dropped) { dropped.waitForQueuesForTesting(); });
    return shared.get();
}

std::shared_ptr<VDSDKCoreController> VDSDKCoreController::create() {
    base::assertMainThread();
    auto controller = std::make_shared<VDSDKCoreController>(Private{});
    controller->activeSDKCoreWebView_->SDKCoreAMSGHandler()->setDelegate(controller);
    return controller;
}

VDSDKCoreController::VDSDKCoreController(Private)
    : lockQueue_(lockQueueLabel)
    , requestURLQueue_(requestURLQueueLabel)
    , activeSDKCoreWebView_(VDSDKCoreWebView::create()) {}

VDSDKCoreController::~VDSDKCoreController() {
    activeSDKCoreWebView_->removeObserver(this);
    for (auto& [requestID, pending] : pendingBuildAdURLDelegates_) {
        if (pending.timeout)
            pending.timeout->invalidate();
    }
}

void VDSDKCoreController::waitForQueuesForTesting() const {
    base::assertMainThread();
    // A delegate may read its request parameters on the main thread from the URL queue: the
    // main loop is served while the queues run dry, or both would wait for each other.
    for (const base::DispatchQueue* queue : {&requestURLQueue_, &lockQueue_}) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        queue->async([done] { *done = true; });
        base::RunLoop::main().runUntil([&] { return done->load(); }, base::Seconds(60));
    }
}

void VDSDKCoreController::buildAdURL(const std::shared_ptr<VDSDKCoreControllerDelegate>& delegate) {
    base::assertMainThread();
    auto self = shared_from_this();
    lockQueue_.async([self, delegate = DelegateReference(delegate)] {
        self->pendingActiveWebViewLoadDelegates_.push_back(delegate);
    });
    const std::uint64_t now = VDAbsoluteTime::absoluteTimeInMilliseconds();
    const bool reloadIsDue = lockQueue_.syncResult([&] {
        return now > lastWebViewRefreshTimestamp_ &&
               now - lastWebViewRefreshTimestamp_ > reloadIntervalMilliseconds;
    });
    const auto state = activeSDKCoreWebView_->state();
    if ((state == VDSDKCoreWebView::StateLoading || state == VDSDKCoreWebView::StateLoaded) &&
        !reloadIsDue) {
        activeSDKCoreWebView_->addObserverForOneTimeNotification(self);
        return;
    }
    activeSDKCoreWebView_->refreshSDKCoreAndNotifyObserver(self);
    lockQueue_.async([self, now] {
        self->SDKConstantsNeedReload_ = true;
        self->lastWebViewRefreshTimestamp_ = now;
    });
}

void VDSDKCoreController::didFinishLoadingSDKCoreInSDKCoreWebView(VDSDKCoreWebView& webView) {
    if (&webView != activeSDKCoreWebView_.get())
        return;
    auto self = shared_from_this();
    std::vector<DelegateReference> failed;
    bool stillPending = false;
    lockQueue_.sync([&] {
        const auto state = webView.state();
        if (SDKConstantsNeedReload_ && state == VDSDKCoreWebView::StateLoaded) {
            const auto argument = vd_JSONStringPrettyError(
                base::Value::Dictionary{{"js", base::Value(VDRequest::sdkVersion())}}, false);
            webView.executeJavaScriptCommand("VDMA_getSdkConstants(" + argument.value_or("") +
                                             ");");
        }
        while (!pendingActiveWebViewLoadDelegates_.empty() &&
               state != VDSDKCoreWebView::StateLoading) {
            auto delegate = pendingActiveWebViewLoadDelegates_.front();
            pendingActiveWebViewLoadDelegates_.erase(pendingActiveWebViewLoadDelegates_.begin());
            if (state == VDSDKCoreWebView::StateLoaded)
                requestURLQueue_.async([self, delegate] { self->sendURLRequest(delegate); });
            else
                failed.push_back(delegate);
        }
        // A page that has never loaded is loaded again by the next request.
        if (!webView.hasSDKCoreLoadedAtLeastOnce())
            lastWebViewRefreshTimestamp_ = 0;
        stillPending = !pendingActiveWebViewLoadDelegates_.empty();
    });
    for (auto& delegate : failed)
        tellOnMain(delegate, [](VDSDKCoreControllerDelegate& d) { d.failedJavaScriptFile(); });
    if (stillPending)
        webView.addObserverForOneTimeNotification(self);
}

void VDSDKCoreController::sendURLRequest(const DelegateReference& reference) {
    auto delegate = reference.lock();
    if (!delegate)
        return;
    const std::string requestID = std::to_string(requestID_++);
    delegate->setRequestID(requestID);
    const auto parameters = delegate->requestParameters();
    const auto argument = vd_JSONStringPrettyError(vd_JSONSafeDictionary(parameters), false);
    const char* function =
        parameters.count(mediationMarkerKey) ? "VDMA_getAdapterLessMediationAd" : "VDMA_getAd";
    auto timeout = base::RunLoop::main().dispatchAfter(answerTimeout,
                                                       [weakSelf = weak_from_this(), requestID] {
                                                           if (auto self = weakSelf.lock())
                                                               self->requestTimedOut(requestID);
                                                       });
    lockQueue_.sync([&] { pendingBuildAdURLDelegates_[requestID] = {reference, timeout}; });
    activeSDKCoreWebView_->executeJavaScriptCommand(std::string(function) + "(" +
                                                    argument.value_or("") + ");");
    // The last reference to a delegate goes on the main thread, where its owner lives.
    base::releaseOnMainThread(std::move(delegate));
}

VDSDKCoreController::DelegateReference
VDSDKCoreController::takePendingDelegate(const std::string& requestID) {
    return lockQueue_.syncResult([&]() -> DelegateReference {
        auto found = pendingBuildAdURLDelegates_.find(requestID);
        if (found == pendingBuildAdURLDelegates_.end())
            return {};
        auto pending = std::move(found->second);
        pendingBuildAdURLDelegates_.erase(found);
        if (pending.timeout)
            pending.timeout->invalidate();
        return pending.delegate;
    });
}

void VDSDKCoreController::requestTimedOut(const std::string& requestID) {
    auto delegate = takePendingDelegate(requestID);
    VDLogger::sharedInstance()->logPublicMessage("The ad server's page did not answer request " +
                                                 requestID + " in time.");
    tellOnMain(delegate, [](VDSDKCoreControllerDelegate& d) {
        d.adURLRequestDidTimeOutWithError(VDRequestError(VDRequestError::kVDErrorTimeout));
    });
}

std::vector<std::string> VDSDKCoreController::pendingBuildAdURLRequestIDs() const {
    return lockQueue_.syncResult([this] {
        std::vector<std::string> identifiers;
        for (const auto& entry : pendingBuildAdURLDelegates_)
            identifiers.push_back(entry.first);
        return identifiers;
    });
}

void VDSDKCoreController::SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(
    VDSDKCoreAMSGHandler&, const std::string& requestID,
    const base::Value::Dictionary& parameters) {
    tellOnMain(takePendingDelegate(requestID), [parameters](VDSDKCoreControllerDelegate& d) {
        d.loadAdURLWithParameters(parameters);
    });
}

void VDSDKCoreController::SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(
    VDSDKCoreAMSGHandler&, const std::string& requestID,
    const base::Value::Dictionary& parameters) {
    tellOnMain(takePendingDelegate(requestID), [parameters](VDSDKCoreControllerDelegate& d) {
        const auto dictionary = withWebURLsOnly(parameters);
        std::shared_ptr<VDAd> ad;
        switch (d.requestedAdType()) {
        case 0:
            ad = VDAd::createWithDictionary(dictionary);
            break;
        case 1:
            ad = VDBannerAd::createWithDictionary(dictionary);
            break;
        case 2:
            ad = VDInterstitialAd::createWithDictionary(dictionary);
            break;
        default:
            d.loadAdHeaders(nullptr, std::nullopt);
            return;
        }
        if (base::Value(dictionary)["is_mediation"].boolValue()) {
            ad->setResponseType(VDAd::ResponseTypeMediationJSON);
            auto headers = ad->responseHeaders().value_or(net::HTTPHeaderFields());
            headers.set("x-vdma-mediation", "1");
            headers.set("Content-Type", "application/json");
            ad->setResponseHeaders(std::move(headers));
        }
        d.loadAdHeaders(ad, ad->responseHeaders());
    });
}

void VDSDKCoreController::SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(
    VDSDKCoreAMSGHandler&, const std::string& requestID,
    const base::Value::Dictionary& parameters) {
    tellOnMain(takePendingDelegate(requestID), [parameters](VDSDKCoreControllerDelegate& d) {
        VDLogger::sharedInstance()->logPublicMessage("Invalid Request: " +
                                                     base::Value(parameters).description());
        d.invalidJavaScriptRequest();
    });
}

// The server's constants, in this order (values are the page's strings):
//   "mraid_banner_path", "mraid_interstitial_path", "mraid_expanded_banner_path"
//       the rich-media script paths of the interceptor;
//   "active_view_unload_cache_size"  a whole number 1 to 10: the unload cache's size;
//   "use_new_web_views_for_active_view"  a boolean (absent: false);
//   "mraid_disable_redirect"         "1" disallows the interceptor, anything else allows it;
//   "refresh_intervals"              JSON of a dictionary whose "active_view_sampling_interval"
//                                    and "swipe_to_view_sampling_interval" (numbers, or text of
//                                    a number, 0.05 to 60 s) set the two sampling intervals;
//   "clickthrough_confirm_schemes"   JSON of a dictionary of scheme to button title: its
//                                    string-to-string entries, when there is one, stored under
//                                    "/redodi/ads/clickthrough_confirm_schemes";
//   storedStringConstants            each stored as "/redodi/ads/<key>" when not empty;
//   "adapter_class_names"            JSON of an array of class names: the mediation adapters.
// A value outside its form or range changes nothing.
void VDSDKCoreController::SDKCoreAMSGHandlerDidLoadSDKConstants(
    VDSDKCoreAMSGHandler&, const base::Value::Dictionary& dictionary) {
    const base::Value constants(dictionary);
    auto self = shared_from_this();

    auto path = [&](const char* key) -> std::optional<std::string> {
        const std::string* text = constants[key].string();
        return text ? std::optional<std::string>(*text) : std::nullopt;
    };
    if (auto banner = path("mraid_banner_path"))
        VDMRAIDInterceptor::setBannerImplementationPath(*banner);
    if (auto interstitial = path("mraid_interstitial_path"))
        VDMRAIDInterceptor::setInterstitialImplementationPath(*interstitial);
    if (auto expanded = path("mraid_expanded_banner_path"))
        VDMRAIDInterceptor::setExpandedBannerImplementationPath(*expanded);

    if (auto size = vd_numberFromValue(constants["active_view_unload_cache_size"])) {
        if (*size >= 1 && *size <= double(maximumActiveViewUnloadCacheSize) &&
            *size == std::floor(*size)) {
            lockQueue_.async([self, size = std::uint64_t(*size)] {
                self->activeViewUnloadCacheMaxSize_ = size;
            });
        }
    }
    const bool useNewWebViews = constants["use_new_web_views_for_active_view"].boolValue();
    lockQueue_.async(
        [self, useNewWebViews] { self->useNewWebViewsForActiveViewProcessing_ = useNewWebViews; });

    if (const std::string* redirect = constants["mraid_disable_redirect"].string();
        redirect && *redirect == "1")
        VDMRAIDInterceptor::disallow();
    else
        VDMRAIDInterceptor::allow();

    if (auto intervals = decodedJSONText(constants["refresh_intervals"]);
        intervals && intervals->dictionary()) {
        auto interval = [&](const char* key) -> std::optional<double> {
            auto seconds = vd_numberFromValue((*intervals)[key]);
            if (!seconds || *seconds < minimumSamplingInterval ||
                *seconds > maximumSamplingInterval)
                return std::nullopt;
            return seconds;
        };
        if (auto seconds = interval("active_view_sampling_interval"))
            setActiveViewSamplingInterval(*seconds);
        if (auto seconds = interval("swipe_to_view_sampling_interval"))
            setSwipeToViewSamplingInterval(*seconds);
    }

    auto defaults = base::UserDefaults::standard();
    if (auto schemes = decodedJSONText(constants["clickthrough_confirm_schemes"]);
        schemes && schemes->dictionary()) {
        base::Value::Dictionary titles;
        for (const auto& [scheme, title] : *schemes->dictionary())
            if (title.string())
                titles.emplace(scheme, title);
        if (!titles.empty())
            defaults->setObject(clickthroughConfirmSchemesKey, base::Value(std::move(titles)));
    }

    for (const char* key : storedStringConstants) {
        const std::string* text = constants[key].string();
        if (text && !text->empty())
            defaults->setObject(std::string(userDefaultsKeyPrefix) + key, base::Value(*text));
    }
    // The tokeniser's character classes follow the ranges just stored.
    VDCharacterSets::sharedInstance()->updateCharacterSets();

    if (auto names = decodedJSONText(constants["adapter_class_names"]); names && names->array()) {
        std::vector<std::string> adapterNames;
        for (const auto& name : *names->array())
            if (const std::string* text = name.string())
                adapterNames.push_back(*text);
        VDApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(
            adapterNames);
    }

    lockQueue_.async([self] { self->SDKConstantsNeedReload_ = false; });
}

void VDSDKCoreController::SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(
    VDSDKCoreAMSGHandler&) {
    lockQueue_.async([self = shared_from_this()] { self->SDKCoreUpdateHandled_ = false; });
}

std::shared_ptr<VDSDKCoreWebView> VDSDKCoreController::SDKCoreWebViewForActiveViewProcessing() {
    base::assertMainThread();
    removeFinishedActiveViewWebViews();
    bool freshEveryTime = false;
    std::shared_ptr<VDSDKCoreWebView> shared;
    lockQueue_.sync([&] {
        freshEveryTime = useNewWebViewsForActiveViewProcessing_;
        if (freshEveryTime)
            return;
        if (SDKCoreUpdateHandled_ && activeViewSDKCoreWebView_)
            shared = activeViewSDKCoreWebView_;
        SDKCoreUpdateHandled_ = true;
    });
    if (shared)
        return shared;
    // Web views are made on the main thread, outside the lock queue.
    auto webView = VDSDKCoreWebView::create();
    webView->refreshSDKCoreAndNotifyObserver(nullptr);
    if (!freshEveryTime) {
        // The web view it replaces is let go here, on the main thread.
        auto replaced = lockQueue_.syncResult(
            [&] { return std::exchange(activeViewSDKCoreWebView_, webView); });
    }
    return webView;
}

void VDSDKCoreController::finishedUsingSDKCoreWebViewForActiveViewProcessing(
    const std::shared_ptr<VDSDKCoreWebView>& webView) {
    if (webView && webView->isActiveViewRunning())
        cacheRunningActiveViewWebView(webView);
}

void VDSDKCoreController::cacheRunningActiveViewWebView(
    const std::shared_ptr<VDSDKCoreWebView>& webView) {
    lockQueue_.sync([&] {
        auto& cache = activeViewSDKCoreWebViews_;
        if (std::find(cache.begin(), cache.end(), webView) == cache.end())
            cache.push_back(webView);
    });
    removeFinishedActiveViewWebViews();
}

void VDSDKCoreController::removeFinishedActiveViewWebViews() {
    std::vector<std::shared_ptr<VDSDKCoreWebView>> dropped;
    lockQueue_.sync([&] {
        std::vector<std::shared_ptr<VDSDKCoreWebView>> kept;
        auto& cache = activeViewSDKCoreWebViews_;
        for (auto webView = cache.rbegin(); webView != cache.rend(); ++webView) {
            if ((*webView)->isActiveViewRunning() && kept.size() < activeViewUnloadCacheMaxSize_)
                kept.push_back(*webView);
            else
                dropped.push_back(*webView);
        }
        std::reverse(kept.begin(), kept.end());
        cache = std::move(kept);
    });
    for (const auto& webView : dropped)
        webView->removeAllActiveViewObservers();
}

std::vector<std::shared_ptr<VDSDKCoreWebView>>
VDSDKCoreController::activeViewSDKCoreWebViews() const {
    return lockQueue_.syncResult([this] { return activeViewSDKCoreWebViews_; });
}

double VDSDKCoreController::activeViewSamplingInterval() const {
    return lockQueue_.syncResult([this] { return activeViewSamplingInterval_; });
}

void VDSDKCoreController::setActiveViewSamplingInterval(double seconds) {
    lockQueue_.async(
        [self = shared_from_this(), seconds] { self->activeViewSamplingInterval_ = seconds; });
}

double VDSDKCoreController::swipeToViewSamplingInterval() const {
    return lockQueue_.syncResult([this] { return swipeToViewSamplingInterval_; });
}

void VDSDKCoreController::setSwipeToViewSamplingInterval(double seconds) {
    lockQueue_.async(
        [self = shared_from_this(), seconds] { self->swipeToViewSamplingInterval_ = seconds; });
}

std::uint64_t VDSDKCoreController::activeViewUnloadCacheMaxSize() const {
    return lockQueue_.syncResult([this] { return activeViewUnloadCacheMaxSize_; });
}

bool VDSDKCoreController::useNewWebViewsForActiveViewProcessing() const {
    return lockQueue_.syncResult([this] { return useNewWebViewsForActiveViewProcessing_; });
}

bool VDSDKCoreController::SDKConstantsNeedReload() const {
    return lockQueue_.syncResult([this] { return SDKConstantsNeedReload_; });
}

std::uint64_t VDSDKCoreController::lastWebViewRefreshTimestamp() const {
    return lockQueue_.syncResult([this] { return lastWebViewRefreshTimestamp_; });
}
