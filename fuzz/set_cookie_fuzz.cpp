// Set-Cookie fields of responses: the first line is the response's URL, the second the field's
// value (as a header field holds it: no line break or NUL). Reading never crashes; a cookie it
// gives belongs to the response's host or a domain above it that is no public suffix, and
// carries no line break or NUL.
#include "fuzz/FuzzInput.h"
#include "platform/base/URL.h"
#include "platform/net/Cookie.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [urlText, rest] = fuzz::firstLine(fuzz::text(data, size));
    auto field = fuzz::firstLine(rest).first;
    if (field.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos)
        return 0;
    auto url = base::URL::parse(urlText);
    if (!url)
        return 0;
    auto cookie = net::Cookie::fromSetCookie(field, *url, base::Date(1'700'000'000));
    if (!cookie)
        return 0;
    FUZZ_CHECK(!cookie->name.empty());
    std::string domain = cookie->isHostOnly() ? cookie->domain : cookie->domain.substr(1);
    std::string host = url->host();
    for (char& c : host)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    if (host.ends_with('.'))
        host.pop_back();
    FUZZ_CHECK(host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                                  host[host.size() - domain.size() - 1] == '.'));
    FUZZ_CHECK(cookie->isHostOnly() || !net::Cookie::isPublicSuffix(domain));
    for (const std::string* text : {&cookie->name, &cookie->value, &cookie->domain, &cookie->path})
        FUZZ_CHECK(text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    return 0;
}
