#include "platform/base/TextEncoding.h"

#include "platform/base/Strings.h"

#include <climits>
#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unistr.h>

namespace base {

namespace {

constexpr long unknownEncodingCode = 264;
constexpr long inapplicableEncodingCode = 261;

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

Converter openConverter(std::string_view name) {
    // ICU opens its default converter for an empty name; an empty name names nothing here.
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return Converter(nullptr, &ucnv_close);
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(std::string(name).c_str(), &status), &ucnv_close);
    if (U_FAILURE(status))
        converter.reset();
    return converter;
}

// Every bad or unmappable byte sequence becomes U+FFFD, in every charset (ICU would otherwise
// write U+001A for some single-byte ones).
void substituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*,
                                    int32_t, UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR)
        return; // reset, close and clone need nothing
    static const UChar replacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

} // namespace

Result<std::string> decodeText(std::string_view bytes, std::string_view charsetName) {
    auto converter = openConverter(charsetName);
    if (!converter)
        return Error::make(CocoaErrorDomain, unknownEncodingCode,
                           "Unknown text encoding \"" + std::string(charsetName) + "\".");
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return Error::make(CocoaErrorDomain, inapplicableEncodingCode,
                           "The text is too long to decode.");

    UErrorCode status = U_ZERO_ERROR;
    // Well-formed UTF-8 decodes to itself, less a byte order mark: one pass over it instead of
    // a conversion to UTF-16 and back.
    const char* canonical = ucnv_getName(converter.get(), &status);
    if (U_SUCCESS(status) && canonical && std::string_view(canonical) == "UTF-8" &&
        isValidUTF8(bytes)) {
        std::string_view text = bytes;
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        return std::string(text);
    }
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), substituteReplacementCharacter, nullptr, nullptr, nullptr,
                        &status);
    icu::UnicodeString text(bytes.data(), static_cast<int32_t>(bytes.size()), converter.get(),
                            status);
    if (U_FAILURE(status))
        return Error::make(CocoaErrorDomain, inapplicableEncodingCode,
                           "The text could not be decoded as \"" + std::string(charsetName) +
                               "\": " + u_errorName(status) + ".");

    // A byte order mark is no part of the text. ICU's "UTF-16" and "UTF-32" consume theirs; the
    // others pass it through.
    canonical = ucnv_getName(converter.get(), &status);
    if (canonical && std::string_view(canonical).starts_with("UTF") && text.length() > 0 &&
        text.charAt(0) == 0xFEFF)
        text.remove(0, 1);

    std::string out;
    text.toUTF8String(out);
    return out;
}

bool isKnownEncodingName(std::string_view charsetName) {
    return openConverter(charsetName) != nullptr;
}

} // namespace base
