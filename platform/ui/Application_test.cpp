#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Screen.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ui {
namespace {

class ApplicationTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        for (const char* name :
             {ApplicationDidFinishLaunchingNotification, ApplicationWillResignActiveNotification,
              ApplicationDidEnterBackgroundNotification, ApplicationWillEnterForegroundNotification,
              ApplicationDidBecomeActiveNotification, ApplicationWillTerminateNotification,
              ApplicationDidReceiveMemoryWarningNotification}) {
            base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) {
                    log.push_back(note.name);
                    senders.push_back(note.object.get());
                });
        }
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    std::vector<std::string> log;
    std::vector<const void*> senders;
};

class RecordingDelegate : public ApplicationDelegate {
public:
    explicit RecordingDelegate(std::vector<std::string>& log)
        : log_(log) {}
    bool applicationDidFinishLaunchingWithOptions(Application& app,
                                                  const base::Value::Dictionary& options) override {
        log_.push_back("delegate didFinishLaunching");
        stateAtLaunch = app.applicationState();
        launchOptions = options;
        return true;
    }
    void applicationWillResignActive(Application&) override {
        log_.push_back("delegate willResignActive");
    }
    void applicationDidEnterBackground(Application&) override {
        log_.push_back("delegate didEnterBackground");
    }
    void applicationWillEnterForeground(Application&) override {
        log_.push_back("delegate willEnterForeground");
    }
    void applicationDidBecomeActive(Application&) override {
        log_.push_back("delegate didBecomeActive");
    }
    void applicationWillTerminate(Application&) override {
        log_.push_back("delegate willTerminate");
    }
    ApplicationState stateAtLaunch = ApplicationState::Active;
    base::Value::Dictionary launchOptions;

private:
    std::vector<std::string>& log_;
};

TEST_F(ApplicationTest, LaunchTellsTheDelegateThenPostsThenBecomesActive) {
    auto delegate = std::make_shared<RecordingDelegate>(log);
    Application::shared().setDelegate(delegate);
    EXPECT_TRUE(
        Application::shared().launch({{ApplicationLaunchOptionsURLKey, "http://a.example/"}}));
    EXPECT_EQ(log, (std::vector<std::string>{
                       "delegate didFinishLaunching", ApplicationDidFinishLaunchingNotification,
                       "delegate didBecomeActive", ApplicationDidBecomeActiveNotification}));
    EXPECT_EQ(delegate->stateAtLaunch, ApplicationState::Inactive);
    EXPECT_EQ(base::Value(delegate->launchOptions)[ApplicationLaunchOptionsURLKey],
              base::Value("http://a.example/"));
    EXPECT_EQ(Application::shared().applicationState(), ApplicationState::Active);
    // Observers registered for the application as sender match it.
    EXPECT_EQ(senders[1], Application::sharedPointer().get());
    EXPECT_THROW(Application::shared().launch(), std::logic_error);
}

TEST_F(ApplicationTest, BackgroundAndForegroundPassThroughInactive) {
    auto delegate = std::make_shared<RecordingDelegate>(log);
    Application::shared().setDelegate(delegate);
    Application::shared().launch();
    log.clear();

    Application::shared().enterBackground();
    EXPECT_EQ(Application::shared().applicationState(), ApplicationState::Background);
    Application::shared().enterBackground(); // already there
    Application::shared().resignActive();    // not active
    Application::shared().becomeActive();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "delegate willResignActive", ApplicationWillResignActiveNotification,
                       "delegate didEnterBackground", ApplicationDidEnterBackgroundNotification,
                       "delegate willEnterForeground", ApplicationWillEnterForegroundNotification,
                       "delegate didBecomeActive", ApplicationDidBecomeActiveNotification}));
    log.clear();
    Application::shared().becomeActive();
    Application::shared().terminate();
    Application::shared().terminate();
    Application::shared().receiveMemoryWarning();
    EXPECT_EQ(log, (std::vector<std::string>{"delegate willTerminate",
                                             ApplicationWillTerminateNotification,
                                             ApplicationDidReceiveMemoryWarningNotification}));
}

TEST_F(ApplicationTest, BackgroundTasksExpireAfterTheTimeBudget) {
    auto& app = Application::shared();
    app.launch();
    std::vector<std::string> expired;
    const auto pinging = app.beginBackgroundTask([&] { expired.push_back("ping"); });
    BackgroundTaskIdentifier tidy = BackgroundTaskInvalid;
    tidy = app.beginBackgroundTask([&] {
        expired.push_back("tidy");
        app.endBackgroundTask(tidy);
    });
    const auto finished = app.beginBackgroundTask([&] { expired.push_back("finished"); });
    EXPECT_NE(pinging, BackgroundTaskInvalid);
    EXPECT_NE(pinging, tidy);
    app.endBackgroundTask(finished);
    app.endBackgroundTask(BackgroundTaskInvalid); // harmless

    // In the foreground nothing expires.
    base::RunLoop::main().advance(std::chrono::seconds(1000));
    EXPECT_TRUE(expired.empty());

    app.enterBackground();
    base::RunLoop::main().advance(std::chrono::seconds(179));
    EXPECT_TRUE(expired.empty());
    EXPECT_NEAR(app.backgroundTimeRemaining(), 1, 1e-6);
    base::RunLoop::main().advance(std::chrono::seconds(2));
    EXPECT_EQ(expired, (std::vector<std::string>{"ping", "tidy"}));
    EXPECT_EQ(app.openBackgroundTaskCount(), 0u);
    // With no time left, no new task is granted.
    EXPECT_EQ(app.beginBackgroundTask([] {}), BackgroundTaskInvalid);
    base::RunLoop::main().advance(std::chrono::seconds(500));
    EXPECT_EQ(expired.size(), 2u);
}

TEST_F(ApplicationTest, ReturningToTheForegroundStopsTheCountdown) {
    auto& app = Application::shared();
    app.launch();
    int expired = 0;
    app.beginBackgroundTask([&] { ++expired; });
    app.enterBackground();
    base::RunLoop::main().advance(std::chrono::seconds(100));
    app.enterForeground();
    base::RunLoop::main().advance(std::chrono::seconds(300));
    EXPECT_EQ(expired, 0);
    EXPECT_EQ(app.openBackgroundTaskCount(), 1u);

    // A new stay in the background gets the whole budget again.
    app.enterBackground();
    base::RunLoop::main().advance(std::chrono::seconds(170));
    EXPECT_EQ(expired, 0);
    base::RunLoop::main().advance(std::chrono::seconds(10));
    EXPECT_EQ(expired, 1);
}

TEST_F(ApplicationTest, OpeningURLsGoesThroughTheOpenerOnlyWhenOpenable) {
    auto& app = Application::shared();
    std::vector<std::string> opened;
    app.setURLOpener([&](const base::URL& url) {
        opened.push_back(url.absoluteString());
        return true;
    });
    EXPECT_TRUE(app.openURL(*base::URL::parse("https://store.example/app/id1")));
    EXPECT_FALSE(app.canOpenURL(*base::URL::parse("kindle://home")));
    EXPECT_FALSE(app.openURL(*base::URL::parse("itms-books://")));
    EXPECT_EQ(opened, std::vector<std::string>{"https://store.example/app/id1"});

    app.setURLTester([](const base::URL& url) { return url.scheme() == "kindle"; });
    EXPECT_TRUE(app.canOpenURL(*base::URL::parse("kindle://home")));
    EXPECT_FALSE(app.canOpenURL(*base::URL::parse("https://a.example/")));
}

TEST_F(ApplicationTest, AnOpenerThatFailsTellsTheUserAndTheCaller) {
    auto& app = Application::shared();
    Presentation::shared().reset();
    app.setURLOpener([](const base::URL&) { return false; });
    EXPECT_FALSE(app.openURL(*base::URL::parse("https://store.example/app/id1")));
    auto alert = Presentation::shared().topAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), Application::cannotOpenTitle);
    EXPECT_NE(alert->message().find("https://store.example/app/id1"), std::string::npos);
    Presentation::shared().reset();

    // A refused scheme is the caller's question (canOpenURL), not a failed hand-over.
    EXPECT_FALSE(app.openURL(*base::URL::parse("itms-books://")));
    EXPECT_FALSE(Presentation::shared().topAlertView());
}

// The desktop's own launcher, with no application registered for the scheme: it fails, and
// the failure is not taken for an opened page.
TEST_F(ApplicationTest, TheDesktopLauncherWithoutAnApplicationForTheSchemeFails) {
    auto& app = Application::shared();
    Presentation::shared().reset();
    app.setURLTester([](const base::URL&) { return true; });
    EXPECT_FALSE(app.openURL(*base::URL::parse("x-tabbrowser-no-handler:page")));
    auto alert = Presentation::shared().topAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), Application::cannotOpenTitle);
    Presentation::shared().reset();
}

// The desktop's own launcher starts the application registered for the scheme (here one of
// the test's own desktop files, which writes the address it was given into a pipe).
TEST_F(ApplicationTest, TheDesktopLauncherStartsTheApplicationRegisteredForTheScheme) {
    const auto root = homeDirectory() / "xdg";
    const auto data = root / "data";
    const auto config = root / "config";
    std::filesystem::create_directories(data / "applications");
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(root / "none");
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"XDG_DATA_HOME", data.string()},
          {"XDG_CONFIG_HOME", config.string()},
          {"XDG_DATA_DIRS", (root / "none").string()},
          {"XDG_CONFIG_DIRS", (root / "none").string()}})
        setenv(name, value.c_str(), 1);
    // GLib reads these directories once per process.
    if (data.string() != g_get_user_data_dir())
        GTEST_SKIP() << "GLib has read its directories before this test; run it on its own";

    const auto pipe = root / "opened";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    {
        std::ofstream desktop(data / "applications" / "tabbrowser-test-opener.desktop");
        desktop << "[Desktop Entry]\nType=Application\nName=Test opener\n"
                << "Exec=sh -c 'printf %s \"$1\" > " << pipe.string() << "' opener %u\n"
                << "MimeType=x-scheme-handler/x-tabbrowser-test;\n";
        std::ofstream mimeapps(config / "mimeapps.list");
        mimeapps << "[Default Applications]\n"
                 << "x-scheme-handler/x-tabbrowser-test=tabbrowser-test-opener.desktop\n";
    }
    // Open for reading before the launch, so the opener's write meets a reader.
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    auto& app = Application::shared();
    Presentation::shared().reset();
    app.setURLTester([](const base::URL&) { return true; });
    EXPECT_TRUE(app.openURL(*base::URL::parse("x-tabbrowser-test:page?n=1")));
    EXPECT_FALSE(Presentation::shared().topAlertView());

    std::string received;
    pollfd wait{reader, POLLIN, 0};
    while (received.size() < std::string("x-tabbrowser-test:page?n=1").size() &&
           poll(&wait, 1, 20000) > 0) {
        char buffer[256];
        const ssize_t count = read(reader, buffer, sizeof buffer);
        if (count <= 0)
            break;
        received.append(buffer, std::size_t(count));
    }
    close(reader);
    EXPECT_EQ(received, "x-tabbrowser-test:page?n=1");
}

TEST_F(ApplicationTest, OrientationChangesAreAnnouncedWithTheOldValue) {
    auto& app = Application::shared();
    std::vector<std::pair<std::string, std::int64_t>> seen;
    for (const char* name : {ApplicationWillChangeStatusBarOrientationNotification,
                             ApplicationDidChangeStatusBarOrientationNotification})
        base::NotificationCenter::defaultCenter().addObserver(
            name, [&](const base::Notification& note) {
                seen.push_back(
                    {note.name,
                     base::Value(note.userInfo)[ApplicationStatusBarOrientationUserInfoKey]
                         .integerValue()});
            });
    EXPECT_EQ(app.statusBarOrientation(), InterfaceOrientation::Portrait);
    app.setStatusBarOrientation(InterfaceOrientation::LandscapeLeft);
    app.setStatusBarOrientation(InterfaceOrientation::LandscapeLeft);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].second, 4);
    EXPECT_EQ(seen[1].first, ApplicationDidChangeStatusBarOrientationNotification);
    EXPECT_EQ(seen[1].second, 1);
}

TEST_F(ApplicationTest, ScreenFollowsTheInstalledDevice) {
    auto previous = Device::install(std::make_shared<Device>(UserInterfaceIdiom::Pad));
    EXPECT_EQ(Screen::mainScreen().bounds(), Rect(0, 0, 768, 1024));
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), Rect(0, 20, 768, 1004));
    EXPECT_EQ(Application::shared().statusBarFrame(), Rect(0, 0, 768, 20));
    Application::shared().setStatusBarHidden(true);
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), Rect(0, 0, 768, 1024));
    EXPECT_EQ(Application::shared().statusBarFrame(), Rect());
    EXPECT_EQ(Device::current().model(), "iPad");

    Device::install(std::make_shared<Device>(UserInterfaceIdiom::Phone, true));
    EXPECT_EQ(Screen::mainScreen().bounds(), Rect(0, 0, 320, 568));
    EXPECT_EQ(Device::current().model(), "iPhone");
    EXPECT_EQ(Device::current().systemVersion(), "7.1");
    Device::install(previous);
}

TEST_F(ApplicationTest, RadioChangesAreAnnouncedOnlyWhenTheValueChanges) {
    auto previous = Device::install(std::make_shared<Device>());
    int changes = 0;
    base::NotificationCenter::defaultCenter().addObserver(
        RadioAccessTechnologyDidChangeNotification, [&](const base::Notification&) { ++changes; });
    EXPECT_EQ(Device::current().radioAccessTechnology(), std::nullopt);
    Device::current().setRadioAccessTechnology(RadioAccessTechnologyLTE);
    Device::current().setRadioAccessTechnology(RadioAccessTechnologyLTE);
    Device::current().setRadioAccessTechnology(std::nullopt);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(Device::current().isAdvertisingTrackingEnabled());
    EXPECT_EQ(Device::current().advertisingIdentifier().size(), 36u);
    Device::install(previous);
}

} // namespace
} // namespace ui
