#include "ads/foundation/VDSlotStatistics.h"

#include "platform/base/Strings.h"

namespace {

constexpr const char* adapterTiming = "adapter";
constexpr const char* durationsKey = "adapter_duration";
constexpr const char* exitCodesKey = "adapter_exit";

} // namespace

void VDSlotStatistics::setIdentifier(std::string identifier) {
    if (identifier_ == identifier)
        return;
    identifier_ = identifier;
    statistics()->setIdentifier(identifier);
    timingManager()->setIdentifier(std::move(identifier));
}

void VDSlotStatistics::startTimingAdapter() {
    startTimingNamedWithExplicitEnd(adapterTiming, true);
}

void VDSlotStatistics::endTimingAdapterWithExitCode(long exitCode) {
    auto timing = timingNamed(adapterTiming);
    if (!timing)
        return;
    timing->end();
    statistics()->appendValuesArraysForKeys({
        {durationsKey, base::Value(timing->elapsedMillisecondsString())},
        {exitCodesKey, base::Value(std::to_string(exitCode))},
    });
}

void VDSlotStatistics::resetTimingAdapters() {
    statistics()->removeObjectForKey(exitCodesKey);
    statistics()->removeObjectForKey(durationsKey);
}

std::optional<std::string> VDSlotStatistics::adapterExitCodesParameter() const {
    return joinedArrayForKey(exitCodesKey);
}

std::optional<std::string> VDSlotStatistics::adapterDurationsParameter() const {
    return joinedArrayForKey(durationsKey);
}

std::optional<std::string> VDSlotStatistics::joinedArrayForKey(const std::string& key) const {
    const auto stored = statistics()->arrayForKey(key);
    const auto* items = stored.array();
    if (!items)
        return std::nullopt;
    std::vector<std::string> pieces;
    pieces.reserve(items->size());
    for (const auto& item : *items)
        pieces.push_back(item.stringValue().value_or(item.description()));
    return base::join(pieces, ",");
}
