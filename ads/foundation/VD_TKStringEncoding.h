#pragma once

#include "platform/base/Data.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A radix encoder for alphabets of 2, 4, 8, 16, 32, 64 or 128 ASCII characters. Bits are taken
// most significant first; the last character is filled with zero bits on the right. Set it up
// (padding, synonyms, ignored characters) before sharing it: once set up it is immutable and may
// be used from any thread.
class VD_TKStringEncoding {
public:
    // The entries of reverseCharMap() that are not a character's value.
    static constexpr std::int32_t unknownChar = -1;
    static constexpr std::int32_t paddingCharMark = -2;
    static constexpr std::int32_t ignoredChar = -3;

    // nullopt when the alphabet is not pure ASCII, its length is not a power of two from 2 to
    // 128, or a character repeats.
    static std::optional<VD_TKStringEncoding> stringEncodingWithString(std::string_view alphabet);

    static VD_TKStringEncoding binaryStringEncoding();
    static VD_TKStringEncoding hexStringEncoding();
    static VD_TKStringEncoding rfc4648Base32StringEncoding();
    static VD_TKStringEncoding rfc4648Base32HexStringEncoding();
    static VD_TKStringEncoding crockfordBase32StringEncoding();
    static VD_TKStringEncoding rfc4648Base64StringEncoding();
    static VD_TKStringEncoding rfc4648Base64WebsafeStringEncoding();

    // Marks the character as padding for decoding and uses it to fill encoded text when
    // padding is on. Refused (false, nothing changes) for a character that is not ASCII or
    // belongs to the alphabet: such padding could not be told from data.
    bool setPaddingChar(char c);
    char paddingChar() const { return paddingChar_; }
    void setDoPad(bool doPad) { doPad_ = doPad; }
    bool doPad() const { return doPad_; }

    // Read left to right: a character that already decodes (or is padding or ignored) sets
    // the current meaning, and each following character that does not yet decode takes it.
    // "AaBb" lets "a" decode as "A" and "b" as "B". Non-ASCII characters are skipped.
    void addDecodeSynonyms(std::string_view synonyms);
    // Characters skipped when decoding. Non-ASCII characters are skipped.
    void ignoreCharacters(std::string_view characters);

    // The empty string for no bytes.
    std::string encode(std::span<const std::uint8_t> bytes) const;
    std::string encode(const base::Data& data) const { return encode(data.span()); }
    // Encodes the UTF-8 bytes of the text.
    std::string encodeString(std::string_view text) const;

    // nullopt for text that is not ASCII, holds a character that is neither in the alphabet
    // nor ignored, has an alphabet character after padding, or leaves non-zero bits over.
    std::optional<base::Data> decode(std::string_view text) const;
    // Decodes and reads the bytes as UTF-8; nullopt when they are not valid UTF-8.
    std::optional<std::string> stringByDecoding(std::string_view text) const;

    // "<Base64 StringEncoder: ABC...>"
    std::string description() const;

    std::string_view charMapData() const { return alphabet_; }
    const std::array<std::int32_t, 128>& reverseCharMap() const { return reverseCharMap_; }
    int shift() const { return shift_; }
    std::uint32_t mask() const { return (1u << shift_) - 1; }
    // The output granule in characters when padding: lcm(8, shift) / shift.
    std::size_t padLen() const { return padLen_; }

private:
    VD_TKStringEncoding(std::string alphabet, int shift);
    void setReverse(unsigned char c, std::int32_t value);

    std::string alphabet_;
    std::array<std::int32_t, 128> reverseCharMap_{};
    // reverseCharMap_ over every byte (unknownChar above ASCII), for decoding without a test
    // per character.
    std::array<std::int8_t, 256> decodeTable_{};
    int shift_ = 0;
    std::size_t padLen_ = 0;
    bool doPad_ = false;
    char paddingChar_ = '=';
};
