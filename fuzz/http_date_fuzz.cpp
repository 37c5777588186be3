// Dates of HTTP header fields (Date, Expires, Last-Modified): reading never crashes, and a date
// that reads, when it lies within the years RFC 1123 form can write, reads back the same.
#include "fuzz/FuzzInput.h"
#include "platform/base/HTTPDate.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto date = base::parseHTTPDate(fuzz::text(data, size));
    if (!date)
        return 0;
    FUZZ_CHECK(std::isfinite(date->timeIntervalSince1970()));
    auto written = base::formatHTTPDate(*date);
    if (written.empty())
        return 0; // before the year 1 or after 9999, after a zone offset
    auto again = base::parseHTTPDate(written);
    FUZZ_CHECK(again && *again == *date);
    return 0;
}
