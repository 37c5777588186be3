// Radix-encoded text (hex, base 32, base 64 and their variants) as ad responses and stored
// values carry it: decoding never crashes, and bytes that decode encode back to text that
// decodes to them again.
#include "ads/foundation/VD_TKStringEncoding.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const VD_TKStringEncoding encodings[] = {
        VD_TKStringEncoding::binaryStringEncoding(),
        VD_TKStringEncoding::hexStringEncoding(),
        VD_TKStringEncoding::rfc4648Base32StringEncoding(),
        VD_TKStringEncoding::rfc4648Base32HexStringEncoding(),
        VD_TKStringEncoding::crockfordBase32StringEncoding(),
        VD_TKStringEncoding::rfc4648Base64StringEncoding(),
        VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding(),
    };
    const auto& encoding = encodings[data[0] % std::size(encodings)];
    std::string_view text = fuzz::text(data + 1, size - 1);
    auto bytes = encoding.decode(text);
    (void)encoding.stringByDecoding(text);
    if (!bytes)
        return 0;
    auto again = encoding.decode(encoding.encode(*bytes));
    FUZZ_CHECK(again && *again == *bytes);
    return 0;
}
