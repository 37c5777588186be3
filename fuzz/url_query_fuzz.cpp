// Query strings of the URLs ads carry (clicks, landing pages): the input is a URL. Reading its
// parameters and appending new ones never crashes.
#include "ads/foundation/VDURLQuery.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto url = base::URL::parse(fuzz::text(data, size));
    if (!url)
        return 0;
    for (bool lowercase : {false, true})
        (void)vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(*url, lowercase);
    (void)vd_parameterValueForKey(*url, "adurl");
    (void)vd_appendQueryParameters(*url, {{"k", "v w"}, {"empty", ""}});
    return 0;
}
