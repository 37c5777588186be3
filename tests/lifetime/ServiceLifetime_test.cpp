#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGestureIdUtil.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/request/PUBRequestPrivate.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDMobileAds.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "browser/AdManager.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/URLCache.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/ui/WebEngineFactory.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

// Each case makes services in a process of its own (a death test in the "threadsafe" style
// runs the test binary afresh) and ends it with exit(): the statics of the process die then,
// and a service that reaches another already gone is a memory fault the sanitizers and
// valgrind report and that turns the exit status non-zero.

namespace {

struct Service {
    std::string name;
    std::function<void()> touch;
};

const std::vector<Service>& services() {
    static const std::vector<Service> all = {
        {"pool", [] { (void)VDWebViewCacheSet::shared(); }},
        {"notificationCenter", [] { (void)base::NotificationCenter::defaultCenter(); }},
        {"runLoop", [] { base::RunLoop::main().dispatch([] {}); }},
        {"userDefaults", [] { base::UserDefaults::standard()->setBool("touched", true); }},
        {"bundle", [] { (void)base::Bundle::main().bundleIdentifier(); }},
        {"cookies", [] { (void)net::CookieStorage::shared(); }},
        {"urlCache", [] { (void)net::URLCache::shared(); }},
        {"application", [] { (void)ui::Application::shared().applicationState(); }},
        {"device", [] { (void)ui::Device::current().model(); }},
        {"mobileAds", [] { VDMobileAds::configureWithApplicationCode("vd-app-lifetime~test"); }},
        {"pubRequestPrivate", [] { (void)PUBRequestPrivate::sharedInstance()->correlationID(); }},
        {"clickTrackers", [] { (void)VDClickTrackerCollection::sharedInstance(); }},
        {"adSettings", [] { (void)VDAdSettingsParameters::sharedInstance(); }},
        {"sdkCore", [] { (void)VDSDKCoreController::sharedInstance(); }},
        {"characterSets", [] { (void)VDCharacterSets::sharedInstance()->spaceDelimitedSet(); }},
        {"vdApplication", [] { (void)VDApplication::sharedInstance(); }},
        {"gestureUtil", [] { (void)VDGestureUtil::sharedInstance(); }},
        {"vdDevice", [] { (void)VDDevice::sharedInstance(); }},
        {"gestureIds", [] { (void)VDGestureIdUtil::sharedInstance(); }},
        {"adManager", [] { (void)AdManager::sharedInstance(); }},
    };
    return all;
}

const Service& serviceNamed(const std::string& name) {
    for (const auto& service : services())
        if (service.name == name)
            return service;
    throw std::invalid_argument("no service " + name);
}

std::vector<std::string> serviceNames() {
    std::vector<std::string> names;
    for (const auto& service : services())
        names.push_back(service.name);
    return names;
}

// Runs in the fresh process: a home of its own, then the services in the order given, then
// the end of the process.
char home[] = "/tmp/service-lifetime-XXXXXX";

void removeHome() {
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

[[noreturn]] void touchAndExit(const std::vector<std::string>& order) {
    if (!::mkdtemp(home))
        std::_Exit(2);
    // Registered first, so it runs after everything else the exit runs.
    std::atexit(&removeHome);
    base::AppHome::install(std::filesystem::path(home));
    ui::WebEngineFactory::install([](ui::WebEngine* relatedTo) -> std::unique_ptr<ui::WebEngine> {
        return std::make_unique<ui::FakeWebEngine>(static_cast<ui::FakeWebEngine*>(relatedTo));
    });
    for (const auto& name : order)
        serviceNamed(name).touch();
    std::exit(0);
}

class ServiceLifetimeTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    std::vector<std::string> othersThan(const std::string& name) {
        std::vector<std::string> others;
        for (const auto& other : serviceNames())
            if (other != name)
                others.push_back(other);
        return others;
    }
};

TEST_P(ServiceLifetimeTest, EndsCleanlyWhenMadeAlone) {
    EXPECT_EXIT(touchAndExit({GetParam()}), testing::ExitedWithCode(0), "");
}

TEST_P(ServiceLifetimeTest, EndsCleanlyWhenMadeFirst) {
    auto order = othersThan(GetParam());
    order.insert(order.begin(), GetParam());
    EXPECT_EXIT(touchAndExit(order), testing::ExitedWithCode(0), "");
}

TEST_P(ServiceLifetimeTest, EndsCleanlyWhenMadeLast) {
    auto order = othersThan(GetParam());
    order.push_back(GetParam());
    EXPECT_EXIT(touchAndExit(order), testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Services, ServiceLifetimeTest, testing::ValuesIn(serviceNames()),
                         [](const auto& info) { return info.param; });

} // namespace
