#include "chorus/core/CHUtility.h"

#include "platform/base/PercentEscape.h"
#include "platform/base/Strings.h"

namespace {

std::string decode(std::string_view text) {
    const std::string spaced = base::replaceAll(text, "+", " ");
    return base::percentUnescape(spaced).value_or(spaced);
}

void parseInto(std::string_view query, CHUtility::Parameters& parameters) {
    for (const auto& piece : base::split(query, "&")) {
        if (piece.empty())
            continue;
        const auto equals = piece.find('=');
        if (equals == std::string::npos)
            parameters[decode(piece)] = "";
        else
            parameters[decode(std::string_view(piece).substr(0, equals))] =
                decode(std::string_view(piece).substr(equals + 1));
    }
}

} // namespace

CHUtility::Parameters CHUtility::dictionaryByParsingURLQueryPart(std::string_view query) {
    Parameters parameters;
    parseInto(query, parameters);
    return parameters;
}

std::string CHUtility::stringBySerializingQueryParameters(const Parameters& parameters) {
    std::string query;
    for (const auto& [key, value] : parameters) {
        if (!query.empty())
            query += '&';
        query += base::percentEscape(key, base::queryValueCharactersToEscape);
        query += '=';
        query += base::percentEscape(value, base::queryValueCharactersToEscape);
    }
    return query;
}

CHUtility::Parameters CHUtility::parametersOfURL(const base::URL& url) {
    Parameters parameters;
    if (url.query())
        parseInto(*url.query(), parameters);
    if (url.fragment())
        parseInto(*url.fragment(), parameters);
    return parameters;
}
