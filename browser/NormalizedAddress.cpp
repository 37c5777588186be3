#include "browser/NormalizedAddress.h"

#include "platform/base/Strings.h"
#include "platform/base/URL.h"

std::string normalizedAddress(std::string_view text) {
    std::string address = base::trim(text);
    auto url = base::URL::parse(address);
    if (!url)
        return address;
    // base::URL gives the scheme lower-cased: "HTTP://host" is already an address.
    if (url->scheme() == "http" || url->scheme() == "https")
        return address;
    auto withScheme = base::URL::parse("http://" + address);
    return withScheme ? withScheme->absoluteString() : address;
}
