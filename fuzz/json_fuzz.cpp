// JSON text as servers, ad responses and the cookie and cache files give it: reading never
// crashes, and whatever reads writes again, compact and pretty, and reads back the same.
#include "fuzz/FuzzInput.h"
#include "platform/base/JSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::text(data, size);
    base::JSONReadOptions options;
    options.allowFragments = true;
    options.mutableContainers = size % 2 == 1;
    auto value = base::parseJSON(text, options);
    if (!value)
        return 0;
    for (bool pretty : {false, true}) {
        auto written = base::toJSON(*value, pretty, true);
        FUZZ_CHECK(written.ok());
        auto again = base::parseJSON(*written, options);
        FUZZ_CHECK(again.ok());
        FUZZ_CHECK(*again == *value);
    }
    return 0;
}
