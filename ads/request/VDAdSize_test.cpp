#include "ads/foundation/VDDevice.h"
#include "ads/request/VDAdSize.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"

#include <gtest/gtest.h>

namespace {

class VDAdSizeTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        ui::Device::install(nullptr);
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    static void
    useDevice(ui::UserInterfaceIdiom idiom,
              ui::InterfaceOrientation orientation = ui::InterfaceOrientation::Portrait) {
        ui::Device::install(std::make_shared<ui::Device>(idiom));
        ui::Application::shared().setStatusBarOrientation(orientation);
        base::resetProcessServicesForTesting();
    }
};

TEST_F(VDAdSizeTest, NamedSizesAreFoundByTheirExactSize) {
    struct Case {
        ui::Size size;
        VDAdSize expected;
        const char* description;
    };
    const Case cases[] = {
        {{-1, -1}, kVDAdSizeInvalid, "kVDAdSizeInvalid"},
        {{320, 50}, kVDAdSizeBanner, "kVDAdSizeBanner"},
        {{320, 100}, kVDAdSizeLargeBanner, "kVDAdSizeLargeBanner"},
        {{300, 250}, kVDAdSizeMediumRectangle, "kVDAdSizeMediumRectangle"},
        {{468, 60}, kVDAdSizeFullBanner, "kVDAdSizeFullBanner"},
        {{728, 90}, kVDAdSizeLeaderboard, "kVDAdSizeLeaderboard"},
        {{120, 600}, kVDAdSizeSkyscraper, "kVDAdSizeSkyscraper"},
        {{320, 51}, VDAdSize{{320, 51}, 1}, "Custom VDAdSize: {320, 51}"},
        {{0, 0}, VDAdSize{{0, 0}, 1}, "Custom VDAdSize: {0, 0}"},
    };
    for (const auto& c : cases) {
        VDAdSize made = VDAdSizeFromCGSize(c.size);
        EXPECT_TRUE(VDAdSizeIsEqual(made, c.expected)) << c.description;
        EXPECT_EQ(VDAdSizeDescription(made), c.description);
        EXPECT_EQ(VDAdSizeIsStandard(made), c.expected.flags == 0 && c.size.width > 0)
            << c.description;
    }
    EXPECT_FALSE(VDAdSizeIsEqual(kVDAdSizeBanner, VDAdSize{{320, 50}, 8}));

    const std::pair<VDAdSize, const char*> others[] = {
        {kVDAdSizeSmartBannerPortrait, "kVDAdSizeSmartBannerPortrait"},
        {kVDAdSizeSmartBannerLandscape, "kVDAdSizeSmartBannerLandscape"},
        {kVDAdSizeSmartBannerSkinnyPortrait, "kVDAdSizeSmartBannerSkinnyPortrait"},
        {kVDAdSizeSmartBannerSkinnyLandscape, "kVDAdSizeSmartBannerSkinnyLandscape"},
        {VDAdSize{{0, 40}, 2}, "Full width VDAdSize with height: 40.000000"},
        {VDAdSize{{5, 6}, 0x40}, "VDAdSize: {5, 6}, 40"},
    };
    for (const auto& [size, description] : others)
        EXPECT_EQ(VDAdSizeDescription(size), description);
}

TEST_F(VDAdSizeTest, SizesLayOutForPhoneAndPad) {
    struct Case {
        ui::UserInterfaceIdiom idiom;
        VDAdSize size;
        ui::Size laidOut;
    };
    using enum ui::UserInterfaceIdiom;
    // Laid out from the portrait screen whatever the interface's orientation.
    const Case cases[] = {
        // A phone's portrait screen is 320 by 480.
        {Phone, kVDAdSizeSmartBannerPortrait, {320, 50}},
        {Phone, kVDAdSizeSmartBannerLandscape, {480, 32}},
        {Phone, kVDAdSizeSmartBannerSkinnyPortrait, {320, 50}},
        {Phone, kVDAdSizeSmartBannerSkinnyLandscape, {480, 32}},
        {Phone, kVDAdSizeBanner, {320, 50}},
        {Phone, VDAdSize{{100, 70}, 3}, {320, 70}}, // full width, own height
        {Phone, VDAdSize{{0, 0}, 2}, {0, 0}},       // full width, no height rule
        {Phone, kVDAdSizeInvalid, {0, 0}},
        {Phone, VDAdSize{{12, 34}, 1}, {12, 34}},
        {Phone, VDAdSize{{12, 34}, 0}, {0, 0}},
        // A pad's is 768 by 1024.
        {Pad, kVDAdSizeSmartBannerPortrait, {768, 90}},
        {Pad, kVDAdSizeSmartBannerLandscape, {1024, 90}},
        {Pad, kVDAdSizeSmartBannerSkinnyPortrait, {768, 66}},
        {Pad, kVDAdSizeSmartBannerSkinnyLandscape, {1024, 66}},
        {Pad, kVDAdSizeLeaderboard, {728, 90}},
        {Unspecified, kVDAdSizeSmartBannerPortrait, {0, 0}},
        {Unspecified, kVDAdSizeBanner, {320, 50}},
    };
    for (auto orientation :
         {ui::InterfaceOrientation::Portrait, ui::InterfaceOrientation::LandscapeLeft}) {
        for (const auto& c : cases) {
            useDevice(c.idiom, orientation);
            EXPECT_EQ(VDCGSizeFromAdSize(c.size), c.laidOut)
                << VDAdSizeDescription(c.size) << " on idiom " << int(c.idiom) << " in orientation "
                << int(orientation);
        }
    }
}

TEST_F(VDAdSizeTest, ValidityNamesWhatIsWrong) {
    useDevice(ui::UserInterfaceIdiom::Phone);
    const std::pair<VDAdSize, bool> cases[] = {
        {kVDAdSizeBanner, true},
        {kVDAdSizeSkyscraper, true},
        {kVDAdSizeSmartBannerPortrait, true},
        {kVDAdSizeSmartBannerSkinnyLandscape, true},
        {kVDAdSizeInvalid, false},
        {VDAdSize{{0, 0}, 2}, false},
        {VDAdSize{{0, 0}, 24}, false},
        {VDAdSize{{320, 50}, 8}, false},
        {VDAdSize{{480, 480}, 1}, true}, // the larger screen side
        {VDAdSize{{-480, 1}, 1}, true},
        {VDAdSize{{481, 1}, 1}, false},
        {VDAdSize{{1, 481}, 3}, false},
    };
    for (const auto& [size, valid] : cases) {
        base::Error error;
        EXPECT_EQ(VDAdSizeIsValidWithError(size, &error), valid) << VDAdSizeDescription(size);
        EXPECT_EQ(VDAdSizeIsValidWithError(size), valid);
        if (!valid) {
            EXPECT_EQ(error.domain, "com.redodi.ads.private");
            EXPECT_EQ(error.code, 3);
        }
    }

    base::Error error;
    EXPECT_FALSE(VDAdSizeIsValidWithError(kVDAdSizeInvalid, &error));
    EXPECT_EQ(error.localizedDescription(),
              "Non-standard size, kVDAdSizeInvalid. Please create a custom ad size using "
              "VDAdSizeFromCGSize.");
    EXPECT_FALSE(VDCustomAdSizeFitsScreen(&error, 481, 2));
    EXPECT_EQ(error.localizedDescription(),
              "Not enough space to show ad with custom size, {481, 2}. Please use a size the "
              "fits the current screen bounds of {{0, 0}, {320, 480}}.");
    EXPECT_FALSE(VDCustomAdSizeFitsScreen(nullptr, 481, 2));
}

TEST_F(VDAdSizeTest, BoxesAndTextsReadBack) {
    EXPECT_EQ(VDAdSizeFromNSValue(VDNSValueFromAdSize(kVDAdSizeSmartBannerLandscape)),
              kVDAdSizeSmartBannerLandscape);
    EXPECT_EQ(VDAdSizeFromNSValue(std::any(ui::Size(320, 50))), kVDAdSizeInvalid);
    EXPECT_EQ(VDAdSizeFromNSValue(std::any()), kVDAdSizeInvalid);

    const std::pair<const char*, ui::Size> texts[] = {
        {"320x50", {320, 50}}, {"300x250", {300, 250}}, {"320", {0, 0}}, {"x", {0, 0}},
        {"", {0, 0}},          {"1x2x3", {0, 0}},
    };
    for (const auto& [text, size] : texts)
        EXPECT_EQ(VDCGSizeFromAdSizeString(text), size) << text;
}

TEST_F(VDAdSizeTest, AServersSizeIsTakenOnlyWhenPositiveAndFittingTheScreen) {
    useDevice(ui::UserInterfaceIdiom::Phone);
    EXPECT_EQ(VDCGSizeFromServerAdSizeString("320x50"), ui::Size(320, 50));
    {
        testing_support::LogCapture log;
        EXPECT_EQ(VDCGSizeFromServerAdSizeString(""), ui::Size());
        EXPECT_TRUE(log.lines().empty());
    }
    for (const char* text :
         {"-320x-50", "1e308x1e308", "0x0", "320x-1", "nanx50", "5000x50", "no size"}) {
        testing_support::LogCapture log;
        EXPECT_EQ(VDCGSizeFromServerAdSizeString(text), ui::Size()) << text;
        EXPECT_EQ(log.lines().size(), 1u) << text;
    }
}

} // namespace
