#include "ads/request/VDAd.h"

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "platform/base/Log.h"

#include <algorithm>
#include <cmath>

namespace {

void addUnique(VDAd::URLSet& set, const base::URL& url) {
    if (std::find(set.begin(), set.end(), url) == set.end())
        set.push_back(url);
}

void addURLStrings(VDAd::URLSet& set, const base::Value& strings) {
    const auto* array = strings.array();
    if (!array)
        return;
    for (const auto& entry : *array) {
        const std::string* text = entry.string();
        if (!text)
            continue;
        if (auto url = base::URL::parse(*text))
            addUnique(set, *url);
    }
}

std::optional<base::URL> urlOf(const base::Value& value) {
    const std::string* text = value.string();
    return text ? base::URL::parse(*text) : std::nullopt;
}

} // namespace

std::shared_ptr<VDAd> VDAd::create() {
    return std::make_shared<VDAd>(Private{});
}

std::shared_ptr<VDAd> VDAd::createWithDictionary(const base::Value::Dictionary& dictionary) {
    auto ad = create();
    ad->readDictionary(dictionary);
    return ad;
}

VDAd::VDAd(Private)
    : statistics_(VDStatisticDictionary::createWithDelegate(VDApplication::sharedInstance())) {}

VDAd::~VDAd() = default;

void VDAd::addClickURLsFromArray(const std::vector<base::URL>& urls) {
    for (const auto& url : urls)
        addUnique(clickURLs_, url);
}

void VDAd::addImpressionURLsFromArray(const std::vector<base::URL>& urls) {
    for (const auto& url : urls)
        addUnique(impressionURLs_, url);
}

void VDAd::addManualImpressionURLsFromArray(const std::vector<base::URL>& urls) {
    for (const auto& url : urls)
        addUnique(manualImpressionURLs_, url);
}

void VDAd::setReloadIntervalFromServer(double seconds) {
    // Not-a-number fails the comparison too.
    if (!(seconds <= maximumReloadInterval) || !std::isfinite(seconds)) {
        base::log("Ignoring the refresh interval " + std::to_string(seconds) +
                  " s from the server: it must be at most a day");
        return;
    }
    reloadInterval_ = seconds;
}

void VDAd::readDictionary(const base::Value::Dictionary& dictionary) {
    const base::Value all(dictionary);

    const std::string* html = all["ad_html"].string();
    auto baseURL = urlOf(all["ad_base_url"]);
    if (html && !html->empty() && baseURL) {
        adHTML_ = *html;
        adBaseURL_ = std::move(baseURL);
    } else {
        adURL_ = urlOf(all["ad_url"]);
    }

    const std::string* size = all["ad_size"].string();
    size_ = VDAdSizeFromCGSize(size ? VDCGSizeFromServerAdSizeString(*size) : ui::Size());

    if (const std::string* orientation = all["orientation"].string()) {
        if (auto mask = VDInterfaceOrientationMaskFromString(*orientation))
            supportedOrientations_ = mask;
    }

    if (all["ad_is_javascript"].isNumber()) {
        hasAdNetworkJavaScript_ = all["ad_is_javascript"].boolValue();
        if (hasAdNetworkJavaScript_)
            adNetworkPassbackURL_ = urlOf(all["ad_passback_url"]);
    }

    if (const std::string* dialog = all["debug_dialog"].string())
        debugDialog_ = *dialog;
    if (const auto* activeView = all["active_view"].dictionary())
        activeViewConfigurations_ = *activeView;
    if (const auto* swipe = all["swipe_to_viewcontroller"].dictionary(); swipe && !swipe->empty())
        swipeToViewControllerConfigurations_ =
            VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(*swipe);

    addURLStrings(clickURLs_, all["click_urls"]);
    addURLStrings(impressionURLs_, all["impression_urls"]);
    addURLStrings(manualImpressionURLs_, all["manual_impression_urls"]);
}
