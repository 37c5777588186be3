#include "ads/presentation/VDInAppPurchase.h"

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDKeywordTemplates.h"
#include "ads/foundation/VDSession.h"
#include "ads/foundation/VDURLStrings.h"
#include "platform/base/Bundle.h"

std::shared_ptr<VDInAppPurchase>
VDInAppPurchase::create(std::string productID, std::int64_t quantity,
                        std::vector<std::string> reportURLTemplates, std::string SDKVersion,
                        Pinger pinger) {
    return std::make_shared<VDInAppPurchase>(Private{}, std::move(productID), quantity,
                                             std::move(reportURLTemplates), std::move(SDKVersion),
                                             std::move(pinger));
}

VDInAppPurchase::VDInAppPurchase(Private, std::string productID, std::int64_t quantity,
                                 std::vector<std::string> reportURLTemplates,
                                 std::string SDKVersion, Pinger pinger)
    : productID_(std::move(productID))
    , quantity_(quantity)
    , reportURLTemplates_(std::move(reportURLTemplates))
    , SDKVersion_(std::move(SDKVersion))
    , pinger_(std::move(pinger)) {}

std::string VDInAppPurchase::expandedURLStringForURLStringFormat(std::string_view format,
                                                                 long status) const {
    auto application = VDApplication::sharedInstance();
    const auto& bundle = base::Bundle::main();
    const auto session = application->currentSession();
    const auto& shortVersion = bundle.objectForInfoDictionaryKey(base::Bundle::shortVersionKey);
    const auto& version = bundle.objectForInfoDictionaryKey(base::Bundle::versionKey);
    const std::vector<std::pair<std::string, std::string>> values = {
        {"sku", productID_},
        {"quantity", std::to_string(quantity_)},
        {"status", std::to_string(status)},
        {"sessionid", session ? session->uniqueID() : std::string()},
        {"appid", bundle.bundleIdentifier()},
        {"appversion", shortVersion.stringValue().value_or(version.stringValue().value_or(""))},
        {"osversion", VDDevice::sharedInstance()->systemVersion()},
        {"sdkversion", SDKVersion_},
        {"timestamp", std::to_string(application->timeSinceFirstAdRequestInMilliseconds())},
    };
    std::vector<std::pair<std::string, std::string>> escaped;
    escaped.reserve(values.size());
    for (const auto& [keyword, value] : values)
        escaped.emplace_back(keyword, vd_stringByEscapingAsURLParameter(value));
    return vd_expandAtQuotedTemplate(format, escaped);
}

void VDInAppPurchase::reportPurchaseStatus(long status) {
    if (reported_)
        return;
    reported_ = true;
    std::vector<base::URL> urls;
    for (const auto& format : reportURLTemplates_) {
        auto url = base::URL::parse(expandedURLStringForURLStringFormat(format, status));
        if (url && (url->scheme() == "http" || url->scheme() == "https"))
            urls.push_back(std::move(*url));
    }
    if (pinger_ && !urls.empty())
        pinger_(urls);
}
