#include "platform/base/TextEncoding.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <optional>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unistr.h>

namespace base {

namespace {

constexpr long unknownEncodingCode = 264;
constexpr long inapplicableEncodingCode = 261;

// An encoding of the standard: decoded by the ICU converter of that name, or by hand.
enum class Decoder { ICU, ISO885916, Replacement, UserDefined };
struct Encoding {
    const char* icuName;
    Decoder decoder = Decoder::ICU;
};

const Encoding utf8{"UTF-8"};
const Encoding utf16BE{"UTF-16BE"};
const Encoding utf16LE{"UTF-16LE"};

struct Label {
    std::string_view label;
    const Encoding* encoding;
};

// The labels of the WHATWG Encoding Standard (its table "Names and labels"),
// each with the converter that decodes its encoding. Where the standard's encoding is a
// superset of the one its name suggests, the superset's converter is used: GBK decodes as
// gb18030, Big5 as Big5-HKSCS, EUC-KR as windows-949, Shift_JIS as windows-31j; ISO-8859-8-I
// decodes as ISO-8859-8 (the order of display is no part of decoding). The installed ICU has
// no ISO-8859-16, which is decoded here.
const std::array labels = [] {
    static const Encoding ibm866{"IBM866"}, iso2{"ISO-8859-2"}, iso3{"ISO-8859-3"},
        iso4{"ISO-8859-4"}, iso5{"ISO-8859-5"}, iso6{"ISO-8859-6"}, iso7{"ISO-8859-7"},
        iso8{"ISO-8859-8"}, iso10{"ISO-8859-10"}, iso13{"ISO-8859-13"}, iso14{"ISO-8859-14"},
        iso15{"ISO-8859-15"}, iso16{nullptr, Decoder::ISO885916}, koi8r{"KOI8-R"}, koi8u{"KOI8-U"},
        macintosh{"macintosh"}, windows874{"windows-874"}, windows1250{"windows-1250"},
        windows1251{"windows-1251"}, windows1252{"windows-1252"}, windows1253{"windows-1253"},
        windows1254{"windows-1254"}, windows1255{"windows-1255"}, windows1256{"windows-1256"},
        windows1257{"windows-1257"}, windows1258{"windows-1258"}, macCyrillic{"x-mac-cyrillic"},
        gb18030{"GB18030"}, big5{"Big5-HKSCS"}, eucJP{"EUC-JP"}, iso2022JP{"ISO-2022-JP"},
        shiftJIS{"windows-31j"}, eucKR{"windows-949"}, replacement{nullptr, Decoder::Replacement},
        userDefined{nullptr, Decoder::UserDefined};
    return std::array{
        Label{"unicode-1-1-utf-8", &utf8},
        Label{"unicode11utf8", &utf8},
        Label{"unicode20utf8", &utf8},
        Label{"utf-8", &utf8},
        Label{"utf8", &utf8},
        Label{"x-unicode20utf8", &utf8},
        Label{"866", &ibm866},
        Label{"cp866", &ibm866},
        Label{"csibm866", &ibm866},
        Label{"ibm866", &ibm866},
        Label{"csisolatin2", &iso2},
        Label{"iso-8859-2", &iso2},
        Label{"iso-ir-101", &iso2},
        Label{"iso8859-2", &iso2},
        Label{"iso88592", &iso2},
        Label{"iso_8859-2", &iso2},
        Label{"iso_8859-2:1987", &iso2},
        Label{"l2", &iso2},
        Label{"latin2", &iso2},
        Label{"csisolatin3", &iso3},
        Label{"iso-8859-3", &iso3},
        Label{"iso-ir-109", &iso3},
        Label{"iso8859-3", &iso3},
        Label{"iso88593", &iso3},
        Label{"iso_8859-3", &iso3},
        Label{"iso_8859-3:1988", &iso3},
        Label{"l3", &iso3},
        Label{"latin3", &iso3},
        Label{"csisolatin4", &iso4},
        Label{"iso-8859-4", &iso4},
        Label{"iso-ir-110", &iso4},
        Label{"iso8859-4", &iso4},
        Label{"iso88594", &iso4},
        Label{"iso_8859-4", &iso4},
        Label{"iso_8859-4:1988", &iso4},
        Label{"l4", &iso4},
        Label{"latin4", &iso4},
        Label{"csisolatincyrillic", &iso5},
        Label{"cyrillic", &iso5},
        Label{"iso-8859-5", &iso5},
        Label{"iso-ir-144", &iso5},
        Label{"iso8859-5", &iso5},
        Label{"iso88595", &iso5},
        Label{"iso_8859-5", &iso5},
        Label{"iso_8859-5:1988", &iso5},
        Label{"arabic", &iso6},
        Label{"asmo-708", &iso6},
        Label{"csiso88596e", &iso6},
        Label{"csiso88596i", &iso6},
        Label{"csisolatinarabic", &iso6},
        Label{"ecma-114", &iso6},
        Label{"iso-8859-6", &iso6},
        Label{"iso-8859-6-e", &iso6},
        Label{"iso-8859-6-i", &iso6},
        Label{"iso-ir-127", &iso6},
        Label{"iso8859-6", &iso6},
        Label{"iso88596", &iso6},
        Label{"iso_8859-6", &iso6},
        Label{"iso_8859-6:1987", &iso6},
        Label{"csisolatingreek", &iso7},
        Label{"ecma-118", &iso7},
        Label{"elot_928", &iso7},
        Label{"greek", &iso7},
        Label{"greek8", &iso7},
        Label{"iso-8859-7", &iso7},
        Label{"iso-ir-126", &iso7},
        Label{"iso8859-7", &iso7},
        Label{"iso88597", &iso7},
        Label{"iso_8859-7", &iso7},
        Label{"iso_8859-7:1987", &iso7},
        Label{"sun_eu_greek", &iso7},
        Label{"csiso88598e", &iso8},
        Label{"csisolatinhebrew", &iso8},
        Label{"hebrew", &iso8},
        Label{"iso-8859-8", &iso8},
        Label{"iso-8859-8-e", &iso8},
        Label{"iso-ir-138", &iso8},
        Label{"iso8859-8", &iso8},
        Label{"iso88598", &iso8},
        Label{"iso_8859-8", &iso8},
        Label{"iso_8859-8:1988", &iso8},
        Label{"visual", &iso8},
        Label{"csiso88598i", &iso8},
        Label{"iso-8859-8-i", &iso8},
        Label{"logical", &iso8},
        Label{"csisolatin6", &iso10},
        Label{"iso-8859-10", &iso10},
        Label{"iso-ir-157", &iso10},
        Label{"iso8859-10", &iso10},
        Label{"iso885910", &iso10},
        Label{"l6", &iso10},
        Label{"latin6", &iso10},
        Label{"iso-8859-13", &iso13},
        Label{"iso8859-13", &iso13},
        Label{"iso885913", &iso13},
        Label{"iso-8859-14", &iso14},
        Label{"iso8859-14", &iso14},
        Label{"iso885914", &iso14},
        Label{"csisolatin9", &iso15},
        Label{"iso-8859-15", &iso15},
        Label{"iso8859-15", &iso15},
        Label{"iso885915", &iso15},
        Label{"iso_8859-15", &iso15},
        Label{"l9", &iso15},
        Label{"iso-8859-16", &iso16},
        Label{"cskoi8r", &koi8r},
        Label{"koi", &koi8r},
        Label{"koi8", &koi8r},
        Label{"koi8-r", &koi8r},
        Label{"koi8_r", &koi8r},
        Label{"koi8-ru", &koi8u},
        Label{"koi8-u", &koi8u},
        Label{"csmacintosh", &macintosh},
        Label{"mac", &macintosh},
        Label{"macintosh", &macintosh},
        Label{"x-mac-roman", &macintosh},
        Label{"dos-874", &windows874},
        Label{"iso-8859-11", &windows874},
        Label{"iso8859-11", &windows874},
        Label{"iso885911", &windows874},
        Label{"tis-620", &windows874},
        Label{"windows-874", &windows874},
        Label{"cp1250", &windows1250},
        Label{"windows-1250", &windows1250},
        Label{"x-cp1250", &windows1250},
        Label{"cp1251", &windows1251},
        Label{"windows-1251", &windows1251},
        Label{"x-cp1251", &windows1251},
        Label{"ansi_x3.4-1968", &windows1252},
        Label{"ascii", &windows1252},
        Label{"cp1252", &windows1252},
        Label{"cp819", &windows1252},
        Label{"csisolatin1", &windows1252},
        Label{"ibm819", &windows1252},
        Label{"iso-8859-1", &windows1252},
        Label{"iso-ir-100", &windows1252},
        Label{"iso8859-1", &windows1252},
        Label{"iso88591", &windows1252},
        Label{"iso_8859-1", &windows1252},
        Label{"iso_8859-1:1987", &windows1252},
        Label{"l1", &windows1252},
        Label{"latin1", &windows1252},
        Label{"us-ascii", &windows1252},
        Label{"windows-1252", &windows1252},
        Label{"x-cp1252", &windows1252},
        Label{"cp1253", &windows1253},
        Label{"windows-1253", &windows1253},
        Label{"x-cp1253", &windows1253},
        Label{"cp1254", &windows1254},
        Label{"csisolatin5", &windows1254},
        Label{"iso-8859-9", &windows1254},
        Label{"iso-ir-148", &windows1254},
        Label{"iso8859-9", &windows1254},
        Label{"iso88599", &windows1254},
        Label{"iso_8859-9", &windows1254},
        Label{"iso_8859-9:1989", &windows1254},
        Label{"l5", &windows1254},
        Label{"latin5", &windows1254},
        Label{"windows-1254", &windows1254},
        Label{"x-cp1254", &windows1254},
        Label{"cp1255", &windows1255},
        Label{"windows-1255", &windows1255},
        Label{"x-cp1255", &windows1255},
        Label{"cp1256", &windows1256},
        Label{"windows-1256", &windows1256},
        Label{"x-cp1256", &windows1256},
        Label{"cp1257", &windows1257},
        Label{"windows-1257", &windows1257},
        Label{"x-cp1257", &windows1257},
        Label{"cp1258", &windows1258},
        Label{"windows-1258", &windows1258},
        Label{"x-cp1258", &windows1258},
        Label{"x-mac-cyrillic", &macCyrillic},
        Label{"x-mac-ukrainian", &macCyrillic},
        Label{"chinese", &gb18030},
        Label{"csgb2312", &gb18030},
        Label{"csiso58gb231280", &gb18030},
        Label{"gb2312", &gb18030},
        Label{"gb_2312", &gb18030},
        Label{"gb_2312-80", &gb18030},
        Label{"gbk", &gb18030},
        Label{"iso-ir-58", &gb18030},
        Label{"x-gbk", &gb18030},
        Label{"gb18030", &gb18030},
        Label{"big5", &big5},
        Label{"big5-hkscs", &big5},
        Label{"cn-big5", &big5},
        Label{"csbig5", &big5},
        Label{"x-x-big5", &big5},
        Label{"cseucpkdfmtjapanese", &eucJP},
        Label{"euc-jp", &eucJP},
        Label{"x-euc-jp", &eucJP},
        Label{"csiso2022jp", &iso2022JP},
        Label{"iso-2022-jp", &iso2022JP},
        Label{"csshiftjis", &shiftJIS},
        Label{"ms932", &shiftJIS},
        Label{"ms_kanji", &shiftJIS},
        Label{"shift-jis", &shiftJIS},
        Label{"shift_jis", &shiftJIS},
        Label{"sjis", &shiftJIS},
        Label{"windows-31j", &shiftJIS},
        Label{"x-sjis", &shiftJIS},
        Label{"cseuckr", &eucKR},
        Label{"csksc56011987", &eucKR},
        Label{"euc-kr", &eucKR},
        Label{"iso-ir-149", &eucKR},
        Label{"korean", &eucKR},
        Label{"ks_c_5601-1987", &eucKR},
        Label{"ks_c_5601-1989", &eucKR},
        Label{"ksc5601", &eucKR},
        Label{"ksc_5601", &eucKR},
        Label{"windows-949", &eucKR},
        Label{"csiso2022kr", &replacement},
        Label{"hz-gb-2312", &replacement},
        Label{"iso-2022-cn", &replacement},
        Label{"iso-2022-cn-ext", &replacement},
        Label{"iso-2022-kr", &replacement},
        Label{"replacement", &replacement},
        Label{"unicodefffe", &utf16BE},
        Label{"utf-16be", &utf16BE},
        Label{"csunicode", &utf16LE},
        Label{"iso-10646-ucs-2", &utf16LE},
        Label{"ucs-2", &utf16LE},
        Label{"unicode", &utf16LE},
        Label{"unicodefeff", &utf16LE},
        Label{"utf-16", &utf16LE},
        Label{"utf-16le", &utf16LE},
        Label{"x-user-defined", &userDefined},
    };
}();

const Encoding* encodingForLabel(std::string_view name) {
    // Blanks around a label are ASCII whitespace.
    auto begin = name.find_first_not_of("\t\n\f\r ");
    if (begin == std::string_view::npos)
        return nullptr;
    name = name.substr(begin, name.find_last_not_of("\t\n\f\r ") - begin + 1);
    auto found = std::find_if(labels.begin(), labels.end(), [&](const Label& label) {
        return equalsIgnoringASCIICase(label.label, name);
    });
    return found == labels.end() ? nullptr : found->encoding;
}

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// Every bad or unmappable byte sequence becomes U+FFFD, in every encoding (ICU would otherwise
// write U+001A for some single-byte ones).
void substituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*,
                                    int32_t, UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR)
        return; // reset, close and clone need nothing
    static const UChar replacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

std::optional<std::string> decodeWithICU(std::string_view bytes, const char* icuName) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(icuName, &status), &ucnv_close);
    if (U_FAILURE(status))
        return std::nullopt;
    ucnv_setToUCallBack(converter.get(), substituteReplacementCharacter, nullptr, nullptr, nullptr,
                        &status);
    icu::UnicodeString text(bytes.data(), static_cast<int32_t>(bytes.size()), converter.get(),
                            status);
    if (U_FAILURE(status))
        return std::nullopt;
    std::string out;
    text.toUTF8String(out);
    return out;
}

void appendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// ISO-8859-16 from 0xA0 on; below, each byte is its own code point.
constexpr std::array<char16_t, 96> iso885916High = {
    0x00A0, 0x0104, 0x0105, 0x0141, 0x20AC, 0x201E, 0x0160, 0x00A7, 0x0161, 0x00A9, 0x0218, 0x00AB,
    0x0179, 0x00AD, 0x017A, 0x017B, 0x00B0, 0x00B1, 0x010C, 0x0142, 0x017D, 0x201D, 0x00B6, 0x00B7,
    0x017E, 0x010D, 0x0219, 0x00BB, 0x0152, 0x0153, 0x0178, 0x017C, 0x00C0, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0106, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x0143, 0x00D2, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x015A, 0x0170, 0x00D9, 0x00DA, 0x00DB,
    0x00DC, 0x0118, 0x021A, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x0107, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x0111, 0x0144, 0x00F2, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x015B, 0x0171, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0119, 0x021B, 0x00FF};

std::string decodeByHand(std::string_view bytes, Decoder decoder) {
    std::string out;
    if (decoder == Decoder::Replacement) {
        // Encodings that could smuggle text past filters decode to one U+FFFD, or nothing.
        if (!bytes.empty())
            appendCodePoint(out, 0xFFFD);
        return out;
    }
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else if (decoder == Decoder::UserDefined)
            appendCodePoint(out, 0xF780 + byte - 0x80);
        else
            appendCodePoint(out, byte < 0xA0 ? byte : iso885916High[byte - 0xA0]);
    }
    return out;
}

Error unknownEncoding(std::string_view charsetName) {
    return Error::make(CocoaErrorDomain, unknownEncodingCode,
                       "Unknown text encoding \"" + std::string(charsetName) + "\".");
}

} // namespace

Result<std::string> decodeText(std::string_view bytes, std::string_view charsetName) {
    const Encoding* encoding = encodingForLabel(charsetName);
    if (!encoding)
        return unknownEncoding(charsetName);
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return Error::make(CocoaErrorDomain, inapplicableEncodingCode,
                           "The text is too long to decode.");
    // A byte order mark decides over the label, and is no part of the text.
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        encoding = &utf8;
        bytes.remove_prefix(3);
    } else if (bytes.starts_with("\xFE\xFF")) {
        encoding = &utf16BE;
        bytes.remove_prefix(2);
    } else if (bytes.starts_with("\xFF\xFE")) {
        encoding = &utf16LE;
        bytes.remove_prefix(2);
    }
    if (encoding->decoder != Decoder::ICU)
        return decodeByHand(bytes, encoding->decoder);
    // Well-formed UTF-8 decodes to itself: one pass over it instead of a conversion to UTF-16
    // and back.
    if (encoding == &utf8 && isValidUTF8(bytes))
        return std::string(bytes);
    auto text = decodeWithICU(bytes, encoding->icuName);
    if (!text)
        return Error::make(CocoaErrorDomain, inapplicableEncodingCode,
                           "The text could not be decoded as \"" + std::string(charsetName) +
                               "\".");
    return std::move(*text);
}

bool isKnownEncodingName(std::string_view charsetName) {
    return encodingForLabel(charsetName) != nullptr;
}

} // namespace base
