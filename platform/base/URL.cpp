#include "platform/base/URL.h"

#include "platform/base/PercentEscape.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <charconv>
#include <curl/curl.h>
#include <filesystem>
#include <memory>

namespace base {

namespace {

constexpr auto npos = std::string_view::npos;

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return hexDigitValue(c) >= 0;
}
bool isSchemeCharacter(char c) {
    return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
}

// Unreserved characters, delimiters and '%'; RFC 3986 section 2.
bool isURLCharacter(char c) {
    static constexpr std::string_view others = "-._~:/?#[]@!$&'()*+,;=%";
    return isAlpha(c) || isDigit(c) || others.find(c) != npos;
}

bool hasOnlyURLCharacters(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isURLCharacter(text[i]))
            return false;
        if (text[i] == '%' &&
            (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])))
            return false;
    }
    return true;
}

// The five components of RFC 3986 appendix B, each either absent or a piece of the text.
struct Components {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

std::optional<Components> splitComponents(std::string_view text) {
    Components parts;
    std::string_view rest = text;
    const auto firstDelimiter = rest.find_first_of(":/?#");
    // Text whose part before the first ':' starts with a digit ("127.0.0.1:8080/x") is read
    // as a scheme-less reference whose first segment holds the ':', as the platform's lenient
    // parsing read a host and port typed without a scheme.
    if (firstDelimiter != npos && rest[firstDelimiter] == ':' && !isDigit(rest[0])) {
        const auto scheme = rest.substr(0, firstDelimiter);
        // Otherwise a relative reference may not have a ':' in its first segment, so text whose
        // part before the first ':' is no scheme is malformed rather than relative.
        if (scheme.empty() || !isAlpha(scheme[0]) ||
            !std::all_of(scheme.begin(), scheme.end(), isSchemeCharacter))
            return std::nullopt;
        parts.scheme = scheme;
        rest.remove_prefix(firstDelimiter + 1);
    }
    if (rest.starts_with("//")) {
        const auto end = std::min(rest.find_first_of("/?#", 2), rest.size());
        parts.authority = rest.substr(2, end - 2);
        rest.remove_prefix(end);
    }
    const auto pathEnd = std::min(rest.find_first_of("?#"), rest.size());
    parts.path = rest.substr(0, pathEnd);
    rest.remove_prefix(pathEnd);
    if (rest.starts_with('?')) {
        const auto queryEnd = std::min(rest.find('#'), rest.size());
        parts.query = rest.substr(1, queryEnd - 1);
        rest.remove_prefix(queryEnd);
    }
    if (rest.starts_with('#'))
        parts.fragment = rest.substr(1);
    return parts;
}

struct Authority {
    std::string host;
    std::optional<int> port;
    std::string user;
    std::string password;
};

// Reads an authority with libcurl's URL parser, which checks the host's syntax, IPv6 literals
// and the port's range. A neutral scheme is used so that no scheme-specific rule (default port,
// file-host restrictions) applies.
std::optional<Authority> readAuthority(std::string_view authority) {
    Authority result;
    if (authority.empty())
        return result;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), &curl_url_cleanup);
    if (!handle)
        return std::nullopt;
    const std::string probe = "x-authority://" + std::string(authority) + "/";
    if (curl_url_set(handle.get(), CURLUPART_URL, probe.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK)
        return std::nullopt;
    const auto part = [&](CURLUPart which) -> std::optional<std::string> {
        char* value = nullptr;
        if (curl_url_get(handle.get(), which, &value, 0) != CURLUE_OK || !value)
            return std::nullopt;
        std::string copy(value);
        curl_free(value);
        return copy;
    };
    result.host = part(CURLUPART_HOST).value_or("");
    if (result.host.size() >= 2 && result.host.front() == '[' && result.host.back() == ']')
        result.host = result.host.substr(1, result.host.size() - 2);
    if (const auto port = part(CURLUPART_PORT)) {
        int number = 0;
        const auto [end, error] =
            std::from_chars(port->data(), port->data() + port->size(), number);
        if (error != std::errc() || end != port->data() + port->size())
            return std::nullopt;
        result.port = number;
    }
    result.user = part(CURLUPART_USER).value_or("");
    result.password = part(CURLUPART_PASSWORD).value_or("");
    return result;
}

// RFC 3986 section 5.2.4.
std::string removeDotSegments(std::string_view input) {
    std::string output;
    const auto dropLastSegment = [&output] {
        const auto slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const auto end = std::min(input.find('/', 1), input.size());
            output.append(input.substr(0, end));
            input.remove_prefix(end);
        }
    }
    return output;
}

} // namespace

std::optional<URL> URL::parse(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    return parseReference(text);
}

std::optional<URL> URL::parseReference(std::string_view text) {
    if (!hasOnlyURLCharacters(text))
        return std::nullopt;
    const auto parts = splitComponents(text);
    if (!parts)
        return std::nullopt;
    // '[' and ']' only delimit an IP literal host; '#' only starts the fragment.
    for (auto piece : {std::optional(parts->path), parts->query, parts->fragment}) {
        if (piece && piece->find_first_of("[]") != npos)
            return std::nullopt;
    }
    if (parts->fragment && parts->fragment->find('#') != npos)
        return std::nullopt;

    URL url;
    if (parts->authority) {
        auto authority = readAuthority(*parts->authority);
        if (!authority)
            return std::nullopt;
        url.hasAuthority_ = true;
        url.authority_ = std::string(*parts->authority);
        url.host_ = std::move(authority->host);
        url.port_ = authority->port;
        url.user_ = std::move(authority->user);
        url.password_ = std::move(authority->password);
    }
    url.text_ = std::string(text);
    if (parts->scheme) {
        url.rawScheme_ = std::string(*parts->scheme);
        url.scheme_ = lowercaseASCII(url.rawScheme_);
    }
    url.path_ = std::string(parts->path);
    if (parts->query)
        url.query_ = std::string(*parts->query);
    if (parts->fragment)
        url.fragment_ = std::string(*parts->fragment);
    return url;
}

std::optional<URL> URL::resolve(std::string_view reference) const {
    // An empty reference is the base itself without its fragment (RFC 3986 section 5.2.2).
    const auto ref = parseReference(reference);
    if (!ref)
        return std::nullopt;

    std::string scheme;
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    std::optional<std::string> query;
    if (!ref->rawScheme_.empty()) {
        scheme = ref->rawScheme_;
        hasAuthority = ref->hasAuthority_;
        authority = ref->authority_;
        path = removeDotSegments(ref->path_);
        query = ref->query_;
    } else {
        scheme = rawScheme_;
        if (ref->hasAuthority_) {
            hasAuthority = true;
            authority = ref->authority_;
            path = removeDotSegments(ref->path_);
            query = ref->query_;
        } else {
            hasAuthority = hasAuthority_;
            authority = authority_;
            if (ref->path_.empty()) {
                path = path_;
                query = ref->query_ ? ref->query_ : query_;
            } else {
                if (ref->path_.front() == '/') {
                    path = removeDotSegments(ref->path_);
                } else {
                    // Merge (section 5.2.3): the base path up to its last '/', then the reference.
                    std::string merged;
                    if (hasAuthority_ && path_.empty()) {
                        merged = "/" + ref->path_;
                    } else {
                        const auto slash = path_.rfind('/');
                        merged = (slash == std::string::npos ? std::string()
                                                             : path_.substr(0, slash + 1)) +
                                 ref->path_;
                    }
                    path = removeDotSegments(merged);
                }
                query = ref->query_;
            }
        }
    }

    std::string text;
    if (!scheme.empty())
        text += scheme + ":";
    if (hasAuthority)
        text += "//" + authority;
    else if (path.starts_with("//"))
        text += "/."; // the path would otherwise read as an authority (RFC 3986 section 3.3)
    text += path;
    if (query)
        text += "?" + *query;
    if (ref->fragment_)
        text += "#" + *ref->fragment_;
    return parseReference(text);
}

URL URL::fileURL(std::string_view path) {
    std::string absolute(path);
    if (!absolute.starts_with('/')) {
        std::error_code error;
        const auto directory = std::filesystem::current_path(error);
        absolute = (error ? std::filesystem::path("/") : directory) / absolute;
    }
    // Escaped besides what percentEscape always escapes: what would end or break the path.
    return parseReference("file://" + percentEscape(absolute, "%#?[]")).value();
}

std::optional<std::string> URL::fileSystemPath() const {
    if (!isFileURL())
        return std::nullopt;
    return percentUnescapeBytes(path_);
}

std::string URL::lastPathComponent() const {
    std::string_view path = path_;
    if (path.empty())
        return {};
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return "/";
    const auto slash = path.rfind('/');
    const auto last = slash == npos ? path : path.substr(slash + 1);
    return percentUnescape(last).value_or(std::string(last));
}

std::string URL::pathExtension() const {
    const auto name = lastPathComponent();
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "/")
        return {};
    return name.substr(dot + 1);
}

} // namespace base
