// URLs of pages, links and redirects: the first line is a base (an absolute URL, as a page's
// address is), the second a reference resolved against it. Parsing and resolving never crash; a
// resolved URL parses again to the same text; a reference without an authority never makes one out
// of a base that had none.
#include "fuzz/FuzzInput.h"
#include "platform/base/URL.h"

namespace {

// Whether the text has an authority ("//" after the scheme, or at the start).
bool hasAuthority(const base::URL& url) {
    std::string_view text = url.absoluteString();
    if (!url.scheme().empty())
        text.remove_prefix(url.scheme().size() + 1);
    return text.starts_with("//");
}

void exercise(const base::URL& url) {
    (void)url.fileSystemPath();
    (void)url.pathExtension();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [baseText, rest] = fuzz::firstLine(fuzz::text(data, size));
    auto reference = fuzz::firstLine(rest).first;
    auto base = base::URL::parse(baseText);
    if (!base)
        return 0;
    exercise(*base);
    if (base->scheme().empty())
        return 0;
    auto resolved = base->resolve(reference);
    if (!resolved)
        return 0;
    exercise(*resolved);
    auto again = base::URL::parse(resolved->absoluteString());
    FUZZ_CHECK(again && *again == *resolved);
    FUZZ_CHECK(again->host() == resolved->host() && again->path() == resolved->path());
    auto referenceURL = base::URL::parse(reference);
    bool referenceHasAuthority = referenceURL && hasAuthority(*referenceURL);
    bool referenceHasScheme = referenceURL && !referenceURL->scheme().empty();
    if (!hasAuthority(*base) && !referenceHasAuthority && !referenceHasScheme)
        FUZZ_CHECK(!hasAuthority(*resolved));
    return 0;
}
