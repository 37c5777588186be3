#include "ads/request/VDClickTrackerCollection.h"

#include "ads/foundation/VDURLQuery.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"

#include <mutex>

std::shared_ptr<VDClickTrackerCollection> VDClickTrackerCollection::sharedInstance() {
    static base::ProcessWide<VDClickTrackerCollection> shared(
        [] { return std::make_shared<VDClickTrackerCollection>(Private{}); });
    return shared.get();
}

VDClickTrackerCollection::~VDClickTrackerCollection() {
    for (const auto& tracker : trackers_)
        tracker->reset();
}

void VDClickTrackerCollection::trackURLsCacheEnabled(const std::vector<base::URL>& urls,
                                                     bool cacheEnabled) {
    for (const auto& url : urls)
        trackURLCacheEnabled(url, cacheEnabled);
}

void VDClickTrackerCollection::trackURLsCacheEnabled(const base::Value::Array& urls,
                                                     bool cacheEnabled) {
    for (const auto& entry : urls) {
        const std::string* text = entry.string();
        if (!text)
            continue;
        if (auto url = base::URL::parse(*text))
            trackURLCacheEnabled(*url, cacheEnabled);
    }
}

void VDClickTrackerCollection::trackURLCacheEnabled(const base::URL& url, bool cacheEnabled) {
    auto tracker = VDClickTracker::create();
    tracker->setDelegate(shared_from_this());
    tracker->setCacheEnabled(cacheEnabled);
    // The host's analytics identifiers go with every ping; a URL they cannot be added to is
    // pinged as it is rather than not at all.
    base::URL pinged = url;
    const auto append = [&pinged](const std::string& value, std::string_view key) {
        if (auto appended = vd_appendQueryValueForKey(pinged, value, key))
            pinged = std::move(*appended);
    };
    if (auto clientID = VDAdSettingsParameters::sharedInstance()->clientID())
        append(*clientID, "ga_cid");
    if (auto hitID = VDAdSettingsParameters::currentHitID())
        append(*hitID, "ga_hid");
    tracker->trackURL(pinged);
    trackers_.insert(std::move(tracker));
}

void VDClickTrackerCollection::cleanupTrackers() {
    for (auto it = trackers_.begin(); it != trackers_.end();) {
        if ((*it)->hasTracked()) {
            (*it)->setDelegate(nullptr);
            it = trackers_.erase(it);
        } else {
            ++it;
        }
    }
}

void VDClickTrackerCollection::scheduleCleanup() {
    base::mainQueue().async([weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock())
            self->cleanupTrackers();
    });
}

void VDClickTrackerCollection::trackerDidRedirect(VDClickTracker&, const base::URL&) {
    scheduleCleanup();
}

void VDClickTrackerCollection::trackerDidFailWithError(VDClickTracker&,
                                                       const std::optional<base::Error>&) {
    scheduleCleanup();
}
