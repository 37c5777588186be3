#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGeometry.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

class VDGeometryTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        previousDevice_ = ui::Device::install(std::make_shared<ui::Device>());
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        ui::Device::install(previousDevice_);
        PlatformTest::TearDown();
    }
    void setSystemVersion(std::string version) {
        VDDevice::sharedInstance()->setSystemVersion(std::move(version));
    }

private:
    std::shared_ptr<ui::Device> previousDevice_;
};

TEST_F(VDGeometryTest, RectDictionaries) {
    ui::Rect rect(10, 20, -5, 8);
    base::Value::Dictionary compact = VDCompactDictionaryFromCGRect(rect);
    EXPECT_EQ(compact, (base::Value::Dictionary{{"x", base::Value(5.0)},
                                                {"y", base::Value(20.0)},
                                                {"w", base::Value(5.0)},
                                                {"h", base::Value(8.0)}}));
    EXPECT_TRUE(compact["w"].type() == base::Value::Type::Double);
    // The long form keeps the rectangle as it is, and reads back.
    const base::Value::Dictionary full{{"x", base::Value(1.0)},
                                       {"y", base::Value(2.0)},
                                       {"width", base::Value(3.0)},
                                       {"height", base::Value(-4.0)}};
    EXPECT_EQ(VDDictionaryFromCGRect(ui::Rect(1, 2, 3, -4)), full);
    base::Error error;
    EXPECT_EQ(VDCGRectFromDictionary(full, &error), ui::Rect(1, 2, 3, -4));
    EXPECT_EQ(error.code, 0);

    base::Value::Dictionary noHeight = full;
    noHeight.erase("height");
    base::Value::Dictionary textHeight = full;
    textHeight["height"] = base::Value("4");
    for (const auto& broken : {noHeight, textHeight}) {
        base::Error failure;
        EXPECT_EQ(VDCGRectFromDictionary(broken, &failure), ui::Rect());
        EXPECT_EQ(failure.domain, "cg_rect_conversion");
        EXPECT_EQ(failure.code, 1);
        EXPECT_EQ(failure.localizedDescription(),
                  "Invalid SDK Core rectangle " + base::Value(broken).description() + ".");
        EXPECT_EQ(VDCGRectFromDictionary(broken), ui::Rect());
    }
}

TEST_F(VDGeometryTest, RectForInterfaceOrientation) {
    const ui::Rect r(10, 20, 30, 40);
    const ui::Rect screen(0, 0, 320, 480);
    struct Case {
        const char* version;
        ui::InterfaceOrientation orientation;
        ui::Rect expected;
    };
    const Case cases[] = {
        {"7.1", ui::InterfaceOrientation::Portrait, r},
        {"7.1", ui::InterfaceOrientation::Unknown, r},
        {"7.1", ui::InterfaceOrientation::PortraitUpsideDown, ui::Rect(280, 420, 30, 40)},
        {"7.1", ui::InterfaceOrientation::LandscapeRight, ui::Rect(20, 280, 40, 30)},
        {"7.1", ui::InterfaceOrientation::LandscapeLeft, ui::Rect(420, 10, 40, 30)},
        {"8.0", ui::InterfaceOrientation::LandscapeLeft, r},
        {"8.0", ui::InterfaceOrientation::PortraitUpsideDown, r},
        {"9.3.5", ui::InterfaceOrientation::LandscapeRight, r},
    };
    for (const auto& c : cases) {
        setSystemVersion(c.version);
        EXPECT_EQ(VDRectForInterfaceOrientation(r, screen, c.orientation), c.expected)
            << c.version << " orientation " << int(c.orientation);
    }
}

TEST_F(VDGeometryTest, InterfaceOrientedRectReadsTheMainThreadState) {
    setSystemVersion("7.1");
    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::LandscapeLeft);
    const ui::Rect r(10, 20, 30, 40);
    // The phone's main screen is 320 × 480.
    EXPECT_EQ(VDInterfaceOrientedRect(r), ui::Rect(420, 10, 40, 30));

    std::atomic<bool> done{false};
    ui::Rect fromWorker;
    std::thread worker([&] {
        fromWorker = VDInterfaceOrientedRect(r);
        done = true;
    });
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return done.load(); }, std::chrono::seconds(10)));
    worker.join();
    EXPECT_EQ(fromWorker, ui::Rect(420, 10, 40, 30));

    setSystemVersion("8.1");
    EXPECT_EQ(VDInterfaceOrientedRect(r), r);
}

TEST_F(VDGeometryTest, OrientationMasks) {
    EXPECT_EQ(VDInterfaceOrientationMaskFromString("any"), 30u);
    EXPECT_EQ(VDInterfaceOrientationMaskFromString("portrait"), 6u);
    EXPECT_EQ(VDInterfaceOrientationMaskFromString("landscape"), 24u);
    EXPECT_EQ(VDInterfaceOrientationMaskFromString(""), 0u);
    EXPECT_EQ(VDInterfaceOrientationMaskFromString("Any"), 0u);

    using O = ui::InterfaceOrientation;
    struct Case {
        ui::InterfaceOrientationMask mask;
        O orientation;
        bool contains;
    };
    const Case cases[] = {
        {6, O::Portrait, true},       {6, O::PortraitUpsideDown, true},
        {6, O::LandscapeLeft, false}, {24, O::LandscapeRight, true},
        {24, O::Portrait, false},     {30, O::Unknown, false},
        {0xFFFFFFFF, O(31), true},    {0xFFFFFFFF, O(32), false},
        {0xFFFFFFFF, O(-1), false},   {0xFFFFFFFF, O(1000), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VDInterfaceOrientationMaskContainsOrientation(c.mask, c.orientation), c.contains)
            << c.mask << " " << int(c.orientation);
}

} // namespace
