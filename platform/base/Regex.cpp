#include "platform/base/Regex.h"

#include "platform/base/Strings.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace base {

struct Regex::Code {
    pcre2_code* code = nullptr;
    ~Code() { pcre2_code_free(code); }
};

namespace {

using MatchData = std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)>;

std::string errorMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    if (length < 0)
        return "error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

Regex::Match makeMatch(std::string_view text, const PCRE2_SIZE* ovector, std::size_t captureCount) {
    Regex::Match match;
    for (std::size_t i = 0; i <= captureCount; ++i) {
        Regex::Group group;
        if (ovector[2 * i] != PCRE2_UNSET) {
            group.matched = true;
            group.bytes = {ovector[2 * i], ovector[2 * i + 1] - ovector[2 * i]};
            group.text = std::string(text.substr(group.bytes.location, group.bytes.length));
        }
        match.groups.push_back(std::move(group));
    }
    return match;
}

} // namespace

Regex::Regex(std::shared_ptr<const Code> code, std::string pattern, std::size_t captureCount)
    : code_(std::move(code))
    , pattern_(std::move(pattern))
    , captureCount_(captureCount) {}

Result<Regex> Regex::compile(std::string_view pattern, Options options) {
    uint32_t flags = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
    if (options.caseInsensitive)
        flags |= PCRE2_CASELESS;
    if (options.multiline)
        flags |= PCRE2_MULTILINE;
    if (options.dotAll)
        flags |= PCRE2_DOTALL;

    std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
        pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
    if (!context)
        return Error::make(CocoaErrorDomain, 2048, "Out of memory compiling a regular expression.");
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    auto code = std::make_shared<Code>();
    code->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags,
                               &errorCode, &errorOffset, context.get());
    if (!code->code) {
        return Error::make(CocoaErrorDomain, 2048,
                           "Invalid regular expression \"" + std::string(pattern) +
                               "\" at offset " + std::to_string(errorOffset) + ": " +
                               errorMessage(errorCode));
    }
    // Faster matching where the machine allows it; the interpreter is used otherwise.
    pcre2_jit_compile(code->code, PCRE2_JIT_COMPLETE);

    uint32_t captureCount = 0;
    pcre2_pattern_info(code->code, PCRE2_INFO_CAPTURECOUNT, &captureCount);
    return Regex(std::move(code), std::string(pattern), captureCount);
}

template <class Found> void Regex::forEachMatch(std::string_view text, Found&& found) const {
    MatchData data(pcre2_match_data_create_from_pattern(code_->code, nullptr),
                   &pcre2_match_data_free);
    if (!data)
        return;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    PCRE2_SIZE start = 0;
    uint32_t flags = 0;
    while (start <= text.size()) {
        const int rc =
            pcre2_match(code_->code, subject, text.size(), start, flags, data.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH && flags != 0) {
            // No non-empty match where the last empty one was: move on one character (a CRLF
            // counts as one line break).
            PCRE2_SIZE next = start + 1;
            if (text.substr(start, 2) == "\r\n")
                next = start + 2;
            while (next < text.size() && isContinuationByte(text[next]))
                ++next;
            start = next;
            flags = 0;
            continue;
        }
        if (rc <= 0)
            return; // no more matches, or a resource limit was hit
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        if (ovector[0] > ovector[1])
            return; // \K in a lookaround can do this; there is no sensible range
        if (!found(ovector))
            return;
        // After an empty match, look for a non-empty one at the same place first.
        flags = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
        start = ovector[1];
    }
}

std::optional<Regex::Range> Regex::Match::utf16Range(std::string_view subject,
                                                     std::size_t group) const {
    if (group >= groups.size() || !groups[group].matched)
        return std::nullopt;
    const auto& bytes = groups[group].bytes;
    const auto begin = utf16OffsetOfByte(subject, bytes.location);
    const auto end = utf16OffsetOfByte(subject, bytes.location + bytes.length);
    return Range{begin, end - begin};
}

std::optional<Regex::Match> Regex::firstMatch(std::string_view text) const {
    std::optional<Match> first;
    forEachMatch(text, [&](const PCRE2_SIZE* ovector) {
        first = makeMatch(text, ovector, captureCount_);
        return false;
    });
    return first;
}

std::vector<Regex::Match> Regex::matches(std::string_view text) const {
    std::vector<Match> all;
    forEachMatch(text, [&](const PCRE2_SIZE* ovector) {
        all.push_back(makeMatch(text, ovector, captureCount_));
        return true;
    });
    return all;
}

std::size_t Regex::numberOfMatches(std::string_view text) const {
    std::size_t count = 0;
    forEachMatch(text, [&](const PCRE2_SIZE*) {
        ++count;
        return true;
    });
    return count;
}

std::string Regex::replace(std::string_view text, std::string_view replacementTemplate) const {
    std::string out;
    std::size_t copied = 0;
    forEachMatch(text, [&](const PCRE2_SIZE* ovector) {
        out.append(text.substr(copied, ovector[0] - copied));
        const auto& t = replacementTemplate;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\\' && i + 1 < t.size()) {
                out.push_back(t[++i]);
            } else if (t[i] == '$' && i + 1 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '9') {
                std::size_t group = static_cast<std::size_t>(t[++i] - '0');
                while (i + 1 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '9' &&
                       group * 10 + static_cast<std::size_t>(t[i + 1] - '0') <= captureCount_)
                    group = group * 10 + static_cast<std::size_t>(t[++i] - '0');
                if (group <= captureCount_ && ovector[2 * group] != PCRE2_UNSET)
                    out.append(text.substr(ovector[2 * group],
                                           ovector[2 * group + 1] - ovector[2 * group]));
            } else {
                out.push_back(t[i]);
            }
        }
        copied = ovector[1];
        return true;
    });
    out.append(text.substr(copied));
    return out;
}

} // namespace base
