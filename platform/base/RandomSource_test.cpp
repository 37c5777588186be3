#include "platform/base/RandomSource.h"

#include <array>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class ZeroSource final : public base::RandomSource {
public:
    void fill(std::uint8_t* bytes, std::size_t size) override { std::fill(bytes, bytes + size, 0); }
};

TEST(RandomSourceTest, SystemSourceFillsEveryByte) {
    auto previous = base::RandomSource::install(nullptr);
    // Two draws of 64 bytes agreeing, or a draw staying all zero, would mean no randomness.
    std::array<std::uint8_t, 64> a{}, b{};
    base::RandomSource::current()->fill(a.data(), a.size());
    base::RandomSource::current()->fill(b.data(), b.size());
    EXPECT_NE(a, b);
    EXPECT_NE(a, (std::array<std::uint8_t, 64>{}));
    base::RandomSource::install(previous);
}

TEST(RandomSourceTest, CurrentIsSafeWhileAnotherThreadInstalls) {
    auto previous = base::RandomSource::current();
    std::thread installer([] {
        for (int i = 0; i < 1000; ++i)
            base::RandomSource::install(i % 2 ? std::make_shared<ZeroSource>() : nullptr);
    });
    std::vector<std::uint8_t> bytes(16);
    int missing = 0;
    for (int i = 0; i < 1000; ++i) {
        const auto source = base::RandomSource::current();
        if (!source) {
            ++missing;
            continue;
        }
        source->fill(bytes.data(), bytes.size()); // still alive even if replaced meanwhile
    }
    installer.join();
    base::RandomSource::install(previous);
    EXPECT_EQ(missing, 0);
}

} // namespace
