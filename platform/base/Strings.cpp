#include "platform/base/Strings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace base {

namespace {

// One character read from UTF-8. An ill-formed byte reads as U+FFFD, one byte long.
struct Character {
    char32_t codePoint;
    std::size_t size;
    bool valid;

    std::size_t utf16Units() const { return valid && codePoint >= 0x10000 ? 2 : 1; }
};

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

Character readCharacter(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) -> unsigned char {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const Character invalid{0xFFFD, 1, false};
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1, true};
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (!isContinuation(byte(1)))
            return invalid;
        return {char32_t(lead & 0x1F) << 6 | (byte(1) & 0x3F), 2, true};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // The second byte's range rules out overlong forms (E0) and surrogates (ED).
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        if (!isContinuation(byte(1), low, high) || !isContinuation(byte(2)))
            return invalid;
        return {char32_t(lead & 0x0F) << 12 | char32_t(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F), 3,
                true};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        // Likewise overlong forms (F0) and code points above U+10FFFF (F4).
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        if (!isContinuation(byte(1), low, high) || !isContinuation(byte(2)) ||
            !isContinuation(byte(3)))
            return invalid;
        return {char32_t(lead & 0x07) << 18 | char32_t(byte(1) & 0x3F) << 12 |
                    char32_t(byte(2) & 0x3F) << 6 | (byte(3) & 0x3F),
                4, true};
    }
    return invalid;
}

bool isWhitespaceOrNewline(const Character& c) {
    if (!c.valid)
        return false;
    const char32_t cp = c.codePoint;
    if ((cp >= 0x09 && cp <= 0x0D) || cp == 0x85)
        return true;
    const auto type = u_charType(static_cast<UChar32>(cp));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUTF8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

bool isValidUTF8(std::string_view text) {
    const auto asciiWord = [&](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        return (word & 0x8080808080808080ull) == 0;
    };
    for (std::size_t at = 0; at < text.size();) {
        // Runs of ASCII, eight bytes at a time.
        while (at + 8 <= text.size() && asciiWord(at))
            at += 8;
        if (at >= text.size())
            break;
        const auto c = readCharacter(text, at);
        if (!c.valid)
            return false;
        at += c.size;
    }
    return true;
}

std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto c = readCharacter(utf8, at);
        units += c.utf16Units();
        at += c.size;
    }
    return units;
}

std::string utf16Substr(std::string_view utf8, std::size_t start, std::size_t length) {
    const std::size_t end =
        length > std::string_view::npos - start ? std::string_view::npos : start + length;
    std::size_t unit = 0;
    std::size_t firstByte = utf8.size();
    std::size_t endByte = utf8.size();
    for (std::size_t at = 0; at < utf8.size();) {
        const auto c = readCharacter(utf8, at);
        const std::size_t units = c.utf16Units();
        if (unit + units > end) {
            endByte = at;
            break;
        }
        if (unit >= start && firstByte == utf8.size())
            firstByte = at;
        unit += units;
        at += c.size;
    }
    if (firstByte >= endByte)
        return {};
    return std::string(utf8.substr(firstByte, endByte - firstByte));
}

std::size_t utf16OffsetOfByte(std::string_view utf8, std::size_t byteOffset) {
    std::size_t unit = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto c = readCharacter(utf8, at);
        if (at + c.size > byteOffset)
            break;
        unit += c.utf16Units();
        at += c.size;
    }
    return unit;
}

std::size_t byteOffsetOfUTF16(std::string_view utf8, std::size_t utf16Offset) {
    std::size_t unit = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto c = readCharacter(utf8, at);
        if (unit + c.utf16Units() > utf16Offset)
            break;
        unit += c.utf16Units();
        at += c.size;
    }
    return at;
}

std::string lowercase(std::string_view text) {
    return toUTF8(toUnicode(text).toLower(icu::Locale::getRoot()));
}

std::string uppercase(std::string_view text) {
    return toUTF8(toUnicode(text).toUpper(icu::Locale::getRoot()));
}

std::string trim(std::string_view text) {
    std::size_t first = text.size();
    std::size_t end = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto c = readCharacter(text, at);
        if (!isWhitespaceOrNewline(c)) {
            first = std::min(first, at);
            end = at + c.size;
        }
        at += c.size;
    }
    if (first >= end)
        return {};
    return std::string(text.substr(first, end - first));
}

namespace {

char lowercaseASCIICharacter(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

char uppercaseASCIICharacter(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

} // namespace

std::string lowercaseASCII(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lowercaseASCIICharacter);
    return result;
}

std::string uppercaseASCII(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), uppercaseASCIICharacter);
    return result;
}

bool equalsIgnoringASCIICase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowercaseASCIICharacter(x) == lowercaseASCIICharacter(y);
           });
}

std::string_view trimSpacesAndTabs(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    const auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool hasPrefix(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool hasSuffix(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::weak_ordering compareCaseInsensitive(std::string_view a, std::string_view b) {
    const int8_t order = toUnicode(a).caseCompare(toUnicode(b), U_FOLD_CASE_DEFAULT);
    if (order < 0)
        return std::weak_ordering::less;
    if (order > 0)
        return std::weak_ordering::greater;
    return std::weak_ordering::equivalent;
}

bool equalsCaseInsensitive(std::string_view a, std::string_view b) {
    return compareCaseInsensitive(a, b) == std::weak_ordering::equivalent;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    if (separator.empty())
        return {std::string(text)};
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t found; (found = text.find(separator, from)) != std::string_view::npos;) {
        pieces.emplace_back(text.substr(from, found - from));
        from = found + separator.size();
    }
    pieces.emplace_back(text.substr(from));
    return pieces;
}

std::vector<std::string> splitByCharacters(std::string_view text,
                                           std::string_view separatorCharacters) {
    std::set<char32_t> separators;
    for (std::size_t at = 0; at < separatorCharacters.size();) {
        const auto c = readCharacter(separatorCharacters, at);
        if (c.valid)
            separators.insert(c.codePoint);
        at += c.size;
    }
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto c = readCharacter(text, at);
        if (c.valid && separators.contains(c.codePoint)) {
            pieces.emplace_back(text.substr(from, at - from));
            from = at + c.size;
        }
        at += c.size;
    }
    pieces.emplace_back(text.substr(from));
    return pieces;
}

std::string join(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out.append(separator);
        out.append(pieces[i]);
    }
    return out;
}

std::string replaceAll(std::string_view text, std::string_view target,
                       std::string_view replacement) {
    if (target.empty())
        return std::string(text);
    std::string out;
    std::size_t from = 0;
    for (std::size_t found; (found = text.find(target, from)) != std::string_view::npos;) {
        out.append(text.substr(from, found - from));
        out.append(replacement);
        from = found + target.size();
    }
    out.append(text.substr(from));
    return out;
}

} // namespace base
