#include "platform/base/Strings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// "e" + COMBINING ACUTE ACCENT: two code points, two UTF-16 units.
const std::string kCombined = "e\xCC\x81";
// U+1F600 GRINNING FACE: one code point, a surrogate pair in UTF-16.
const std::string kEmoji = "\xF0\x9F\x98\x80";

TEST(StringsTest, UTF16LengthCountsCodeUnits) {
    struct Case {
        std::string text;
        std::size_t units;
    };
    const std::vector<Case> cases = {
        {"", 0},
        {"hello", 5},
        {"caf\xC3\xA9", 4},     // é precomposed
        {"caf" + kCombined, 5}, // e + combining mark
        {kEmoji, 2},            // astral character
        {"a" + kEmoji + "b", 4},
        {"\xE2\x82\xAC", 1},                     // € (three UTF-8 bytes, one unit)
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", 4}, // thumbs up + skin tone modifier
        {"\xFF"
         "a",
         2},             // an invalid byte counts as one replacement character
        {"\xE2\x82", 2}, // truncated sequence: each stray byte counts one
    };
    for (const auto& c : cases)
        EXPECT_EQ(base::utf16Length(c.text), c.units) << c.text;
}

TEST(StringsTest, UTF16SubstrCutsByUnitsWithoutSplittingPairs) {
    const std::string text = "ab" + kEmoji + "cd"; // units: a b [hi lo] c d
    struct Case {
        std::size_t start, length;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, 2, "ab"},
        {0, 4, "ab" + kEmoji},
        {0, 3, "ab"}, // end inside the pair: the emoji is left out
        {3, 3, "cd"}, // start inside the pair: the emoji is left out
        {2, 2, kEmoji},
        {4, 100, "cd"}, // length clamps
        {6, 1, ""},     // start at the end
        {50, 1, ""},    // start past the end
        {0, std::string::npos, text},
        {1, 0, ""},
    };
    for (const auto& c : cases) {
        const auto piece = base::utf16Substr(text, c.start, c.length);
        EXPECT_EQ(piece, c.expected) << c.start << "+" << c.length;
        EXPECT_TRUE(base::isValidUTF8(piece));
    }
    // Combining marks are units of their own, as on the platform.
    EXPECT_EQ(base::utf16Substr("caf" + kCombined, 0, 4), "cafe");
}

TEST(StringsTest, OffsetConversionsRoundTripOnCharacterBoundaries) {
    const std::string text = "x" + kEmoji + "\xC3\xA9y"; // bytes: 1 + 4 + 2 + 1
    EXPECT_EQ(base::utf16OffsetOfByte(text, 0), 0u);
    EXPECT_EQ(base::utf16OffsetOfByte(text, 1), 1u);
    EXPECT_EQ(base::utf16OffsetOfByte(text, 3), 1u); // inside the emoji
    EXPECT_EQ(base::utf16OffsetOfByte(text, 5), 3u);
    EXPECT_EQ(base::utf16OffsetOfByte(text, 7), 4u);
    EXPECT_EQ(base::utf16OffsetOfByte(text, 8), 5u);
    EXPECT_EQ(base::utf16OffsetOfByte(text, 99), 5u);
    EXPECT_EQ(base::byteOffsetOfUTF16(text, 1), 1u);
    EXPECT_EQ(base::byteOffsetOfUTF16(text, 2), 1u); // inside the pair
    EXPECT_EQ(base::byteOffsetOfUTF16(text, 3), 5u);
    EXPECT_EQ(base::byteOffsetOfUTF16(text, 4), 7u);
    EXPECT_EQ(base::byteOffsetOfUTF16(text, 99), 8u);
}

TEST(StringsTest, ValidatesUTF8Strictly) {
    EXPECT_TRUE(base::isValidUTF8(""));
    EXPECT_TRUE(base::isValidUTF8("plain \xC3\xA9 \xE2\x82\xAC " + kEmoji));
    EXPECT_TRUE(base::isValidUTF8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    EXPECT_FALSE(base::isValidUTF8("\x80"));             // stray continuation
    EXPECT_FALSE(base::isValidUTF8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(base::isValidUTF8("\xE0\x80\xAF"));     // overlong three-byte form
    EXPECT_FALSE(base::isValidUTF8("\xED\xA0\x80"));     // encoded surrogate
    EXPECT_FALSE(base::isValidUTF8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(base::isValidUTF8("\xE2\x82"));         // truncated
    EXPECT_FALSE(base::isValidUTF8("a\xFE"));
}

TEST(StringsTest, CaseMappingIsUnicode) {
    EXPECT_EQ(base::lowercase("HeLLo \xC3\x89T\xC3\x89"), "hello \xC3\xA9t\xC3\xA9"); // ÉTÉ
    EXPECT_EQ(base::uppercase("stra\xC3\x9F"
                              "e"),
              "STRASSE");                                               // ß
    EXPECT_EQ(base::uppercase("\xCE\xB1\xCE\xB2"), "\xCE\x91\xCE\x92"); // αβ
    EXPECT_EQ(base::lowercase("I"), "i");                               // no Turkish tailoring
    EXPECT_EQ(base::lowercase(kEmoji), kEmoji);
}

TEST(StringsTest, TrimRemovesWhitespaceAndNewlinesAtBothEnds) {
    EXPECT_EQ(base::trim("  host.tld \n"), "host.tld");
    EXPECT_EQ(base::trim("\t\r\n a b \x0B\x0C"), "a b");
    EXPECT_EQ(base::trim("\xC2\xA0x\xE2\x80\xA8"), "x"); // no-break space, line separator
    EXPECT_EQ(base::trim("\xE3\x80\x80"
                         "\xE6\x97\xA5"),
              "\xE6\x97\xA5"); // ideographic space
    EXPECT_EQ(base::trim(" \n\t "), "");
    EXPECT_EQ(base::trim(""), "");
    EXPECT_EQ(base::trim("inner  space"), "inner  space");
}

TEST(StringsTest, ASCIIFormsTouchOnlyASCIILettersAndPadding) {
    // Only A-Z fold: UTF-8 bytes (É) and the Turkish dotted I stay as they are.
    EXPECT_EQ(base::lowercaseASCII("Content-TYPE: \xC3\x89T\xC3\x89 \xC4\xB0"),
              "content-type: \xC3\x89t\xC3\x89 \xC4\xB0");
    EXPECT_EQ(base::lowercaseASCII("@[`{"), "@[`{"); // the neighbours of A-Z and a-z
    EXPECT_EQ(base::uppercaseASCII("fr-latn \xC3\xA9 @[`{"), "FR-LATN \xC3\xA9 @[`{");
    EXPECT_TRUE(base::equalsIgnoringASCIICase("Max-Age", "max-AGE"));
    EXPECT_FALSE(base::equalsIgnoringASCIICase("\xC3\x89", "\xC3\xA9")); // É is not é here
    EXPECT_FALSE(base::equalsIgnoringASCIICase("path", "paths"));
    EXPECT_FALSE(base::equalsIgnoringASCIICase("@", "`"));

    EXPECT_EQ(base::trimSpacesAndTabs(" \t value \t"), "value");
    EXPECT_EQ(base::trimSpacesAndTabs("a \t b"), "a \t b");
    EXPECT_EQ(base::trimSpacesAndTabs("\r\nx\n"), "\r\nx\n"); // line breaks are not padding
    EXPECT_EQ(base::trimSpacesAndTabs(" \t "), "");
    EXPECT_EQ(base::trimSpacesAndTabs(""), "");

    EXPECT_EQ(base::hexDigitValue('0'), 0);
    EXPECT_EQ(base::hexDigitValue('9'), 9);
    EXPECT_EQ(base::hexDigitValue('a'), 10);
    EXPECT_EQ(base::hexDigitValue('F'), 15);
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\xC3'})
        EXPECT_EQ(base::hexDigitValue(c), -1) << c;
}

TEST(StringsTest, PrefixesAndSuffixes) {
    EXPECT_TRUE(base::hasPrefix("https://a", "https"));
    EXPECT_TRUE(base::hasPrefix("abc", ""));
    EXPECT_FALSE(base::hasPrefix("ab", "abc"));
    EXPECT_FALSE(base::hasPrefix("HTTP://a", "http")); // literal, case-sensitive
    EXPECT_TRUE(base::hasSuffix("page.html", ".html"));
    EXPECT_FALSE(base::hasSuffix("l", "html"));
    EXPECT_TRUE(base::hasSuffix("x", ""));
}

TEST(StringsTest, CaseInsensitiveComparison) {
    EXPECT_TRUE(base::equalsCaseInsensitive("HTTP", "http"));
    EXPECT_TRUE(base::equalsCaseInsensitive("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
    EXPECT_TRUE(base::equalsCaseInsensitive("Stra\xC3\x9F"
                                            "e",
                                            "STRASSE")); // full folding
    EXPECT_FALSE(base::equalsCaseInsensitive("abc", "abd"));
    EXPECT_EQ(base::compareCaseInsensitive("apple", "BANANA"), std::weak_ordering::less);
    EXPECT_EQ(base::compareCaseInsensitive("Zebra", "apple"), std::weak_ordering::greater);
    EXPECT_EQ(base::compareCaseInsensitive("ab", "AB"), std::weak_ordering::equivalent);
    EXPECT_EQ(base::compareCaseInsensitive("a", "ab"), std::weak_ordering::less);
}

TEST(StringsTest, SplitKeepsEmptyPieces) {
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(base::split("a,,b", ","), (Pieces{"a", "", "b"}));
    EXPECT_EQ(base::split("", ","), (Pieces{""}));
    EXPECT_EQ(base::split(",", ","), (Pieces{"", ""}));
    EXPECT_EQ(base::split("k=v=w", "="), (Pieces{"k", "v", "w"}));
    EXPECT_EQ(base::split("a::b", "::"), (Pieces{"a", "b"}));
    EXPECT_EQ(base::split("abc", ""), (Pieces{"abc"}));
    EXPECT_EQ(base::splitByCharacters("A=1&b=2;c", "&;"), (Pieces{"A=1", "b=2", "c"}));
    EXPECT_EQ(base::splitByCharacters("x\xE2\x80\xA2y\xE2\x80\xA2", "\xE2\x80\xA2"),
              (Pieces{"x", "y", ""})); // a multi-byte separator character
    EXPECT_EQ(base::splitByCharacters("abc", ""), (Pieces{"abc"}));
}

TEST(StringsTest, JoinAndReplace) {
    EXPECT_EQ(base::join({"a", "b", "c"}, ", "), "a, b, c");
    EXPECT_EQ(base::join({}, ","), "");
    EXPECT_EQ(base::join({"only"}, ","), "only");
    EXPECT_EQ(base::join(base::split("a b c", " "), "+"), "a+b+c");
    EXPECT_EQ(base::replaceAll("a@key@b@key@", "@key@", "X"), "aXbX");
    EXPECT_EQ(base::replaceAll("aaa", "aa", "b"), "ba"); // left to right, no overlap
    EXPECT_EQ(base::replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(base::replaceAll("abc", "b", ""), "ac");
    EXPECT_EQ(base::replaceAll("x", "x", "xx"), "xx"); // the replacement is not searched again
}

} // namespace
