// Numbers read out of text, as preferences and ad responses hand strings to the number readers
// ("12abc" → 12, "YES" → true) and decimals are parsed: never a crash or undefined behaviour, and
// a decimal that parses prints a text that parses to it again.
#include "fuzz/FuzzInput.h"
#include "platform/base/Decimal.h"
#include "platform/base/Value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::text(data, size);
    base::Value value{text};
    (void)value.boolValue();
    (void)value.integerValue();
    (void)value.unsignedValue();
    (void)value.doubleValue();
    if (auto decimal = base::Decimal::parse(text)) {
        (void)decimal->toDouble();
        (void)decimal->toInt64();
        auto again = base::Decimal::parse(decimal->toString());
        FUZZ_CHECK(again && *again == *decimal);
        FUZZ_CHECK(base::Value(*decimal) == base::Value(*again));
    }
    return 0;
}
