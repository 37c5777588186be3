#include "platform/testing/PlatformTest.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"

namespace testing_support {

void PlatformTest::SetUp() {
    base::RunLoop::main().reset();
    base::NotificationCenter::defaultCenter().reset();
    clock_ = std::make_shared<base::ManualClock>();
    previousClock_ = base::Clock::install(clock_);
}

void PlatformTest::TearDown() {
    base::RunLoop::main().reset();
    base::NotificationCenter::defaultCenter().reset();
    base::Clock::install(previousClock_);
}

} // namespace testing_support
