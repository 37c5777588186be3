#include "ads/request/VDAdSettingsParameters.h"
#include "ads/request/VDMobileAds.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class FakeTracker final : public VDClassRegistry::Class,
                          public VDAdSettingsParameters::AnalyticsTracker {
public:
    std::string clientId() const override { return id; }
    std::string id = "555.777";
};

class FakeScreenView final : public VDClassRegistry::Class,
                             public VDAdSettingsParameters::ScreenViewInfo {
public:
    int screenId() const override { return -42; }
};

class FakeScreenViewService final : public VDClassRegistry::Class,
                                    public VDAdSettingsParameters::ScreenViewService {
public:
    std::shared_ptr<VDClassRegistry::Class> currentScreenView() const override { return current; }
    std::shared_ptr<VDClassRegistry::Class> current = std::make_shared<FakeScreenView>();
};

class FakeSettings final : public VDClassRegistry::Class {
public:
    std::string code;
    std::optional<std::string> trackingID;
};

class FakeSettingsClass final : public VDClassRegistry::Class, public VDMobileAds::SettingsClass {
public:
    std::shared_ptr<VDClassRegistry::Class>
    initWithMobileAdsIdTrackingId(const std::string& code,
                                  const std::optional<std::string>& trackingID) override {
        auto settings = std::make_shared<FakeSettings>();
        settings->code = code;
        settings->trackingID = trackingID;
        return settings;
    }
};

class FakeSettingsService final : public VDClassRegistry::Class,
                                  public VDMobileAds::SettingsService {
public:
    std::shared_ptr<VDClassRegistry::Class> mobileAdsDefaultSettings() const override {
        return settings;
    }
    void setMobileAdsDefaultSettings(const std::shared_ptr<VDClassRegistry::Class>& s) override {
        settings = s;
    }
    void start() override { ++starts; }
    std::shared_ptr<VDClassRegistry::Class> settings;
    int starts = 0;
};

class VDMobileAdsTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        VDClassRegistry::resetForTesting();
        PlatformTest::TearDown();
    }
    void registerTagManager() {
        VDClassRegistry::registerClass(VDMobileAds::settingsClassName,
                                       std::make_shared<FakeSettingsClass>());
        VDClassRegistry::registerClass(VDMobileAds::settingsServiceClassName, service_);
    }
    void registerAnalytics() {
        VDClassRegistry::registerClass(VDAdSettingsParameters::trackerClassName, tracker_);
        VDClassRegistry::registerClass(VDAdSettingsParameters::screenViewServiceClassName,
                                       screens_);
        VDClassRegistry::registerClass(VDAdSettingsParameters::screenViewInfoClassName,
                                       std::make_shared<FakeScreenView>());
    }
    // "ga_cid" and "ga_hid" as a request reads them.
    static std::pair<std::optional<std::string>, std::optional<std::string>> identifiers() {
        auto settings = VDAdSettingsParameters::sharedInstance();
        settings->updateClientID();
        settings->waitForUpdatesForTesting();
        return {settings->clientID(), VDAdSettingsParameters::currentHitID()};
    }

    testing_support::LogCapture log_;
    std::shared_ptr<FakeSettingsService> service_ = std::make_shared<FakeSettingsService>();
    std::shared_ptr<FakeTracker> tracker_ = std::make_shared<FakeTracker>();
    std::shared_ptr<FakeScreenViewService> screens_ = std::make_shared<FakeScreenViewService>();
};

TEST_F(VDMobileAdsTest, OnlyAWholeLowerCaseApplicationCodeIsValid) {
    struct Case {
        const char* code;
        bool valid;
    };
    const Case cases[] = {
        {"vd-app-pub-1234567890~0987654321", true},
        {"vd-app-a_b-c~x_y-z9", true},
        {"vd-app-pub-123~456 ", false}, // the match must cover the whole text
        {" vd-app-pub-123~456", false},
        {"vd-app-PUB-123~456", false},
        {"vd-app-pub-123", false},
        {"vd-app-~456", false},
        {"vd-app-pub~456~789", false},
        {"vx-app-pub-123~456", false}, // another prefix
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VDMobileAds::isValidApplicationCode(c.code), c.valid) << c.code;

    VDMobileAds::configureWithApplicationCode("vd-app-pub-123~456 ");
    VDMobileAds::configureWithApplicationCode(std::nullopt);
    EXPECT_EQ(log_.lines(),
              (std::vector<std::string>{
                  "<Redodi> Application code vd-app-pub-123~456  is invalid, unable to configure "
                  "ad settings.",
                  "<Redodi> Application code (null) is invalid, unable to configure ad settings.",
              }));
}

TEST_F(VDMobileAdsTest, WithoutTheTagManagerNothingIsSwitchedOn) {
    registerAnalytics();
    // Only one of the two classes, or a class without the operations: unavailable.
    VDClassRegistry::registerClass(VDMobileAds::settingsClassName,
                                   std::make_shared<FakeSettings>());
    VDClassRegistry::registerClass(VDMobileAds::settingsServiceClassName, service_);
    VDMobileAds::configureWithApplicationCodeTrackingID("vd-app-pub-1~2", "UA-1");
    EXPECT_EQ(log_.lines(), (std::vector<std::string>{
                                "<Redodi> Redodi Tag Manager is unavailable. Please download the "
                                "SDK to enable this service."}));
    EXPECT_EQ(service_->starts, 0);
    EXPECT_FALSE(VDAdSettingsParameters::sharedInstance()->settingsServiceEnabled());
    EXPECT_EQ(identifiers(),
              std::make_pair(std::optional<std::string>(), std::optional<std::string>()));
}

TEST_F(VDMobileAdsTest, AValidCodeStartsTheServiceAndTheIdentifiersFollow) {
    registerTagManager();
    registerAnalytics();
    VDMobileAds::configureWithApplicationCodeTrackingID("vd-app-pub-1~2", "UA-1");
    EXPECT_TRUE(log_.lines().empty());
    EXPECT_EQ(service_->starts, 1);
    auto settings = std::dynamic_pointer_cast<FakeSettings>(service_->mobileAdsDefaultSettings());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->code, "vd-app-pub-1~2");
    EXPECT_EQ(settings->trackingID, "UA-1");
    EXPECT_EQ(identifiers(), std::make_pair(std::optional<std::string>("555.777"),
                                            std::optional<std::string>("-42")));

    // No current screen view: no hit identifier.
    screens_->current = nullptr;
    EXPECT_EQ(VDAdSettingsParameters::currentHitID(), std::nullopt);
    // The classes were looked up once: a tracker registered later is not seen.
    VDClassRegistry::registerClass(VDAdSettingsParameters::trackerClassName, nullptr);
    tracker_->id = "999";
    EXPECT_EQ(identifiers().first, "999");
}

} // namespace
