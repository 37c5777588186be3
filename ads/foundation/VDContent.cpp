#include "ads/foundation/VDContent.h"

#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDMurmurHash3.h"
#include "ads/foundation/VDNumberStrings.h"
#include "ads/foundation/VD_TKStringEncoding.h"
#include "platform/base/Hashing.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <cmath>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace {

// The user default as a whole number clamped into [lowest, highest]; `fallback` when it is
// absent or no number.
template <class Int> Int clampedTunable(const char* key, Int fallback, Int lowest, Int highest) {
    auto number = vd_numberFromUserDefaults(key);
    if (!number)
        return fallback;
    const double whole = std::trunc(*number);
    if (whole <= double(lowest))
        return lowest;
    if (whole >= double(highest))
        return highest;
    return static_cast<Int>(whole);
}

// B^exponent mod M by squaring.
std::uint64_t power(std::uint64_t x, std::uint64_t exponent) {
    std::uint64_t result = 1;
    x %= VDContent::modulus;
    while (exponent > 0) {
        if (exponent & 1)
            result = result * x % VDContent::modulus;
        x = x * x % VDContent::modulus;
        exponent >>= 1;
    }
    return result;
}

// The byte a token gives to its shingle's digest: the XOR of the four bytes of its hash.
std::uint8_t foldedHash(std::string_view token) {
    const std::uint32_t h = VDMurmurHash3(token, 0);
    return std::uint8_t(h ^ (h >> 8) ^ (h >> 16) ^ (h >> 24));
}

} // namespace

VDContent::Tunables VDContent::Tunables::fromUserDefaults() {
    Tunables t;
    t.contentAgeWeight =
        clampedTunable<std::int64_t>(contentAgeWeightKey, t.contentAgeWeight, 0, maximumWeight);
    t.contentLengthWeight = clampedTunable<std::int64_t>(contentLengthWeightKey,
                                                         t.contentLengthWeight, 0, maximumWeight);
    t.maximumShingleCount = clampedTunable<std::uint64_t>(
        maximumShingleCountKey, t.maximumShingleCount, 1, maximumShingleCountLimit);
    t.minimumParagraphLength = clampedTunable<std::uint64_t>(
        minimumParagraphLengthKey, t.minimumParagraphLength, 0, minimumParagraphLengthLimit);
    t.shingleLength =
        clampedTunable<std::uint64_t>(shingleLengthKey, t.shingleLength, 1, shingleLengthLimit);
    return t;
}

VDContent::VDContent(std::uint64_t sequenceNumber)
    : VDContent(sequenceNumber, Tunables::fromUserDefaults()) {}

VDContent::VDContent(std::uint64_t sequenceNumber, const Tunables& tunables)
    : tunables_(tunables)
    , sequenceNumber_(sequenceNumber) {
    // Tunables given directly are held to the same bounds as those read.
    tunables_.maximumShingleCount = std::clamp<std::uint64_t>(tunables_.maximumShingleCount, 1,
                                                              Tunables::maximumShingleCountLimit);
    tunables_.shingleLength =
        std::clamp<std::uint64_t>(tunables_.shingleLength, 1, Tunables::shingleLengthLimit);
}

void VDContent::updateContentWithText(std::string_view text) {
    if (text.empty())
        return;
    std::vector<std::string> kept;
    for (auto& paragraph : base::split(text, "\n")) {
        const std::size_t length = base::utf16Length(paragraph);
        if (length < tunables_.minimumParagraphLength)
            continue;
        contentTotalLength_ += length;
        kept.push_back(std::move(paragraph));
    }
    // Wrapping arithmetic, compared as unsigned numbers.
    const std::uint64_t candidate =
        std::uint64_t(tunables_.contentAgeWeight) * sequenceNumber_ +
        std::uint64_t(tunables_.contentLengthWeight) * contentTotalLength_;
    if (candidate <= std::uint64_t(score_))
        return;
    score_ = std::int64_t(candidate);

    auto sets = VDCharacterSets::sharedInstance();
    const auto characterDelimited = sets->characterDelimitedSet();
    const auto spaceDelimited = sets->spaceDelimitedSet();
    for (const auto& paragraph : kept)
        selectShinglesFromTokens(
            tokensOfParagraph(paragraph, *characterDelimited, *spaceDelimited));
    fingerprint_ = shingleHash();
}

void VDContent::selectShinglesFromTokens(const std::vector<std::string>& tokens) {
    const std::size_t n = tunables_.shingleLength;
    const std::size_t count = tokens.size();
    if (n == 0 || count < n)
        return;
    std::vector<std::uint64_t> terms(count);
    std::transform(tokens.begin(), tokens.end(), terms.begin(), termOfToken);

    std::uint64_t h = terms[0];
    for (std::size_t i = 1; i < n; ++i)
        h = (h * base % modulus + terms[i]) % modulus;
    const std::span<const std::string> all(tokens);
    updateHeapWithHashShingle(h, all.subspan(0, n));

    // B^(n-1): the weight of the token that leaves the window.
    const std::uint64_t leaving = power(base, n - 1);
    for (std::size_t i = 0; i + n < count; ++i) {
        const std::uint64_t withoutFirst = (h + modulus - terms[i] * leaving % modulus) % modulus;
        h = (terms[i + n] + withoutFirst * base % modulus) % modulus;
        updateHeapWithHashShingle(h, all.subspan(i + 1, n));
    }
}

void VDContent::updateHeapWithHashShingle(std::uint64_t hash,
                                          std::span<const std::string> shingle) {
    const std::uint64_t capacity = tunables_.maximumShingleCount;
    if (heap_.count() >= capacity && heap_.minimum()->hashValue() >= hash)
        return;
    VDShingleHashTuple tuple(std::vector<std::string>(shingle.begin(), shingle.end()), hash);
    if (heap_.containsObject(tuple))
        return;
    heap_.addObject(std::move(tuple));
    if (heap_.count() > capacity)
        heap_.removedMinimum();
}

std::string VDContent::shingleHash() const {
    if (heap_.count() == 0)
        return {};
    std::vector<std::uint8_t> buffer;
    for (const auto& tuple : heap_.sortedObjects()) {
        std::vector<std::uint8_t> folded;
        folded.reserve(tuple.shingle().size());
        for (const auto& token : tuple.shingle())
            folded.push_back(foldedHash(token));
        const base::Data digest = base::md5(base::Data(std::move(folded)));
        buffer.insert(buffer.end(), digest.bytes(), digest.bytes() + 4);
    }
    static const VD_TKStringEncoding encoding =
        VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding();
    return encoding.encode(std::span<const std::uint8_t>(buffer));
}

void VDContent::deductServedPenalty() {
    score_ = std::int64_t(std::uint64_t(score_) - std::uint64_t(servedPenalty));
}

std::vector<std::string> VDContent::tokensOfParagraph(std::string_view paragraph,
                                                      const icu::UnicodeSet& characterDelimited,
                                                      const icu::UnicodeSet& spaceDelimited) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(paragraph.data(), std::int32_t(paragraph.size())));
    static const icu::Locale locale("en_US");
    text.toLower(locale);

    std::vector<std::string> tokens;
    icu::UnicodeString current;
    auto emit = [&tokens](const icu::UnicodeString& token) {
        std::string utf8;
        // Lone surrogates (a range the server gave may hold them) become U+FFFD.
        token.toUTF8String(utf8);
        tokens.push_back(std::move(utf8));
    };
    auto flush = [&] {
        if (!current.isEmpty()) {
            emit(current);
            current.remove();
        }
    };
    const std::int32_t length = text.length();
    for (std::int32_t i = 0; i < length; ++i) {
        const char16_t unit = text.charAt(i);
        if (characterDelimited.contains(unit)) {
            flush();
            emit(icu::UnicodeString(unit));
        } else if (spaceDelimited.contains(unit)) {
            current.append(unit);
        } else {
            flush();
        }
    }
    flush();
    return tokens;
}

std::uint64_t VDContent::termOfToken(std::string_view token) {
    const auto signedHash = static_cast<std::int32_t>(VDMurmurHash3(token, 0));
    // Sign-extended and added in wrapping 64-bit arithmetic: 0x80000000 gives 2^64 - 1.
    const std::uint64_t sum = 0x7FFFFFFFull + std::uint64_t(std::int64_t(signedHash));
    return sum % modulus;
}
