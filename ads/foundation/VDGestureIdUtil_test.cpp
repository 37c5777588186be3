#include "ads/foundation/VDGestureIdUtil.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RandomSource.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"

#include <atomic>
#include <gtest/gtest.h>
#include <regex>

namespace {

class CountingRandomSource final : public base::RandomSource {
public:
    void fill(std::uint8_t* bytes, std::size_t size) override {
        ++calls;
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = std::uint8_t(i * 7 + calls);
    }
    std::atomic<int> calls{0};
};

class VDGestureIdUtilTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        device_ = std::make_shared<ui::Device>();
        previousDevice_ = ui::Device::install(device_);
        random_ = std::make_shared<CountingRandomSource>();
        previousRandom_ = base::RandomSource::install(random_);
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        base::RandomSource::install(previousRandom_);
        ui::Device::install(previousDevice_);
        PlatformTest::TearDown();
    }

    std::shared_ptr<ui::Device> device_;
    std::shared_ptr<CountingRandomSource> random_;

private:
    std::shared_ptr<ui::Device> previousDevice_;
    std::shared_ptr<base::RandomSource> previousRandom_;
};

TEST_F(VDGestureIdUtilTest, VersionParts) {
    device_->setSystemVersion("8.1");
    std::int32_t major = -1, minor = -1, bugFix = -1;
    VDGestureIdUtil::getOSMajorMinorBugFix(&major, &minor, &bugFix);
    EXPECT_EQ(major, 8);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(bugFix, 0);

    device_->setSystemVersion("9.2.3");
    major = minor = -1;
    VDGestureIdUtil::getOSMajorMinorBugFix(&major, nullptr, nullptr);
    EXPECT_EQ(major, 9);
    EXPECT_EQ(minor, -1);

    for (const char* version : {"6.0", "6.0.1", "7.0"}) {
        device_->setSystemVersion(version);
        EXPECT_TRUE(VDGestureIdUtil::isOSAtLeastMajorMinorBug(6, 0, 0)) << version;
    }
    device_->setSystemVersion("5.1.1");
    EXPECT_FALSE(VDGestureIdUtil::isOSAtLeastMajorMinorBug(6, 0, 0));
    EXPECT_EQ(VDGestureIdUtil::sharedInstance()->osVersion(), "5.1.1"); // read at each call
}

TEST_F(VDGestureIdUtilTest, AdvertisingIdentifierOnlyWhileTrackingIsOn) {
    device_->setSystemVersion("7.1");
    device_->setAdvertisingIdentifier("1E2DFA89-496A-47FD-9941-DF1FC4E6484A");
    auto ids = VDGestureIdUtil::sharedInstance();
    EXPECT_EQ(ids->deviceIdentifierType(), 4);

    device_->setAdvertisingTrackingEnabled(false);
    EXPECT_EQ(ids->deviceIdentifier(), "");
    EXPECT_TRUE(ids->deviceOptedOut());

    device_->setAdvertisingTrackingEnabled(true);
    EXPECT_EQ(ids->deviceIdentifier(), "1E2DFA89-496A-47FD-9941-DF1FC4E6484A");
    EXPECT_FALSE(ids->deviceOptedOut());
    EXPECT_FALSE(base::UserDefaults::standard()->objectForKey("madAppId").isString());
}

TEST_F(VDGestureIdUtilTest, InstallationIdentifierBelowSix) {
    device_->setSystemVersion("5.1.1");
    device_->setAdvertisingTrackingEnabled(false);
    auto ids = VDGestureIdUtil::sharedInstance();
    EXPECT_EQ(ids->deviceIdentifierType(), 1);
    EXPECT_FALSE(ids->deviceOptedOut());

    std::string first = ids->deviceIdentifier();
    EXPECT_TRUE(std::regex_match(
        first, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")))
        << first;
    EXPECT_EQ(base::UserDefaults::standard()->stringForKey("madAppId"), first);
    int made = random_->calls;
    EXPECT_EQ(ids->deviceIdentifier(), first);
    EXPECT_EQ(random_->calls, made); // nothing new made or stored

    // A later launch finds it again.
    base::UserDefaults::standard()->synchronize();
    base::UserDefaults::install(nullptr);
    base::resetProcessServicesForTesting();
    EXPECT_EQ(VDGestureIdUtil::sharedInstance()->deviceIdentifier(), first);
}

TEST_F(VDGestureIdUtilTest, UnusableStoredIdentifierIsReplaced) {
    device_->setSystemVersion("5.0");
    auto ids = VDGestureIdUtil::sharedInstance();
    for (base::Value stored : {base::Value(12), base::Value("")}) {
        base::UserDefaults::standard()->setObject("madAppId", stored);
        std::string identifier = ids->deviceIdentifier();
        EXPECT_EQ(identifier.size(), 36u);
        EXPECT_EQ(base::UserDefaults::standard()->objectForKey("madAppId"),
                  base::Value(identifier));
    }
    // A user-defaults object of the caller's choosing is used from then on.
    auto other = base::UserDefaults::create(homeDirectory() / "other.plist", {});
    other->setObject("madAppId", base::Value("MINE"));
    ids->setUserDefaults(other);
    EXPECT_EQ(ids->userDefaults(), other);
    EXPECT_EQ(ids->deviceIdentifier(), "MINE");
}

TEST_F(VDGestureIdUtilTest, ScreenSizeInPixels) {
    struct Case {
        ui::Rect bounds;
        double scale;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {ui::Rect(0, 0, 320, 568), 2, 640, 1136},
        {ui::Rect(0, 0, 768, 1024), 1, 768, 1024},
        {ui::Rect(0, 0, 414, 736), 2.608, 1079, 1919}, // truncated
    };
    for (const auto& c : cases) {
        auto device = std::make_shared<ui::Device>();
        device->setScreen(c.bounds, c.scale);
        ui::Device::install(device);
        auto size = VDMainScreenSizeInts();
        EXPECT_EQ(size.width, c.width) << c.bounds.description();
        EXPECT_EQ(size.height, c.height) << c.bounds.description();
    }
}

TEST_F(VDGestureIdUtilTest, TimeZoneOffsetMinutes) {
    struct Case {
        int secondsFromGMT;
        std::int64_t minutes;
    };
    const Case cases[] = {
        {0, 1440},      {3600, 1500}, {19800, 1770}, {-18000, 1140},
        {-12600, 1230}, {-90, 1439},  {50400, 2280},
    };
    for (const auto& c : cases) {
        clock().setZone(c.secondsFromGMT, "Test");
        EXPECT_EQ(VDTimeZoneOffsetMinutes(), c.minutes) << c.secondsFromGMT;
    }
}

} // namespace
