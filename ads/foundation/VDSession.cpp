#include "ads/foundation/VDSession.h"

#include "platform/base/RandomSource.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

std::string drawIdentifier() {
    std::array<std::uint8_t, sizeof(std::uint64_t)> bytes{};
    base::RandomSource::current()->fill(bytes.data(), bytes.size());
    std::uint64_t number = 0;
    std::memcpy(&number, bytes.data(), bytes.size());
    return std::to_string(number);
}

} // namespace

std::shared_ptr<VDSession> VDSession::create() {
    return std::make_shared<VDSession>(Private{});
}

VDSession::VDSession(Private)
    : uniqueID_(drawIdentifier()) {}
