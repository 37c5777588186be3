#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

// HTTP header fields: names compare without regard to ASCII case, the first spelling of a name
// and the order in which names first arrived are kept.
//
// A request's fields hold one value per name (setting replaces, adding joins with ", "); a
// response's fields keep every field line as received, so that repeated fields such as
// Set-Cookie stay apart (see all()).
class HTTPHeaderFields {
public:
    using Field = std::pair<std::string, std::string>;

    HTTPHeaderFields() = default;

    // The value of the first field with that name.
    std::optional<std::string> value(std::string_view name) const;
    // Every value of the fields with that name, in order.
    std::vector<std::string> values(std::string_view name) const;
    bool contains(std::string_view name) const { return value(name).has_value(); }

    // Replaces every field of that name by one (kept at the place of the first). Returns false,
    // changing nothing, when the name is no HTTP token or the value holds CR, LF or NUL: such a
    // field could smuggle a second header or request into the message.
    bool set(std::string_view name, std::string_view value);
    // Adds the value to the field of that name, joined with ", ", or sets it when absent.
    // Refused as set() is.
    bool addValue(std::string_view name, std::string_view value);
    // Appends a field line even when the name is already present (responses).
    bool append(std::string_view name, std::string_view value);
    void remove(std::string_view name);

    // Every field line, in order.
    const std::vector<Field>& all() const { return fields_; }
    // One entry per name, repeated fields joined with ", " as the platform's dictionary
    // showed them (the first spelling of the name is kept).
    std::vector<Field> combined() const;
    bool empty() const { return fields_.empty(); }
    std::size_t size() const { return fields_.size(); }

    static bool isValidName(std::string_view name);
    static bool isValidValue(std::string_view value);
    static bool namesEqual(std::string_view a, std::string_view b);

    bool operator==(const HTTPHeaderFields&) const = default;

private:
    std::vector<Field> fields_;
};

} // namespace net
