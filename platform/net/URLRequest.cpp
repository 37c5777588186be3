#include "platform/net/URLRequest.h"

namespace net {

URLRequest::URLRequest(std::optional<base::URL> url, URLRequestCachePolicy cachePolicy,
                       base::Seconds timeoutInterval)
    : url_(std::move(url))
    , cachePolicy_(cachePolicy)
    , timeoutInterval_(timeoutInterval) {}

URLRequest URLRequest::withURLString(std::string_view text) {
    return URLRequest(base::URL::parse(text));
}

bool URLRequest::setHTTPMethod(std::string_view method) {
    if (method.empty()) {
        method_ = "GET";
        return true;
    }
    if (!HTTPHeaderFields::isValidName(method))
        return false;
    method_ = std::string(method);
    return true;
}

void URLRequest::setAllHTTPHeaderFields(const HTTPHeaderFields& fields) {
    HTTPHeaderFields replacement;
    for (auto& [name, value] : fields.combined())
        replacement.set(name, value);
    headers_ = std::move(replacement);
}

} // namespace net
