#include "platform/ui/Application.h"

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <gio/gio.h>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>

namespace ui {

namespace {

base::ProcessWide<Application>& processApplication() {
    static base::ProcessWide<Application> application(
        [] { return std::make_shared<Application>(); });
    return application;
}

// Hands the URL to the desktop's default application for it, as the desktop itself opens
// addresses (GLib's launcher: the handler registered for the scheme or the file's type). The
// launcher starts the application without waiting for it. Returns GLib's reason on failure.
std::optional<std::string> openWithDesktop(const base::URL& url) {
    g_autoptr(GError) error = nullptr;
    if (g_app_info_launch_default_for_uri(url.absoluteString().c_str(), nullptr, &error))
        return std::nullopt;
    return error && error->message ? std::string(error->message) : std::string("unknown failure");
}

bool desktopCanOpen(const base::URL& url) {
    static const char* const schemes[] = {"http", "https", "mailto", "ftp", "file"};
    if (std::any_of(std::begin(schemes), std::end(schemes),
                    [&](const char* scheme) { return url.scheme() == scheme; }))
        return true;
    // Any other scheme opens only in the application the desktop has chosen for it
    // (x-scheme-handler/<scheme>): telephone, messages, calendars.
    if (url.scheme().empty())
        return false;
    const std::unique_ptr<GAppInfo, void (*)(gpointer)> handler(
        g_app_info_get_default_for_uri_scheme(url.scheme().c_str()), g_object_unref);
    return handler != nullptr;
}

} // namespace

Application& Application::shared() {
    return *processApplication().get();
}

std::shared_ptr<Application> Application::sharedPointer() {
    return processApplication().get();
}

Application::Application() = default;

Application::~Application() {
    stopExpiryTimer();
}

void Application::post(const char* name, base::Value::Dictionary userInfo) {
    base::NotificationCenter::defaultCenter().post(name, weak_from_this().lock(),
                                                   std::move(userInfo));
}

bool Application::launch(const base::Value::Dictionary& options) {
    base::assertMainThread();
    if (launched_)
        throw std::logic_error("the application has already launched");
    launched_ = true;
    state_ = ApplicationState::Inactive;
    bool result = true;
    if (const auto delegate = delegate_)
        result = delegate->applicationDidFinishLaunchingWithOptions(*this, options);
    post(ApplicationDidFinishLaunchingNotification, options);
    becomeActive();
    return result;
}

void Application::resignActive() {
    if (state_ != ApplicationState::Active)
        return;
    if (const auto delegate = delegate_)
        delegate->applicationWillResignActive(*this);
    post(ApplicationWillResignActiveNotification);
    state_ = ApplicationState::Inactive;
}

void Application::enterBackground() {
    if (state_ == ApplicationState::Active)
        resignActive();
    if (state_ != ApplicationState::Inactive)
        return;
    state_ = ApplicationState::Background;
    backgroundDeadline_ =
        base::Clock::current().monotonicNanoseconds() + std::int64_t(backgroundTimeBudget * 1e9);
    stopExpiryTimer();
    const std::weak_ptr<Application> weak = weak_from_this();
    expiryTimer_ = base::RunLoop::main().dispatchAfter(base::Seconds(backgroundTimeBudget), [weak] {
        if (auto self = weak.lock())
            self->expireBackgroundTasks();
    });
    if (const auto delegate = delegate_)
        delegate->applicationDidEnterBackground(*this);
    post(ApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    if (state_ != ApplicationState::Background)
        return;
    stopExpiryTimer();
    if (const auto delegate = delegate_)
        delegate->applicationWillEnterForeground(*this);
    post(ApplicationWillEnterForegroundNotification);
    state_ = ApplicationState::Inactive;
    becomeActive();
}

void Application::becomeActive() {
    if (state_ == ApplicationState::Background) {
        enterForeground();
        return;
    }
    if (state_ != ApplicationState::Inactive)
        return;
    state_ = ApplicationState::Active;
    if (const auto delegate = delegate_)
        delegate->applicationDidBecomeActive(*this);
    post(ApplicationDidBecomeActiveNotification);
}

void Application::terminate() {
    base::assertMainThread();
    if (terminated_)
        return;
    terminated_ = true;
    stopExpiryTimer();
    if (const auto delegate = delegate_)
        delegate->applicationWillTerminate(*this);
    post(ApplicationWillTerminateNotification);
}

void Application::receiveMemoryWarning() {
    if (const auto delegate = delegate_)
        delegate->applicationDidReceiveMemoryWarning(*this);
    post(ApplicationDidReceiveMemoryWarningNotification);
}

std::vector<std::shared_ptr<Window>> Application::windows() const {
    std::vector<std::shared_ptr<Window>> result;
    for (const auto& weak : windows_)
        if (auto window = weak.lock())
            result.push_back(std::move(window));
    return result;
}

void Application::addWindow(const std::shared_ptr<Window>& window) {
    if (!window)
        return;
    std::erase_if(windows_, [](const std::weak_ptr<Window>& weak) { return weak.expired(); });
    for (const auto& weak : windows_)
        if (weak.lock() == window)
            return;
    windows_.push_back(window);
}

void Application::setKeyWindow(const std::shared_ptr<Window>& window) {
    addWindow(window);
    keyWindow_ = window;
}

void Application::setStatusBarOrientation(InterfaceOrientation orientation, bool) {
    if (orientation == orientation_)
        return;
    const InterfaceOrientation old = orientation_;
    post(ApplicationWillChangeStatusBarOrientationNotification,
         {{ApplicationStatusBarOrientationUserInfoKey, base::Value(int(orientation))}});
    orientation_ = orientation;
    post(ApplicationDidChangeStatusBarOrientationNotification,
         {{ApplicationStatusBarOrientationUserInfoKey, base::Value(int(old))}});
}

Rect Application::statusBarFrame() const {
    if (statusBarHidden_)
        return Rect();
    return Rect(0, 0, Screen::mainScreen().bounds().width(), Screen::statusBarHeight);
}

bool Application::openURL(const base::URL& url) {
    if (!canOpenURL(url))
        return false;
    const auto opener = opener_;
    std::optional<std::string> failure;
    if (opener) {
        if (!opener(url))
            failure = "the opener refused it";
    } else {
        failure = openWithDesktop(url);
    }
    if (!failure)
        return true;
    // The user asked for this hand-over: a failure that only the caller heard would look like
    // a control that does nothing.
    base::log("Could not open " + url.absoluteString() + ": " + *failure);
    AlertView::create(cannotOpenTitle,
                      "No application of this computer could open " + url.absoluteString() + ".",
                      {}, "OK")
        ->show();
    return false;
}

bool Application::canOpenURL(const base::URL& url) const {
    return tester_ ? tester_(url) : desktopCanOpen(url);
}

Application::URLOpener Application::setURLOpener(URLOpener opener) {
    auto previous = std::move(opener_);
    opener_ = std::move(opener);
    return previous;
}

Application::URLTester Application::setURLTester(URLTester tester) {
    auto previous = std::move(tester_);
    tester_ = std::move(tester);
    return previous;
}

BackgroundTaskIdentifier Application::beginBackgroundTask(ExpirationHandler handler) {
    if (state_ == ApplicationState::Background && backgroundTimeRemaining() <= 0)
        return BackgroundTaskInvalid;
    const BackgroundTaskIdentifier identifier = nextTask_++;
    tasks_.emplace(identifier, std::move(handler));
    return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
    tasks_.erase(identifier);
}

double Application::backgroundTimeRemaining() const {
    if (state_ != ApplicationState::Background)
        return std::numeric_limits<double>::max();
    const std::int64_t left = backgroundDeadline_ - base::Clock::current().monotonicNanoseconds();
    return std::max(0.0, double(left) / 1e9);
}

void Application::expireBackgroundTasks() {
    expiryTimer_.reset();
    std::vector<BackgroundTaskIdentifier> expiring;
    for (const auto& [identifier, handler] : tasks_)
        expiring.push_back(identifier);
    for (const BackgroundTaskIdentifier identifier : expiring) {
        const auto found = tasks_.find(identifier);
        if (found == tasks_.end())
            continue;
        const ExpirationHandler handler = found->second;
        if (handler)
            handler();
    }
    // A task its handler did not end would keep the process from suspending: end it here.
    for (const BackgroundTaskIdentifier identifier : expiring)
        tasks_.erase(identifier);
}

void Application::stopExpiryTimer() {
    if (expiryTimer_) {
        expiryTimer_->invalidate();
        expiryTimer_.reset();
    }
}

} // namespace ui
