#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/request/VDSDKCoreControllerDelegate.h"
#include "ads/request/VDSlot.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/Screen.h"

#include <cstdio>
#include <mutex>

// One URL request of a slot to the SDK-core controller. The controller holds it weakly and the
// slot strongly while it is the slot's request in progress; the page's answers reach the slot
// only then, so an answer for a request the slot dropped (pre-empted, cancelled, invalidated)
// reaches nobody.
class VDSlot::URLRequester : public VDSDKCoreControllerDelegate {
public:
    explicit URLRequester(std::weak_ptr<VDSlot> slot)
        : slot_(std::move(slot)) {}

    std::optional<std::string> requestID() const {
        std::lock_guard lock(mutex_);
        return requestID_;
    }

    // On the controller's URL queue.
    void setRequestID(const std::string& requestID) override {
        std::lock_guard lock(mutex_);
        requestID_ = requestID;
    }
    base::Value::Dictionary requestParameters() override {
        // The slot, its owner's views and the shared statistics are the main thread's; the slot
        // is also let go there.
        base::Value::Dictionary parameters;
        VDRunSyncOnMainThread([&] {
            if (auto slot = slot_.lock())
                parameters = slot->requestParameters();
        });
        return parameters;
    }

    // On the main thread.
    long requestedAdType() override {
        auto slot = slot_.lock();
        return slot ? slot->requestedAdType() : 0;
    }
    void loadAdURLWithParameters(const base::Value::Dictionary& parameters) override {
        if (auto slot = current())
            slot->loadAdURLWithParameters(parameters);
    }
    void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                       const std::optional<net::HTTPHeaderFields>& headers) override {
        if (auto slot = current())
            slot->loadAdHeaders(ad, headers);
    }
    void invalidJavaScriptRequest() override {
        if (auto slot = current())
            slot->invalidJavaScriptRequest();
    }
    void failedJavaScriptFile() override {
        if (auto slot = current())
            slot->failedJavaScriptFile();
    }
    void adURLRequestDidTimeOutWithError(const base::Error& error) override {
        if (auto slot = current())
            slot->adURLRequestDidTimeOutWithError(error);
    }

private:
    std::shared_ptr<VDSlot> current() const {
        auto slot = slot_.lock();
        return slot && slot->isCurrentRequester(this) ? slot : nullptr;
    }

    std::weak_ptr<VDSlot> slot_;
    mutable std::mutex mutex_;
    std::optional<std::string> requestID_;
};

void VDSlot::startURLRequest() {
    requester_ = std::make_shared<URLRequester>(weak_from_this());
    VDSDKCoreController::sharedInstance()->buildAdURL(requester_);
}

bool VDSlot::isCurrentRequester(const URLRequester* requester) const {
    return requester_.get() == requester && state_ != StateInvalidated;
}

std::optional<std::string> VDSlot::requestID() const {
    return requester_ ? requester_->requestID() : std::nullopt;
}

void VDSlot::setRequestID(const std::string& requestID) {
    if (requester_)
        requester_->setRequestID(requestID);
}

long VDSlot::requestedAdType() const {
    auto delegate = slotDelegate();
    if (delegate && dynamic_cast<VDBannerView*>(delegate.get()))
        return 1;
    if (!interstitial_.expired())
        return 2;
    return 0;
}

std::string VDSlot::multipleAdSizeParameterFromSizes(const std::vector<VDAdSize>& sizes) {
    std::string text;
    for (const auto& size : sizes) {
        if (size == kVDAdSizeInvalid)
            continue;
        const ui::Size laidOut = VDCGSizeFromAdSize(size);
        char piece[64];
        std::snprintf(piece, sizeof piece, "%lux%lu",
                      static_cast<unsigned long>(laidOut.width > 0 ? laidOut.width : 0),
                      static_cast<unsigned long>(laidOut.height > 0 ? laidOut.height : 0));
        if (!text.empty())
            text += "|";
        text += piece;
    }
    return text;
}

base::Value::Dictionary VDSlot::requestParameters() {
    base::assertMainThread();
    base::Value::Dictionary parameters =
        request_ ? request_->parameters() : base::Value::Dictionary();
    auto application = VDApplication::sharedInstance();

    base::Value::Dictionary signals;
    if (!applicationStatistics_.empty())
        signals["app"] = base::Value(applicationStatistics_);
    if (auto slots = application->slotStatisticsDictionary(); !slots.empty())
        signals["slots"] = base::Value(std::move(slots));
    if (request_ && request_->privateMediationExtras() &&
        !request_->privateMediationExtras()->empty())
        signals["request"] = base::Value(*request_->privateMediationExtras());
    auto pending = application->pendingAdStatistics();
    if (!pending.empty()) {
        base::Value::Array ads;
        for (const auto& statistics : pending)
            ads.push_back(base::Value(statistics->dictionary()));
        signals["ads"] = base::Value(std::move(ads));
        // Kept, so that a failure before the URL is fetched can give them back.
        pendingAdStatistics_.insert(pending.begin(), pending.end());
    }
    if (!signals.empty())
        parameters["quality_signals"] = base::Value(std::move(signals));

    if (adUnitID_ && !adUnitID_->empty())
        parameters["slotname"] = base::Value(*adUnitID_);

    auto delegate = slotDelegate();
    if (!adType_.isInterstitial()) {
        if (auto sizes = delegate ? delegate->validAdSizes() : std::nullopt) {
            if (auto text = multipleAdSizeParameterFromSizes(*sizes); !text.empty())
                parameters["sz"] = base::Value(text);
        }
        const ui::Rect viewFrame = adView_ ? adView_->frame() : ui::Rect();
        const ui::Rect viewBounds = adView_ ? adView_->bounds() : ui::Rect();
        const auto frame = delegate ? delegate->slotOwnerFrame() : std::nullopt;
        const auto bounds = delegate ? delegate->slotOwnerBounds() : std::nullopt;
        parameters["ad_frame"] =
            base::Value(VDCompactDictionaryFromCGRect(frame.value_or(viewFrame)));
        parameters["ad_bounds"] =
            base::Value(VDCompactDictionaryFromCGRect(bounds.value_or(viewBounds)));
    } else {
        parameters["format"] = base::Value("interstitial_mb");
    }
    if (VDAdSizeIsFullWidth(adType_.adSize())) {
        parameters["smart_w"] = base::Value("full");
        if (VDAdSizeIsAutoHeight(adType_.adSize()))
            parameters["smart_h"] = base::Value("auto");
    }
    if (auto identifier = requestID())
        parameters["request_id"] = base::Value(*identifier);
    if (delegate)
        if (auto position = delegate->coordinatesOfContentInScreen(ui::Screen::mainScreen()))
            parameters["ad_pos"] = base::Value(std::move(*position));
    if (auto fingerprint = application->fingerprintWithServedPenaltyDeduction())
        parameters["content_info"] = base::Value(base::Value::Dictionary{
            {"fingerprint", base::Value(std::move(*fingerprint))}, {"v", base::Value(1)}});
    if (calledLoadAndDisplayRequest_) {
        parameters["cladr"] = base::Value("1");
        calledLoadAndDisplayRequest_ = false;
    }
    if (manualImpressionsEnabled_)
        parameters["d_imp_hdr"] = base::Value("1");
    if (inAppPurchaseDelegate())
        parameters["iap_set"] = base::Value("1");
    const base::Value useHTTPS = base::UserDefaults::standard()->objectForKey(useHTTPSKey);
    if (useHTTPS.isNull() || useHTTPS.boolValue())
        parameters["force_https"] = base::Value("1");
    auto settings = VDAdSettingsParameters::sharedInstance();
    settings->updateClientID();
    if (auto clientID = settings->clientID())
        parameters["ga_cid"] = base::Value(std::move(*clientID));
    if (auto hitID = VDAdSettingsParameters::currentHitID())
        parameters["ga_hid"] = base::Value(std::move(*hitID));
    return parameters;
}

void VDSlot::loadAdURLWithParameters(const base::Value::Dictionary& parameters) {
    auto self = shared_from_this();
    didReceiveAdURL();
    const base::Value answer(parameters);
    if (parameters.count("errors")) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorInvalidRequest, request_.get()), false);
        return;
    }
    auto statistics = VDApplication::sharedInstance()->statistics();
    const auto scenario = answer["request_scenario"].stringValue().value_or("");
    auto lastOfflineSequenceNumber = [&] {
        statistics->setObjectForKeyShouldNotifyDelegate(statistics->objectForKey("seq_num"), "losn",
                                                        false);
    };
    if (scenario == "offline_empty") {
        statistics->incrementNumberForKeyShouldNotifyDelegate("oar", false);
        lastOfflineSequenceNumber();
    } else if (scenario == "offline_buffer") {
        statistics->incrementNumberForKeyShouldNotifyDelegate("bas_off", false);
        statistics->incrementNumberForKeyShouldNotifyDelegate("oar", false);
        lastOfflineSequenceNumber();
    } else if (scenario == "online_buffer") {
        statistics->incrementNumberForKeyShouldNotifyDelegate("bas_on", false);
    }
    if (answer["enable_auto_click_protection"].stringValue() == "1")
        opener_->setAutoClickProtected(true);

    const auto text = answer["url"].stringValue();
    auto url = text ? base::URL::parse(*text) : std::nullopt;
    if (!url || (url->scheme() != "http" && url->scheme() != "https")) {
        // Only the web serves ads.
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorReceivedInvalidResponse, request_.get()), false);
        return;
    }
    auto ad = VDAd::create();
    ad->setAdURL(std::move(url));
    loadAdHeaders(ad, std::nullopt);
}

void VDSlot::invalidJavaScriptRequest() {
    didFailToReceiveAdWithErrorShouldCancelPendingActions(
        VDRequestError(VDRequestError::kVDErrorInvalidRequest, request_.get()), false);
}

void VDSlot::failedJavaScriptFile() {
    didFailToRetrieveSDKCoreWithError(VDRequestError(VDRequestError::kVDErrorNetworkError));
}

void VDSlot::adURLRequestDidTimeOutWithError(const base::Error& error) {
    didFailToReceiveAdWithErrorShouldCancelPendingActions(error, false);
}
