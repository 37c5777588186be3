// How long an ad response may be kept, from its header fields: each line of the input is one
// "Name: value" field. Never a crash; a date it gives is a number and lies no further from now
// than the longest lifetime a response is kept.
#include "ads/foundation/VDHTTPCacheExpiry.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/Clock.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    net::HTTPHeaderFields fields;
    std::string_view rest = fuzz::text(data, size);
    while (!rest.empty()) {
        auto [line, after] = fuzz::firstLine(rest);
        rest = after;
        auto colon = line.find(':');
        if (colon != std::string_view::npos)
            fields.append(line.substr(0, colon), line.substr(colon + 1));
    }
    net::HTTPURLResponse response(base::URL::parse("https://ads.example/ad"), 200, fields);
    base::Date now = base::Date::now();
    auto expiry = vd_expirationDate(response);
    if (!expiry)
        return 0;
    double lifetime = expiry->timeIntervalSince(now);
    FUZZ_CHECK(std::isfinite(lifetime));
    // A second's grace: the function reads the clock itself, a moment later.
    FUZZ_CHECK(lifetime <= kVDMaximumCacheLifetime + 1);
    return 0;
}
