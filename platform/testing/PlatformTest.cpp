#include "platform/testing/PlatformTest.h"

#include "platform/base/AppHome.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/net/URLCache.h"
#include "platform/testing/FakeWebEngine.h"

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
    previousClock_ = base::RunLoop::main().useManualClock(clock_);

    home_ = makeTemporaryHome();
    previousHome_ = base::AppHome::install(home_);
    // The next standard() call builds fresh defaults inside the new home.
    previousDefaults_ = base::UserDefaults::install(nullptr);

    reachability_ = std::make_shared<net::FakeReachabilitySource>();
    previousReachability_ = net::ReachabilitySource::install(reachability_);
    // The next shared() calls build a fresh jar and cache inside the new home.
    previousCookies_ = net::CookieStorage::install(nullptr);
    previousURLCache_ = net::URLCache::install(nullptr);

    previousEngineMaker_ = ui::WebEngineFactory::install(ui::FakeWebEngine::maker());
}

void PlatformTest::TearDown() {
    ui::WebEngineFactory::install(std::move(previousEngineMaker_));
    net::URLCache::install(std::move(previousURLCache_));
    net::CookieStorage::install(std::move(previousCookies_));
    net::ReachabilitySource::install(std::move(previousReachability_));
    reachability_.reset();

    base::RunLoop::main().reset();
    base::NotificationCenter::defaultCenter().reset();

    // The test's defaults write what is pending into the test's home while it still exists.
    base::UserDefaults::install(std::move(previousDefaults_));
    base::AppHome::install(std::move(previousHome_));
    previousHome_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);

    base::RunLoop::main().useManualClock(nullptr);
    base::Clock::install(previousClock_);
}

} // namespace testing_support
