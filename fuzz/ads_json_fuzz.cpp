// The ads client's JSON helpers over what ad responses and stored values hold: JSON text is
// decoded; a dictionary from JSON, or from a property list (which can hold dates, data and text
// that is not UTF-8, in keys as in values), made JSON-safe always writes.
#include "ads/foundation/VDJSONUtilities.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<base::Value> value = vd_decodedJSONObjectError(fuzz::text(data, size));
    if (!value) {
        auto plist = base::readPlist(base::Data(data, size));
        if (!plist)
            return 0;
        value = std::move(*plist);
    }
    const auto* dictionary = value->dictionary();
    if (!dictionary)
        return 0;
    auto safe = vd_JSONSafeDictionary(*dictionary);
    for (bool pretty : {false, true})
        FUZZ_CHECK(vd_JSONStringPrettyError(safe, pretty).has_value());
    return 0;
}
