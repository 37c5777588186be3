#pragma once

#include "platform/base/Value.h"

#include <string>

class VDSDKCoreAMSGHandler;

// What hears the SDK-core page's answers (the SDK-core controller). Every call comes on the
// main thread. Request identifiers are those the page was given; parameters are the
// message's, strings as sent.
class VDSDKCoreAMSGHandlerDelegate {
public:
    virtual ~VDSDKCoreAMSGHandlerDelegate() = default;

    // "loadAdURL": the ad URL built for a request.
    virtual void SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(
        VDSDKCoreAMSGHandler& handler, const std::string& requestID,
        const base::Value::Dictionary& parameters) = 0;
    // "loadAd": a whole ad; the parameters are the dictionary its "fetched_ad" JSON holds.
    virtual void
    SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(VDSDKCoreAMSGHandler& handler,
                                                    const std::string& requestID,
                                                    const base::Value::Dictionary& parameters) = 0;
    // "invalidRequest": the page refused the request.
    virtual void SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler& handler, const std::string& requestID,
        const base::Value::Dictionary& parameters) = 0;
    // "loadSdkConstants": the server's constants.
    virtual void
    SDKCoreAMSGHandlerDidLoadSDKConstants(VDSDKCoreAMSGHandler& handler,
                                          const base::Value::Dictionary& constants) = 0;
    // "requestReload": the page has been updated on the server.
    virtual void
    SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(VDSDKCoreAMSGHandler& handler) = 0;
};
