#include "ads/request/VDLocation.h"
#include "platform/testing/PlatformTest.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class VDLocationTest : public testing_support::PlatformTest {};

TEST_F(VDLocationTest, PositionsOnTheGlobeAreKept) {
    struct Case {
        double latitude;
        double longitude;
        bool made;
    };
    const Case cases[] = {
        {0, 0, true},    {90, 180, true}, {-90, -180, true},    {91, 0, false},
        {0, 181, false}, {NAN, 0, false}, {0, INFINITY, false},
    };
    for (const auto& c : cases) {
        auto location = VDLocation::createWithLatitudeLongitudeAccuracy(c.latitude, c.longitude, 5);
        EXPECT_EQ(location.has_value(), c.made) << c.latitude << "," << c.longitude;
    }
    EXPECT_FALSE(VDLocation::createWithLatitudeLongitudeAccuracy(1, 1, NAN));
    EXPECT_FALSE(VDLocation::createWithLocationDescription(""));
}

TEST_F(VDLocationTest, APositionIsSentInTenMillionthsOfADegree) {
    auto location = VDLocation::createWithLatitudeLongitudeAccuracy(48.123456789, -2.98765432, 5);
    ASSERT_TRUE(location);
    EXPECT_TRUE(location->isPreciseLocation());
    EXPECT_EQ(location->locationDescription(), "48.123457,-2.987654");
    EXPECT_EQ(location->timestamp(), clock().now().timeIntervalSince1970());
    auto uule = location->dictionaryRepresentation();
    ASSERT_TRUE(uule);
    EXPECT_EQ(*uule, (base::Value::Dictionary{
                         {"time", base::Value(clock().now().timeIntervalSince1970() * 1e6)},
                         {"lat", base::Value(481234567)},
                         {"long", base::Value(-29876543)},
                         {"radius", base::Value(5000.0)},
                     }));
    // Built once: a later time stamp does not change what is sent.
    location->setTimestamp(1);
    EXPECT_EQ(location->dictionaryRepresentation(), uule);

    auto described = VDLocation::createWithLocationDescription("Paris");
    ASSERT_TRUE(described);
    EXPECT_FALSE(described->isPreciseLocation());
    EXPECT_EQ(described->locationDescription(), "Paris");
    EXPECT_EQ(described->dictionaryRepresentation(), std::nullopt);
}

TEST_F(VDLocationTest, EqualLocationsHashAlike) {
    auto a = *VDLocation::createWithLatitudeLongitudeAccuracy(10.5, 20.25, 3);
    clock().advance(base::Seconds(60)); // made later: another time stamp
    auto b = *VDLocation::createWithLatitudeLongitudeAccuracy(10.5, 20.25, 3);
    auto c = *VDLocation::createWithLatitudeLongitudeAccuracy(10.50000001, 20.25, 3);
    auto d = *VDLocation::createWithLatitudeLongitudeAccuracy(10.5, 20.25, 4);
    auto zero = *VDLocation::createWithLatitudeLongitudeAccuracy(0, 0, 0);
    auto negativeZero = *VDLocation::createWithLatitudeLongitudeAccuracy(-0.0, -0.0, -0.0);
    auto paris = *VDLocation::createWithLocationDescription("Paris");
    auto alsoParis = *VDLocation::createWithLocationDescription("Paris");
    auto text = *VDLocation::createWithLocationDescription("10.500000,20.250000");

    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_EQ(a, c); // the same position once sent
    EXPECT_EQ(a.hash(), c.hash());
    EXPECT_NE(a, d);
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(zero.hash(), negativeZero.hash());
    EXPECT_EQ(paris, alsoParis);
    EXPECT_EQ(paris.hash(), alsoParis.hash());
    EXPECT_NE(a, text); // a description is never a position
    VDLocation copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(copy.timestamp(), a.timestamp());
}

} // namespace
