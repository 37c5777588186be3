#pragma once

#include "platform/base/Clock.h"

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// Base fixture for tests of anything that touches the process-wide services: installs a
// manual clock and clears the main run loop and the notification center, and restores all of
// it afterwards.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    base::ManualClock& clock() { return *clock_; }

private:
    std::shared_ptr<base::ManualClock> clock_;
    std::shared_ptr<base::Clock> previousClock_;
};

} // namespace testing_support
