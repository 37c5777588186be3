#include "platform/net/CacheDirectives.h"

#include "platform/base/Strings.h"

#include <algorithm>

namespace net {

namespace {

// Where the directive starting the text ends: at the first comma outside a quoted string.
std::size_t directiveEnd(std::string_view text) {
    bool quoted = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (quoted && text[at] == '\\')
            ++at; // a quoted pair: the next character stands for itself
        else if (text[at] == '"')
            quoted = !quoted;
        else if (!quoted && text[at] == ',')
            return at;
    }
    return text.size();
}

} // namespace

CacheDirectives::CacheDirectives(const HTTPHeaderFields& fields, std::string_view fieldName) {
    for (const auto& field : fields.values(fieldName)) {
        std::string_view rest = field;
        while (!rest.empty()) {
            auto end = directiveEnd(rest);
            auto piece = base::trimSpacesAndTabs(rest.substr(0, end));
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (piece.empty())
                continue;
            auto equals = piece.find('=');
            Directive directive;
            directive.name = base::lowercaseASCII(base::trimSpacesAndTabs(piece.substr(0, equals)));
            if (equals != std::string_view::npos) {
                auto value = base::trimSpacesAndTabs(piece.substr(equals + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                directive.value = std::string(value);
            }
            directives_.push_back(std::move(directive));
        }
    }
}

bool CacheDirectives::contains(std::string_view name) const {
    return std::any_of(directives_.begin(), directives_.end(),
                       [&](const Directive& directive) { return directive.name == name; });
}

std::optional<std::string> CacheDirectives::value(std::string_view name) const {
    for (const auto& directive : directives_)
        if (directive.name == name)
            return directive.value;
    return std::nullopt;
}

} // namespace net
