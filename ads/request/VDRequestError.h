#pragma once

#include "platform/base/Error.h"

#include <memory>
#include <optional>
#include <string>

class VDRequest;

// The error of every failed ad load, as the host receives it: domain "com.redodi.ads", a code
// from 0 to 13 with its standard message ("Request Error: …"), and user information that can
// carry the request's parameters (code 0), an HTTP status ("HttpStatus") and an underlying
// error.
class VDRequestError : public base::Error {
public:
    static constexpr const char* domainName = "com.redodi.ads";
    static constexpr const char* HTTPStatusKey = "HttpStatus";

    enum Code : long {
        kVDErrorInvalidRequest = 0,
        kVDErrorNoFill = 1,
        kVDErrorNetworkError = 2,
        kVDErrorServerError = 3,
        kVDErrorOSVersionTooLow = 4,
        kVDErrorTimeout = 5,
        kVDErrorInterstitialAlreadyUsed = 6,
        kVDErrorMediationDataError = 7,
        kVDErrorMediationAdapterError = 8,
        kVDErrorMediationNoFill = 9,
        kVDErrorMediationInvalidAdSize = 10,
        kVDErrorInternalError = 11,
        kVDErrorInvalidArgument = 12,
        kVDErrorReceivedInvalidResponse = 13,
    };

    // The description (and failure reason) is the custom message when given, else the code's
    // standard message. For code 0 the request's parameters, when there are any, join the user
    // information. A status of 1 or more adds "HTTP status <code>: <text>".
    VDRequestError(long code, const VDRequest* request = nullptr, long HTTPStatusCode = 0,
                   std::optional<std::string> customMessage = std::nullopt,
                   std::optional<base::Error> underlyingError = std::nullopt);

    // Any other error made into a request error: code 11 (internal error) with that error as
    // the underlying one, so that a request error is always of the public domain.
    static VDRequestError withDomainCodeUserInfo(std::string domain, long code,
                                                 base::Value::Dictionary userInfo);

    static VDRequestError errorWithCode(long code, const VDRequest* request = nullptr,
                                        long HTTPStatusCode = 0,
                                        std::optional<std::string> customMessage = std::nullopt,
                                        std::optional<base::Error> underlyingError = std::nullopt) {
        return VDRequestError(code, request, HTTPStatusCode, std::move(customMessage),
                              std::move(underlyingError));
    }
    static VDRequestError errorWithCodeCustomMessage(long code, std::string customMessage) {
        return VDRequestError(code, nullptr, 0, std::move(customMessage));
    }
    // The underlying error's description becomes the message.
    static VDRequestError errorWithCodeUnderlyingError(long code, const base::Error& underlying) {
        return VDRequestError(code, nullptr, 0, underlying.localizedDescription(), underlying);
    }

    // The code's standard message; the message of code 0 for codes outside 0 to 13.
    static std::string standardMessageForCode(long code);

    // The same domain, code and user information as a plain error.
    base::Error error() const { return *this; }
};
