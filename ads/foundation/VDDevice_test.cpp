#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Hashing.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/WebEngineFactory.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/utsname.h>
#include <thread>

namespace {

using Dictionary = base::Value::Dictionary;

class VDDeviceTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        previousDevice_ = ui::Device::install(nullptr);
        previousBundle_ = base::Bundle::install(std::make_shared<base::Bundle>(
            homeDirectory(), Dictionary{{base::Bundle::versionKey, base::Value("1.2")},
                                        {base::Bundle::identifierKey, base::Value("a.b.c")}}));
        setLanguages({base::Value("fr-FR"), base::Value("en")});
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        base::Bundle::install(previousBundle_);
        ui::Device::install(previousDevice_);
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    // A device to be made: the facts it takes at creation are set before it is installed.
    static std::shared_ptr<ui::Device> installDevice(const std::string& version,
                                                     ui::UserInterfaceIdiom idiom, ui::Rect screen,
                                                     double scale) {
        auto device = std::make_shared<ui::Device>(idiom);
        device->setSystemVersion(version);
        device->setScreen(screen, scale);
        ui::Device::install(device);
        base::resetProcessServicesForTesting();
        return device;
    }

    void setLanguages(base::Value::Array languages) {
        base::UserDefaults::install(base::UserDefaults::create(
            homeDirectory() / "preferences.plist",
            Dictionary{{base::UserDefaults::languagesKey, base::Value(std::move(languages))}}));
    }

    // The book stores the desktop claims it can open.
    static void setOpenableURLs(std::set<std::string> urls) {
        ui::Application::shared().setURLTester(
            [urls](const base::URL& url) { return urls.count(url.absoluteString()) > 0; });
    }

private:
    std::shared_ptr<ui::Device> previousDevice_;
    std::shared_ptr<base::Bundle> previousBundle_;
};

std::string machine() {
    struct utsname names {};
    uname(&names);
    return names.machine;
}

TEST_F(VDDeviceTest, EveryDeviceKeyWithSetDeviceValues) {
    auto writeMetadata = [&] {
        auto data = base::writePlist(base::Value(Dictionary{{"itemId", base::Value(7)}}),
                                     base::PlistFormat::XML);
        ASSERT_TRUE(
            base::writeFileAtomically(base::AppHome::root() / "iTunesMetadata.plist", data.value())
                .ok());
    };
    writeMetadata();
    base::Bundle::install(std::make_shared<base::Bundle>(
        homeDirectory(), Dictionary{{base::Bundle::versionKey, base::Value("1.2")},
                                    {base::Bundle::identifierKey, base::Value("a.b.c")},
                                    {"DTSDKName", base::Value("iphoneos8.2")},
                                    {"DTPlatformName", base::Value("iphoneos")}}));
    const Dictionary portraitPhone = {
        {"ios_metadata", base::Value(Dictionary{{"itemId", base::Value(7)}})},
        {"ios_base_sdk", base::Value("8.2")},
        {"app_name", base::Value("1.2.iphone.a.b.c")},
        {"platform", base::Value("iPhone")},
        {"submodel", base::Value(machine())},
        {"hl", base::Value("fr-fr")},
        {"u_audio", base::Value("1")},
        {"u_so", base::Value("p")},
        {"u_sd", base::Value("2")},
        {"u_w", base::Value("320")},
        {"u_h", base::Value("568")},
        {"cap_noiap", base::Value("0")},
    };

    struct Case {
        const char* version;
        ui::InterfaceOrientation orientation;
        const char* width;
        const char* height;
    };
    // The bounds are taken in portrait; from system 8 on the screen turns with the interface,
    // so the portrait bounds are the stored ones exchanged in landscape.
    const Case cases[] = {
        {"8.1", ui::InterfaceOrientation::Portrait, "320", "568"},
        {"8.1", ui::InterfaceOrientation::LandscapeLeft, "568", "320"},
        {"7.1.2.4", ui::InterfaceOrientation::LandscapeRight, "320", "568"},
        {"10", ui::InterfaceOrientation::LandscapeRight, "568", "320"},
    };
    for (const auto& c : cases) {
        installDevice(c.version, ui::UserInterfaceIdiom::Phone, ui::Rect(0, 0, 320, 568), 2);
        ui::Application::shared().setStatusBarOrientation(c.orientation);
        auto expected = portraitPhone;
        expected["u_so"] =
            base::Value(c.orientation == ui::InterfaceOrientation::Portrait ? "p" : "l");
        expected["u_w"] = base::Value(c.width);
        expected["u_h"] = base::Value(c.height);
        EXPECT_EQ(VDDevice::sharedInstance()->parameters(), expected) << c.version;
    }

    // A phone application on a pad, with a radio, a retina-and-a-half screen, headphones, both
    // book stores and no payments.
    auto pad = installDevice("7.1", ui::UserInterfaceIdiom::Phone, ui::Rect(0, 0, 768, 1024), 1.5);
    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::Portrait);
    pad->setModel("iPad");
    pad->setRadioAccessTechnology(ui::RadioAccessTechnologyLTE);
    pad->setAudioRouteOutputs({ui::AudioSessionPortHeadphones});
    pad->setCanMakePayments(false);
    setOpenableURLs({"itms-books://", "kindle://home"});
    auto device = VDDevice::sharedInstance();
    auto parameters = device->parameters();
    Dictionary expected = portraitPhone;
    expected["ios_ipadc"] = base::Value("1");
    expected["platform"] = base::Value("iPad");
    expected["u_audio"] = base::Value("2");
    expected["ios_radio"] = base::Value(ui::RadioAccessTechnologyLTE);
    expected["ios_radio_last"] = base::Value(ui::RadioAccessTechnologyLTE);
    expected["u_sd"] = base::Value("1.5");
    expected["u_w"] = base::Value("768");
    expected["u_h"] = base::Value("1024");
    expected["cap_bs"] = base::Value(3u);
    expected["cap_noiap"] = base::Value("1");
    EXPECT_EQ(parameters, expected);
    EXPECT_EQ(parameters["cap_bs"].type(), base::Value::Type::Unsigned);

    // The radio goes; the last one seen stays. A removed book store shows once the refresh the
    // request queued has run.
    pad->setRadioAccessTechnology(std::nullopt);
    setOpenableURLs({"kindle://home"});
    base::RunLoop::main().runUntilIdle();
    parameters = device->parameters();
    EXPECT_FALSE(parameters.count("ios_radio"));
    EXPECT_EQ(parameters["ios_radio_last"], base::Value(ui::RadioAccessTechnologyLTE));
    EXPECT_EQ(parameters["cap_bs"], base::Value(2u));

    // Without book stores nothing is refreshed.
    setOpenableURLs({});
    base::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(device->parameters().count("cap_bs"));
    EXPECT_FALSE(base::RunLoop::main().hasReadyWork());
}

TEST_F(VDDeviceTest, AKeyWithoutAValueIsLeftOut) {
    setLanguages({});
    installDevice("6.1", ui::UserInterfaceIdiom::Pad, ui::Rect(0, 0, 768, 1024), 2);
    ui::Device::current().setRadioAccessTechnology(ui::RadioAccessTechnologyEdge);
    auto parameters = VDDevice::sharedInstance()->parameters();
    EXPECT_FALSE(parameters.count("hl"));
    EXPECT_FALSE(parameters.count("ios_base_sdk"));
    // A universal application on a pad is not a phone application on a pad.
    EXPECT_FALSE(parameters.count("ios_ipadc"));
    // Radio technologies are watched from system 7 on.
    EXPECT_FALSE(parameters.count("ios_radio"));
    EXPECT_FALSE(parameters.count("ios_radio_last"));
    EXPECT_EQ(parameters["ios_metadata"], base::Value(Dictionary{}));
}

TEST_F(VDDeviceTest, AudioRouteCodes) {
    struct Case {
        std::vector<std::string> outputs;
        unsigned code;
    };
    const Case cases[] = {
        {{ui::AudioSessionPortBuiltInSpeaker}, 1},
        {{ui::AudioSessionPortHeadphones}, 2},
        {{}, 3},
        {{ui::AudioSessionPortBluetoothA2DP}, 5},
        {{ui::AudioSessionPortLineOut}, 5},
        {{ui::AudioSessionPortBuiltInSpeaker, ui::AudioSessionPortHeadphones}, 5},
    };
    auto device = VDDevice::sharedInstance();
    for (const auto& c : cases) {
        ui::Device::current().setAudioRouteOutputs(c.outputs);
        EXPECT_EQ(device->audioRoute(), c.code) << c.outputs.size();
        EXPECT_EQ(device->parameters()["u_audio"], base::Value(std::to_string(c.code)));
    }
}

TEST_F(VDDeviceTest, SystemVersionComponentsAndComparison) {
    auto device = VDDevice::sharedInstance();
    using Components = std::array<std::string, 3>;
    struct Case {
        const char* version;
        Components components;
        bool atLeast8, supported;
    };
    const Case cases[] = {
        {"8.1", {"8", "1", "0"}, true, true},     {"7.1.2.4", {"7", "1", "2"}, false, true},
        {"10", {"10", "0", "0"}, true, true},     {"8.0.0", {"8", "0", "0"}, true, true},
        {"5.1.1", {"5", "1", "1"}, false, false},
    };
    for (const auto& c : cases) {
        device->setSystemVersion(c.version);
        EXPECT_EQ(device->OSVersionInfoComponents(), c.components) << c.version;
        EXPECT_EQ(device->isOSAtLeastMajorMinorPatch(8, 0, 0), c.atLeast8) << c.version;
        EXPECT_EQ(device->OSIsSupported(), c.supported) << c.version;
    }
    device->setSystemVersion("7.1.2");
    EXPECT_TRUE(device->isOSAtLeastMajorMinorPatch(7, 1, 2));
    EXPECT_FALSE(device->isOSAtLeastMajorMinorPatch(7, 1, 3));
    EXPECT_TRUE(device->isOSAtLeastMajorMinorPatch(6, 9, 9));
}

TEST_F(VDDeviceTest, ABackgroundThreadGetsTheDeviceMadeOnTheMainThread) {
    installDevice("8.1", ui::UserInterfaceIdiom::Phone, ui::Rect(0, 0, 320, 480), 2);
    std::shared_ptr<VDDevice> fromWorkers[2];
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (auto& slot : fromWorkers)
        workers.emplace_back([&slot, &done] {
            slot = VDDevice::sharedInstance();
            ++done;
        });
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return done == 2; }, std::chrono::seconds(10)));
    for (auto& worker : workers)
        worker.join();
    ASSERT_TRUE(fromWorkers[0]);
    EXPECT_EQ(fromWorkers[0], fromWorkers[1]);
    EXPECT_EQ(fromWorkers[0], VDDevice::sharedInstance());
    EXPECT_EQ(fromWorkers[0]->systemVersion(), "8.1");
    EXPECT_EQ(fromWorkers[0]->portraitScreenBounds(), ui::Rect(0, 0, 320, 480));
}

TEST_F(VDDeviceTest, DeviceIdentifierIsTheHashedAdvertisingIdentifierWhileTrackingIsOn) {
    auto& phone = ui::Device::current();
    phone.setAdvertisingIdentifier("1E2DFA89-496A-47FD-9941-DF1FC4E6484A");
    auto device = VDDevice::sharedInstance();
    phone.setAdvertisingTrackingEnabled(false);
    EXPECT_EQ(device->deviceIdentifier(), "");

    phone.setAdvertisingTrackingEnabled(true);
    EXPECT_EQ(device->deviceIdentifier(), base::md5Hex("1E2DFA89-496A-47FD-9941-DF1FC4E6484A"));
    phone.setAdvertisingIdentifier("0C7B4A4E-2F1D-4E7A-9B0E-5E5F2C1D3A4B");
    std::string fromWorker;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        fromWorker = device->deviceIdentifier();
        done = true;
    });
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return done.load(); }, std::chrono::seconds(10)));
    worker.join();
    EXPECT_EQ(fromWorker, base::md5Hex("0C7B4A4E-2F1D-4E7A-9B0E-5E5F2C1D3A4B"));

    phone.setAdvertisingTrackingEnabled(false);
    EXPECT_EQ(device->deviceIdentifier(), "");
}

TEST_F(VDDeviceTest, UserAgentIsAskedOfAWebViewUntilOneIsKnown) {
    int asked = 0;
    std::string answer;
    ui::WebEngineFactory::install([&](ui::WebEngine*) {
        auto engine = std::make_unique<ui::FakeWebEngine>();
        engine->answerScript("navigator.userAgent",
                             [&](const std::string&) -> std::optional<std::string> {
                                 ++asked;
                                 return answer;
                             });
        return engine;
    });
    auto device = VDDevice::sharedInstance();
    EXPECT_EQ(device->userAgentString(), "");
    answer = "Mozilla/5.0 (Test) AppleWebKit/605.1.15";
    EXPECT_EQ(device->userAgentString(), answer);
    EXPECT_EQ(device->userAgentString(), answer);
    EXPECT_EQ(asked, 2);

    device->setUserAgentString("");
    EXPECT_EQ(device->userAgentString(), answer);
    device->setUserAgentString("Other/1");
    EXPECT_EQ(device->userAgentString(), "Other/1");

    // A write still queued never keeps the device: it goes with its last user.
    const std::weak_ptr<VDDevice> gone = device;
    device->setUserAgentString("Last/1");
    base::resetProcessServicesForTesting();
    device.reset();
    EXPECT_TRUE(gone.expired());
}

TEST_F(VDDeviceTest, OrientationAndRadioFollowTheirNotifications) {
    installDevice("7.1", ui::UserInterfaceIdiom::Phone, ui::Rect(0, 0, 320, 480), 2);
    auto device = VDDevice::sharedInstance();
    EXPECT_FALSE(device->isOrientationLandscape());
    EXPECT_EQ(device->orientedApplicationFrame(), ui::Rect(0, 20, 320, 460));

    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::LandscapeLeft);
    EXPECT_TRUE(device->isOrientationLandscape());
    // Below system 8 the screen stays in portrait: the interface's frame is turned.
    EXPECT_EQ(device->orientedScreenBounds(), ui::Rect(0, 0, 480, 320));
    EXPECT_EQ(device->portraitScreenBounds(), ui::Rect(0, 0, 320, 480));
    EXPECT_EQ(device->orientedApplicationFrame(), ui::Rect(0, 0, 460, 320));
    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::PortraitUpsideDown);
    EXPECT_FALSE(device->isOrientationLandscape());

    ui::Device::current().setRadioAccessTechnology(ui::RadioAccessTechnologyHSDPA);
    EXPECT_EQ(device->radioAccessTechnology(), ui::RadioAccessTechnologyHSDPA);
    device->disableRadioAccessTechnologyChecking();
    ui::Device::current().setRadioAccessTechnology(ui::RadioAccessTechnologyLTE);
    EXPECT_EQ(device->radioAccessTechnology(), ui::RadioAccessTechnologyHSDPA);
}

TEST_F(VDDeviceTest, TheTemporaryDirectoryIsEmptiedBeforeAnythingCanWriteIntoIt) {
    auto folder = base::AppHome::temporaryDirectory() / VDDevice::temporaryDirectoryName;
    ASSERT_TRUE(base::createDirectories(folder).ok());
    std::ofstream(folder / "left-over") << "old";

    auto device = VDDevice::sharedInstance();
    EXPECT_FALSE(base::fileExists(folder));
    EXPECT_EQ(device->temporaryPathWithCreation(false), folder);
    EXPECT_EQ(device->temporaryPathWithCreation(true), folder);
    std::ofstream(folder / "download") << "new";
    // Nothing left on the main queue empties it later.
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(base::fileExists(folder / "download"));
}

TEST_F(VDDeviceTest, ReadersNeverSeeTheBookStoresHalfCounted) {
    setOpenableURLs({"itms-books://", "kindle://home"});
    auto device = VDDevice::sharedInstance();
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!stop)
            if (device->bookstores() != 3)
                ++wrong;
    });
    for (int i = 0; i < 20000; ++i)
        device->updateBookstores();
    stop = true;
    reader.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
