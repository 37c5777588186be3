#include "ads/foundation/VDCharacterSets.h"

#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/UserDefaults.h"

#include <cmath>
#include <mutex>
#include <unicode/uchar.h>

namespace {

VDCharacterSets::CharacterSet frozen(icu::UnicodeSet set) {
    set.freeze();
    return std::make_shared<const icu::UnicodeSet>(std::move(set));
}

// A whole number from lowest to highest; nullopt for anything else.
std::optional<std::int64_t> wholeNumber(const base::Value& value, double lowest, double highest) {
    if (!value.isNumber() || value.isBool())
        return std::nullopt;
    const double number = value.doubleValue();
    if (!(number >= lowest && number <= highest) || number != std::floor(number))
        return std::nullopt;
    return static_cast<std::int64_t>(number);
}

VDCharacterSets::CharacterSet setFromDefaults(const char* key) {
    auto text = base::UserDefaults::standard()->stringForKey(key);
    if (!text)
        return nullptr;
    auto set = VDCharacterSets::characterSetFromRanges(*text);
    return set ? frozen(std::move(*set)) : nullptr;
}

} // namespace

std::shared_ptr<VDCharacterSets> VDCharacterSets::sharedInstance() {
    static base::ProcessWide<VDCharacterSets> shared(
        [] {
            auto sets = std::make_shared<VDCharacterSets>(Private());
            sets->updateCharacterSets();
            return sets;
        },
        [](VDCharacterSets& dropped) { dropped.waitForUpdatesForTesting(); });
    return shared.get();
}

VDCharacterSets::VDCharacterSets(Private)
    : characterDelimitedSet_(builtInCharacterDelimitedSet())
    , spaceDelimitedSet_(alphanumericSet())
    , lockQueue_(lockQueueLabel) {}

VDCharacterSets::CharacterSet VDCharacterSets::characterDelimitedSet() const {
    return lockQueue_.syncResult([this] { return characterDelimitedSet_; });
}

VDCharacterSets::CharacterSet VDCharacterSets::spaceDelimitedSet() const {
    return lockQueue_.syncResult([this] { return spaceDelimitedSet_; });
}

void VDCharacterSets::updateCharacterSets() {
    // The defaults are read now, by the caller; the sets change in order on the queue.
    auto characterDelimited = setFromDefaults(characterDelimitedRangeKey);
    auto spaceDelimited = setFromDefaults(spaceDelimitedRangeKey);
    if (!characterDelimited)
        characterDelimited = builtInCharacterDelimitedSet();
    if (!spaceDelimited)
        spaceDelimited = alphanumericSet();
    lockQueue_.async([this, characterDelimited = std::move(characterDelimited),
                      spaceDelimited = std::move(spaceDelimited)]() mutable {
        characterDelimitedSet_ = std::move(characterDelimited);
        spaceDelimitedSet_ = std::move(spaceDelimited);
    });
}

void VDCharacterSets::waitForUpdatesForTesting() const {
    lockQueue_.sync([] {});
}

std::optional<icu::UnicodeSet> VDCharacterSets::characterSetFromRanges(std::string_view json) {
    if (json.size() > maximumRangesTextLength)
        return std::nullopt;
    auto value = base::parseJSON(json);
    if (!value)
        return std::nullopt;
    const auto* ranges = value->array();
    if (!ranges)
        return std::nullopt;
    constexpr double codePoints = UCHAR_MAX_VALUE + 1.0;
    icu::UnicodeSet set;
    for (const auto& range : *ranges) {
        const auto* pair = range.array();
        if (!pair || pair->size() != 2)
            return std::nullopt;
        auto location = wholeNumber((*pair)[0], 0, codePoints);
        auto length = wholeNumber((*pair)[1], 0, codePoints);
        if (!location || !length || *location + *length > std::int64_t(codePoints))
            return std::nullopt;
        if (*length > 0)
            set.add(UChar32(*location), UChar32(*location + *length - 1));
    }
    return set;
}

const VDCharacterSets::CharacterSet& VDCharacterSets::builtInCharacterDelimitedSet() {
    static const CharacterSet set = [] {
        struct Range {
            UChar32 first;
            UChar32 length;
        };
        constexpr Range ranges[] = {
            {0x4E00, 0x51CD}, {0x3400, 0x19B6}, {0x20000, 0xA6D7}, {0x3300, 0x100},
            {0xF900, 0x200},  {0x2F800, 0x220}, {0x3100, 0x30},    {0x31A0, 0x20},
            {0x3040, 0x60},   {0x30A0, 0x5B},   {0x30FC, 4},       {0x3200, 0x100},
            {0xFF66, 0x38},   {0xFFA1, 0x3C},   {0x1B000, 0x100},  {0x31F0, 0x10},
            {0xAC00, 0x2BB0}, {0x1100, 0x100},
        };
        icu::UnicodeSet built;
        for (const auto& range : ranges)
            built.add(range.first, range.first + range.length - 1);
        return frozen(std::move(built));
    }();
    return set;
}

const VDCharacterSets::CharacterSet& VDCharacterSets::alphanumericSet() {
    static const CharacterSet set = [] {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeSet built(icu::UnicodeString(u"[[:L:][:M:][:N:]]"), status);
        return frozen(U_SUCCESS(status) ? std::move(built) : icu::UnicodeSet());
    }();
    return set;
}
