#include "platform/base/Data.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(DataTest, BuildsAppendsAndCompares) {
    Data data = Data::fromString(std::string_view("a\0b", 3));
    EXPECT_EQ(data.size(), 3u);
    EXPECT_EQ(data.toString(), std::string("a\0b", 3));
    data.append(Data::fromString("cd"));
    data.append(nullptr, 0);
    EXPECT_EQ(data.toString(), std::string("a\0bcd", 5));
    EXPECT_EQ(data, Data(std::vector<std::uint8_t>{'a', 0, 'b', 'c', 'd'}));
    EXPECT_LT(Data::fromString("ab"), Data::fromString("b"));
    data.clear();
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(Data(nullptr, 0), Data());
}

TEST(DataTest, HexStringIsLowercaseTwoDigitsPerByte) {
    EXPECT_EQ(Data(std::vector<std::uint8_t>{0x00, 0x0f, 0xa0, 0xff}).hexString(), "000fa0ff");
    EXPECT_EQ(Data().hexString(), "");
}

} // namespace
} // namespace base
