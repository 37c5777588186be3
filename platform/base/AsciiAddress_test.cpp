#include "platform/base/AsciiAddress.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(AsciiAddressTest, HostsTakeTheirIdnaFormAndTheRestIsEscaped) {
    const std::pair<const char*, const char*> cases[] = {
        // ASCII stays as typed, an address or not.
        {"host.tld/a b", "host.tld/a b"},
        {"", ""},
        {"b\xC3\xBC"
         "cher.example",
         "xn--bcher-kva.example"},
        {"http://b\xC3\xBC"
         "cher.example:8080/stra\xC3\x9F"
         "e?q=\xC3\xA4#\xC3\xB6",
         "http://xn--bcher-kva.example:8080/stra%C3%9Fe?q=%C3%A4#%C3%B6"},
        {"https://j\xC3\xB6rg@b\xC3\xBC"
         "cher.example/",
         "https://j%C3%B6rg@xn--bcher-kva.example/"},
        // Upper case and full-width letters and dots fold.
        {"B\xC3\x9C"
         "CHER.example",
         "xn--bcher-kva.example"},
        {"\xEF\xBD\x8C\xEF\xBD\x8F\xEF\xBD\x83\xEF\xBD\x81\xEF\xBD\x8C\xEF\xBD\x88\xEF\xBD\x8F"
         "\xEF\xBD\x93\xEF\xBD\x94:8080/x",
         "localhost:8080/x"},
        // An ASCII host keeps its text; only the path is escaped.
        {"host.tld/caf\xC3\xA9", "host.tld/caf%C3%A9"},
        {"[::1]:8080/\xC3\xA9", "[::1]:8080/%C3%A9"},
    };
    for (const auto& [typed, ascii] : cases)
        EXPECT_EQ(asciiAddress(typed), std::optional<std::string>(ascii)) << typed;

    // A host with no IDNA form: words, symbols, broken UTF-8.
    for (const char* typed : {"caf\xC3\xA9 au lait", "\xE2\x98\x83 snow.tld",
                              "b\xFC"
                              "cher.de",
                              "http://caf\xC3\xA9 x/"})
        EXPECT_FALSE(asciiAddress(typed)) << typed;
}

} // namespace
} // namespace base
