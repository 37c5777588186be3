#include "ads/foundation/VD_TKStringEncoding.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct NamedEncoding {
    const char* name;
    std::function<VD_TKStringEncoding()> make;
    int shift;
    bool padded;
};

const std::vector<NamedEncoding>& allEncodings() {
    static const std::vector<NamedEncoding> encodings = {
        {"binary", VD_TKStringEncoding::binaryStringEncoding, 1, false},
        {"hex", VD_TKStringEncoding::hexStringEncoding, 4, false},
        {"base32", VD_TKStringEncoding::rfc4648Base32StringEncoding, 5, true},
        {"base32hex", VD_TKStringEncoding::rfc4648Base32HexStringEncoding, 5, true},
        {"crockford", VD_TKStringEncoding::crockfordBase32StringEncoding, 5, false},
        {"base64", VD_TKStringEncoding::rfc4648Base64StringEncoding, 6, true},
        {"base64url", VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding, 6, true},
        {"base8", [] { return *VD_TKStringEncoding::stringEncodingWithString("01234567"); }, 3,
         false},
        {"base4", [] { return *VD_TKStringEncoding::stringEncodingWithString("ACGT"); }, 2, false},
        {"base128",
         [] {
             std::string alphabet;
             for (int c = 0; c < 128; ++c)
                 alphabet.push_back(char(c));
             return *VD_TKStringEncoding::stringEncodingWithString(alphabet);
         },
         7, false},
    };
    return encodings;
}

base::Data patternBytes(std::size_t length, unsigned seed) {
    std::vector<std::uint8_t> bytes(length);
    unsigned state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = std::uint8_t(state >> 16);
    }
    return base::Data(std::move(bytes));
}

TEST(VD_TKStringEncodingTest, RoundTripsEveryLengthUpTo20OnEveryAlphabet) {
    for (const auto& named : allEncodings()) {
        auto encoding = named.make();
        ASSERT_EQ(encoding.shift(), named.shift) << named.name;
        for (std::size_t length = 0; length <= 20; ++length) {
            for (unsigned seed : {1u, 2u, 3u}) {
                base::Data input = patternBytes(length, seed + unsigned(length) * 7);
                std::string encoded = encoding.encode(input);
                std::size_t characters =
                    (length * 8 + std::size_t(named.shift) - 1) / std::size_t(named.shift);
                std::size_t expected = characters;
                if (named.padded)
                    expected = (characters + encoding.padLen() - 1) / encoding.padLen() *
                               encoding.padLen();
                EXPECT_EQ(encoded.size(), expected) << named.name << " length " << length;
                for (std::size_t i = 0; i < encoded.size(); ++i) {
                    if (i < characters)
                        EXPECT_NE(encoding.charMapData().find(encoded[i]), std::string::npos);
                    else
                        EXPECT_EQ(encoded[i], '=');
                }
                auto decoded = encoding.decode(encoded);
                ASSERT_TRUE(decoded) << named.name << " length " << length << ": " << encoded;
                EXPECT_EQ(*decoded, input) << named.name << " length " << length;
            }
        }
    }
}

TEST(VD_TKStringEncodingTest, KnownVectors) {
    struct Case {
        std::function<VD_TKStringEncoding()> make;
        std::string input;
        std::string encoded;
    };
    const std::vector<Case> cases = {
        {VD_TKStringEncoding::rfc4648Base64StringEncoding, "", ""},
        {VD_TKStringEncoding::rfc4648Base64StringEncoding, "f", "Zg=="},
        {VD_TKStringEncoding::rfc4648Base64StringEncoding, "fo", "Zm8="},
        {VD_TKStringEncoding::rfc4648Base64StringEncoding, "foobar", "Zm9vYmFy"},
        {VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding, "abc", "YWJj"},
        {VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding, std::string(1, '\0'), "AA=="},
        {VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding, "\xfb\xff", "-_8="},
        {VD_TKStringEncoding::rfc4648Base64StringEncoding, "\xfb\xff", "+/8="},
        {VD_TKStringEncoding::rfc4648Base32StringEncoding, "f", "MY======"},
        {VD_TKStringEncoding::rfc4648Base32StringEncoding, "foob", "MZXW6YQ="},
        {VD_TKStringEncoding::rfc4648Base32StringEncoding, "foobar", "MZXW6YTBOI======"},
        {VD_TKStringEncoding::rfc4648Base32HexStringEncoding, "foobar", "CPNMUOJ1E8======"},
        {VD_TKStringEncoding::crockfordBase32StringEncoding, "foobar", "CSQPYRK1E8"},
        {VD_TKStringEncoding::hexStringEncoding, "\xab\x01", "AB01"},
        {VD_TKStringEncoding::binaryStringEncoding, "\xab", "10101011"},
    };
    for (const auto& c : cases) {
        auto encoding = c.make();
        EXPECT_EQ(encoding.encodeString(c.input), c.encoded) << encoding.description();
        EXPECT_EQ(encoding.decode(c.encoded), base::Data::fromString(c.input)) << c.encoded;
    }
}

TEST(VD_TKStringEncodingTest, DecodesSynonymsAndZeroLeftoverBits) {
    auto hex = VD_TKStringEncoding::hexStringEncoding();
    EXPECT_EQ(hex.decode("ab01"), base::Data(std::vector<std::uint8_t>{0xAB, 0x01}));
    EXPECT_EQ(hex.decode("AB0"), base::Data(std::vector<std::uint8_t>{0xAB}));
    EXPECT_FALSE(hex.decode("AB1"));

    auto crockford = VD_TKStringEncoding::crockfordBase32StringEncoding();
    EXPECT_EQ(crockford.decode("csqpyrk1e8"), crockford.decode("CSQPYRK1E8"));
    EXPECT_EQ(crockford.decode("oO0"), crockford.decode("000"));
    EXPECT_EQ(crockford.decode("iIlL1000"), crockford.decode("11111000"));
    EXPECT_FALSE(crockford.decode("U0")); // U is neither in the alphabet nor a synonym
}

TEST(VD_TKStringEncodingTest, RefusesMalformedText) {
    auto base64 = VD_TKStringEncoding::rfc4648Base64StringEncoding();
    struct Case {
        const char* text;
        const char* why;
    };
    const std::vector<Case> malformed = {
        {"Zg=a", "alphabet character after padding"},
        {"Z=g=", "alphabet character after padding"},
        {"Zm8*", "unknown character"},
        {"Zm 8", "space is not ignored unless asked"},
        {"Zh==", "leftover bits not zero"},
        {"Z", "six bits with non-zero leftover"},
        {"Zm8\xc3\xa9", "not ASCII"},
        {"-_8=", "websafe characters in the standard alphabet"},
    };
    // Alone, and after whole groups of good text, so that the fault lies in a later group.
    for (const auto& c : malformed) {
        EXPECT_FALSE(base64.decode(c.text)) << c.text << ": " << c.why;
        EXPECT_FALSE(base64.decode(std::string("Zm9vYmFy") + c.text)) << c.text << ": " << c.why;
    }

    // Padding is optional when decoding, and a bare "=" run decodes to nothing.
    EXPECT_EQ(base64.stringByDecoding("Zg"), "f");
    EXPECT_EQ(base64.stringByDecoding("=="), "");
    EXPECT_EQ(base64.stringByDecoding("Zm9vYmFy"), "foobar");
    // Bytes that are not UTF-8 decode as data but not as a string.
    EXPECT_TRUE(base64.decode("/w=="));
    EXPECT_FALSE(base64.stringByDecoding("/w=="));
}

TEST(VD_TKStringEncodingTest, IgnoredCharactersAreSkipped) {
    auto base64 = VD_TKStringEncoding::rfc4648Base64StringEncoding();
    base64.ignoreCharacters(" \r\n\xc3");
    EXPECT_EQ(base64.stringByDecoding("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(base64.stringByDecoding(" Zg = = "), "f");
}

TEST(VD_TKStringEncodingTest, AlphabetValidation) {
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString(""));
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString("0"));
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString("012"));
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString("0120"));
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString("01\xc3\xa9"));
    EXPECT_FALSE(VD_TKStringEncoding::stringEncodingWithString(std::string(256, 'a')));
    auto base8 = VD_TKStringEncoding::stringEncodingWithString("01234567");
    ASSERT_TRUE(base8);
    EXPECT_EQ(base8->shift(), 3);
    EXPECT_EQ(base8->mask(), 7u);
    EXPECT_EQ(base8->padLen(), 8u);
    EXPECT_FALSE(base8->doPad());
    EXPECT_EQ(base8->description(), "<Base8 StringEncoder: 01234567>");
    EXPECT_EQ(VD_TKStringEncoding::rfc4648Base64StringEncoding().padLen(), 4u);
    EXPECT_EQ(VD_TKStringEncoding::hexStringEncoding().padLen(), 2u);
    EXPECT_EQ(VD_TKStringEncoding::rfc4648Base32StringEncoding().padLen(), 8u);
    EXPECT_EQ(VD_TKStringEncoding::binaryStringEncoding().padLen(), 8u);
}

TEST(VD_TKStringEncodingTest, PaddingCharacterSetUp) {
    auto hex = VD_TKStringEncoding::hexStringEncoding();
    EXPECT_FALSE(hex.setPaddingChar('A')); // part of the alphabet
    EXPECT_FALSE(hex.setPaddingChar(char(0xC3)));
    EXPECT_TRUE(hex.setPaddingChar('*'));
    hex.setDoPad(true);
    EXPECT_EQ(hex.encodeString("a"), "61"); // two characters fill the granule
    EXPECT_EQ(hex.reverseCharMap()['*'], VD_TKStringEncoding::paddingCharMark);
    EXPECT_TRUE(hex.setPaddingChar('#'));
    EXPECT_EQ(hex.reverseCharMap()['*'], VD_TKStringEncoding::unknownChar);
    EXPECT_EQ(hex.stringByDecoding("61##"), "a");
    EXPECT_FALSE(hex.decode("61**"));

    auto base8 = *VD_TKStringEncoding::stringEncodingWithString("01234567");
    ASSERT_TRUE(base8.setPaddingChar('='));
    base8.setDoPad(true);
    EXPECT_EQ(base8.encodeString("a"), "302=====");
    EXPECT_EQ(base8.stringByDecoding("302====="), "a");
}

TEST(VD_TKStringEncodingTest, SynonymsOnlyFillCharactersWithoutMeaning) {
    auto encoding = *VD_TKStringEncoding::stringEncodingWithString("01");
    // 'x' has no meaning before a known character; '1' sets the meaning for 'y' and 'z'; '0'
    // is already a digit and is not changed by following '1'.
    encoding.addDecodeSynonyms("x1yz01");
    EXPECT_EQ(encoding.reverseCharMap()['x'], VD_TKStringEncoding::unknownChar);
    EXPECT_EQ(encoding.reverseCharMap()['y'], 1);
    EXPECT_EQ(encoding.reverseCharMap()['z'], 1);
    EXPECT_EQ(encoding.reverseCharMap()['0'], 0);
    EXPECT_EQ(encoding.decode("yz0z0zzz"), encoding.decode("11010111"));
}

} // namespace
