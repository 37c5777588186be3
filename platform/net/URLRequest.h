#pragma once

#include "platform/base/Data.h"
#include "platform/base/Seconds.h"
#include "platform/base/URL.h"
#include "platform/net/HTTPHeaderFields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// How a load may use the URL cache; the values are the platform's.
enum class URLRequestCachePolicy : unsigned {
    UseProtocolCachePolicy = 0,       // a fresh stored response answers, else the network
    ReloadIgnoringLocalCacheData = 1, // always the network
    ReturnCacheDataElseLoad = 2,      // any stored response, however old, else the network
    ReturnCacheDataDontLoad = 3,      // any stored response, else fail without the network
};

// A URL load request, as a value: copying it gives an independent request that can be changed
// (the platform's "mutable copy").
class URLRequest {
public:
    static constexpr base::Seconds defaultTimeoutInterval{60};
    // The time limit of an exchange that no person watches, the program's own calls to its
    // services (an ad request, a ping, a report, a social-network call): a server that keeps
    // such an exchange alive byte by byte for longer gives no answer worth waiting for. Pages
    // the user loads have no time limit: the user sees their progress and can stop them.
    static constexpr base::Seconds serviceTimeLimit{60};

    URLRequest() = default;
    explicit URLRequest(
        std::optional<base::URL> url,
        URLRequestCachePolicy cachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy,
        base::Seconds timeoutInterval = defaultTimeoutInterval);
    // Parses the text; a request without URL when it makes none.
    static URLRequest withURLString(std::string_view text);

    const std::optional<base::URL>& url() const { return url_; }
    void setURL(std::optional<base::URL> url) { url_ = std::move(url); }

    const std::string& HTTPMethod() const { return method_; }
    // Refused (false) for a method that is no HTTP token; an empty text means "GET".
    bool setHTTPMethod(std::string_view method);

    const HTTPHeaderFields& allHTTPHeaderFields() const { return headers_; }
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const {
        return headers_.value(name);
    }
    // Refused (false, nothing changed) for a name that is no HTTP token or a value holding CR,
    // LF or NUL.
    bool setValueForHTTPHeaderField(std::string_view value, std::string_view name) {
        return headers_.set(name, value);
    }
    bool addValueForHTTPHeaderField(std::string_view value, std::string_view name) {
        return headers_.addValue(name, value);
    }
    void removeHTTPHeaderField(std::string_view name) { headers_.remove(name); }
    // Replaces every field; repeated names are joined into one field.
    void setAllHTTPHeaderFields(const HTTPHeaderFields& fields);

    const base::Data& HTTPBody() const { return body_; }
    void setHTTPBody(base::Data body) { body_ = std::move(body); }

    URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(URLRequestCachePolicy policy) { cachePolicy_ = policy; }

    // How long the load may wait for the server without any progress before it fails; zero,
    // negative or not-a-number intervals mean the default.
    base::Seconds timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(base::Seconds interval) { timeoutInterval_ = interval; }

    // The longest the whole load may take, redirects included, however steadily the server
    // sends; past it the load fails with URLErrorTimedOut. nullopt (the default): no limit
    // beyond the idle time-out. Zero, negative or not-a-number limits mean none.
    const std::optional<base::Seconds>& timeLimit() const { return timeLimit_; }
    void setTimeLimit(std::optional<base::Seconds> limit) { timeLimit_ = limit; }

    // The most body bytes, as decoded (after any Content-Encoding), that the load delivers;
    // a longer body ends the load with URLErrorDataLengthExceedsMaximum as soon as the excess
    // arrives, before any of it reaches the delegate. A delegate that keeps the body sets one
    // suited to what it keeps. nullopt (the default): no limit.
    const std::optional<std::uint64_t>& maximumBodyLength() const { return maximumBodyLength_; }
    void setMaximumBodyLength(std::optional<std::uint64_t> length) { maximumBodyLength_ = length; }

    const std::optional<base::URL>& mainDocumentURL() const { return mainDocumentURL_; }
    void setMainDocumentURL(std::optional<base::URL> url) { mainDocumentURL_ = std::move(url); }

    bool HTTPShouldHandleCookies() const { return shouldHandleCookies_; }
    void setHTTPShouldHandleCookies(bool handle) { shouldHandleCookies_ = handle; }

    bool operator==(const URLRequest&) const = default;

private:
    std::optional<base::URL> url_;
    std::string method_ = "GET";
    HTTPHeaderFields headers_;
    base::Data body_;
    URLRequestCachePolicy cachePolicy_ = URLRequestCachePolicy::UseProtocolCachePolicy;
    base::Seconds timeoutInterval_ = defaultTimeoutInterval;
    std::optional<base::Seconds> timeLimit_;
    std::optional<std::uint64_t> maximumBodyLength_;
    std::optional<base::URL> mainDocumentURL_;
    bool shouldHandleCookies_ = true;
};

} // namespace net
