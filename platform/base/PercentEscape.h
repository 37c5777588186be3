#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

// Percent-escapes UTF-8 text the way the platform's "add percent escapes" function did with the
// UTF-8 encoding: every byte that may not stand in a URL becomes "%XX" (upper-case hex), and so
// does every character listed in `extraCharactersToEscape`.
//
// Escaped always: control bytes (0x00-0x1F, 0x7F), space, every byte of a non-ASCII character,
// and the characters " < > \ ^ ` { | }. Everything else is a legal URL character and is left
// alone unless listed as extra, '%' and '#' included: "100%" stays "100%" by default and becomes
// "100%25" when '%' is listed. Bytes are escaped as they are, so text that is not valid UTF-8
// still escapes losslessly.
//
// With the extra set "!*'();:@&=+$,/?%#[]" the result is safe as a query parameter value:
// "a b&c" → "a%20b%26c", "é" → "%C3%A9".
std::string percentEscape(std::string_view utf8, std::string_view extraCharactersToEscape = {});

// The characters escaped in addition when text becomes one query parameter value.
inline constexpr std::string_view queryValueCharactersToEscape = "!*'();:@&=+$,/?%#[]";

// Replaces every "%XX" (either case of hex digit) by its byte. nullopt when a '%' is not
// followed by two hex digits, or when the bytes produced are not valid UTF-8: such text has no
// unescaped form as a string. '+' stays '+'.
std::optional<std::string> percentUnescape(std::string_view escaped);
// Replaces every "%XX" by its byte and keeps anything else as it is (a stray '%' included), for
// text whose bytes need not be UTF-8, such as file-system paths.
std::string percentUnescapeBytes(std::string_view escaped);

} // namespace base
