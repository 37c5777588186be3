#include "ads/foundation/VDApplication.h"

#include "ads/foundation/VDPlistDictionaryFromFile.h"
#include "platform/base/AppHome.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"

#include <cassert>

namespace {

struct ProcessState {
    std::mutex mutex;
    std::shared_ptr<VDApplication> instance;
    std::optional<base::NotificationCenter::ObserverToken> launchObserver;
    bool earlyActivitiesDone = false;
    std::function<void()> earlyActivities;
};

ProcessState& processState() {
    // The notification center is made first so that it outlives the application object, which
    // removes its observers when it goes away at the process's end.
    (void)base::NotificationCenter::defaultCenter();
    static ProcessState state;
    return state;
}

void applicationDidFinishLaunching() {
    auto application = VDApplication::sharedInstance();
    application->setAppFinishedLaunching(true);
    application->runEarlyActivities();
}

} // namespace

void VDApplication::load() {
    assert(base::isMainThread());
    auto& center = base::NotificationCenter::defaultCenter();
    {
        auto& state = processState();
        std::lock_guard guard(state.mutex);
        if (state.launchObserver)
            center.removeObserver(*state.launchObserver);
        state.launchObserver = center.addObserver(
            ui::ApplicationDidFinishLaunchingNotification, nullptr, base::mainQueue(),
            [](const base::Notification&) { applicationDidFinishLaunching(); });
    }
    // The notification has gone by already: nothing will deliver it again.
    if (ui::Application::shared().hasLaunched())
        applicationDidFinishLaunching();
}

std::shared_ptr<VDApplication> VDApplication::sharedInstance() {
    auto& state = processState();
    std::lock_guard guard(state.mutex);
    if (!state.instance) {
        state.instance = std::make_shared<VDApplication>(Private{});
        state.instance->startObservingActivation();
    }
    return state.instance;
}

void VDApplication::resetForTesting() {
    std::shared_ptr<VDApplication> previous;
    auto& state = processState();
    {
        std::lock_guard guard(state.mutex);
        previous = std::move(state.instance);
        if (state.launchObserver)
            base::NotificationCenter::defaultCenter().removeObserver(*state.launchObserver);
        state.launchObserver.reset();
        state.earlyActivitiesDone = false;
    }
    // Released outside the lock: going away waits for the statistics queue.
}

VDApplication::VDApplication(Private)
    : currentSession_(VDSession::create())
    , statistics_(VDStatisticDictionary::create())
    , notificationSerialQueue_(notificationQueueLabel)
    , statisticsSerialQueue_(statisticsQueueLabel)
    , lockQueue_(lockQueueLabel) {
    statistics_->setObjectForKeyShouldNotifyDelegate(base::Value(currentSession_->uniqueID()),
                                                     "session_id", false);
    // −1 until the first request, which brings it to 0.
    statistics_->decrementNumberForKeyShouldNotifyDelegate("preqs", false);
}

void VDApplication::startObservingActivation() {
    appBecameActiveObserver_ = base::NotificationCenter::defaultCenter().addObserver(
        ui::ApplicationDidBecomeActiveNotification, ui::Application::sharedPointer().get(),
        base::mainQueue(), [weak = weak_from_this()](const base::Notification&) {
            if (auto application = weak.lock())
                application->didBecomeActive();
        });
}

VDApplication::~VDApplication() {
    if (appBecameActiveObserver_)
        base::NotificationCenter::defaultCenter().removeObserver(*appBecameActiveObserver_);
    statistics_->didFinishModifying();
}

void VDApplication::setEarlyActivities(std::function<void()> activities) {
    auto& state = processState();
    {
        std::lock_guard guard(state.mutex);
        if (!state.earlyActivitiesDone) {
            state.earlyActivities = std::move(activities);
            return;
        }
    }
    if (activities)
        activities();
}

void VDApplication::runEarlyActivities() {
    std::function<void()> activities;
    auto& state = processState();
    {
        std::lock_guard guard(state.mutex);
        if (state.earlyActivitiesDone)
            return;
        state.earlyActivitiesDone = true;
        activities = state.earlyActivities;
    }
    // Outside the lock: an activity may reach the shared instance.
    if (activities)
        activities();
}

bool VDApplication::isAppActive() const {
    const auto applicationState = ui::Application::shared().applicationState();
    std::lock_guard guard(objectLock_);
    return !(applicationState == ui::ApplicationState::Background && appFinishedLaunching_);
}

bool VDApplication::appFinishedLaunching() const {
    std::lock_guard guard(objectLock_);
    return appFinishedLaunching_;
}

void VDApplication::setAppFinishedLaunching(bool finished) {
    std::lock_guard guard(objectLock_);
    appFinishedLaunching_ = finished;
}

std::optional<std::filesystem::path> VDApplication::iTunesMetadataPath() const {
    auto documents = base::AppHome::documentsDirectory();
    if (documents.empty())
        return std::nullopt;
    return (documents / ".." / "iTunesMetadata.plist").lexically_normal();
}

const base::Value::Dictionary& VDApplication::iTunesMetadata() {
    std::call_once(iTunesMetadataOnce_, [this] {
        if (auto path = iTunesMetadataPath())
            if (auto dictionary = VDPlistDictionaryFromFile(*path))
                iTunesMetadata_ = std::move(*dictionary);
    });
    return iTunesMetadata_;
}

VDApplication::StatisticsSet VDApplication::pendingAdStatistics() {
    return notificationSerialQueue_.syncResult([this] {
        StatisticsSet pending;
        pending.swap(adStatistics_);
        return pending;
    });
}

std::uint64_t VDApplication::nextActiveViewID() {
    return lockQueue_.syncResult([this] { return ++activeViewID_; });
}

void VDApplication::didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>& ad) {
    adStatistics_.insert(ad);
}
