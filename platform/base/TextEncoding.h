#pragma once

#include "platform/base/Data.h"
#include "platform/base/Result.h"

#include <string>
#include <string_view>

namespace base {

// Decodes page text into UTF-8 as the web's Encoding Standard decodes it: the charset is named
// by one of the standard's labels ("utf-8", "latin1", "windows-1252", "Shift_JIS", "utf-16",
// "gbk" ...; ASCII case and surrounding blanks do not matter), which picks one of its encodings
// ("latin1", "iso-8859-1" and "us-ascii" all pick windows-1252; "utf-16" picks UTF-16LE).
// A byte order mark (UTF-8, UTF-16BE or UTF-16LE) at the start overrides the label and is
// dropped. Only these encodings are decoded: other charsets that converters know (SCSU, UTF-7,
// UTF-32 ...) are no labels, as in browsers, and some converters of the installed ICU loop
// on hostile input.
//
// Bytes that are ill-formed or have no mapping in the encoding each become U+FFFD; decoding
// never fails for bad bytes and takes time in proportion to the input.
//
// A name that is no label, or empty, is an error of CocoaErrorDomain, code 264, naming the
// charset; the caller chooses the fallback (pages take UTF-8). Text longer than 2 GiB is refused
// the same way, code 261.
Result<std::string> decodeText(std::string_view bytes, std::string_view charsetName);
inline Result<std::string> decodeText(const Data& bytes, std::string_view charsetName) {
    return decodeText(std::string_view(reinterpret_cast<const char*>(bytes.bytes()), bytes.size()),
                      charsetName);
}

// True when the name is a label of the Encoding Standard, which decodeText() decodes.
bool isKnownEncodingName(std::string_view charsetName);

} // namespace base
