#include "ads/foundation/VDTiming.h"

#include "platform/base/Clock.h"
#include "platform/base/PropertyList.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

std::string addressString(const void* address) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", address);
    return buffer;
}

// Whether the value can be written to a property list as it is: no nulls, no strings with NUL
// characters, no dates the format cannot hold. One such value would make the whole user
// defaults file unwritable.
bool isPropertyListValue(const base::Value& value) {
    if (value.isNull())
        return false;
    return base::writePlist(base::Value(base::Value::Dictionary{{"value", value}}),
                            base::PlistFormat::Binary)
        .ok();
}

double stampFrom(const base::Value& value) {
    if (!value.isNumber())
        return 0;
    double seconds = value.doubleValue();
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

} // namespace

double VDTiming::counter() {
    return double(base::Clock::current().monotonicNanoseconds()) / 1e9;
}

VDTiming::VDTiming(Private, std::optional<std::string> category)
    : category_(category ? std::move(*category) : "VDTiming (" + addressString(this) + ")") {}

std::shared_ptr<VDTiming> VDTiming::create(std::optional<std::string> category) {
    return std::make_shared<VDTiming>(Private{}, std::move(category));
}

std::shared_ptr<VDTiming>
VDTiming::createWithDictionaryRepresentation(const base::Value::Dictionary& representation) {
    std::optional<std::string> category;
    if (auto found = representation.find("category"); found != representation.end()) {
        if (const std::string* name = found->second.string())
            category = *name;
    }
    auto timing = create(std::move(category));
    auto stamp = [&](const char* key) {
        auto found = representation.find(key);
        return found == representation.end() ? 0.0 : stampFrom(found->second);
    };
    timing->startTimestamp_ = stamp("start");
    timing->endTimestamp_ = stamp("end");
    if (auto found = representation.find("userData"); found != representation.end()) {
        if (const auto* userData = found->second.dictionary()) {
            for (const auto& [key, value] : *userData) {
                if (isPropertyListValue(value))
                    timing->userData_[key] = value;
            }
        }
    }
    return timing;
}

base::Value::Dictionary VDTiming::dictionaryRepresentation() const {
    std::scoped_lock lock(objectLock_, timeIntervalLock_);
    base::Value::Dictionary representation{
        {"category", base::Value(category_)},
        {"start", base::Value(startTimestamp_)},
        {"end", base::Value(endTimestamp_)},
    };
    if (!userData_.empty())
        representation["userData"] = base::Value(userData_);
    return representation;
}

std::shared_ptr<VDTiming> VDTiming::copy() const {
    return createWithDictionaryRepresentation(dictionaryRepresentation());
}

std::string VDTiming::description() const {
    return "VDTiming (" + addressString(this) +
           "): " + base::Value(dictionaryRepresentation()).description();
}

void VDTiming::start() {
    double now = counter();
    std::lock_guard lock(timeIntervalLock_);
    startTimestamp_ = now;
    endTimestamp_ = 0;
}

void VDTiming::end() {
    double now = counter();
    std::lock_guard lock(timeIntervalLock_);
    if (startTimestamp_ > 0)
        endTimestamp_ = now;
}

void VDTiming::reset() {
    std::lock_guard lock(timeIntervalLock_);
    startTimestamp_ = 0;
    endTimestamp_ = 0;
}

std::uint64_t VDTiming::elapsedMilliseconds() const {
    std::lock_guard lock(timeIntervalLock_);
    if (startTimestamp_ <= 0)
        return 0;
    double end = endTimestamp_;
    if (end < startTimestamp_) {
        if (explicitEnd_)
            return 0;
        end = counter();
    }
    double milliseconds = (end - startTimestamp_) * 1000;
    if (!(milliseconds > 0))
        return 0;
    if (milliseconds >= double(std::numeric_limits<std::uint64_t>::max()))
        return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t(milliseconds);
}

std::string VDTiming::elapsedMillisecondsString() const {
    return std::to_string(elapsedMilliseconds());
}

bool VDTiming::isActive() const {
    std::lock_guard lock(timeIntervalLock_);
    return startTimestamp_ > 0 && endTimestamp_ == 0;
}

bool VDTiming::setValueForKey(const base::Value& value, const std::string& key) {
    if (!isPropertyListValue(value))
        return false;
    std::lock_guard lock(objectLock_);
    userData_[key] = value;
    return true;
}

base::Value VDTiming::valueForKey(const std::string& key) const {
    std::lock_guard lock(objectLock_);
    auto found = userData_.find(key);
    return found == userData_.end() ? base::Value() : found->second;
}

void VDTiming::removeValueForKey(const std::string& key) {
    std::lock_guard lock(objectLock_);
    userData_.erase(key);
}

base::Value::Dictionary VDTiming::keysAndValues() const {
    std::lock_guard lock(objectLock_);
    return userData_;
}

std::string VDTiming::category() const {
    std::lock_guard lock(objectLock_);
    return category_;
}

void VDTiming::setCategory(std::string category) {
    std::lock_guard lock(objectLock_);
    category_ = std::move(category);
}

double VDTiming::startTimestamp() const {
    std::lock_guard lock(timeIntervalLock_);
    return startTimestamp_;
}

void VDTiming::setStartTimestamp(double seconds) {
    std::lock_guard lock(timeIntervalLock_);
    startTimestamp_ = seconds;
}

double VDTiming::endTimestamp() const {
    std::lock_guard lock(timeIntervalLock_);
    return endTimestamp_;
}

void VDTiming::setEndTimestamp(double seconds) {
    std::lock_guard lock(timeIntervalLock_);
    endTimestamp_ = seconds;
}
