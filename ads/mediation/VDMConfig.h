#pragma once

#include "ads/mediation/VDMAdNetworkConfig.h"
#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A mediation configuration: the JSON body of a mediation response, read into bounded values.
// Every key is optional unless said otherwise; a value of the wrong kind counts as absent.
//
//   {
//     "format": "banner" | "interstitial"   the kind of ad the networks are asked for; when
//                                           given, it must be the slot's kind
//     "ad_size": "WxH"                      a custom banner size in points, each side 1 to
//                                           4096; another text refuses the configuration
//     "refresh": seconds                    the slot's refresh interval: 60 when absent or
//                                           not a finite number, below 1 no refresh, at most
//                                           3600
//     "qdata": text, "app_key": text        passed into the pings as they stand
//     "ping_url": template                  the ping of a network that names none itself
//     "ad_networks": [                      required; asked in this order, at most 20
//       {
//         "adapter": class name             required: the adapter's registered class name
//         "network_id", "allocation_id":    the server's identifiers (text or number)
//         "timeout": seconds                how long the network may take: 10 when absent
//                                           or not a finite number, within 1 to 60
//         "ping_urls": [template, ...]      at most 8, each at most 4096 bytes
//         "parameters": { ... }             the adapter's own (VDMAdapterHTML: "html",
//                                           "base_url"; VDMAdapterCustomEvents:
//                                           "class_name", "parameter", "label")
//       }, ...
//     ]
//   }
//
// A network without an adapter name is left out; templates that are not text or are too long
// are left out. After each network has been asked, its ping templates (or "ping_url") are
// expanded with the at-quoted keywords @network_id@, @allocation_id@, @qdata@, @app_key@,
// @refresh@ (1 when the load was a refresh, else 0), @durations@ and @exit_codes@ (the
// adapter's milliseconds and exit code), @seq@ (the next sequence number) and @session_id@,
// and pinged.
struct VDMConfig {
    static constexpr std::size_t maximumNetworkCount = 20;
    static constexpr std::size_t maximumPingTemplateCount = 8;
    static constexpr std::size_t maximumTemplateLength = 4096;
    static constexpr double defaultRefreshInterval = 60;
    static constexpr double maximumRefreshInterval = 3600;
    static constexpr double defaultNetworkTimeout = 10;
    static constexpr double minimumNetworkTimeout = 1;
    static constexpr double maximumNetworkTimeout = 60;
    static constexpr double maximumAdSide = 4096;

    enum class Format { Unspecified, Banner, Interstitial };
    enum class Problem { None, NotADictionary, NoNetworkList, BadFormat, BadAdSize };

    // The configuration of that JSON value for the ad unit; nullopt (with the problem, when
    // asked) when it cannot be used.
    static std::optional<VDMConfig> configurationWithJSONValue(const base::Value& value,
                                                               std::optional<std::string> adUnitID,
                                                               Problem* problem = nullptr);

    std::optional<std::string> adUnitID;
    Format format = Format::Unspecified;
    std::optional<ui::Size> adSize;
    double refreshInterval = defaultRefreshInterval;
    std::string qData;
    std::string appKey;
    std::optional<std::string> defaultPingTemplate;
    std::vector<VDMAdNetworkConfig> networks;
};
