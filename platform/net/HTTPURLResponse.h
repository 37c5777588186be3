#pragma once

#include "platform/base/URL.h"
#include "platform/net/HTTPHeaderFields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// A response's metadata: an HTTP response (status and header fields) or a plain one (a file
// read from disk, a response taken out of the cache for a non-HTTP URL) with only a URL, a MIME
// type, an encoding name and a length.
class HTTPURLResponse {
public:
    HTTPURLResponse() = default;
    // An HTTP response.
    HTTPURLResponse(std::optional<base::URL> url, int statusCode, HTTPHeaderFields headerFields);
    // A plain response.
    static HTTPURLResponse plain(std::optional<base::URL> url, std::string MIMEType,
                                 std::int64_t expectedContentLength,
                                 std::string textEncodingName = {});

    bool isHTTP() const { return isHTTP_; }
    const std::optional<base::URL>& url() const { return url_; }
    // 0 for a plain response.
    int statusCode() const { return statusCode_; }
    const HTTPHeaderFields& allHeaderFields() const { return headerFields_; }
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const {
        return headerFields_.value(name);
    }

    // From Content-Type, lower-cased: "text/html; charset=ISO-8859-1" gives "text/html" and
    // "iso-8859-1". Empty when absent.
    const std::string& MIMEType() const { return MIMEType_; }
    const std::string& textEncodingName() const { return textEncodingName_; }
    // From Content-Length; -1 when unknown.
    std::int64_t expectedContentLength() const { return expectedContentLength_; }
    // The file name of Content-Disposition, else the last path component of the URL, else
    // its host, else "Unknown". Never holds a folder separator.
    std::string suggestedFilename() const;

    // Text for people about a status code: its reason phrase in lower case ("not found" for
    // 404), or the name of its class ("client error" for an unlisted 4xx); "server error" for
    // codes outside 100 to 599.
    static std::string localizedStringForStatusCode(int statusCode);

    bool operator==(const HTTPURLResponse&) const = default;

private:
    std::optional<base::URL> url_;
    bool isHTTP_ = false;
    int statusCode_ = 0;
    HTTPHeaderFields headerFields_;
    std::string MIMEType_;
    std::string textEncodingName_;
    std::int64_t expectedContentLength_ = -1;
};

} // namespace net
