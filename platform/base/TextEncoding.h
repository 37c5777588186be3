#pragma once

#include "platform/base/Data.h"
#include "platform/base/Result.h"

#include <string>
#include <string_view>

namespace base {

// Decodes text in the charset named by an IANA name or one of its usual aliases ("utf-8",
// "ISO-8859-1", "latin1", "windows-1252", "Shift_JIS", "utf-16" ...; case, '-' and '_' do not
// matter) into UTF-8, through ICU's converters.
//
// Bytes that are ill-formed or have no mapping in the charset each become U+FFFD; decoding never
// fails for bad bytes. A byte order mark at the start of a Unicode encoding is dropped ("utf-16"
// reads the mark to choose the byte order and takes big-endian without one).
//
// An unknown or empty charset name is an error of CocoaErrorDomain, code 264, naming the charset;
// the caller chooses the fallback. Text longer than 2 GiB is refused the same way, code 261.
Result<std::string> decodeText(std::string_view bytes, std::string_view charsetName);
inline Result<std::string> decodeText(const Data& bytes, std::string_view charsetName) {
    return decodeText(std::string_view(reinterpret_cast<const char*>(bytes.bytes()), bytes.size()),
                      charsetName);
}

// True when decodeText() knows the charset name.
bool isKnownEncodingName(std::string_view charsetName);

} // namespace base
