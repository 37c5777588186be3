#pragma once

#include "ads/foundation/VDClassRegistry.h"
#include "platform/base/DispatchQueue.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

// The analytics identifiers that ad requests carry ("ga_cid", the tracker's client identifier,
// and "ga_hid", the current screen view's identifier) when the host configured the ads client
// with an application code and the program has the tag-manager settings service (see
// VDMobileAds). The analytics classes are optional classes of the program (VDClassRegistry),
// looked up once for the life of the process.
//
// Any thread: the client identifier lives behind a serial queue (updates asynchronous, reads
// synchronous), so a request carries the identifier of an earlier update.
class VDAdSettingsParameters {
    struct Private {};

public:
    static constexpr const char* lockQueueLabel = "viz.azodoz.eziro.ad-settings";
    // The registered object under this name is the shared analytics tracker.
    static constexpr const char* trackerClassName = "RAI";
    // The registered object under this name is the shared screen-view service.
    static constexpr const char* screenViewServiceClassName = "RAIScreenViewService";
    // Registered when the service's screen views answer screenId.
    static constexpr const char* screenViewInfoClassName = "RAIScreenViewInfo";

    // What the tracker must offer.
    class AnalyticsTracker {
    public:
        virtual ~AnalyticsTracker() = default;
        virtual std::string clientId() const = 0;
    };
    // What the screen-view service must offer: its current screen view, if any, whose
    // identifier is read when it is a ScreenViewInfo.
    class ScreenViewService {
    public:
        virtual ~ScreenViewService() = default;
        virtual std::shared_ptr<VDClassRegistry::Class> currentScreenView() const = 0;
    };
    class ScreenViewInfo {
    public:
        virtual ~ScreenViewInfo() = default;
        virtual int screenId() const = 0;
    };

    // A process service (platform/base/ProcessWide.h); the optional classes are looked up
    // once, and again after a reset.
    static std::shared_ptr<VDAdSettingsParameters> sharedInstance();
    explicit VDAdSettingsParameters(Private);

    // Switched on by VDMobileAds only.
    bool settingsServiceEnabled() const { return settingsServiceEnabled_.load(); }
    void setSettingsServiceEnabled(bool enabled) { settingsServiceEnabled_.store(enabled); }

    // When enabled and the tracker is there: takes the tracker's client identifier, on the
    // lock queue.
    void updateClientID();
    // The identifier of the last update; nullopt when not enabled or never updated.
    std::optional<std::string> clientID() const;
    // The current screen view's identifier as decimal text; nullopt when not enabled, without
    // the screen-view classes, or without a current screen view.
    static std::optional<std::string> currentHitID();

    // Waits until the updates asked for have run (tests).
    void waitForUpdatesForTesting() const;

private:
    std::atomic<bool> settingsServiceEnabled_{false};
    // On lockQueue_.
    std::optional<std::string> clientID_;
    // Last, so that its work has run before the fields it writes go.
    base::DispatchQueue lockQueue_;
};
