#include "platform/base/TextEncoding.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

struct Case {
    std::string charset;
    std::string bytes;
    std::string utf8;
};

std::string decoded(std::string_view bytes, std::string_view charset) {
    const auto result = base::decodeText(bytes, charset);
    EXPECT_TRUE(result.ok()) << charset;
    return result.ok() ? result.value() : "<failed>";
}

TEST(TextEncodingTest, DecodesCommonCharsets) {
    const std::vector<Case> cases = {
        {"utf-8", "caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
        {"UTF8", "plain", "plain"},
        {"utf-8", "\xEF\xBB\xBFwith mark", "with mark"},
        {"utf-8", std::string("nul\0inside", 10), std::string("nul\0inside", 10)},
        {"iso-8859-1", "caf\xE9", "caf\xC3\xA9"},
        {"ISO_8859-1", "\xA0\xFF", "\xC2\xA0\xC3\xBF"},
        {"latin1", "\xE9", "\xC3\xA9"},
        {"windows-1252", "\x80 \x93hi\x94", "\xE2\x82\xAC \xE2\x80\x9Chi\xE2\x80\x9D"},
        {"Windows-1252", "caf\xE9", "caf\xC3\xA9"},
        {"shift_jis", "\x93\xFA\x96\x7B\x8C\xEA", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}, // 日本語
        {"Shift_JIS", "abc\x82\xA0", "abc\xE3\x81\x82"},                                   // あ
        {"utf-16",
         std::string("\xFF\xFE"
                     "A\0\xE9\0",
                     6),
         "A\xC3\xA9"},                                                // LE mark
        {"utf-16", std::string("\xFE\xFF\0A\0\xE9", 6), "A\xC3\xA9"}, // BE mark
        {"utf-16", std::string("A\0", 2), "A"},                       // no mark: LE
        {"UTF-16LE", std::string("A\0=\xD8\0\xDE", 6), "A\xF0\x9F\x98\x80"},
        {"utf-16le",
         std::string("\xFF\xFE"
                     "A\0",
                     4),
         "A"},
        {"us-ascii", "ascii", "ascii"},
        {"utf-8", "", ""},
        // The standard's encodings behind the labels: Latin-1 and ASCII are windows-1252, and
        // a byte order mark decides over the label.
        {"iso-8859-1", "\x93x\x94", "\xE2\x80\x9Cx\xE2\x80\x9D"},
        {"us-ascii", "\xE9", "\xC3\xA9"},
        {"windows-1252", "\xEF\xBB\xBF\xC3\xA9", "\xC3\xA9"},
        {"utf-8", std::string("\xFE\xFF\0A", 4), "A"},
        {"gbk", "\xD6\xD0", "\xE4\xB8\xAD"},                             // 中
        {"iso-8859-16", "\xA4\xAA\xE9", "\xE2\x82\xAC\xC8\x98\xC3\xA9"}, // €Șé
        {"x-user-defined", "a\x80\xFF", "a\xEF\x9E\x80\xEF\x9F\xBF"},
        {"iso-2022-kr", "\x1B$)Cabc", "\xEF\xBF\xBD"}, // the replacement encoding
        {"replacement", "", ""},
        {" \tLatin1\n", "\xE9", "\xC3\xA9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decoded(c.bytes, c.charset), c.utf8) << c.charset << ": " << c.bytes;
}

TEST(TextEncodingTest, ReplacesBadBytesWithoutFailing) {
    const std::vector<Case> cases = {
        {"utf-8",
         "a\xFF"
         "b",
         "a" + kReplacement + "b"},
        {"utf-8", "a\xC3", "a" + kReplacement}, // truncated at the end
        {"utf-8", "0123456789abcdef\xC3\xA9\xFF", "0123456789abcdef\xC3\xA9" + kReplacement},
        {"utf-8", "\xED\xA0\x80", kReplacement + kReplacement + kReplacement}, // surrogate
        {"shift_jis", "a\x82", "a" + kReplacement},                            // half a character
        {"UTF-16LE",
         std::string("=\xD8"
                     "A\0",
                     4),
         kReplacement + "A"},                          // lone surrogate
        {"utf-16", std::string("A", 1), kReplacement}, // odd byte count
        {"iso-2022-jp", "\x1B$B\xFF", kReplacement},   // a byte no set has
    };
    for (const auto& c : cases)
        EXPECT_EQ(decoded(c.bytes, c.charset), c.utf8) << c.charset;

    // Every byte value through a multi-byte charset: something comes out, nothing breaks.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (const char* charset :
         {"utf-8", "shift_jis", "euc-jp", "gb18030", "utf-16", "big5", "euc-kr", "iso-2022-jp"})
        EXPECT_FALSE(decoded(all + all, charset).empty()) << charset;
}

TEST(TextEncodingTest, EveryLabelOfTheStandardDecodes) {
    // One label of each encoding of the Encoding Standard: each has a converter.
    for (const char* label :
         {"utf-8",        "ibm866",       "iso-8859-2",   "iso-8859-3",     "iso-8859-4",
          "iso-8859-5",   "iso-8859-6",   "iso-8859-7",   "iso-8859-8",     "iso-8859-8-i",
          "iso-8859-10",  "iso-8859-13",  "iso-8859-14",  "iso-8859-15",    "iso-8859-16",
          "koi8-r",       "koi8-u",       "macintosh",    "windows-874",    "windows-1250",
          "windows-1251", "windows-1252", "windows-1253", "windows-1254",   "windows-1255",
          "windows-1256", "windows-1257", "windows-1258", "x-mac-cyrillic", "gbk",
          "gb18030",      "big5",         "euc-jp",       "iso-2022-jp",    "shift_jis",
          "euc-kr",       "utf-16be",     "utf-16le",     "x-user-defined"}) {
        EXPECT_TRUE(base::isKnownEncodingName(label)) << label;
        EXPECT_EQ(decoded(label == std::string_view("utf-16be")   ? std::string("\0A", 2)
                          : label == std::string_view("utf-16le") ? std::string("A\0", 2)
                                                                  : std::string("A"),
                          label),
                  "A")
            << label;
    }
}

TEST(TextEncodingTest, CharsetsOutsideTheStandardAreNoLabels) {
    // SCSU made the installed ICU loop for good on 24 bytes of a page; UTF-7 and UTF-32 are
    // no labels either. The caller decodes such pages as UTF-8.
    const std::string hostile = "0\xC2"
                                "8\xC2\n0\x0B\xC2"
                                "0\xC2"
                                "8\n\xC2"
                                "0\xC2"
                                "1\x98\x0B\xC2"
                                "0\xC2"
                                "8";
    for (const char* name : {"scsu", "SCSU", "utf-7", "utf-32", "bocu-1", "cesu-8", "ibm-37"}) {
        EXPECT_FALSE(base::isKnownEncodingName(name)) << name;
        auto result = base::decodeText(hostile, name);
        ASSERT_FALSE(result.ok()) << name;
        EXPECT_EQ(result.error().code, 264) << name;
    }
}

TEST(TextEncodingTest, UnknownNamesAreAClearFailure) {
    for (const char* name : {"no-such-charset", "", "x-user-defined-nonsense", "utf_8", "utf-8x"}) {
        const auto result = base::decodeText("abc", name);
        ASSERT_FALSE(result.ok()) << name;
        EXPECT_EQ(result.error().domain, base::CocoaErrorDomain);
        EXPECT_EQ(result.error().code, 264);
        EXPECT_NE(result.error().localizedDescription().find(name), std::string::npos);
        EXPECT_FALSE(base::isKnownEncodingName(name));
    }
    EXPECT_FALSE(base::decodeText("abc", std::string_view("utf-8\0", 6)).ok());
    EXPECT_FALSE(base::isKnownEncodingName(std::string_view("utf-8\0", 6)));
}

TEST(TextEncodingTest, KnowsNamesWhateverTheirCase) {
    for (const char* name :
         {"utf-8", "UTF-8", "utf8", "iso-8859-1", "ISO-8859-15", "windows-1252", "Shift_JIS",
          "EUC-KR", "big5", "koi8-r", "utf-16", "UTF-16BE", "us-ascii", "gb2312", "ISO_8859-1"})
        EXPECT_TRUE(base::isKnownEncodingName(name)) << name;
    EXPECT_EQ(decoded("A", "UTF-8"), "A");
    EXPECT_EQ(decoded("A", "uTf-8"), "A");
}

TEST(TextEncodingTest, DecodesData) {
    const auto result = base::decodeText(base::Data::fromString("caf\xE9"), "iso-8859-1");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), "caf\xC3\xA9");
}

} // namespace
