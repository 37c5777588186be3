#pragma once

#include "platform/base/Value.h"

#include <cstddef>
#include <optional>
#include <string>

// Where the user is, for an ad request: a position (degrees and an accuracy in metres) or a
// free-text description. A position is sent as the request's "uule" dictionary.
//
// A value: copies keep the time stamp of the original.
class VDLocation {
public:
    // nullopt for a position that is not on the globe (|latitude| above 90, |longitude| above
    // 180, or not a number) or an accuracy that is no number.
    static std::optional<VDLocation>
    createWithLatitudeLongitudeAccuracy(double latitude, double longitude, double accuracy);
    // nullopt for an empty description.
    static std::optional<VDLocation> createWithLocationDescription(std::string description);

    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }
    double accuracy() const { return accuracy_; }
    bool isPreciseLocation() const { return precise_; }
    // The text given; for a position without one, "<latitude>,<longitude>" with six decimals.
    std::string locationDescription() const;
    // Seconds since 1970; the moment the location was made unless set.
    double timestamp() const { return timestamp_; }
    void setTimestamp(double timestamp) { timestamp_ = timestamp; }

    // {"time": microseconds since 1970 (double), "lat" and "long": degrees × 10⁷ cut toward
    // zero (integers), "radius": millimetres (double)}, built on first use and kept; nullopt
    // for a description.
    std::optional<base::Value::Dictionary> dictionaryRepresentation() const;

    // Positions are equal when they send the same "uule" position: degrees × 10⁷ cut toward
    // zero and the radius; descriptions when their texts are. hash() agrees.
    bool isEqual(const VDLocation& other) const;
    friend bool operator==(const VDLocation& a, const VDLocation& b) { return a.isEqual(b); }
    std::size_t hash() const;

private:
    VDLocation() = default;

    double latitude_ = 0;
    double longitude_ = 0;
    double accuracy_ = 0;
    bool precise_ = false;
    std::optional<std::string> description_;
    double timestamp_ = 0;
    mutable std::optional<base::Value::Dictionary> dictionaryRepresentation_;
};
