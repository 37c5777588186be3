#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text helpers over UTF-8 std::string.
//
// Where the system counts characters it counts UTF-16 code units, as the phone platform's strings
// did: a character outside the Basic Multilingual Plane (most emoji) counts 2, a combining mark
// counts 1 on its own. Bytes that are not valid UTF-8 count one unit each (as the replacement
// character they would decode to) and are carried through unchanged.
namespace base {

// True when the text is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogate code points, nothing above U+10FFFF.
bool isValidUTF8(std::string_view text);

// The number of UTF-16 code units of the text.
std::size_t utf16Length(std::string_view utf8);

// The part of the text from UTF-16 unit `start`, `length` units long (clamped to the text).
// A character only partly inside the range is left out: a range that begins or ends in the middle
// of a surrogate pair never yields half a character, so the result is always valid UTF-8 when
// the input is.
std::string utf16Substr(std::string_view utf8, std::size_t start,
                        std::size_t length = std::string_view::npos);

// Offset conversions between bytes and UTF-16 units. A byte offset inside a character counts
// as the start of that character; offsets past the end clamp to the end. A UTF-16 offset in the
// middle of a surrogate pair maps to the start of that character.
std::size_t utf16OffsetOfByte(std::string_view utf8, std::size_t byteOffset);
std::size_t byteOffsetOfUTF16(std::string_view utf8, std::size_t utf16Offset);

// Unicode case mapping without locale tailoring ("ß" uppercases to "SS", "İ" lowercases to
// "i̇"). Invalid UTF-8 comes out as U+FFFD.
std::string lowercase(std::string_view text);
std::string uppercase(std::string_view text);

// The text without white space and line breaks at both ends: tab, line feed, vertical tab, form
// feed, carriage return, U+0085, and every space, line and paragraph separator (U+00A0, U+2028
// ...).
std::string trim(std::string_view text);

// ASCII-only forms for protocol text (header names and values, cookie attributes, host names),
// where only A-Z fold and only spaces and tabs are padding; other bytes pass through untouched.
std::string lowercaseASCII(std::string_view text);
std::string uppercaseASCII(std::string_view text);
bool equalsIgnoringASCIICase(std::string_view a, std::string_view b);
// The text without spaces and tabs at both ends, as a view into the same characters.
std::string_view trimSpacesAndTabs(std::string_view text);
// 0 to 15 for a hex digit of either case, -1 for any other character.
int hexDigitValue(char c);

bool hasPrefix(std::string_view text, std::string_view prefix);
bool hasSuffix(std::string_view text, std::string_view suffix);

// Comparison after Unicode case folding, ordered by UTF-16 code units as the platform ordered.
std::weak_ordering compareCaseInsensitive(std::string_view a, std::string_view b);
bool equalsCaseInsensitive(std::string_view a, std::string_view b);

// The pieces between occurrences of `separator`, empty pieces included: "a,,b" gives "a", "",
// "b"; an empty text gives one empty piece; an empty separator gives the text whole.
std::vector<std::string> split(std::string_view text, std::string_view separator);
// The same, cutting at every character (code point) that occurs in `separatorCharacters`.
std::vector<std::string> splitByCharacters(std::string_view text,
                                           std::string_view separatorCharacters);

std::string join(const std::vector<std::string>& pieces, std::string_view separator);

// Every non-overlapping occurrence of `target`, left to right, replaced. An empty target
// changes nothing.
std::string replaceAll(std::string_view text, std::string_view target,
                       std::string_view replacement);

} // namespace base
