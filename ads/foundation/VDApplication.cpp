#include "ads/foundation/VDApplication.h"

#include "ads/foundation/VDPlistDictionaryFromFile.h"
#include "platform/base/AppHome.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"

#include <cassert>

namespace {

// What the process has done about its launch: a process service, so that a reset starts over.
struct ProcessState {
    ProcessState() = default;
    ProcessState(const ProcessState&) = delete;
    ProcessState& operator=(const ProcessState&) = delete;
    ~ProcessState() {
        if (launchObserver)
            base::NotificationCenter::defaultCenter().removeObserver(*launchObserver);
    }

    std::mutex mutex;
    std::optional<base::NotificationCenter::ObserverToken> launchObserver;
    bool earlyActivitiesDone = false;
    std::function<void()> earlyActivities;
};

std::shared_ptr<ProcessState> processState() {
    static base::ProcessWide<ProcessState> state([] { return std::make_shared<ProcessState>(); });
    return state.get();
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
        auto state = processState();
        std::lock_guard guard(state->mutex);
        if (state->launchObserver)
            center.removeObserver(*state->launchObserver);
        state->launchObserver = center.addObserver(
            ui::ApplicationDidFinishLaunchingNotification, nullptr, base::mainQueue(),
            [](const base::Notification&) { applicationDidFinishLaunching(); });
    }
    // The notification has gone by already: nothing will deliver it again.
    if (ui::Application::shared().hasLaunched())
        applicationDidFinishLaunching();
}

std::shared_ptr<VDApplication> VDApplication::sharedInstance() {
    static base::ProcessWide<VDApplication> shared([] {
        auto application = std::make_shared<VDApplication>(Private{});
        application->startObservingActivation();
        return application;
    });
    return shared.get();
}

VDApplication::VDApplication(Private)
    : currentSession_(VDSession::create())
    , statistics_(VDStatisticDictionary::create())
    , notificationSerialQueue_(notificationQueueLabel) {
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
    auto state = processState();
    {
        std::lock_guard guard(state->mutex);
        if (!state->earlyActivitiesDone) {
            state->earlyActivities = std::move(activities);
            return;
        }
    }
    if (activities)
        activities();
}

void VDApplication::runEarlyActivities() {
    std::function<void()> activities;
    auto state = processState();
    {
        std::lock_guard guard(state->mutex);
        if (state->earlyActivitiesDone)
            return;
        state->earlyActivitiesDone = true;
        activities = state->earlyActivities;
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
    std::lock_guard guard(lock_);
    return ++activeViewID_;
}

void VDApplication::didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>& ad) {
    adStatistics_.insert(ad);
}
