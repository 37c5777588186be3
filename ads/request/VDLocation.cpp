#include "ads/request/VDLocation.h"

#include "platform/base/Date.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Degrees as the server reads them: whole units of 10⁻⁷ degree, cut toward zero.
std::int64_t sentDegrees(double degrees) {
    return static_cast<std::int64_t>(std::trunc(degrees * 10'000'000));
}

double radiusInMillimetres(double accuracy) {
    return accuracy * 1000;
}

} // namespace

std::optional<VDLocation> VDLocation::createWithLatitudeLongitudeAccuracy(double latitude,
                                                                          double longitude,
                                                                          double accuracy) {
    // Zero is a real latitude (the equator) and a real longitude (Greenwich).
    if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180) || !std::isfinite(accuracy))
        return std::nullopt;
    VDLocation location;
    location.latitude_ = latitude;
    location.longitude_ = longitude;
    location.accuracy_ = accuracy;
    location.precise_ = true;
    location.timestamp_ = base::Date::now().timeIntervalSince1970();
    return location;
}

std::optional<VDLocation> VDLocation::createWithLocationDescription(std::string description) {
    if (description.empty())
        return std::nullopt;
    VDLocation location;
    location.description_ = std::move(description);
    location.timestamp_ = base::Date::now().timeIntervalSince1970();
    return location;
}

std::string VDLocation::locationDescription() const {
    if (description_)
        return *description_;
    if (!precise_)
        return {};
    char text[96];
    std::snprintf(text, sizeof text, "%f,%f", latitude_, longitude_);
    return text;
}

std::optional<base::Value::Dictionary> VDLocation::dictionaryRepresentation() const {
    if (!precise_)
        return std::nullopt;
    if (!dictionaryRepresentation_) {
        dictionaryRepresentation_ = base::Value::Dictionary{
            {"time", base::Value(timestamp_ * 1'000'000)},
            {"lat", base::Value(sentDegrees(latitude_))},
            {"long", base::Value(sentDegrees(longitude_))},
            {"radius", base::Value(radiusInMillimetres(accuracy_))},
        };
    }
    return dictionaryRepresentation_;
}

bool VDLocation::isEqual(const VDLocation& other) const {
    if (precise_ != other.precise_)
        return false;
    if (!precise_)
        return locationDescription() == other.locationDescription();
    return sentDegrees(latitude_) == sentDegrees(other.latitude_) &&
           sentDegrees(longitude_) == sentDegrees(other.longitude_) &&
           radiusInMillimetres(accuracy_) == radiusInMillimetres(other.accuracy_);
}

std::size_t VDLocation::hash() const {
    if (!precise_)
        return std::hash<std::string>()(locationDescription());
    std::size_t seed = std::hash<std::int64_t>()(sentDegrees(latitude_));
    auto combine = [&seed](std::size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
    };
    combine(std::hash<std::int64_t>()(sentDegrees(longitude_)));
    // +0.0 and -0.0 are equal radii and must hash alike.
    const double radius = radiusInMillimetres(accuracy_);
    combine(std::hash<double>()(radius == 0 ? 0.0 : radius));
    return seed;
}
