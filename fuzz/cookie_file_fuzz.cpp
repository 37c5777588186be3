// The cookie jar's file as found on disk: reading never crashes, and every cookie the jar takes
// from it passes the checks a cookie set by a server passes, so that a tampered file cannot put
// a line break or a separator into a Cookie header.
#include "fuzz/FuzzInput.h"
#include "platform/base/URL.h"
#include "platform/net/CookieStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file("Cookies.json");
    auto jar = net::CookieStorage::create(file.write(fuzz::text(data, size)));
    auto checked = net::CookieStorage::create({});
    for (const net::Cookie& cookie : jar->cookies()) {
        FUZZ_CHECK(checked->setCookie(cookie));
        std::string host = cookie.domain.starts_with('.') ? cookie.domain.substr(1) : cookie.domain;
        auto url = base::URL::parse("https://" + host + cookie.path);
        if (!url)
            continue;
        if (auto header = jar->cookieHeaderForURL(*url))
            FUZZ_CHECK(header->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    }
    return 0;
}
