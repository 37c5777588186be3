#pragma once

#include <cstdint>

// The clock of the ads client's time stamps: milliseconds of the monotonic clock since the
// first reading in the process. The values mean nothing in another process. Safe from any
// thread.
class VDAbsoluteTime {
public:
    VDAbsoluteTime() = delete;

    // 0 at the first call; counts milliseconds from then on and never goes back.
    static std::uint64_t absoluteTimeInMilliseconds();

    // Forgets the first reading, so that the next call starts again at 0 (tests that install
    // a clock of their own).
    static void resetForTesting();
};
