#include "ads/foundation/VDStatistics.h"

VDStatistics::VDStatistics()
    : statistics_(VDStatisticsCore::create())
    , timingManager_(VDTimingManager::create()) {}

std::shared_ptr<VDTiming> VDStatistics::timingNamed(const std::string& name) const {
    return timingManager_->timingForCategory(name);
}

void VDStatistics::startTimingNamedWithExplicitEnd(const std::string& name, bool explicitEnd) {
    timingManager_->removeTimingForCategory(name);
    auto timing = timingManager_->addTimingWithCategory(name);
    timing->setExplicitEnd(explicitEnd);
    timing->start();
}

void VDStatistics::endTimingNamed(const std::string& name) {
    if (auto timing = timingNamed(name))
        timing->end();
}
