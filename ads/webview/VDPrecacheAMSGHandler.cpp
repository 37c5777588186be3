#include "ads/webview/VDPrecacheAMSGHandler.h"

#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDNotificationCenter.h"
#include "platform/base/AppHome.h"
#include "platform/base/Hashing.h"
#include "platform/net/URLConnection.h"

const VDAMSGHandler::ActionBlockDictionary& VDPrecacheAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {precacheMessage,
         VDAMSGHandlerBlock<VDPrecacheAMSGHandler,
                            &VDPrecacheAMSGHandler::didReceivePrecacheNotification>()},
    };
    return actions;
}

std::optional<std::string> VDPrecacheAMSGHandler::safeFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
        return std::nullopt;
    return std::string(name);
}

std::filesystem::path VDPrecacheAMSGHandler::precachePathForFileName(const std::string& name) {
    return VDDevice::sharedInstance()->temporaryPathWithCreation(true) / name;
}

void VDPrecacheAMSGHandler::didReceivePrecacheNotification(const VDNotification& note) {
    auto url = VDAMSGParameters::webURL(note, "u");
    auto given = VDAMSGParameters::string(note, "n");
    std::optional<std::string> name;
    if (given)
        name = safeFileName(*given);
    else if (url)
        name = base::md5Hex(url->absoluteString());
    auto request =
        url ? vd_requestForURLDataHeadersType(url, std::nullopt, std::nullopt, std::nullopt)
            : std::nullopt;
    if (!name || !request) {
        if (given)
            tellCreative(*given, false);
        return;
    }
    const std::filesystem::path path = precachePathForFileName(*name);
    net::URLConnection::sendAsynchronousRequest(
        std::move(*request), [weakSelf = weak_from_this(), path, name = *name](
                                 const std::optional<net::HTTPURLResponse>& response,
                                 const base::Data& data, const std::optional<base::Error>& error) {
            const bool fetched = !error && response && response->statusCode() / 100 == 2;
            const bool written = fetched && base::writeFileAtomically(path, data).ok();
            if (auto self = weakSelf.lock())
                self->tellCreative(name, written);
        });
}

void VDPrecacheAMSGHandler::tellCreative(const std::string& name, bool success) {
    if (auto adView = adView_.lock())
        VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
            completeNotification, *adView,
            {{"name", base::Value(name)}, {"success", base::Value(success ? "1" : "0")}});
}
