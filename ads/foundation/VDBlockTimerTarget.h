#pragma once

#include "platform/base/Timer.h"

#include <functional>

// What a block timer runs: the timer owns its target and the target owns the block, so the
// block alone decides what the timer keeps alive.
class VDBlockTimerTarget {
public:
    using Block = std::function<void(base::Timer&)>;

    explicit VDBlockTimerTarget(Block block)
        : block_(std::move(block)) {}

    // Runs the block with the timer, when there is a block.
    void timerFired(base::Timer& timer) const;
    const Block& block() const { return block_; }

private:
    Block block_;
};
