#pragma once

#include "platform/net/HTTPHeaderFields.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

// The directives of a cache header ("Cache-Control", or "Pragma") as RFC 9111 section 5.2
// writes them: every field line of that name, each a comma-separated list of `name` or
// `name=value` (a token or a quoted string, whose commas do not separate). Names are
// lower-cased; values lose their quotes; only spaces and tabs are blanks. Used for responses
// and requests alike.
class CacheDirectives {
public:
    struct Directive {
        std::string name;
        std::string value; // empty for a directive without "="
    };

    explicit CacheDirectives(const HTTPHeaderFields& fields,
                             std::string_view fieldName = "Cache-Control");

    bool contains(std::string_view name) const;
    // The value of the first directive of that name.
    std::optional<std::string> value(std::string_view name) const;
    // Every directive, in order.
    const std::vector<Directive>& all() const { return directives_; }

private:
    std::vector<Directive> directives_;
};

} // namespace net
