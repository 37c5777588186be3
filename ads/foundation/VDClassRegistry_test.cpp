#include "ads/foundation/VDClassRegistry.h"

#include <gtest/gtest.h>

namespace {

class Greeter {
public:
    virtual ~Greeter() = default;
    virtual std::string greeting() const = 0;
};

class Hello final : public VDClassRegistry::Class, public Greeter {
public:
    std::string greeting() const override { return "hello"; }
};

TEST(VDClassRegistryTest, AClassIsUsedOnlyThroughTheInterfaceItOffers) {
    EXPECT_EQ(VDClassRegistry::classNamed("Hello"), nullptr);
    VDClassRegistry::registerClass("Hello", std::make_shared<Hello>());
    VDClassRegistry::registerClass("Plain", std::make_shared<VDClassRegistry::Class>());
    auto greeter = VDClassRegistry::classNamed<Greeter>("Hello");
    ASSERT_TRUE(greeter);
    EXPECT_EQ(greeter->greeting(), "hello");
    EXPECT_TRUE(VDClassRegistry::classNamed("Plain"));
    EXPECT_EQ(VDClassRegistry::classNamed<Greeter>("Plain"), nullptr); // no such operations
    VDClassRegistry::registerClass("Hello", nullptr);
    EXPECT_EQ(VDClassRegistry::classNamed("Hello"), nullptr);
    VDClassRegistry::resetForTesting();
    EXPECT_EQ(VDClassRegistry::classNamed("Plain"), nullptr);
}

} // namespace
