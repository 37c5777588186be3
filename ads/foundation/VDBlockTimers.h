#pragma once

#include "ads/foundation/VDBlockTimerTarget.h"
#include "platform/base/Seconds.h"
#include "platform/base/Timer.h"

#include <functional>
#include <memory>

// The shortest interval a repeating block timer runs at. Intervals come from servers too; one
// of 0 or below (or not a number) must not turn into a loop that never rests.
inline constexpr base::Seconds kVDMinimumRepeatingTimerInterval{0.1};

// The interval a timer made here really uses: a repeating one at least the minimum above, a
// one-shot one at least 0.
base::Seconds VDEffectiveTimerInterval(base::Seconds interval, bool repeats);

// A timer on the main run loop that runs the block with itself at each firing. A tolerance
// above 0 is set on the timer; 0 or below sets none. The caller owns the timer and invalidates
// it to stop it; the block should hold whatever it needs weakly, the timer keeps nothing else
// alive.
std::shared_ptr<base::Timer> vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
    base::Seconds interval, bool repeats, base::Seconds tolerance, VDBlockTimerTarget::Block block);

// The same for a block that works on an owner held weakly: the block runs only while the owner
// lives, and the first firing after the owner has gone invalidates the timer, so an owner that
// went away without stopping its timer leaves nothing running.
template <class Owner>
std::shared_ptr<base::Timer> vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
    base::Seconds interval, bool repeats, base::Seconds tolerance, std::weak_ptr<Owner> owner,
    std::function<void(Owner&, base::Timer&)> block) {
    return vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
        interval, repeats, tolerance,
        [owner = std::move(owner), block = std::move(block)](base::Timer& timer) {
            auto strong = owner.lock();
            if (!strong) {
                timer.invalidate();
                return;
            }
            if (block)
                block(*strong, timer);
        });
}
