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
        {"utf-16", std::string("\0A", 2), "A"},                       // no mark
        {"UTF-16LE", std::string("A\0=\xD8\0\xDE", 6), "A\xF0\x9F\x98\x80"},
        {"utf-16le",
         std::string("\xFF\xFE"
                     "A\0",
                     4),
         "A"},
        {"us-ascii", "ascii", "ascii"},
        {"utf-8", "", ""},
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
        {"us-ascii", "\xE9", kReplacement},            // no mapping
    };
    for (const auto& c : cases)
        EXPECT_EQ(decoded(c.bytes, c.charset), c.utf8) << c.charset;

    // Every byte value through a multi-byte charset: something comes out, nothing breaks.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (const char* charset : {"utf-8", "shift_jis", "euc-jp", "gb18030", "utf-16", "utf-32"})
        EXPECT_FALSE(decoded(all + all, charset).empty()) << charset;
}

TEST(TextEncodingTest, UnknownNamesAreAClearFailure) {
    for (const char* name : {"no-such-charset", "", "x-user-defined-nonsense"}) {
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
          "EUC-KR", "big5", "koi8-r", "utf-16", "UTF-16BE", "us-ascii", "gb2312"})
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
