#include "ads/foundation/VDURLQuery.h"

#include "ads/foundation/VDURLStrings.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/Strings.h"

namespace {

constexpr std::string_view landingPageMarker = "&adurl=";

} // namespace

std::optional<base::URL>
vd_appendQueryParameters(const base::URL& url,
                         const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string text = url.absoluteString();
    // A fragment is no part of the query: pairs go in front of it.
    std::string fragment;
    if (auto hash = text.find('#'); hash != std::string::npos) {
        fragment = text.substr(hash);
        text.erase(hash);
    }
    // The landing page is a parameter of the query; an "&adurl=" before the query (in a
    // user name, say) is none.
    std::string landingPage;
    if (auto query = text.find('?'); query != std::string::npos) {
        if (auto marker = text.find(landingPageMarker, query); marker != std::string::npos) {
            landingPage = text.substr(marker);
            text.erase(marker);
        }
    }

    // A bare "?" already opens the (empty) query.
    std::string_view separator = "?";
    if (url.query() && !url.query()->empty())
        separator = "&";
    else if (url.query())
        separator = "";
    for (const auto& [key, value] : pairs) {
        text += separator;
        text += vd_stringByEscapingAsURLParameter(key);
        std::string escaped = vd_stringByEscapingAsURLParameter(value);
        if (!escaped.empty()) {
            text += '=';
            text += escaped;
        }
        separator = "&";
    }
    return base::URL::parse(text + landingPage + fragment);
}

std::optional<base::URL> vd_appendQueryValueForKey(const base::URL& url, std::string_view value,
                                                   std::string_view key) {
    return vd_appendQueryParameters(url, {{std::string(key), std::string(value)}});
}

std::optional<std::string> vd_parameterValueForKey(const base::URL& url, std::string_view key) {
    if (!url.query())
        return std::nullopt;
    for (const auto& item : base::split(*url.query(), "&")) {
        auto equals = item.find('=');
        if (equals != std::string::npos && std::string_view(item).substr(0, equals) == key)
            return item.substr(equals + 1);
    }
    return std::nullopt;
}

std::map<std::string, std::string>
vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(const base::URL& url, bool lowercase) {
    std::map<std::string, std::string> dictionary;
    if (!url.query())
        return dictionary;
    for (const auto& piece : base::splitByCharacters(*url.query(), "&;")) {
        auto parts = base::split(piece, "=");
        if (parts.size() != 2)
            continue;
        auto key = base::percentUnescape(parts[0]);
        auto value = base::percentUnescape(parts[1]);
        if (!key || !value)
            continue;
        dictionary[lowercase ? base::lowercase(*key) : *key] = std::move(*value);
    }
    return dictionary;
}

std::optional<std::string> vd_impressionTicket(const base::URL& url) {
    std::vector<std::string> segments;
    for (const auto& segment : base::split(url.path(), "/")) {
        if (segment.empty())
            continue;
        segments.push_back(base::percentUnescape(segment).value_or(segment));
    }
    if (segments.size() < 3)
        return std::nullopt;
    return segments[1] + "/" + segments[2];
}

std::string vd_absoluteStringWithoutFragmentComponent(const base::URL& url) {
    const std::string& text = url.absoluteString();
    return text.substr(0, text.find('#'));
}

bool vd_isHostEqualToString(const base::URL& url, std::string_view host, bool caseSensitive) {
    if (caseSensitive)
        return url.host() == host;
    return base::lowercase(url.host()) == base::lowercase(host);
}

bool vd_isSchemeEqualToString(const base::URL& url, std::string_view scheme, bool caseSensitive) {
    if (caseSensitive)
        return url.scheme() == scheme;
    return base::lowercase(url.scheme()) == base::lowercase(scheme);
}
