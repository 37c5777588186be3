#include "ads/foundation/VDMurmurHash3.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(VDMurmurHash3Test, MatchesThePublishedVectors) {
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        std::uint32_t seed;
        std::uint32_t hash;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"", 1, 0x514E28B7},
        {"", 0xffffffff, 0x81F16F39},
        {"\0\0\0\0"s, 0, 0x2362F9DE},
        {"\xff\xff\xff\xff", 0, 0x76293B50},
        {"\x21\x43\x65\x87", 0, 0xF55B516B},
        {"\x21\x43\x65\x87", 0x5082EDEE, 0x2362F9DE},
        {"\x21\x43\x65", 0, 0x7E4A8634},
        {"\x21\x43", 0, 0xA0F7B07A},
        {"\x21", 0, 0x72661CF4},
        {"a", 0x9747b28c, 0x7FA09EA6},
        {"aa", 0x9747b28c, 0x5D211726},
        {"aaa", 0x9747b28c, 0x283E0130},
        {"aaaa", 0x9747b28c, 0x5A97808A},
        {"abc", 0, 0xB3DD93FA},
        {"abcd", 0x9747b28c, 0xF0478627},
        {"Hello, world!", 0x9747b28c, 0x24884CBA},
        {"The quick brown fox jumps over the lazy dog", 0x9747b28c, 0x2FA826CD},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VDMurmurHash3(c.bytes, c.seed), c.hash) << c.bytes.size() << " bytes";
}

} // namespace
