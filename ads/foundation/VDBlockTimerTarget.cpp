#include "ads/foundation/VDBlockTimerTarget.h"

void VDBlockTimerTarget::timerFired(base::Timer& timer) const {
    if (block_)
        block_(timer);
}
