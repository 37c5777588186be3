#include "ads/foundation/VDOSVersion.h"

#include <gtest/gtest.h>

namespace {

TEST(VDOSVersionTest, PartsAndComparison) {
    using Parts = std::array<std::int32_t, 3>;
    EXPECT_EQ(VDOSVersionParts("8.1"), (Parts{8, 1, 0}));
    EXPECT_EQ(VDOSVersionParts("7.1.2.4"), (Parts{7, 1, 2}));
    EXPECT_EQ(VDOSVersionParts(""), (Parts{0, 0, 0}));
    EXPECT_EQ(VDOSVersionParts("10.3b.x"), (Parts{10, 3, 0}));
    EXPECT_EQ(VDOSVersionParts("99999999999.1"), (Parts{2147483647, 1, 0}));

    struct Case {
        const char* version;
        int major, minor, patch;
        bool atLeast;
    };
    const Case cases[] = {
        {"6.0", 6, 0, 0, true},    {"6.0.1", 6, 0, 0, true}, {"7.0", 6, 0, 0, true},
        {"5.1.1", 6, 0, 0, false}, {"8.1", 8, 0, 0, true},   {"7.1.2", 8, 0, 0, false},
        {"8.0", 8, 0, 0, true},    {"8.0", 8, 0, 1, false},  {"8.0.2", 8, 0, 1, true},
        {"8.2", 8, 3, 0, false},   {"9", 8, 3, 5, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VDOSVersionIsAtLeast(c.version, c.major, c.minor, c.patch), c.atLeast)
            << c.version << " >= " << c.major << "." << c.minor << "." << c.patch;
}

} // namespace
