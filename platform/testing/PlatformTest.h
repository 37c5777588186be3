#pragma once

#include "platform/base/Clock.h"
#include "platform/ui/WebEngineFactory.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace base {
class UserDefaults;
}
namespace net {
class CookieStorage;
class FakeReachabilitySource;
class ReachabilitySource;
class URLCache;
} // namespace net

namespace testing_support {

// Base fixture for tests of anything that touches the process-wide services. Each test gets:
// - a manual clock, and an empty main run loop and notification center;
// - an app home of its own in a new temporary folder, removed afterwards;
// - fresh standard user defaults, kept in that app home;
// - a fake reachability source (see reachability()), and a fresh cookie jar and URL cache in
//   that app home;
// - FakeWebEngine as the engine of every web view made (a test may install another).
// Everything is put back as it was after the test.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    base::ManualClock& clock() { return *clock_; }
    // The root of this test's app home.
    const std::filesystem::path& homeDirectory() const { return home_; }
    // The reachability source installed for this test: every target reachable until the test
    // sets other flags.
    net::FakeReachabilitySource& reachability() { return *reachability_; }

private:
    std::shared_ptr<base::ManualClock> clock_;
    std::shared_ptr<base::Clock> previousClock_;

    std::filesystem::path home_;
    std::optional<std::filesystem::path> previousHome_;
    std::shared_ptr<base::UserDefaults> previousDefaults_;

    // Network services: a fake reachability source, and a cookie jar and URL cache made
    // afresh inside the test's app home.
    std::shared_ptr<net::FakeReachabilitySource> reachability_;
    std::shared_ptr<net::ReachabilitySource> previousReachability_;
    std::shared_ptr<net::CookieStorage> previousCookies_;
    std::shared_ptr<net::URLCache> previousURLCache_;

    ui::WebEngineFactory::Maker previousEngineMaker_;
};

} // namespace testing_support
