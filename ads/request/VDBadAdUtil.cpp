#include "ads/request/VDBadAdUtil.h"

#include "ads/foundation/VDURLRequestUtilities.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/JSON.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDBadAdUtil> VDBadAdUtil::create() {
    return std::make_shared<VDBadAdUtil>(Private{});
}

base::URL VDBadAdUtil::reportURL() {
    // The core page's URL is always absolute http(s), so the path resolves against its host.
    return VDSDKCoreWebView::SDKCoreURL().resolve(reportPath).value();
}

bool VDBadAdUtil::reportBadAd(const base::Value::Dictionary& report) {
    base::assertMainThread();
    if (self_)
        return false;
    auto body = base::toJSON(base::Value(report));
    if (!body)
        return false;
    const std::string text = body.valueOr("");
    auto request = vd_requestForURLDataHeadersType(
        reportURL(), base::Data(text.data(), text.size()), std::nullopt, "application/json");
    if (!request || !connection_->startWithRequestURL(*request, shared_from_this()))
        return false;
    self_ = shared_from_this();
    return true;
}

void VDBadAdUtil::finish() {
    // Let go after this turn: the connection is still telling us.
    base::releaseOnMainThread(std::move(self_));
}

std::optional<base::Error> VDBadAdUtil::connectionShouldRedirectToURL(VDURLConnection&,
                                                                      const base::URL&) {
    return std::nullopt;
}

void VDBadAdUtil::connectionLoadDidReceiveRedirectResponse(VDURLConnection&,
                                                           const net::HTTPURLResponse&) {}

bool VDBadAdUtil::connectionLoadShouldUseCachedResponse(VDURLConnection&,
                                                        const net::HTTPURLResponse&) {
    return false;
}

void VDBadAdUtil::connectionLoadDidReceiveCachedResponse(VDURLConnection&,
                                                         const net::HTTPURLResponse&) {}

void VDBadAdUtil::connectionLoadDidFinishBaseURL(VDURLConnection&,
                                                 const std::optional<std::string>&,
                                                 const std::optional<base::URL>&) {
    finish();
}

void VDBadAdUtil::connectionLoadDidFailHTTPStatusCode(VDURLConnection&,
                                                      const std::optional<base::Error>&, long) {
    finish();
}
