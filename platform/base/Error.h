#pragma once

#include "platform/base/Value.h"

#include <optional>
#include <string>

namespace base {

// A failure reported to a caller: domain, code and details, as the platform's error objects.
struct Error {
    std::string domain;
    long code = 0;
    Value::Dictionary userInfo;

    static constexpr const char* localizedDescriptionKey = "NSLocalizedDescription";
    static constexpr const char* localizedFailureReasonKey = "NSLocalizedFailureReason";
    static constexpr const char* failingURLStringKey = "NSErrorFailingURLStringKey";
    static constexpr const char* underlyingErrorKey = "NSUnderlyingError";

    static constexpr const char* debugDescriptionKey = "NSDebugDescription";

    static Error make(std::string domain, long code, std::string description = {});
    // The readers' and writers' errors of CocoaErrorDomain: the description for people, and
    // the detail of what was wrong under debugDescriptionKey.
    static Error cocoa(long code, std::string description, std::string detail);
    // The description under localizedDescriptionKey, or "The operation couldn't be completed.
    // (<domain> error <code>.)".
    std::string localizedDescription() const;

    // The error this one wraps, kept in userInfo under underlyingErrorKey as a dictionary of
    // its domain, code and userInfo, so that errors stay plain values.
    void setUnderlyingError(const Error& underlying);
    std::optional<Error> underlyingError() const;

    bool operator==(const Error&) const = default;
};

// Error domains of the platform layer.
inline constexpr const char* URLErrorDomain = "URLErrorDomain";
inline constexpr const char* CocoaErrorDomain = "PlatformErrorDomain";
inline constexpr const char* POSIXErrorDomain = "POSIXErrorDomain";

// Codes of CocoaErrorDomain used by the JSON and property list readers and writers.
enum CocoaErrorCode : long {
    PropertyListReadCorruptError = 3840,
    PropertyListWriteInvalidError = 3852,
};

// Codes of URLErrorDomain used by net::URLConnection and the web engines.
enum URLErrorCode : long {
    URLErrorUnknown = -1,
    URLErrorCancelled = -999,
    URLErrorBadURL = -1000,
    URLErrorTimedOut = -1001,
    URLErrorUnsupportedURL = -1002,
    URLErrorCannotFindHost = -1003,
    URLErrorCannotConnectToHost = -1004,
    URLErrorNetworkConnectionLost = -1005,
    URLErrorHTTPTooManyRedirects = -1007,
    URLErrorResourceUnavailable = -1008,
    URLErrorNotConnectedToInternet = -1009,
    URLErrorBadServerResponse = -1011,
    URLErrorCannotDecodeContentData = -1016,
    URLErrorFileDoesNotExist = -1100,
    URLErrorDataLengthExceedsMaximum = -1103,
    URLErrorSecureConnectionFailed = -1200,
};

} // namespace base
