#pragma once

#include "ads/foundation/VDSession.h"
#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/foundation/VDStatisticDictionaryDelegate.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class VDContentQueue;
class VDScheduler;

// The ads client's one application-wide object: it learns when the application has finished
// launching, runs the client's early activities once, tells whether the application is active,
// owns the session and the application statistics, keeps the statistics of ads that changed
// since they were last sent and of each slot, hands out active-view identifiers and reads the
// application's store metadata.
//
// The host's start-up makes one call before it launches the application, VDAdsClient::load()
// of the ads client's top layer: it hands this object the early activities, which belong to
// the layers above this one, and installs the launch hook (see load()). Everything else may be
// called from any thread unless said otherwise.
class VDApplication final : public VDStatisticDictionaryDelegate,
                            public std::enable_shared_from_this<VDApplication> {
    struct Private {};

public:
    using StatisticsSet = std::set<std::shared_ptr<VDStatisticDictionary>>;

    static constexpr const char* notificationQueueLabel =
        "viz.azodoz.eziro.application-notification";

    // The launch hook. Registers, on the default notification center, an observer of the
    // application's did-finish-launching notification from any sender, delivered on the main
    // queue, which marks the shared instance launched and runs its early activities. Called
    // again it replaces its registration, so there is only ever one. Called once the
    // application has already launched, it does at once what the observer would have done.
    // Main thread only.
    static void load();

    // What the early activities do, handed over by the layers above at start-up. It replaces
    // what was handed over before; handed over after the early activities have run, it runs at
    // once, so that it too runs once per process. Any thread.
    static void setEarlyActivities(std::function<void()> activities);

    // The one instance, made on first use from any thread; it lives for the process.
    static std::shared_ptr<VDApplication> sharedInstance();
    // Drops the shared instance and the launch registration, and lets the early activities run
    // again, as in a new process (tests). The activities handed over stay.
    static void resetForTesting();

    explicit VDApplication(Private);
    ~VDApplication() override;
    VDApplication(const VDApplication&) = delete;
    VDApplication& operator=(const VDApplication&) = delete;

    // Once per process, whoever calls it and on whichever instance: runs the early activities
    // handed over (the ads client's allow the rich-media interceptor, whose first use registers
    // it).
    void runEarlyActivities();

    // False only while the application is in the background after its launch has been heard:
    // an application launching in the background is still active for the ads client. Main
    // thread only.
    bool isAppActive() const;
    bool appFinishedLaunching() const;
    void setAppFinishedLaunching(bool finished);

    // "iTunesMetadata.plist" beside the documents folder.
    std::optional<std::filesystem::path> iTunesMetadataPath() const;
    // That file's dictionary, read once per instance; empty when there is none.
    const base::Value::Dictionary& iTunesMetadata();

    // The statistics of ads that changed since they were last taken; taking them empties the
    // set. Never call it on notificationSerialQueue().
    StatisticsSet pendingAdStatistics();
    // 1 for the first call, then 2, and so on; no two callers get the same value.
    std::uint64_t nextActiveViewID();

    const std::shared_ptr<VDSession>& currentSession() const { return currentSession_; }
    // The application statistics (no delegate).
    const std::shared_ptr<VDStatisticDictionary>& statistics() const { return statistics_; }
    const base::DispatchQueue& notificationSerialQueue() const { return notificationSerialQueue_; }

    // --- VDStatisticDictionaryDelegate: every ad statistics dictionary notifies this object on
    // notificationSerialQueue(), which puts it into the pending set.
    std::optional<base::DispatchQueue> notificationQueue() override {
        return notificationSerialQueue_;
    }
    void didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>& ad) override;

    // --- Statistics (VDApplication+VDStatisticsAdditions.cpp).

    // The application statistics for a request a slot starts: "currts" now, "basets" the first
    // time, "seq_num" + 1 and "preqs" + 1, or − 1 when the slot is mediating. A snapshot that
    // later changes never show in.
    base::Value::Dictionary nextRequestStatisticsDictionaryForSlot(bool slotIsMediating);
    void incrementTotalAdRequestCount();
    void decrementTotalAdRequestCount();
    void incrementTotalAdClickCount();
    void incrementSequenceNumber();
    // "seq_num" + 1, answering its new value's text: the sequence number of a mediation ping.
    std::string nextSequenceNumberAsString();
    // Milliseconds since the first request ("basets"); 0 before it.
    std::uint64_t timeSinceFirstAdRequestInMilliseconds();
    // The statistics of the slot with that identifier, made on first use; null without an
    // identifier.
    std::shared_ptr<VDStatisticDictionary>
    slotStatisticsForSlotID(const std::optional<std::string>& slotID);
    // Each slot identifier with its statistics' content.
    base::Value::Dictionary slotStatisticsDictionary();
    // A click on the ad whose statistics these are is taking the user out of the application.
    void willLeaveApplicationDueToClickOnAd(std::shared_ptr<VDStatisticDictionary> adStatistics);
    // The application is active again: an ad whose click left it gets the pair ("tclickcurr",
    // now) appended to its "tclick", notifying.
    void didBecomeActive();
    // A request that carried these statistics failed: they are pending again.
    void didNotSendAdStatistics(const StatisticsSet& adStatistics);

    // --- Mediation adapters (VDApplication+MediationAdapters.cpp): the adapter classes the
    // application holds, sent with every ad request as "adapters".

    // The adapters built into the ads client, always candidates.
    static const std::vector<std::string>& builtInAdapterNames();
    // nullopt until a list has been set.
    std::optional<std::vector<std::string>> availableAdapterNames() const;
    // The list becomes the built-in names, then the server's names (the SDK constant
    // "adapter_class_names") not among them, each kept when a class of that name is
    // registered (VDClassRegistry).
    void updateAvailableAdapterNamesWithPotentialAdapterNames(
        const std::vector<std::string>& potentialAdapterNames);

    // --- Content hashing (VDApplication+ContentHashing.cpp): fingerprints of the text on
    // screen for ad requests, while the ad server allows it. Ad responses switch it on and off.

    static constexpr const char* contentHashingQueueLabel = "viz.azodoz.eziro.content-hashing";
    static constexpr const char* contentQueueCapacityKey =
        "/redodi/ads/content_queue_maximum_capacity";
    static constexpr const char* traversalIntervalKey = "/redodi/ads/traversal_interval";
    // The server's capacity and interval are clamped into these ranges: at most 100 walks
    // kept, and a walk at most every second (the text of every web view is read on the main
    // thread) and at least every hour.
    static constexpr std::uint64_t defaultContentQueueCapacity = 10;
    static constexpr std::uint64_t maximumContentQueueCapacity = 100;
    static constexpr double defaultTraversalInterval = 10;
    static constexpr double minimumTraversalInterval = 1;
    static constexpr double maximumTraversalInterval = 3600;
    // What a text view and a web view give a walk: the web view's body text.
    static constexpr const char* webViewTextScriptName = "content_text";

    // Nothing while it runs. Otherwise starts afresh: a new content queue, walk numbers from 1,
    // and a walk of the key window's root view every "traversal_interval" seconds. Main
    // thread.
    void startContentHashing();
    // Stops the walks; the queued fingerprints stay for requests. A walk under way finishes
    // into the queue it started with. Main thread.
    void stopContentHashing();
    bool isContentHashingOn() const;
    // The fingerprint of the best-scoring walk, whose score then drops by the served penalty;
    // nullopt when no walk has scored above 0, or content hashing never ran. Any thread but
    // the content-hashing queue.
    std::optional<std::string> fingerprintWithServedPenaltyDeduction();
    // The content queue and the queue it is used on; null before content hashing first ran.
    std::shared_ptr<VDContentQueue> contentQueue() const;
    std::optional<base::DispatchQueue> contentQueueSerialQueue() const;
    // One walk now, as a tick of the scheduler does (tests, benchmarks). Main thread.
    void walkViewHierarchyForTesting();

private:
    void startObservingActivation();

    // Guards appFinishedLaunching_.
    mutable std::mutex objectLock_;
    bool appFinishedLaunching_ = false;

    std::optional<base::NotificationCenter::ObserverToken> appBecameActiveObserver_;
    std::shared_ptr<VDSession> currentSession_;
    std::shared_ptr<VDStatisticDictionary> statistics_;

    base::DispatchQueue notificationSerialQueue_;

    // On notificationSerialQueue_.
    StatisticsSet adStatistics_;
    // Held across a request's whole update of the application statistics, so that requests
    // from many threads each take their own sequence number; guards what follows.
    std::mutex statisticsLock_;
    std::map<std::string, std::shared_ptr<VDStatisticDictionary>> slotStatistics_;
    std::shared_ptr<VDStatisticDictionary> backgroundingAd_;
    // Guards what follows.
    mutable std::mutex lock_;
    std::uint64_t activeViewID_ = 0;
    std::optional<std::vector<std::string>> availableAdapterNames_;

    // Guards the content-hashing fields. The walk task holds what it needs itself, so a walk
    // never reads these.
    mutable std::mutex contentHashingLock_;
    std::shared_ptr<VDScheduler> scheduler_;
    std::function<void()> walkTask_;
    std::optional<base::DispatchQueue> serialQueue_;
    std::shared_ptr<VDContentQueue> contentQueue_;
    // The queue contentQueue_ is used on, kept after a stop. Walks hold it only weakly, so
    // that its last copy goes away here, on the main thread, which then waits for the texts
    // still being hashed: hashing work never runs on after its application (or the process)
    // is gone.
    std::shared_ptr<const base::DispatchQueue> contentQueueSerialQueue_;

    std::once_flag iTunesMetadataOnce_;
    base::Value::Dictionary iTunesMetadata_;
};
