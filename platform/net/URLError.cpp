#include "platform/net/URLError.h"

namespace net {

std::string URLErrorDescription(long code) {
    switch (code) {
    case base::URLErrorCancelled:
        return "cancelled";
    case base::URLErrorBadURL:
        return "bad URL";
    case base::URLErrorTimedOut:
        return "The request timed out.";
    case base::URLErrorUnsupportedURL:
        return "unsupported URL";
    case base::URLErrorCannotFindHost:
        return "A server with the specified hostname could not be found.";
    case base::URLErrorCannotConnectToHost:
        return "Could not connect to the server.";
    case base::URLErrorNetworkConnectionLost:
        return "The network connection was lost.";
    case base::URLErrorHTTPTooManyRedirects:
        return "too many HTTP redirects";
    case base::URLErrorResourceUnavailable:
        return "The requested resource is unavailable.";
    case base::URLErrorNotConnectedToInternet:
        return "The Internet connection appears to be offline.";
    case base::URLErrorBadServerResponse:
        return "The server returned a bad response.";
    case base::URLErrorCannotDecodeContentData:
        return "The content of the response could not be decoded.";
    case base::URLErrorFileDoesNotExist:
        return "The requested file does not exist.";
    case base::URLErrorDataLengthExceedsMaximum:
        return "The resource exceeds the maximum size.";
    case base::URLErrorSecureConnectionFailed:
        return "An SSL error has occurred and a secure connection to the server cannot be made.";
    default:
        return "An unknown error occurred.";
    }
}

base::Error makeURLError(long code, const std::string& failingURLString, std::string description) {
    auto error =
        base::Error::make(base::URLErrorDomain, code,
                          description.empty() ? URLErrorDescription(code) : std::move(description));
    error.userInfo[base::Error::failingURLStringKey] = failingURLString;
    return error;
}

} // namespace net
