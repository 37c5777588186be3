// Page text in the charset its response names: the first line is the charset label, the rest
// the bytes. Decoding never crashes or stalls (libFuzzer's -timeout catches a converter that
// loops) and always gives well-formed UTF-8.
#include "fuzz/FuzzInput.h"
#include "platform/base/Strings.h"
#include "platform/base/TextEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [label, bytes] = fuzz::firstLine(fuzz::text(data, size));
    auto text = base::decodeText(bytes, label);
    if (text)
        FUZZ_CHECK(base::isValidUTF8(*text));
    return 0;
}
