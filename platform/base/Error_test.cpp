#include "platform/base/Error.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(ErrorTest, DescriptionFallsBackToDomainAndCode) {
    EXPECT_EQ(Error::make("d", 7, "Broken.").localizedDescription(), "Broken.");
    EXPECT_EQ(Error::make("d", 7).localizedDescription(),
              "The operation couldn't be completed. (d error 7.)");
}

TEST(ErrorTest, AnUnderlyingErrorTravelsInUserInfoAndComesBackWhole) {
    Error inner = Error::make(URLErrorDomain, URLErrorTimedOut, "Timed out.");
    inner.userInfo[Error::failingURLStringKey] = Value("http://a.tld/");
    Error outer = Error::make("outer", 1, "Wrapped.");
    EXPECT_EQ(outer.underlyingError(), std::nullopt);
    outer.setUnderlyingError(inner);
    EXPECT_EQ(outer.underlyingError(), inner);
    // Something else stored under the key is no error.
    outer.userInfo[Error::underlyingErrorKey] = Value("not an error");
    EXPECT_EQ(outer.underlyingError(), std::nullopt);
}

} // namespace
} // namespace base
