#pragma once

#include "platform/base/DispatchQueue.h"

#include <memory>
#include <optional>
#include <string_view>
#include <unicode/uniset.h>

// The two classes of characters that split on-screen text into tokens for content
// fingerprints: a character of the character-delimited set is a token by itself (CJK, kana,
// Hangul), a run of the space-delimited set is one token (words of letters and digits). The
// server may replace either set with its own ranges (the SDK constants
// "character_delimited_unicode_range" and "space_delimited_unicode_range"); anything it sends
// that is not a valid list of ranges falls back to the built-in set.
//
// Membership is tested per UTF-16 code unit, so ranges above U+FFFF never match: fingerprints
// must stay comparable with those of other devices.
//
// Any thread: the sets live behind a serial queue (updates asynchronous, reads synchronous),
// and the sets handed out are frozen and never change.
class VDCharacterSets {
    struct Private {};

public:
    using CharacterSet = std::shared_ptr<const icu::UnicodeSet>;

    static constexpr const char* lockQueueLabel = "viz.azodoz.eziro.character-sets";
    static constexpr const char* characterDelimitedRangeKey =
        "/redodi/ads/character_delimited_unicode_range";
    static constexpr const char* spaceDelimitedRangeKey =
        "/redodi/ads/space_delimited_unicode_range";
    // Longest range list read, in bytes of JSON text: more is no valid list.
    static constexpr std::size_t maximumRangesTextLength = 64 * 1024;

    // Made once, with its sets updated from the user defaults.
    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<VDCharacterSets> sharedInstance();

    explicit VDCharacterSets(Private);

    CharacterSet characterDelimitedSet() const;
    CharacterSet spaceDelimitedSet() const;
    // Reads both constants from the user defaults again; the new sets apply to reads that come
    // after the update has run on the lock queue.
    void updateCharacterSets();

    // The union of the ranges of a JSON array of [location, length] pairs of whole numbers,
    // each range inside U+0000..U+10FFFF; nullopt for anything else (malformed JSON, another
    // kind of value, a pair that is not two such numbers, a range out of bounds, a text longer
    // than maximumRangesTextLength).
    static std::optional<icu::UnicodeSet> characterSetFromRanges(std::string_view json);
    // CJK ideographs and their extensions and compatibility forms, Bopomofo, kana, half-width
    // forms, enclosed CJK, Hangul syllables and Jamo.
    static const CharacterSet& builtInCharacterDelimitedSet();
    // Letters, marks and digits of every script.
    static const CharacterSet& alphanumericSet();

    // Waits until updates already asked for have run (tests).
    void waitForUpdatesForTesting() const;

private:
    // On lockQueue_.
    CharacterSet characterDelimitedSet_;
    CharacterSet spaceDelimitedSet_;
    // Last, so that it is gone (its work run) before the sets it writes.
    base::DispatchQueue lockQueue_;
};
