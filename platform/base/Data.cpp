#include "platform/base/Data.h"

namespace base {

Data::Data(const void* bytes, std::size_t size) { append(bytes, size); }

Data Data::fromString(std::string_view text) { return Data(text.data(), text.size()); }

void Data::append(const void* bytes, std::size_t size) {
    if (size == 0)
        return;
    auto* begin = static_cast<const std::uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), begin, begin + size);
}

std::string Data::hexString() const {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes_.size() * 2);
    for (auto byte : bytes_) {
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 0xf]);
    }
    return out;
}

} // namespace base
