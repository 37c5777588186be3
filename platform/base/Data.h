#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A byte buffer with value semantics.
class Data {
public:
    Data() = default;
    explicit Data(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    Data(const void* bytes, std::size_t size);
    static Data fromString(std::string_view text);

    const std::uint8_t* bytes() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<const std::uint8_t> span() const { return bytes_; }
    const std::vector<std::uint8_t>& vector() const { return bytes_; }

    void append(const void* bytes, std::size_t size);
    void append(const Data& other) { append(other.bytes(), other.size()); }
    void clear() { bytes_.clear(); }

    // The bytes as they are, in a std::string (no decoding).
    std::string toString() const { return std::string(bytes_.begin(), bytes_.end()); }
    std::string hexString() const;

    friend bool operator==(const Data&, const Data&) = default;
    friend auto operator<=>(const Data&, const Data&) = default;

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace base
