#include "ads/foundation/VDGestureIdUtil.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/foundation/VD_TKStringEncoding.h"
#include "platform/base/Hashing.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::optional<base::Data> decodePayload(std::string_view text) {
    if (text.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") !=
        std::string_view::npos)
        return std::nullopt; // not a bare URL-safe token
    return VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding().decode(text);
}

struct ClickFields {
    std::string digestPrefix;
    unsigned count, x, y, durationMs;
    std::uint32_t sinceTouchMs;
};

ClickFields readClick(const base::Data& data) {
    const auto* b = data.bytes();
    auto u16 = [&](int at) { return unsigned(b[at]) << 8 | b[at + 1]; };
    ClickFields fields;
    fields.digestPrefix = base::Data(b, 6).hexString();
    fields.count = u16(6);
    fields.x = u16(8);
    fields.y = u16(10);
    fields.durationMs = u16(12);
    fields.sinceTouchMs =
        std::uint32_t(b[14]) << 24 | std::uint32_t(b[15]) << 16 | std::uint32_t(b[16]) << 8 | b[17];
    return fields;
}

class VDGestureUtilTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        device_ = std::make_shared<ui::Device>(); // phone, 320 × 480 at scale 2, system 7.1
        device_->setSystemVersion("7.1");
        device_->setScreen(ui::Rect(0, 0, 320, 480), 2);
        device_->setAdvertisingIdentifier("1E2DFA89-496A-47FD-9941-DF1FC4E6484A");
        previousDevice_ = ui::Device::install(device_);
        base::resetProcessServicesForTesting();
        gestures_ = VDGestureUtil::sharedInstance();
    }
    void TearDown() override {
        gestures_.reset();
        base::resetProcessServicesForTesting();
        ui::Device::install(previousDevice_);
        PlatformTest::TearDown();
    }

    std::string requestText(std::string_view version) {
        std::string signal;
        EXPECT_TRUE(gestures_->requestSignalForVersion(version, signal));
        EXPECT_EQ(signal.rfind("gsig=", 0), 0u) << signal;
        auto payload = decodePayload(signal.substr(5));
        EXPECT_TRUE(payload) << signal;
        return payload ? payload->toString() : std::string();
    }
    ClickFields click(std::string_view ai) {
        std::string signal;
        EXPECT_TRUE(gestures_->clickSignalForAdIdentifier(ai, signal));
        EXPECT_EQ(signal.size(), 24u) << signal;
        auto payload = decodePayload(signal);
        EXPECT_TRUE(payload && payload->size() == 18) << signal;
        return payload && payload->size() == 18 ? readClick(*payload) : ClickFields{};
    }

    std::shared_ptr<ui::Device> device_;
    std::shared_ptr<VDGestureUtil> gestures_;

private:
    std::shared_ptr<ui::Device> previousDevice_;
};

TEST_F(VDGestureUtilTest, RequestPairCarriesTheDeviceValues) {
    EXPECT_EQ(requestText("7.3.0"), "1|7.3.0|7.1.0|4|1||640x960|1440|0");

    device_->setAdvertisingTrackingEnabled(true);
    clock().setZone(-18000, "Test");
    std::string digest = base::md5Hex("1E2DFA89-496A-47FD-9941-DF1FC4E6484A").substr(0, 16);
    EXPECT_EQ(requestText("7.3.0"), "1|7.3.0|7.1.0|4|0|" + digest + "|640x960|1140|0");

    device_->setSystemVersion("5.1");
    std::string text = requestText("7.3.0");
    EXPECT_EQ(text.rfind("1|7.3.0|5.1.0|1|0|", 0), 0u) << text; // installation identifier
    EXPECT_EQ(text, requestText("7.3.0"));                      // the same identifier again

    std::string signal = "left over";
    EXPECT_FALSE(gestures_->requestSignalForVersion("", signal));
    EXPECT_TRUE(signal.empty());
}

TEST_F(VDGestureUtilTest, RequestPairFromABackgroundQueueIsMadeOnTheMainThread) {
    std::string expected = requestText("7.3.0");
    std::atomic<bool> done{false};
    std::string signal;
    std::thread worker([&] {
        gestures_->requestSignalForVersion("7.3.0", signal);
        done = true;
    });
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return done.load(); }, std::chrono::seconds(10)));
    worker.join();
    EXPECT_EQ(decodePayload(signal.substr(5))->toString(), expected);
}

TEST_F(VDGestureUtilTest, ClickSuffixWithoutTouches) {
    auto fields = click("ai-value");
    EXPECT_EQ(fields.digestPrefix, base::md5Hex("ai-value").substr(0, 12));
    EXPECT_EQ(fields.count, 0u);
    EXPECT_EQ(fields.x, 0u);
    EXPECT_EQ(fields.y, 0u);
    EXPECT_EQ(fields.durationMs, 0u);
    EXPECT_EQ(fields.sinceTouchMs, 0xFFFFFFFFu);

    std::string signal = "left over";
    EXPECT_FALSE(gestures_->clickSignalForAdIdentifier("", signal));
    EXPECT_TRUE(signal.empty());
}

TEST_F(VDGestureUtilTest, ClickSuffixFollowsTheTouches) {
    gestures_->reportTouch(12.4, 30.6, 0.25);
    clock().advance(base::Seconds(1.5));
    auto fields = click("abc");
    EXPECT_EQ(fields.count, 1u);
    EXPECT_EQ(fields.x, 12u);
    EXPECT_EQ(fields.y, 31u);
    EXPECT_EQ(fields.durationMs, 250u);
    EXPECT_EQ(fields.sinceTouchMs, 1500u);

    std::string first, second;
    gestures_->clickSignalForAdIdentifier("abc", first);
    gestures_->clickSignalForAdIdentifier("abc", second);
    EXPECT_EQ(first, second); // nothing random
    gestures_->clickSignalForAdIdentifier("abd", second);
    EXPECT_NE(first, second);

    gestures_->reportTouchPoints({ui::Point(1, 2), ui::Point(100.5, 200)});
    gestures_->reportTouchPoints({});
    fields = click("abc");
    EXPECT_EQ(fields.count, 2u);
    EXPECT_EQ(fields.x, 101u);
    EXPECT_EQ(fields.y, 200u);
    EXPECT_EQ(fields.durationMs, 0u);
    EXPECT_EQ(fields.sinceTouchMs, 0u);
    EXPECT_EQ(gestures_->touchCount(), 2u);
    EXPECT_EQ(requestText("7.3.0").substr(requestText("7.3.0").rfind('|')), "|2");
}

TEST_F(VDGestureUtilTest, OutlandishTouchesSaturate) {
    gestures_->reportTouch(1e9, -40, std::numeric_limits<double>::quiet_NaN());
    auto fields = click("abc");
    EXPECT_EQ(fields.x, 65535u);
    EXPECT_EQ(fields.y, 0u);
    EXPECT_EQ(fields.durationMs, 0u);
    gestures_->reportTouch(0, 0, 1e6);
    EXPECT_EQ(click("abc").durationMs, 65535u);
}

TEST_F(VDGestureUtilTest, TouchReportsFromAnotherThreadMoveToTheMainThread) {
    std::thread worker([&] { gestures_->reportTouch(5, 6, 0.1); });
    worker.join();
    EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return gestures_->touchCount() == 1; },
                                               std::chrono::seconds(10)));
    EXPECT_EQ(click("abc").x, 5u);
}

} // namespace
