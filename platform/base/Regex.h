#pragma once

#include "platform/base/Result.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A compiled regular expression (PCRE2 syntax, lookbehind included) over UTF-8 text. Patterns
// and subjects are Unicode: "." is one character, \w and \d and case-insensitivity follow
// Unicode properties. Any Unicode line break (LF, CR, CRLF, U+0085, U+2028, U+2029) ends a line
// for "^", "$" and ".". A subject that is not valid UTF-8 is still searched; the ill-formed
// bytes simply never match.
//
// Match positions are byte offsets into the subject; Match::utf16Range() gives the same range
// in UTF-16 units, the way the platform reported ranges. A Regex is immutable and may be shared
// between threads.
class Regex {
public:
    struct Options {
        bool caseInsensitive = false;
        bool multiline = false; // "^" and "$" match at every line, not only the whole text
        bool dotAll = false;    // "." matches line breaks too
    };

    // A location and length, in bytes or in UTF-16 units.
    struct Range {
        std::size_t location = 0;
        std::size_t length = 0;
        bool operator==(const Range&) const = default;
    };

    struct Group {
        bool matched = false; // an optional group that took no part has matched == false
        Range bytes;
        std::string text;
    };

    struct Match {
        std::vector<Group> groups; // [0] is the whole match, then the capture groups in order

        const std::string& text(std::size_t group = 0) const { return groups.at(group).text; }
        // The group's range in UTF-16 units of `subject` (the text that was searched); nullopt
        // when the group did not take part or does not exist.
        std::optional<Range> utf16Range(std::string_view subject, std::size_t group = 0) const;
    };

    // A failed compilation is an error of CocoaErrorDomain, code 2048, whose description holds
    // PCRE2's message and the offset in the pattern.
    static Result<Regex> compile(std::string_view pattern, Options options);
    static Result<Regex> compile(std::string_view pattern) { return compile(pattern, Options()); }

    const std::string& pattern() const { return pattern_; }
    std::size_t numberOfCaptureGroups() const { return captureCount_; }

    std::optional<Match> firstMatch(std::string_view text) const;
    // Every non-overlapping match, left to right. After an empty match the search goes on one
    // character further, so it never stops early and never splits a character.
    std::vector<Match> matches(std::string_view text) const;
    std::size_t numberOfMatches(std::string_view text) const;

    // The text with every match replaced by the template, in which "$0" is the whole match,
    // "$1" to "$n" the groups (as many digits are read as name an existing group; a group that
    // took no part or does not exist gives nothing) and a backslash takes the next character
    // literally ("\$" is a dollar sign).
    std::string replace(std::string_view text, std::string_view replacementTemplate) const;

private:
    struct Code;
    Regex(std::shared_ptr<const Code> code, std::string pattern, std::size_t captureCount);

    // Calls found(ovector) for each match in turn until it returns false.
    template <class Found> void forEachMatch(std::string_view text, Found&& found) const;

    std::shared_ptr<const Code> code_;
    std::string pattern_;
    std::size_t captureCount_ = 0;
};

} // namespace base
