#include "platform/testing/PlatformTest.h"

#include "platform/base/AppHome.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace testing_support {

namespace {

std::filesystem::path makeTemporaryHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "platform-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    return pattern;
}

} // namespace

void PlatformTest::SetUp() {
    base::RunLoop::main().reset();
    base::NotificationCenter::defaultCenter().reset();
    clock_ = std::make_shared<base::ManualClock>();
    previousClock_ = base::Clock::install(clock_);

    home_ = makeTemporaryHome();
    previousHome_ = base::AppHome::install(home_);
    // The next standard() call builds fresh defaults inside the new home.
    previousDefaults_ = base::UserDefaults::install(nullptr);

    // Network services: the net layer installs its fake sources here.
}

void PlatformTest::TearDown() {
    // Network services: the net layer restores its sources here.

    base::RunLoop::main().reset();
    base::NotificationCenter::defaultCenter().reset();

    // The test's defaults write what is pending into the test's home while it still exists.
    base::UserDefaults::install(std::move(previousDefaults_));
    base::AppHome::install(std::move(previousHome_));
    previousHome_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);

    base::Clock::install(previousClock_);
}

} // namespace testing_support
