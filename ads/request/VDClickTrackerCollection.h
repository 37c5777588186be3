#pragma once

#include "ads/foundation/VDClickTracker.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The one place that pings tracking URLs (clicks, impressions, in-app purchase reports, the
// creative's track and click messages): a VDClickTracker per URL, held until it has reported.
// Each URL carries the host's analytics identifiers, "ga_cid" and "ga_hid", when it has them
// (VDAdSettingsParameters).
// Main thread only.
class VDClickTrackerCollection : public VDClickTrackerDelegate,
                                 public std::enable_shared_from_this<VDClickTrackerCollection> {
    struct Private {};

public:
    static std::shared_ptr<VDClickTrackerCollection> sharedInstance();

    explicit VDClickTrackerCollection(Private) {}
    ~VDClickTrackerCollection() override;
    VDClickTrackerCollection(const VDClickTrackerCollection&) = delete;
    VDClickTrackerCollection& operator=(const VDClickTrackerCollection&) = delete;

    // Pings each URL in order.
    void trackURLsCacheEnabled(const std::vector<base::URL>& urls, bool cacheEnabled);
    // Pings each string that is a URL, in order; other strings and other kinds are skipped.
    void trackURLsCacheEnabled(const base::Value::Array& urls, bool cacheEnabled);
    void trackURLCacheEnabled(const base::URL& url, bool cacheEnabled);
    void trackURL(const base::URL& url) { trackURLCacheEnabled(url, true); }

    // Mediation pings (VDClickTrackerCollection+Mediation.cpp): each template of a network (the
    // default template when it has none) expanded with the at-quoted keywords the mediation
    // configuration names (VDMConfig), each with the next sequence number and the session's
    // identifier, and pinged without cache. A result that is no URL is skipped.
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string& appKey,
        bool refresh, const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes);

    const std::set<std::shared_ptr<VDClickTracker>>& trackers() const { return trackers_; }
    // Lets go of every tracker that has reported.
    void cleanupTrackers();

    // VDClickTrackerDelegate: both queue cleanupTrackers on the main queue.
    void trackerDidRedirect(VDClickTracker& tracker, const base::URL& url) override;
    void trackerDidFailWithError(VDClickTracker& tracker,
                                 const std::optional<base::Error>& error) override;

private:
    void scheduleCleanup();

    std::set<std::shared_ptr<VDClickTracker>> trackers_;
};
