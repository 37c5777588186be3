#pragma once

#include "platform/base/Error.h"

#include <string>

// The errors of the social client: domain "com.chorus.sdk", with details under user-info keys
// that begin with "com.chorus.sdk:".
class CHError {
public:
    static constexpr const char* domain = "com.chorus.sdk";

    enum Code : long {
        // The login page refused, failed or was closed.
        LoginFailedOrCancelled = 1,
        // A request got no usable answer: no connection, an HTTP failure status or a body
        // that is not the JSON expected.
        RequestFailed = 2,
        // The server answered a request with an error object of its own.
        ServerError = 3,
        // A dialog's page failed to load, or its server reported an error.
        DialogFailed = 4,
    };

    // Why a login failed: "closed by the user", the server's "error" value, or the load error.
    static constexpr const char* loginFailedReasonKey = "com.chorus.sdk:ErrorLoginFailedReason";
    // The server's own error code and message, as its error objects and redirects carry them.
    static constexpr const char* serverErrorCodeKey = "com.chorus.sdk:ServerErrorCode";
    static constexpr const char* serverErrorMessageKey = "com.chorus.sdk:ServerErrorMessage";
    static constexpr const char* HTTPStatusCodeKey = "com.chorus.sdk:HTTPStatusCode";

    CHError() = delete;

    static base::Error make(Code code, std::string description,
                            base::Value::Dictionary userInfo = {});
};
