#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDMurmurHash3.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <random>
#include <set>

namespace {

using Tokens = std::vector<std::string>;

class VDContentTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    static Tokens tokens(std::string_view paragraph) {
        auto sets = VDCharacterSets::sharedInstance();
        return VDContent::tokensOfParagraph(paragraph, *sets->characterDelimitedSet(),
                                            *sets->spaceDelimitedSet());
    }

    static VDContent::Tunables tunables(std::uint64_t shingleLength, std::uint64_t count) {
        VDContent::Tunables t;
        t.shingleLength = shingleLength;
        t.maximumShingleCount = count;
        return t;
    }

    static std::vector<std::uint64_t> heapHashes(const VDContent& content) {
        std::vector<std::uint64_t> hashes;
        for (const auto& tuple : content.heap().sortedObjects())
            hashes.push_back(tuple.hashValue());
        return hashes;
    }
};

TEST_F(VDContentTest, TokensAreLowerCasedWordsAndSingleEastAsianCharacters) {
    struct Case {
        std::string paragraph;
        Tokens expected;
    };
    const Case cases[] = {
        {"Hello, World! 42 times", {"hello", "world", "42", "times"}},
        {"HELLO hello", {"hello", "hello"}},
        // Lower-casing that makes the text longer: "İ" becomes "i" and a combining dot.
        {"İSTANBUL", {"i\u0307stanbul"}},
        {"東京都 tower", {"東", "京", "都", "tower"}},
        {"ひらがなカタカナ한국", {"ひ", "ら", "が", "な", "カ", "タ", "カ", "ナ", "한", "국"}},
        // The middle dot U+30FB is no kana: it only separates.
        {"ア・イ", {"ア", "イ"}},
        // Above U+FFFF the test is per UTF-16 unit: a supplementary ideograph is no token,
        // and its surrogates separate the words around it.
        {"ab\U00020000cd \U0001F600", {"ab", "cd"}},
        {"", {}},
        {" ,;\t ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tokens(c.paragraph), c.expected) << c.paragraph;
}

TEST_F(VDContentTest, ServerRangesChangeTheSetsAndBadRangesFallBack) {
    auto sets = VDCharacterSets::sharedInstance();
    auto defaults = base::UserDefaults::standard();
    // Latin letters one by one; digits only as words.
    defaults->setObject(VDCharacterSets::characterDelimitedRangeKey,
                        base::Value("[[97, 3], [65, 2]]"));
    defaults->setObject(VDCharacterSets::spaceDelimitedRangeKey, base::Value("[[48, 10]]"));
    sets->updateCharacterSets();
    EXPECT_EQ(tokens("abd 123 xyz"), (Tokens{"a", "b", "123"}));

    // A range set that holds surrogates makes tokens of lone surrogates: they are written as
    // U+FFFD, never as broken UTF-8.
    defaults->setObject(VDCharacterSets::characterDelimitedRangeKey, base::Value("[]"));
    defaults->setObject(VDCharacterSets::spaceDelimitedRangeKey,
                        base::Value("[[55296, 1024], [97, 26]]"));
    sets->updateCharacterSets();
    EXPECT_EQ(tokens("a\U00020000b"), (Tokens{"a\uFFFD", "b"}));

    for (const char* bad : {"[[97]]", "not json", "{}", "[[-1, 5]]", "[[1114100, 100]]"}) {
        defaults->setObject(VDCharacterSets::characterDelimitedRangeKey, base::Value(bad));
        defaults->setObject(VDCharacterSets::spaceDelimitedRangeKey, base::Value(bad));
        sets->updateCharacterSets();
        EXPECT_EQ(tokens("Ab 東京"), (Tokens{"ab", "東", "京"})) << bad;
    }
}

TEST_F(VDContentTest, RangeListsAreCheckedWhole) {
    struct Case {
        std::string json;
        bool valid;
        std::int32_t size;
    };
    const Case cases[] = {
        {"[]", true, 0},
        {"[[65, 26], [97, 0]]", true, 26},
        {"[[0, 1114112]]", true, 1114112},
        {"[[1114111, 1]]", true, 1},
        {"[[1114111, 2]]", false, 0},
        {"[[65.5, 2]]", false, 0},
        {"[[65, -2]]", false, 0},
        {"[[true, 2]]", false, 0},
        {"[[\"65\", 2]]", false, 0},
        {"[[65, 2, 3]]", false, 0},
        {"[[65, 2], 7]", false, 0},
        {"[[1e300, 1]]", false, 0},
        {"{\"a\": 1}", false, 0},
        {"[[65, 2]", false, 0},
    };
    for (const auto& c : cases) {
        auto set = VDCharacterSets::characterSetFromRanges(c.json);
        ASSERT_EQ(set.has_value(), c.valid) << c.json;
        if (set) {
            EXPECT_EQ(set->size(), c.size) << c.json;
        }
    }
    EXPECT_FALSE(VDCharacterSets::characterSetFromRanges(
        std::string(VDCharacterSets::maximumRangesTextLength + 1, ' ')));
}

TEST_F(VDContentTest, AParagraphGivesOneShinglePerWindowOfTokens) {
    struct Case {
        std::size_t tokenCount;
        std::size_t shingles;
    };
    // Fewer tokens than the shingle length give none; exactly as many give one.
    for (const auto& c : {Case{0, 0}, Case{5, 0}, Case{6, 1}, Case{7, 2}, Case{20, 15}}) {
        VDContent content(1, tunables(6, 64));
        Tokens paragraph;
        for (std::size_t i = 0; i < c.tokenCount; ++i)
            paragraph.push_back("w" + std::to_string(i));
        content.selectShinglesFromTokens(paragraph);
        EXPECT_EQ(content.heap().count(), c.shingles) << c.tokenCount;
    }
    VDContent single(1, tunables(1, 64));
    single.selectShinglesFromTokens({"only"});
    ASSERT_EQ(single.heap().count(), 1u);
    EXPECT_EQ(single.heap().minimum()->hashValue(), VDContent::termOfToken("only"));
}

// The rolling hash of every window equals the hash computed afresh from its tokens.
TEST_F(VDContentTest, RollingHashEqualsDirectRecomputationForEveryWindow) {
    std::mt19937 random(2024);
    auto direct = [](const Tokens& window) {
        std::uint64_t h = VDContent::termOfToken(window[0]);
        for (std::size_t i = 1; i < window.size(); ++i)
            h = (h * VDContent::base % VDContent::modulus + VDContent::termOfToken(window[i])) %
                VDContent::modulus;
        return h;
    };
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = 1 + random() % 8;
        const std::size_t count = random() % 40;
        Tokens paragraph;
        for (std::size_t i = 0; i < count; ++i)
            paragraph.push_back(std::to_string(random() % 50));
        VDContent content(1, tunables(n, 64));
        content.selectShinglesFromTokens(paragraph);

        std::set<std::uint64_t> expected;
        for (std::size_t i = 0; i + n <= count; ++i)
            expected.insert(direct(Tokens(paragraph.begin() + std::ptrdiff_t(i),
                                          paragraph.begin() + std::ptrdiff_t(i + n))));
        const auto kept = heapHashes(content);
        ASSERT_EQ(std::set<std::uint64_t>(kept.begin(), kept.end()), expected)
            << "n " << n << ", " << count << " tokens";
        for (const auto& tuple : content.heap().sortedObjects()) {
            ASSERT_EQ(tuple.shingle().size(), n);
            EXPECT_EQ(direct(tuple.shingle()), tuple.hashValue());
        }
    }
}

TEST_F(VDContentTest, TermsSignExtendTheTokenHash) {
    for (const std::string token : {"a", "hello", "東", "x9"}) {
        const auto h = std::int32_t(VDMurmurHash3(token, 0));
        const std::uint64_t expected =
            (0x7FFFFFFFull + std::uint64_t(std::int64_t(h))) % VDContent::modulus;
        EXPECT_EQ(VDContent::termOfToken(token), expected);
        EXPECT_LT(VDContent::termOfToken(token), VDContent::modulus);
    }
}

TEST_F(VDContentTest, TheHeapKeepsTheLargestDistinctHashes) {
    VDContent content(1, tunables(1, 3));
    const Tokens shingle{"x"};
    const Tokens other{"y"};
    for (std::uint64_t hash : {5, 1, 9, 7, 3})
        content.updateHeapWithHashShingle(hash, shingle);
    EXPECT_EQ(heapHashes(content), (std::vector<std::uint64_t>{5, 7, 9}));
    // An equal hash keeps the shingle that came first.
    content.updateHeapWithHashShingle(7, other);
    content.updateHeapWithHashShingle(8, other);
    EXPECT_EQ(heapHashes(content), (std::vector<std::uint64_t>{7, 8, 9}));
    EXPECT_EQ(content.heap().sortedObjects()[0].shingle(), shingle);
}

TEST_F(VDContentTest, TheFingerprintIsFourDigestBytesPerShingleInURLSafeBase64) {
    VDContent content(1, tunables(2, 10));
    EXPECT_EQ(content.shingleHash(), "");
    content.updateContentWithText("Alpha beta");
    ASSERT_EQ(content.heap().count(), 1u);

    std::uint8_t folded[2];
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t h = VDMurmurHash3(i == 0 ? "alpha" : "beta", 0);
        folded[i] = std::uint8_t(h ^ h >> 8 ^ h >> 16 ^ h >> 24);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    ASSERT_EQ(EVP_Digest(folded, 2, digest, &length, EVP_md5(), nullptr), 1);
    unsigned char encoded[16] = {};
    EVP_EncodeBlock(encoded, digest, 4);
    std::string expected(reinterpret_cast<char*>(encoded));
    for (char& c : expected)
        c = c == '+' ? '-' : c == '/' ? '_' : c;
    EXPECT_EQ(content.fingerprint(), expected);
    EXPECT_EQ(expected.size(), 8u); // "xxxxxx==": padded

    // Ten shingles: 40 bytes, 56 characters.
    VDContent longer(1, tunables(1, 10));
    longer.updateContentWithText("one two three four five six seven eight nine ten eleven");
    EXPECT_EQ(longer.fingerprint().size(), 56u);
}

TEST_F(VDContentTest, ScoreCountsAgeAndLengthOfLongParagraphs) {
    VDContent::Tunables t;
    t.contentAgeWeight = 3;
    t.contentLengthWeight = 2;
    VDContent content(5, t);
    content.updateContentWithText("");
    EXPECT_EQ(content.score(), 0);
    // Lines shorter than 6 units count nothing, but a first text still raises the score to the
    // walk's age, without shingles.
    content.updateContentWithText("short\ntiny\n");
    EXPECT_EQ(content.contentTotalLength(), 0u);
    EXPECT_EQ(content.score(), 15);
    EXPECT_EQ(content.fingerprint(), "");
    // "\r\n" lines: the carriage return stays in the paragraph (and its length) but makes no
    // token.
    content.updateContentWithText(
        "one two three four five six\r\nseven eight nine ten elevn twelv");
    EXPECT_EQ(content.contentTotalLength(), 28u + 32u);
    EXPECT_EQ(content.score(), 15 + 2 * 60);
    EXPECT_EQ(content.heap().count(), 2u); // one shingle per line: none spans the two
    EXPECT_NE(content.fingerprint(), "");
    // A surrogate pair counts two units.
    content.updateContentWithText("\U0001F600\U0001F600\U0001F600");
    EXPECT_EQ(content.contentTotalLength(), 66u);
    EXPECT_EQ(content.score(), 15 + 2 * 66);

    content.deductServedPenalty();
    EXPECT_EQ(content.score(), 15 + 2 * 66 - 100);
}

TEST_F(VDContentTest, ServerTunablesAreClamped) {
    struct Case {
        const char* key;
        base::Value value;
        std::uint64_t VDContent::Tunables::*field;
        std::uint64_t expected;
    };
    using T = VDContent::Tunables;
    const Case cases[] = {
        {T::shingleLengthKey, base::Value("3"), &T::shingleLength, 3},
        {T::shingleLengthKey, base::Value("0"), &T::shingleLength, 1},
        {T::shingleLengthKey, base::Value(-4), &T::shingleLength, 1},
        {T::shingleLengthKey, base::Value("100000"), &T::shingleLength, T::shingleLengthLimit},
        {T::shingleLengthKey, base::Value("six"), &T::shingleLength, 6},
        {T::maximumShingleCountKey, base::Value("0"), &T::maximumShingleCount, 1},
        {T::maximumShingleCountKey, base::Value("1e12"), &T::maximumShingleCount,
         T::maximumShingleCountLimit},
        {T::maximumShingleCountKey, base::Value("12.9"), &T::maximumShingleCount, 12},
        {T::minimumParagraphLengthKey, base::Value(-1), &T::minimumParagraphLength, 0},
        {T::minimumParagraphLengthKey, base::Value("nan"), &T::minimumParagraphLength, 6},
    };
    auto defaults = base::UserDefaults::standard();
    for (const auto& c : cases) {
        defaults->setObject(c.key, c.value);
        EXPECT_EQ(T::fromUserDefaults().*c.field, c.expected) << c.key;
        defaults->removeObjectForKey(c.key);
    }
    defaults->setObject(T::contentAgeWeightKey, base::Value("-7"));
    defaults->setObject(T::contentLengthWeightKey, base::Value("1e30"));
    EXPECT_EQ(T::fromUserDefaults().contentAgeWeight, 0);
    EXPECT_EQ(T::fromUserDefaults().contentLengthWeight, T::maximumWeight);
}

} // namespace
