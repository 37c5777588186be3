#include "ads/webview/VDAdAppAdViewDelegate.h"

#include "ads/foundation/VDAbsoluteTime.h"

namespace {

base::Value now() {
    return base::Value(
        static_cast<unsigned long long>(VDAbsoluteTime::absoluteTimeInMilliseconds()));
}

} // namespace

VDAdAppAdViewDelegate::VDAdAppAdViewDelegate(
    std::shared_ptr<VDStatisticDictionary> clickedAdStatistics)
    : statistics_(std::move(clickedAdStatistics)) {}

void VDAdAppAdViewDelegate::adViewDidStartLoad() {
    if (statistics_)
        recordLandingPageLoadStart(*statistics_);
}

void VDAdAppAdViewDelegate::adViewDidFinishLoad() {
    if (statistics_)
        recordLandingPageLoadEnd(*statistics_);
}

void VDAdAppAdViewDelegate::adViewDidStartLoad(VDAdView&) {
    adViewDidStartLoad();
}

void VDAdAppAdViewDelegate::adViewDidFinishLoad(VDAdView&) {
    adViewDidFinishLoad();
}

void VDAdAppAdViewDelegate::webViewDidStartLoad(ui::WebView&) {
    adViewDidStartLoad();
}

void VDAdAppAdViewDelegate::webViewDidFinishLoad(ui::WebView&) {
    adViewDidFinishLoad();
}

void VDAdAppAdViewDelegate::recordLandingPageLoadStart(VDStatisticDictionary& statistics) {
    // Set on the main thread only, so nothing can set it between the look and the write.
    if (statistics.objectForKey("tlanding_page_load_start").isNull())
        statistics.setObjectForKeyShouldNotifyDelegate(now(), "tlanding_page_load_start", true);
}

void VDAdAppAdViewDelegate::recordLandingPageLoadEnd(VDStatisticDictionary& statistics) {
    statistics.setObjectForKeyShouldNotifyDelegate(now(), "tlanding_page_load_end", true);
}
