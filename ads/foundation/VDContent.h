#pragma once

#include "ads/foundation/VDBinaryHeap.h"
#include "ads/foundation/VDShingleHashTuple.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unicode/uniset.h>
#include <vector>

// One walk over the application's views, reduced to a fingerprint of its text: the text is
// split into paragraphs and tokens, every run of shingleLength tokens gets a Rabin-Karp
// rolling hash, the maximumShingleCount largest distinct hashes are kept, and the fingerprint
// is, for each kept shingle in ascending hash order, the first 4 bytes of the MD5 of one byte
// per token, in URL-safe base64. The text itself is not kept.
//
// The score ranks walks for requests: it grows with the walk's number (newer walks first) and
// with the length of the text seen, and a request that sends the fingerprint lowers it.
//
// Not thread-safe: every call of one content runs on the content-hashing queue.
class VDContent {
public:
    // The server's tunables (SDK constants, stored as user defaults), each read when present
    // as a number, cut to a whole number and clamped into its range.
    struct Tunables {
        static constexpr const char* contentAgeWeightKey = "/redodi/ads/content_age_weight";
        static constexpr const char* contentLengthWeightKey = "/redodi/ads/content_length_weight";
        static constexpr const char* maximumShingleCountKey = "/redodi/ads/maximum_shingle_count";
        static constexpr const char* minimumParagraphLengthKey =
            "/redodi/ads/minimum_paragraph_length";
        static constexpr const char* shingleLengthKey = "/redodi/ads/shingle_length";

        // Weights from 0 to a million: a negative weight would rank the longest text last.
        static constexpr std::int64_t maximumWeight = 1'000'000;
        // At least one shingle of at least one token, so that a walk can have a fingerprint;
        // at most 64 shingles of 32 tokens, so that the state and the request stay small.
        static constexpr std::uint64_t maximumShingleCountLimit = 64;
        static constexpr std::uint64_t shingleLengthLimit = 32;
        static constexpr std::uint64_t minimumParagraphLengthLimit = 1 << 16;

        std::int64_t contentAgeWeight = 1;
        std::int64_t contentLengthWeight = 1;
        std::uint64_t maximumShingleCount = 10;
        std::uint64_t minimumParagraphLength = 6;
        std::uint64_t shingleLength = 6;

        static Tunables fromUserDefaults();
    };

    // The rolling hash's modulus and base.
    static constexpr std::uint64_t modulus = 0x4000FFFF;
    static constexpr std::uint64_t base = 0x1001FFF;
    static constexpr std::int64_t servedPenalty = 100;

    // The tunables from the user defaults.
    explicit VDContent(std::uint64_t sequenceNumber);
    VDContent(std::uint64_t sequenceNumber, const Tunables& tunables);

    // Adds the text of one view: its paragraphs (split on "\n") of at least
    // minimumParagraphLength UTF-16 units count toward the length; when the score that gives
    // is higher than the current one, it becomes the score and the kept paragraphs' shingles
    // enter the heap, and the fingerprint is made anew. Shingles never span two paragraphs.
    void updateContentWithText(std::string_view text);
    // Offers every window of shingleLength consecutive tokens to the heap; nothing for fewer
    // tokens.
    void selectShinglesFromTokens(const std::vector<std::string>& tokens);
    // Keeps the maximumShingleCount largest distinct hashes: a hash already kept, or not above
    // the least kept hash of a full heap, is ignored.
    void updateHeapWithHashShingle(std::uint64_t hash, std::span<const std::string> shingle);
    // The fingerprint of the heap as it is; "" when the heap is empty.
    std::string shingleHash() const;
    // Lowers the score by servedPenalty, so that the next request prefers another walk.
    void deductServedPenalty();

    const std::string& fingerprint() const { return fingerprint_; }
    std::int64_t score() const { return score_; }
    std::uint64_t sequenceNumber() const { return sequenceNumber_; }
    std::uint64_t contentTotalLength() const { return contentTotalLength_; }
    const Tunables& tunables() const { return tunables_; }
    const VDBinaryHeap<VDShingleHashTuple>& heap() const { return heap_; }

    // The tokens of one paragraph: lower-cased (en_US), then each unit of characterDelimited is
    // a token of its own, a run of units of spaceDelimited is one token, and any other unit
    // separates tokens.
    static std::vector<std::string> tokensOfParagraph(std::string_view paragraph,
                                                      const icu::UnicodeSet& characterDelimited,
                                                      const icu::UnicodeSet& spaceDelimited);
    // A token's value in the rolling hash, below modulus.
    static std::uint64_t termOfToken(std::string_view token);

private:
    Tunables tunables_;
    std::uint64_t sequenceNumber_;
    std::uint64_t contentTotalLength_ = 0;
    std::int64_t score_ = 0;
    std::string fingerprint_;
    VDBinaryHeap<VDShingleHashTuple> heap_{VDShingleHashTuple::compareByHashValue};
};
