#include "ads/request/PUBRequestPrivate.h"

#include "platform/base/ProcessWide.h"
#include "platform/base/RandomSource.h"

#include <mutex>

namespace {

// Uniform in 0 … 2³² − 2: a 32-bit draw, drawn again when it is 2³² − 1.
std::uint64_t uniformDraw() {
    auto source = base::RandomSource::current();
    for (;;) {
        std::uint8_t bytes[4];
        source->fill(bytes, sizeof bytes);
        std::uint32_t value = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                              std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
        if (value != 0xFFFFFFFFu)
            return value;
    }
}

} // namespace

std::shared_ptr<PUBRequestPrivate> PUBRequestPrivate::sharedInstance() {
    static base::ProcessWide<PUBRequestPrivate> shared(
        [] { return std::make_shared<PUBRequestPrivate>(Private{}); });
    return shared.get();
}

PUBRequestPrivate::PUBRequestPrivate(Private)
    : correlationID_(drawCorrelationID(0))
    , queue_("viz.azodoz.eziro.pub-request") {}

std::uint64_t PUBRequestPrivate::drawCorrelationID(std::uint64_t excluded) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::uint64_t draw = uniformDraw();
        if (draw != 0 && draw != excluded)
            return draw;
    }
    return 0;
}

std::uint64_t PUBRequestPrivate::correlationID() const {
    return queue_.syncResult([this] { return correlationID_; });
}

void PUBRequestPrivate::updateCorrelationID() {
    queue_.async([this] { correlationID_ = drawCorrelationID(correlationID_); });
}
