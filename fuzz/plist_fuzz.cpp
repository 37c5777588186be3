// Property lists, XML and binary, as the preferences file and resources give them: reading never
// crashes or aborts, and a value that writes (in either form) reads back as a property list.
#include "fuzz/FuzzInput.h"
#include "platform/base/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto value = base::readPlist(base::Data(data, size));
    if (!value)
        return 0;
    (void)value->description();
    for (auto format : {base::PlistFormat::Binary, base::PlistFormat::XML}) {
        auto written = base::writePlist(*value, format);
        if (!written)
            continue;
        auto again = base::readPlist(*written);
        FUZZ_CHECK(again.ok());
        // The binary form keeps every value exactly (XML keeps dates to the second).
        if (format == base::PlistFormat::Binary)
            FUZZ_CHECK(again->isIdenticalTo(*value));
    }
    return 0;
}
