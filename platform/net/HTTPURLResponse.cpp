#include "platform/net/HTTPURLResponse.h"

#include "platform/base/PercentEscape.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace net {

namespace {

std::string unquoted(std::string_view value) {
    value = base::trimSpacesAndTabs(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        std::string result;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size())
                ++i;
            result.push_back(value[i]);
        }
        return result;
    }
    return std::string(value);
}

// The parameters of a header value such as Content-Type or Content-Disposition: the part before
// the first ";" and the "name=value" pairs after it (names lower-cased, quotes removed).
struct ParameterizedValue {
    std::string main;
    std::vector<std::pair<std::string, std::string>> parameters;

    std::optional<std::string> parameter(std::string_view name) const {
        for (auto& [key, value] : parameters)
            if (key == name)
                return value;
        return std::nullopt;
    }
};

ParameterizedValue parseParameters(std::string_view text) {
    ParameterizedValue result;
    // Split at ";" outside quotes.
    std::vector<std::string_view> pieces;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == '\\' && quoted)
            ++i;
        else if (text[i] == ';' && !quoted) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(std::min(start, text.size())));
    result.main = std::string(base::trimSpacesAndTabs(pieces.front()));
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        auto equals = pieces[i].find('=');
        if (equals == std::string_view::npos)
            continue;
        result.parameters.emplace_back(
            base::lowercaseASCII(base::trimSpacesAndTabs(pieces[i].substr(0, equals))),
            unquoted(pieces[i].substr(equals + 1)));
    }
    return result;
}

// Keeps only the last segment of a name that tries to name a folder.
std::string safeFileName(std::string name) {
    auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](unsigned char c) { return c < 0x20 || c == 0x7f; }),
               name.end());
    if (name == "." || name == "..")
        return {};
    return name;
}

} // namespace

HTTPURLResponse::HTTPURLResponse(std::optional<base::URL> url, int statusCode,
                                 HTTPHeaderFields headerFields)
    : url_(std::move(url))
    , isHTTP_(true)
    , statusCode_(statusCode)
    , headerFields_(std::move(headerFields)) {
    if (auto contentType = headerFields_.value("Content-Type")) {
        auto parsed = parseParameters(*contentType);
        MIMEType_ = base::lowercaseASCII(parsed.main);
        textEncodingName_ = base::lowercaseASCII(parsed.parameter("charset").value_or(""));
    }
    if (auto length = headerFields_.value("Content-Length")) {
        auto text = base::trimSpacesAndTabs(*length);
        std::int64_t value = -1;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && value >= 0)
            expectedContentLength_ = value;
    }
}

HTTPURLResponse HTTPURLResponse::plain(std::optional<base::URL> url, std::string MIMEType,
                                       std::int64_t expectedContentLength,
                                       std::string textEncodingName) {
    HTTPURLResponse response;
    response.url_ = std::move(url);
    response.MIMEType_ = base::lowercaseASCII(MIMEType);
    response.textEncodingName_ = base::lowercaseASCII(textEncodingName);
    response.expectedContentLength_ = expectedContentLength < 0 ? -1 : expectedContentLength;
    return response;
}

std::string HTTPURLResponse::suggestedFilename() const {
    if (auto disposition = headerFields_.value("Content-Disposition")) {
        auto parsed = parseParameters(*disposition);
        // RFC 6266: filename* (charset''escaped) wins over filename.
        if (auto extended = parsed.parameter("filename*")) {
            auto quote = extended->find("''");
            if (quote != std::string::npos) {
                if (auto decoded = base::percentUnescape(extended->substr(quote + 2))) {
                    if (auto name = safeFileName(*decoded); !name.empty())
                        return name;
                }
            }
        }
        if (auto plainName = parsed.parameter("filename")) {
            if (auto name = safeFileName(*plainName); !name.empty())
                return name;
        }
    }
    if (url_) {
        auto last = url_->lastPathComponent();
        if (auto name = safeFileName(last); !name.empty() && last != "/")
            return name;
        if (!url_->host().empty())
            return url_->host();
    }
    return "Unknown";
}

std::string HTTPURLResponse::localizedStringForStatusCode(int statusCode) {
    static const std::map<int, const char*> phrases = {
        {100, "continue"},
        {101, "switching protocols"},
        {200, "ok"},
        {201, "created"},
        {202, "accepted"},
        {203, "non-authoritative information"},
        {204, "no content"},
        {205, "reset content"},
        {206, "partial content"},
        {300, "multiple choices"},
        {301, "moved permanently"},
        {302, "found"},
        {303, "see other"},
        {304, "not modified"},
        {305, "use proxy"},
        {307, "temporary redirect"},
        {308, "permanent redirect"},
        {400, "bad request"},
        {401, "unauthorized"},
        {402, "payment required"},
        {403, "forbidden"},
        {404, "not found"},
        {405, "method not allowed"},
        {406, "not acceptable"},
        {407, "proxy authentication required"},
        {408, "request timeout"},
        {409, "conflict"},
        {410, "gone"},
        {411, "length required"},
        {412, "precondition failed"},
        {413, "content too large"},
        {414, "uri too long"},
        {415, "unsupported media type"},
        {416, "range not satisfiable"},
        {417, "expectation failed"},
        {421, "misdirected request"},
        {422, "unprocessable content"},
        {426, "upgrade required"},
        {428, "precondition required"},
        {429, "too many requests"},
        {431, "request header fields too large"},
        {451, "unavailable for legal reasons"},
        {500, "internal server error"},
        {501, "not implemented"},
        {502, "bad gateway"},
        {503, "service unavailable"},
        {504, "gateway timeout"},
        {505, "http version not supported"},
        {511, "network authentication required"},
    };
    if (auto found = phrases.find(statusCode); found != phrases.end())
        return found->second;
    switch (statusCode / 100) {
    case 1:
        return "informational";
    case 2:
        return "success";
    case 3:
        return "redirected";
    case 4:
        return "client error";
    default:
        return "server error";
    }
}

} // namespace net
