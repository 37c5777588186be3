#pragma once

#include "platform/base/Timer.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Keyboard.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace ui {

class Application;
class Window;

// The platform's notification names, posted on the default center with the application as
// object.
inline constexpr const char* ApplicationDidFinishLaunchingNotification =
    "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* ApplicationWillResignActiveNotification =
    "UIApplicationWillResignActiveNotification";
inline constexpr const char* ApplicationDidEnterBackgroundNotification =
    "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* ApplicationWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* ApplicationDidBecomeActiveNotification =
    "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* ApplicationWillTerminateNotification =
    "UIApplicationWillTerminateNotification";
inline constexpr const char* ApplicationDidReceiveMemoryWarningNotification =
    "UIApplicationDidReceiveMemoryWarningNotification";
inline constexpr const char* ApplicationWillChangeStatusBarOrientationNotification =
    "UIApplicationWillChangeStatusBarOrientationNotification";
inline constexpr const char* ApplicationDidChangeStatusBarOrientationNotification =
    "UIApplicationDidChangeStatusBarOrientationNotification";
// userInfo key of the orientation notifications: the new orientation in the will-change
// notification, the previous one in the did-change notification (an integer).
inline constexpr const char* ApplicationStatusBarOrientationUserInfoKey =
    "UIApplicationStatusBarOrientationUserInfoKey";
// Launch option keys.
inline constexpr const char* ApplicationLaunchOptionsURLKey = "UIApplicationLaunchOptionsURLKey";
inline constexpr const char* ApplicationLaunchOptionsSourceApplicationKey =
    "UIApplicationLaunchOptionsSourceApplicationKey";

enum class ApplicationState { Active = 0, Inactive = 1, Background = 2 };

// The platform's interface orientations, with their values.
enum class InterfaceOrientation {
    Unknown = 0,
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};
// Orientation masks: bit (1 << orientation).
using InterfaceOrientationMask = std::uint32_t;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskPortrait = 1u << 1;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskPortraitUpsideDown = 1u << 2;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskLandscapeRight = 1u << 3;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskLandscapeLeft = 1u << 4;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskLandscape = (1u << 3) | (1u << 4);
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskAll = 30;
inline constexpr InterfaceOrientationMask InterfaceOrientationMaskAllButUpsideDown = 26;

using BackgroundTaskIdentifier = std::uint64_t;
inline constexpr BackgroundTaskIdentifier BackgroundTaskInvalid = 0;

// What the application tells its delegate; every method has a default that does nothing.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual bool applicationDidFinishLaunchingWithOptions(Application&,
                                                          const base::Value::Dictionary&) {
        return true;
    }
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationDidEnterBackground(Application&) {}
    virtual void applicationWillEnterForeground(Application&) {}
    virtual void applicationDidBecomeActive(Application&) {}
    virtual void applicationWillTerminate(Application&) {}
    virtual void applicationDidReceiveMemoryWarning(Application&) {}
};

// The running application: its delegate and life-cycle state, windows, status bar, URL
// opening and background tasks. One per process (shared()), a process service
// (platform/base/ProcessWide.h); a reset cancels its pending background expirations.
// Main thread only.
class Application : public std::enable_shared_from_this<Application> {
public:
    using URLOpener = std::function<bool(const base::URL&)>;
    using URLTester = std::function<bool(const base::URL&)>;
    using ExpirationHandler = std::function<void()>;

    // Background time granted after entering the background, as the platform gave.
    static constexpr double backgroundTimeBudget = 180.0;

    static Application& shared();
    static std::shared_ptr<Application> sharedPointer();

    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const std::shared_ptr<ApplicationDelegate>& delegate() const { return delegate_; }
    void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Starts the application: the delegate's didFinishLaunching, then the did-finish-
    // launching notification (userInfo: the options), then activation (delegate, then
    // notification). Returns what the delegate answered. Launching twice throws
    // std::logic_error.
    bool launch(const base::Value::Dictionary& options = {});
    bool hasLaunched() const { return launched_; }

    // Life-cycle transitions, each calling the delegate and then posting its notification.
    // A transition that does not apply to the current state does nothing; entering the
    // background from active resigns first, becoming active from the background enters the
    // foreground first.
    ApplicationState applicationState() const { return state_; }
    void resignActive();
    void enterBackground();
    void enterForeground();
    void becomeActive();
    void terminate();
    void receiveMemoryWarning();

    // Windows: every window made visible registers here; the list holds them weakly.
    std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
    std::vector<std::shared_ptr<Window>> windows() const;
    void addWindow(const std::shared_ptr<Window>& window);
    void setKeyWindow(const std::shared_ptr<Window>& window);

    // Status bar.
    InterfaceOrientation statusBarOrientation() const { return orientation_; }
    // Posts the will-change and did-change notifications when the orientation changes.
    void setStatusBarOrientation(InterfaceOrientation orientation, bool animated = false);
    bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden, bool animated = false) {
        (void)animated;
        statusBarHidden_ = hidden;
    }
    // The status bar's strip across the top of the main screen; zero while hidden.
    Rect statusBarFrame() const;
    bool isNetworkActivityIndicatorVisible() const { return networkActivityIndicatorVisible_; }
    void setNetworkActivityIndicatorVisible(bool visible) {
        networkActivityIndicatorVisible_ = visible;
    }
    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled) { idleTimerDisabled_ = disabled; }

    // Opening URLs in other applications: handed to the opener, by default the desktop's
    // default application for the address (GLib's launcher), started without waiting. Refused
    // (false) when canOpenURL says no. When the opener fails, an alert titled cannotOpenTitle
    // tells the user and the result is false.
    static constexpr const char* cannotOpenTitle = "Cannot Open";
    bool openURL(const base::URL& url);
    // By default the schemes a desktop opens for a browser: http, https, mailto, ftp and file.
    bool canOpenURL(const base::URL& url) const;
    // Replace the opener or the tester (tests record instead of launching; an opener answers
    // whether it opened the URL); each returns the previous one. A null function restores the
    // default.
    URLOpener setURLOpener(URLOpener opener);
    URLTester setURLTester(URLTester tester);

    // Background tasks. A task begun is open until ended. Once the application enters the
    // background, the open tasks have backgroundTimeBudget seconds (measured on the run
    // loop); then each open task's expiration handler runs once, and the tasks still open
    // after their handlers are ended. Returning to the foreground stops the countdown.
    BackgroundTaskIdentifier beginBackgroundTask(ExpirationHandler handler = {});
    void endBackgroundTask(BackgroundTaskIdentifier identifier);
    std::size_t openBackgroundTaskCount() const { return tasks_.size(); }

    // The on-screen keyboard.
    Keyboard& keyboard() { return keyboard_; }
    // Seconds left in the background; the largest double while not in the background, as
    // on the platform.
    double backgroundTimeRemaining() const;

private:
    void post(const char* name, base::Value::Dictionary userInfo = {});
    void expireBackgroundTasks();
    void stopExpiryTimer();

    std::shared_ptr<ApplicationDelegate> delegate_;
    ApplicationState state_ = ApplicationState::Inactive;
    bool launched_ = false;
    bool terminated_ = false;
    std::vector<std::weak_ptr<Window>> windows_;
    std::weak_ptr<Window> keyWindow_;
    InterfaceOrientation orientation_ = InterfaceOrientation::Portrait;
    bool statusBarHidden_ = false;
    bool networkActivityIndicatorVisible_ = false;
    bool idleTimerDisabled_ = false;
    URLOpener opener_;
    URLTester tester_;
    std::map<BackgroundTaskIdentifier, ExpirationHandler> tasks_;
    BackgroundTaskIdentifier nextTask_ = 1;
    std::shared_ptr<base::Timer> expiryTimer_;
    std::int64_t backgroundDeadline_ = 0; // monotonic nanoseconds
    Keyboard keyboard_;
};

} // namespace ui
