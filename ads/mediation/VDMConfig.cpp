#include "ads/mediation/VDMConfig.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Text, or a number's text (identifiers come either way); nullopt for other kinds.
std::optional<std::string> identifierText(const base::Value& value) {
    if (value.isString() || (value.isNumber() && !value.isBool()))
        return value.stringValue();
    return std::nullopt;
}

std::string text(const base::Value& value) {
    const auto* string = value.string();
    return string ? *string : std::string();
}

// A finite number (not a boolean), or nullopt.
std::optional<double> finiteNumber(const base::Value& value) {
    if (!value.isNumber() || value.isBool())
        return std::nullopt;
    const double number = value.doubleValue();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

std::optional<double> side(std::string_view digits) {
    unsigned value = 0;
    const auto* end = digits.data() + digits.size();
    auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end || value < 1 ||
        value > VDMConfig::maximumAdSide)
        return std::nullopt;
    return double(value);
}

// "WxH" with whole sides in range.
std::optional<ui::Size> adSizeFromText(std::string_view text) {
    const auto cross = text.find('x');
    if (cross == std::string_view::npos)
        return std::nullopt;
    auto width = side(text.substr(0, cross));
    auto height = side(text.substr(cross + 1));
    if (!width || !height)
        return std::nullopt;
    return ui::Size(*width, *height);
}

bool usableTemplate(const base::Value& value) {
    const auto* string = value.string();
    return string && !string->empty() && string->size() <= VDMConfig::maximumTemplateLength;
}

std::optional<VDMAdNetworkConfig> networkWithValue(const base::Value& value) {
    const auto* adapter = value["adapter"].string();
    if (!adapter || adapter->empty())
        return std::nullopt;
    VDMAdNetworkConfig network;
    network.adapterClassName = *adapter;
    network.networkID = identifierText(value["network_id"]).value_or("");
    network.allocationID = identifierText(value["allocation_id"]).value_or("");
    if (const auto* parameters = value["parameters"].dictionary())
        network.parameters = *parameters;
    const double timeout =
        finiteNumber(value["timeout"]).value_or(VDMConfig::defaultNetworkTimeout);
    network.timeout = base::Seconds(
        std::clamp(timeout, VDMConfig::minimumNetworkTimeout, VDMConfig::maximumNetworkTimeout));
    if (const auto* templates = value["ping_urls"].array()) {
        for (const auto& entry : *templates) {
            if (network.pingTemplates.size() == VDMConfig::maximumPingTemplateCount)
                break;
            if (usableTemplate(entry))
                network.pingTemplates.push_back(*entry.string());
        }
    }
    return network;
}

} // namespace

std::optional<VDMConfig> VDMConfig::configurationWithJSONValue(const base::Value& value,
                                                               std::optional<std::string> adUnitID,
                                                               Problem* problem) {
    auto refuse = [&](Problem why) -> std::optional<VDMConfig> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (problem)
        *problem = Problem::None;
    if (!value.dictionary())
        return refuse(Problem::NotADictionary);
    const auto* networks = value["ad_networks"].array();
    if (!networks)
        return refuse(Problem::NoNetworkList);

    VDMConfig configuration;
    configuration.adUnitID = std::move(adUnitID);
    if (const auto& format = value["format"]; !format.isNull()) {
        const auto* name = format.string();
        if (name && *name == "banner")
            configuration.format = Format::Banner;
        else if (name && *name == "interstitial")
            configuration.format = Format::Interstitial;
        else
            return refuse(Problem::BadFormat);
    }
    if (const auto& size = value["ad_size"]; !size.isNull()) {
        const auto* sizeText = size.string();
        configuration.adSize = sizeText ? adSizeFromText(*sizeText) : std::nullopt;
        if (!configuration.adSize)
            return refuse(Problem::BadAdSize);
    }
    if (auto refresh = finiteNumber(value["refresh"]))
        configuration.refreshInterval = std::min(*refresh, maximumRefreshInterval);
    configuration.qData = text(value["qdata"]);
    configuration.appKey = text(value["app_key"]);
    if (usableTemplate(value["ping_url"]))
        configuration.defaultPingTemplate = *value["ping_url"].string();
    for (const auto& entry : *networks) {
        if (configuration.networks.size() == maximumNetworkCount)
            break;
        if (auto network = networkWithValue(entry))
            configuration.networks.push_back(std::move(*network));
    }
    return configuration;
}
