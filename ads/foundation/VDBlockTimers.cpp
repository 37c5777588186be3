#include "ads/foundation/VDBlockTimers.h"

#include <cmath>

base::Seconds VDEffectiveTimerInterval(base::Seconds interval, bool repeats) {
    double seconds = interval.count();
    if (repeats) {
        if (!(seconds >= kVDMinimumRepeatingTimerInterval.count())) // NaN too
            return kVDMinimumRepeatingTimerInterval;
        return interval;
    }
    return seconds > 0 ? interval : base::Seconds(0);
}

std::shared_ptr<base::Timer>
vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(base::Seconds interval, bool repeats,
                                                       base::Seconds tolerance,
                                                       VDBlockTimerTarget::Block block) {
    auto target = std::make_shared<const VDBlockTimerTarget>(std::move(block));
    auto timer =
        base::Timer::scheduled(VDEffectiveTimerInterval(interval, repeats), repeats,
                               [target](base::Timer& fired) { target->timerFired(fired); });
    if (tolerance.count() > 0 && std::isfinite(tolerance.count()))
        timer->setTolerance(tolerance);
    return timer;
}
