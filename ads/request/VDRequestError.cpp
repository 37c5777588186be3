#include "ads/request/VDRequestError.h"

#include "ads/foundation/VDDevice.h"
#include "ads/request/VDRequest.h"
#include "platform/net/HTTPURLResponse.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::string& osVersionMessage() {
    static const std::string message = [] {
        char text[256];
        std::snprintf(text, sizeof text,
                      "Request Error: This device's OS is %s. It is below the minimum of %ld.%ld.",
                      VDDevice::sharedInstance()->systemVersion().c_str(), 6L, 0L);
        return std::string(text);
    }();
    return message;
}

} // namespace

std::string VDRequestError::standardMessageForCode(long code) {
    switch (code) {
    case kVDErrorNoFill:
        return "Request Error: No ad to show.";
    case kVDErrorNetworkError:
        return "Request Error: A network error occurred.";
    case kVDErrorServerError:
        return "Request Error: Server error processing the request.";
    case kVDErrorOSVersionTooLow:
        return osVersionMessage();
    case kVDErrorTimeout:
        return "Request Error: The Redodi Ad request was unable to be fulfilled before a timeout "
               "occurred.";
    case kVDErrorInterstitialAlreadyUsed:
        return "Request Error: Will not send request because interstitial object has been used.";
    case kVDErrorMediationDataError:
        return "Request Error: The mediation response was invalid.";
    case kVDErrorMediationAdapterError:
        return "Request Error: Cannot find an ad network adapter for mediation.";
    case kVDErrorMediationNoFill:
        return "Request Error: No ad to show from all configured ad networks.";
    case kVDErrorMediationInvalidAdSize:
        return "Request Error: Incompatible ad type requested.";
    case kVDErrorInternalError:
        return "Request Error: Internal error.";
    case kVDErrorInvalidArgument:
        return "Request Error: Invalid argument.";
    case kVDErrorReceivedInvalidResponse:
        return "Request Error: Received invalid response.";
    default:
        return "Request Error: Invalid ad request parameter(s). Check the Xcode console for "
               "details.";
    }
}

VDRequestError::VDRequestError(long code, const VDRequest* request, long HTTPStatusCode,
                               std::optional<std::string> customMessage,
                               std::optional<base::Error> underlyingError) {
    domain = domainName;
    this->code = code;
    const std::string message = customMessage ? *customMessage : standardMessageForCode(code);
    userInfo[localizedDescriptionKey] = base::Value(message);
    userInfo[localizedFailureReasonKey] = base::Value(message);
    if (underlyingError)
        setUnderlyingError(*underlyingError);
    if (code == kVDErrorInvalidRequest && request) {
        for (auto& [key, value] : request->parameters())
            userInfo[key] = std::move(value);
    }
    if (HTTPStatusCode >= 1) {
        userInfo[HTTPStatusKey] =
            base::Value("HTTP status " + std::to_string(HTTPStatusCode) + ": " +
                        net::HTTPURLResponse::localizedStringForStatusCode(
                            int(std::min<long>(HTTPStatusCode, 1000))));
    }
}

VDRequestError VDRequestError::withDomainCodeUserInfo(std::string domain, long code,
                                                      base::Value::Dictionary userInfo) {
    return VDRequestError(kVDErrorInternalError, nullptr, 0, std::nullopt,
                          base::Error{std::move(domain), code, std::move(userInfo)});
}
