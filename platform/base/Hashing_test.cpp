#include "platform/base/Hashing.h"
#include "platform/base/RandomSource.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// Hands out 0, 1, 2, ... so identifiers are predictable.
class CountingSource final : public base::RandomSource {
public:
    void fill(std::uint8_t* bytes, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = next_++;
    }

private:
    std::uint8_t next_ = 0;
};

class FixedSource final : public base::RandomSource {
public:
    explicit FixedSource(std::uint8_t value)
        : value_(value) {}
    void fill(std::uint8_t* bytes, std::size_t size) override {
        std::fill(bytes, bytes + size, value_);
    }

private:
    std::uint8_t value_;
};

// Puts back whatever source was installed before the test.
class HashingTest : public ::testing::Test {
protected:
    void TearDown() override { base::RandomSource::install(previous_); }
    void use(std::shared_ptr<base::RandomSource> source) {
        auto replaced = base::RandomSource::install(std::move(source));
        if (!previous_)
            previous_ = std::move(replaced);
    }

private:
    std::shared_ptr<base::RandomSource> previous_;
};

TEST_F(HashingTest, DigestsMatchKnownVectors) {
    const std::pair<std::string, const char*> md5[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"\xC3\xA9", "66ddcd97cfdeabb2f6fb8a999b4bc76f"}, // the UTF-8 bytes of "é"
        {std::string("\0\xff", 2), "d07d34efac6328007ad67c7e0a985e00"},
    };
    for (const auto& [text, hex] : md5) {
        EXPECT_EQ(base::md5Hex(text), hex) << text;
        EXPECT_EQ(base::md5(base::Data::fromString(text)).hexString(), hex);
    }
    EXPECT_EQ(base::sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(base::sha256(base::Data::fromString(std::string(1000, 'a'))).hexString(),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

TEST_F(HashingTest, RandomBytesAndVersion4UUIDsComeFromTheInstalledSource) {
    use(std::make_shared<CountingSource>());
    EXPECT_EQ(base::randomBytes(4), base::Data(std::vector<std::uint8_t>{0, 1, 2, 3}));
    EXPECT_TRUE(base::randomBytes(0).empty());
    EXPECT_EQ(base::makeUUIDString(), "04050607-0809-4A0B-8C0D-0E0F10111213");
    use(std::make_shared<FixedSource>(0xFF));
    EXPECT_EQ(base::makeUUIDString(), "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
    use(std::make_shared<FixedSource>(0x00));
    EXPECT_EQ(base::makeUUIDString(), "00000000-0000-4000-8000-000000000000");
}

TEST_F(HashingTest, SystemSourceGivesDistinctUUIDs) {
    use(nullptr); // the system source, whatever another test left installed
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const auto uuid = base::makeUUIDString();
        EXPECT_TRUE(std::regex_match(uuid, shape)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

} // namespace
