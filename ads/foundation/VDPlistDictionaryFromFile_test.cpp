#include "ads/foundation/VDPlistDictionaryFromFile.h"
#include "platform/base/AppHome.h"
#include "platform/base/PropertyList.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDPlistDictionaryFromFileTest : public testing_support::PlatformTest {};

TEST_F(VDPlistDictionaryFromFileTest, OnlyADictionaryComesBack) {
    const auto path = homeDirectory() / "file.plist";
    base::Error error;
    EXPECT_FALSE(VDPlistDictionaryFromFile(path, &error));
    EXPECT_EQ(error.domain, "com.redodi.ads.private");
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.localizedDescription(), "File could not be read.");
    EXPECT_FALSE(VDPlistDictionaryFromFile(path)); // no error asked for

    ASSERT_TRUE(base::writeFileAtomically(path, base::Data::fromString("not a plist")).ok());
    error = {};
    EXPECT_FALSE(VDPlistDictionaryFromFile(path, &error));
    EXPECT_EQ(error.domain, base::CocoaErrorDomain);

    const base::Value::Dictionary dictionary{{"a", base::Value(1)}};
    for (auto format : {base::PlistFormat::XML, base::PlistFormat::Binary}) {
        ASSERT_TRUE(base::writeFileAtomically(
                        path, base::writePlist(base::Value(dictionary), format).value())
                        .ok());
        EXPECT_EQ(VDPlistDictionaryFromFile(path), dictionary);
    }
    ASSERT_TRUE(base::writeFileAtomically(
                    path, base::writePlist(base::Value(base::Value::Array{base::Value(1)}),
                                           base::PlistFormat::XML)
                              .value())
                    .ok());
    EXPECT_FALSE(VDPlistDictionaryFromFile(path));
}

} // namespace
