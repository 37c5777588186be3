#include "platform/base/PercentEscape.h"

#include "platform/base/Strings.h"

#include <optional>

namespace base {

namespace {

constexpr std::string_view alwaysEscaped = "\"<>\\^`{|}";

bool mustEscape(unsigned char byte, std::string_view extra) {
    if (byte <= 0x20 || byte >= 0x7F)
        return true;
    const char c = static_cast<char>(byte);
    return alwaysEscaped.find(c) != std::string_view::npos ||
           extra.find(c) != std::string_view::npos;
}

} // namespace

std::string percentEscape(std::string_view utf8, std::string_view extraCharactersToEscape) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (mustEscape(byte, extraCharactersToEscape)) {
            out.push_back('%');
            out.push_back(digits[byte >> 4]);
            out.push_back(digits[byte & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

namespace {

// The byte of the escape "%XX" at `at`, if there is one.
std::optional<char> escapedByte(std::string_view text, std::size_t at) {
    if (text[at] != '%' || at + 2 >= text.size())
        return std::nullopt;
    const int high = hexDigitValue(text[at + 1]);
    const int low = hexDigitValue(text[at + 2]);
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<char>(high << 4 | low);
}

} // namespace

std::string percentUnescapeBytes(std::string_view escaped) {
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (auto byte = escapedByte(escaped, i)) {
            out.push_back(*byte);
            i += 2;
        } else {
            out.push_back(escaped[i]);
        }
    }
    return out;
}

std::optional<std::string> percentUnescape(std::string_view escaped) {
    // Every '%' must start an escape; what they stand for must be UTF-8.
    for (std::size_t at = escaped.find('%'); at != std::string_view::npos;
         at = escaped.find('%', at + 3))
        if (!escapedByte(escaped, at))
            return std::nullopt;
    std::string out = percentUnescapeBytes(escaped);
    if (!isValidUTF8(out))
        return std::nullopt;
    return out;
}

} // namespace base
