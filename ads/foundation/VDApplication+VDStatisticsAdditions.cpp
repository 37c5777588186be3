#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"

#include <utility>

namespace {

base::Value timeValue(std::uint64_t milliseconds) {
    return base::Value(static_cast<unsigned long long>(milliseconds));
}

} // namespace

base::Value::Dictionary
VDApplication::nextRequestStatisticsDictionaryForSlot(bool slotIsMediating) {
    std::lock_guard guard(statisticsLock_);
    const auto now = timeValue(VDAbsoluteTime::absoluteTimeInMilliseconds());
    statistics_->setObjectForKeyShouldNotifyDelegate(now, "currts", false);
    // Only this lock's holder writes "basets", so nothing can set it between the look and the
    // write.
    if (statistics_->objectForKey("basets").isNull())
        statistics_->setObjectForKeyShouldNotifyDelegate(now, "basets", false);
    incrementSequenceNumber();
    if (slotIsMediating)
        decrementTotalAdRequestCount();
    else
        incrementTotalAdRequestCount();
    return statistics_->dictionary();
}

void VDApplication::incrementTotalAdRequestCount() {
    statistics_->incrementNumberForKeyShouldNotifyDelegate("preqs", false);
}

void VDApplication::decrementTotalAdRequestCount() {
    statistics_->decrementNumberForKeyShouldNotifyDelegate("preqs", false);
}

void VDApplication::incrementTotalAdClickCount() {
    statistics_->incrementNumberForKeyShouldNotifyDelegate("pclick", false);
}

void VDApplication::incrementSequenceNumber() {
    statistics_->incrementNumberForKeyShouldNotifyDelegate("seq_num", false);
}

std::string VDApplication::nextSequenceNumberAsString() {
    std::lock_guard guard(statisticsLock_);
    incrementSequenceNumber();
    return statistics_->objectForKey("seq_num").stringValue().value_or(std::string());
}

std::uint64_t VDApplication::timeSinceFirstAdRequestInMilliseconds() {
    const auto base = statistics_->objectForKey("basets");
    if (base.isNull())
        return 0;
    const auto now = VDAbsoluteTime::absoluteTimeInMilliseconds();
    const auto first = base.unsignedValue();
    return now > first ? now - first : 0;
}

std::shared_ptr<VDStatisticDictionary>
VDApplication::slotStatisticsForSlotID(const std::optional<std::string>& slotID) {
    if (!slotID)
        return nullptr;
    std::lock_guard guard(statisticsLock_);
    auto& slot = slotStatistics_[*slotID];
    if (!slot)
        slot = VDStatisticDictionary::create();
    return slot;
}

base::Value::Dictionary VDApplication::slotStatisticsDictionary() {
    std::lock_guard guard(statisticsLock_);
    base::Value::Dictionary slots;
    for (const auto& [slotID, statistics] : slotStatistics_)
        slots.emplace(slotID, base::Value(statistics->dictionary()));
    return slots;
}

void VDApplication::willLeaveApplicationDueToClickOnAd(
    std::shared_ptr<VDStatisticDictionary> adStatistics) {
    // Kept here, not queued: work queued for later would hold the application past its end.
    std::shared_ptr<VDStatisticDictionary> previous;
    std::lock_guard guard(statisticsLock_);
    previous = std::exchange(backgroundingAd_, std::move(adStatistics));
}

void VDApplication::didBecomeActive() {
    std::shared_ptr<VDStatisticDictionary> ad;
    {
        std::lock_guard guard(statisticsLock_);
        ad = std::move(backgroundingAd_);
    }
    if (!ad)
        return;
    const auto now = timeValue(VDAbsoluteTime::absoluteTimeInMilliseconds());
    auto clicked = ad->objectForKey("tclickcurr");
    if (clicked.isNull())
        return;
    ad->addObjectToArrayWithKeyShouldNotifyDelegate(base::Value(base::Value::Array{clicked, now}),
                                                    "tclick", true);
}

void VDApplication::didNotSendAdStatistics(const StatisticsSet& adStatistics) {
    notificationSerialQueue_.sync(
        [&] { adStatistics_.insert(adStatistics.begin(), adStatistics.end()); });
}
