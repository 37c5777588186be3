#include "ads/foundation/VD_TKStringEncoding.h"

#include "platform/base/Strings.h"

#include <limits>
#include <numeric>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

bool isASCII(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 128)
            return false;
    }
    return true;
}

VD_TKStringEncoding makeEncoding(std::string_view alphabet) {
    // The built-in alphabets are valid by construction.
    return *VD_TKStringEncoding::stringEncodingWithString(alphabet);
}

VD_TKStringEncoding makePadded(std::string_view alphabet) {
    auto encoding = makeEncoding(alphabet);
    encoding.setPaddingChar('=');
    encoding.setDoPad(true);
    return encoding;
}

} // namespace

VD_TKStringEncoding::VD_TKStringEncoding(std::string alphabet, int shift)
    : alphabet_(std::move(alphabet))
    , shift_(shift)
    , padLen_(std::size_t(std::lcm(8, shift) / shift)) {
    reverseCharMap_.fill(unknownChar);
    decodeTable_.fill(std::int8_t(unknownChar));
    for (std::size_t i = 0; i < alphabet_.size(); ++i)
        setReverse(static_cast<unsigned char>(alphabet_[i]), std::int32_t(i));
}

void VD_TKStringEncoding::setReverse(unsigned char c, std::int32_t value) {
    reverseCharMap_[c] = value;
    decodeTable_[c] = std::int8_t(value);
}

std::optional<VD_TKStringEncoding>
VD_TKStringEncoding::stringEncodingWithString(std::string_view alphabet) {
    if (!isASCII(alphabet))
        return std::nullopt;
    int shift = 0;
    switch (alphabet.size()) {
    case 2:
        shift = 1;
        break;
    case 4:
        shift = 2;
        break;
    case 8:
        shift = 3;
        break;
    case 16:
        shift = 4;
        break;
    case 32:
        shift = 5;
        break;
    case 64:
        shift = 6;
        break;
    case 128:
        shift = 7;
        break;
    default:
        return std::nullopt;
    }
    std::array<bool, 128> seen{};
    for (unsigned char c : alphabet) {
        if (seen[c])
            return std::nullopt;
        seen[c] = true;
    }
    return VD_TKStringEncoding(std::string(alphabet), shift);
}

VD_TKStringEncoding VD_TKStringEncoding::binaryStringEncoding() {
    return makeEncoding("01");
}

VD_TKStringEncoding VD_TKStringEncoding::hexStringEncoding() {
    auto encoding = makeEncoding("0123456789ABCDEF");
    encoding.addDecodeSynonyms("AaBbCcDdEeFf");
    return encoding;
}

VD_TKStringEncoding VD_TKStringEncoding::rfc4648Base32StringEncoding() {
    return makePadded("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567");
}

VD_TKStringEncoding VD_TKStringEncoding::rfc4648Base32HexStringEncoding() {
    return makePadded("0123456789ABCDEFGHIJKLMNOPQRSTUV");
}

VD_TKStringEncoding VD_TKStringEncoding::crockfordBase32StringEncoding() {
    auto encoding = makeEncoding("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
    encoding.addDecodeSynonyms("0oO1iIlLAaBbCcDdEeFfGgHhJjKkMmNnPpQqRrSsTtVvWwXxYyZz");
    return encoding;
}

VD_TKStringEncoding VD_TKStringEncoding::rfc4648Base64StringEncoding() {
    return makePadded("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

VD_TKStringEncoding VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding() {
    return makePadded("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
}

bool VD_TKStringEncoding::setPaddingChar(char c) {
    auto code = static_cast<unsigned char>(c);
    if (code >= 128 || alphabet_.find(c) != std::string::npos)
        return false;
    if (static_cast<unsigned char>(paddingChar_) < 128 &&
        reverseCharMap_[static_cast<unsigned char>(paddingChar_)] == paddingCharMark)
        setReverse(static_cast<unsigned char>(paddingChar_), unknownChar);
    paddingChar_ = c;
    setReverse(code, paddingCharMark);
    return true;
}

void VD_TKStringEncoding::addDecodeSynonyms(std::string_view synonyms) {
    std::int32_t current = unknownChar;
    for (unsigned char c : synonyms) {
        if (c >= 128)
            continue;
        if (reverseCharMap_[c] != unknownChar)
            current = reverseCharMap_[c];
        else
            setReverse(c, current);
    }
}

void VD_TKStringEncoding::ignoreCharacters(std::string_view characters) {
    for (unsigned char c : characters) {
        if (c < 128)
            setReverse(c, ignoredChar);
    }
}

namespace {

// step(0), step(1) … step(N - 1), written out: the optimiser does not unroll these loops by
// itself, and the per-character counting costs more than the look-ups.
template <std::size_t N, class Step> void unrolled(Step&& step) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (step(I), ...);
    }
    (std::make_index_sequence<N>{});
}

// Whole groups of the encoding: lcm(8, Shift) bits, which are both whole bytes and whole
// characters, so that no bit carries from one group to the next and each group is a table
// look-up per character. What is left over (less than a group) goes through the bit-by-bit
// loops, which start from the empty state the groups leave.
template <int Shift> struct Groups {
    static constexpr int bits = std::lcm(8, Shift);
    static constexpr std::size_t bytes = bits / 8;
    static constexpr std::size_t characters = bits / Shift;
    static constexpr std::uint64_t mask = (1u << Shift) - 1;

    // Encodes the whole groups of `bytes` into `out`; returns the bytes consumed.
    static std::size_t encode(const std::uint8_t* in, std::size_t size, const char* map,
                              char* out) {
        const std::size_t whole = size / Groups::bytes * Groups::bytes;
        for (std::size_t at = 0; at < whole; at += Groups::bytes) {
            std::uint64_t word = 0;
            unrolled<Groups::bytes>([&](std::size_t i) { word = (word << 8) | in[at + i]; });
            unrolled<Groups::characters>([&](std::size_t i) {
                out[i] = map[(word >> (Shift * (Groups::characters - 1 - i))) & mask];
            });
            out += Groups::characters;
        }
        return whole;
    }

    // Decodes whole groups of alphabet characters (synonyms included) from the start of
    // `text`, up to the first group holding anything else (padding, an ignored or unknown
    // character, a byte outside ASCII); returns the characters consumed and sets `written`.
    static std::size_t decode(std::string_view text, const std::array<std::int8_t, 256>& map,
                              std::uint8_t* out, std::size_t& written) {
        std::size_t at = 0;
        written = 0;
        while (text.size() - at >= Groups::characters) {
            std::uint64_t word = 0;
            std::int32_t invalid = 0;
            unrolled<Groups::characters>([&](std::size_t i) {
                auto c = static_cast<unsigned char>(text[at + i]);
                std::int32_t value = map[c];
                invalid |= value;
                word = (word << Shift) | std::uint64_t(std::uint32_t(value) & mask);
            });
            if (invalid < 0)
                break;
            unrolled<Groups::bytes>([&](std::size_t i) {
                out[written + i] = std::uint8_t(word >> (8 * (Groups::bytes - 1 - i)));
            });
            written += Groups::bytes;
            at += Groups::characters;
        }
        return at;
    }
};

template <class Function> decltype(auto) withGroups(int shift, Function&& function) {
    switch (shift) {
    case 1:
        return function(Groups<1>{});
    case 2:
        return function(Groups<2>{});
    case 3:
        return function(Groups<3>{});
    case 4:
        return function(Groups<4>{});
    case 5:
        return function(Groups<5>{});
    case 6:
        return function(Groups<6>{});
    default:
        return function(Groups<7>{});
    }
}

} // namespace

std::string VD_TKStringEncoding::encode(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty())
        return {};
    if (bytes.size() > std::numeric_limits<std::size_t>::max() / 8)
        throw std::length_error("VD_TKStringEncoding: input too long");
    const std::size_t bits = bytes.size() * 8;
    std::size_t length = (bits + std::size_t(shift_) - 1) / std::size_t(shift_);
    if (doPad_)
        length = (length + padLen_ - 1) / padLen_ * padLen_;

    std::string out(length, paddingChar_);
    const char* map = alphabet_.data();
    const std::size_t grouped = withGroups(shift_, [&](auto groups) {
        return groups.encode(bytes.data(), bytes.size(), map, out.data());
    });
    std::size_t at = grouped * 8 / std::size_t(shift_);
    const std::uint32_t charMask = mask();
    std::uint32_t buffer = 0;
    int bitsInBuffer = 0;
    for (std::uint8_t byte : bytes.subspan(grouped)) {
        buffer = (buffer << 8) | byte;
        bitsInBuffer += 8;
        while (bitsInBuffer >= shift_) {
            bitsInBuffer -= shift_;
            out[at++] = map[(buffer >> bitsInBuffer) & charMask];
        }
        // Only the bits not yet written are kept, so the buffer never overflows.
        buffer &= (1u << bitsInBuffer) - 1;
    }
    if (bitsInBuffer > 0)
        out[at++] = map[(buffer << (shift_ - bitsInBuffer)) & charMask];
    return out;
}

std::string VD_TKStringEncoding::encodeString(std::string_view text) const {
    return encode(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::optional<base::Data> VD_TKStringEncoding::decode(std::string_view text) const {
    // Every character gives at most `shift` bits, so this is enough room.
    std::vector<std::uint8_t> bytes(text.size() * std::size_t(shift_) / 8 + 1);
    std::size_t length = 0;
    const std::size_t grouped = withGroups(shift_, [&](auto groups) {
        return groups.decode(text, decodeTable_, bytes.data(), length);
    });
    std::uint32_t buffer = 0;
    int bitsInBuffer = 0;
    bool paddingSeen = false;
    for (unsigned char c : text.substr(grouped)) {
        if (c >= 128)
            return std::nullopt;
        std::int32_t value = reverseCharMap_[c];
        if (value < 0) {
            if (value == ignoredChar)
                continue;
            if (value == paddingCharMark) {
                paddingSeen = true;
                continue;
            }
            return std::nullopt;
        }
        if (paddingSeen)
            return std::nullopt;
        buffer = (buffer << shift_) | std::uint32_t(value);
        bitsInBuffer += shift_;
        if (bitsInBuffer >= 8) {
            bitsInBuffer -= 8;
            bytes[length++] = std::uint8_t(buffer >> bitsInBuffer);
            buffer &= (1u << bitsInBuffer) - 1;
        }
    }
    if (buffer != 0)
        return std::nullopt;
    bytes.resize(length);
    return base::Data(std::move(bytes));
}

std::optional<std::string> VD_TKStringEncoding::stringByDecoding(std::string_view text) const {
    auto data = decode(text);
    if (!data)
        return std::nullopt;
    std::string decoded = data->toString();
    if (!base::isValidUTF8(decoded))
        return std::nullopt;
    return decoded;
}

std::string VD_TKStringEncoding::description() const {
    return "<Base" + std::to_string(1 << shift_) + " StringEncoder: " + alphabet_ + ">";
}
