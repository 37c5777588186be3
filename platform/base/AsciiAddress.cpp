#include "platform/base/AsciiAddress.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <unicode/uidna.h>

namespace base {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Escapes the non-ASCII bytes only: what is ASCII stays as typed, valid in a URL or not.
std::string escapeNonAscii(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

struct IdnaCloser {
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

std::optional<std::string> idnaHost(std::string_view host) {
    if (isAscii(host))
        return std::string(host);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, IdnaCloser> idna(
        uidna_openUTS46(UIDNA_USE_STD3_RULES | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ |
                            UIDNA_NONTRANSITIONAL_TO_ASCII,
                        &status));
    if (U_FAILURE(status))
        return std::nullopt;
    std::string out(host.size() * 4 + 64, '\0');
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const int32_t length =
        uidna_nameToASCII_UTF8(idna.get(), host.data(), static_cast<int32_t>(host.size()),
                               out.data(), static_cast<int32_t>(out.size()), &info, &status);
    if (U_FAILURE(status) || info.errors != 0 || length <= 0 ||
        length > static_cast<int32_t>(out.size()))
        return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

} // namespace

std::optional<std::string> asciiAddress(std::string_view text) {
    if (isAscii(text))
        return std::string(text);
    std::size_t start = 0;
    if (const auto separator = text.find("://"); separator != std::string_view::npos) {
        const std::string_view scheme = text.substr(0, separator);
        const bool isScheme = !scheme.empty() && isAscii(scheme) &&
                              std::isalpha(static_cast<unsigned char>(scheme[0])) &&
                              scheme.find_first_of("/?#") == std::string_view::npos;
        if (isScheme)
            start = separator + 3;
    }
    const std::size_t end = std::min(text.find_first_of("/?#", start), text.size());
    const std::string_view authority = text.substr(start, end - start);
    const std::size_t at = authority.rfind('@');
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    std::size_t hostEnd = authority.size();
    // An IPv6 literal is ASCII and keeps its colons.
    if (const auto colon = authority.rfind(':'); colon != std::string_view::npos &&
                                                 colon >= hostStart &&
                                                 authority.substr(hostStart, 1) != "[")
        hostEnd = colon;
    const auto host = idnaHost(authority.substr(hostStart, hostEnd - hostStart));
    if (!host)
        return std::nullopt;
    return std::string(text.substr(0, start)) + escapeNonAscii(authority.substr(0, hostStart)) +
           *host + escapeNonAscii(authority.substr(hostEnd)) + escapeNonAscii(text.substr(end));
}

} // namespace base
