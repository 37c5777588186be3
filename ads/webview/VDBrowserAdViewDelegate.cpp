#include "ads/webview/VDBrowserAdViewDelegate.h"

#include "ads/webview/VDAdAppAdViewDelegate.h"
#include "platform/base/Strings.h"

VDBrowserAdViewDelegate::VDBrowserAdViewDelegate(
    std::shared_ptr<VDStatisticDictionary> clickedAdStatistics)
    : statistics_(std::move(clickedAdStatistics)) {}

bool VDBrowserAdViewDelegate::adViewShouldStartLoadWithRequestNavigationType(
    const net::URLRequest& request, ui::WebViewNavigationType type) {
    const bool byUser = type == ui::WebViewNavigationType::LinkClicked ||
                        type == ui::WebViewNavigationType::FormSubmitted;
    if (statistics_ && byUser && request.url()) {
        const auto& scheme = request.url()->scheme();
        if (base::equalsIgnoringASCIICase(scheme, "http"))
            statistics_->incrementNumberForKeyShouldNotifyDelegate("plpnc", true);
        else if (base::equalsIgnoringASCIICase(scheme, "https"))
            statistics_->incrementNumberForKeyShouldNotifyDelegate("plpsnc", true);
    }
    return true;
}

void VDBrowserAdViewDelegate::adViewDidStartLoad() {
    if (statistics_)
        VDAdAppAdViewDelegate::recordLandingPageLoadStart(*statistics_);
}

void VDBrowserAdViewDelegate::adViewDidFinishLoad() {
    if (statistics_)
        VDAdAppAdViewDelegate::recordLandingPageLoadEnd(*statistics_);
}

bool VDBrowserAdViewDelegate::adViewShouldStartLoadWithRequestNavigationType(
    VDAdView&, const net::URLRequest& request, ui::WebViewNavigationType type) {
    return adViewShouldStartLoadWithRequestNavigationType(request, type);
}

void VDBrowserAdViewDelegate::adViewDidStartLoad(VDAdView&) {
    adViewDidStartLoad();
}

void VDBrowserAdViewDelegate::adViewDidFinishLoad(VDAdView&) {
    adViewDidFinishLoad();
}

bool VDBrowserAdViewDelegate::webViewShouldStartLoadWithRequestNavigationType(
    ui::WebView&, const net::URLRequest& request, ui::WebViewNavigationType type) {
    return adViewShouldStartLoadWithRequestNavigationType(request, type);
}

void VDBrowserAdViewDelegate::webViewDidStartLoad(ui::WebView&) {
    adViewDidStartLoad();
}

void VDBrowserAdViewDelegate::webViewDidFinishLoad(ui::WebView&) {
    adViewDidFinishLoad();
}
