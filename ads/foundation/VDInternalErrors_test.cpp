#include "ads/foundation/VDInternalErrors.h"

#include <gtest/gtest.h>

namespace {

TEST(VDInternalErrorsTest, EachCodeHasItsStandardDescription) {
    const std::pair<long, std::optional<std::string>> cases[] = {
        {0, std::nullopt},      {1, "File could not be read."},
        {2, "Internal error."}, {3, "Invalid argument."},
        {4, std::nullopt},      {-1, std::nullopt},
    };
    for (const auto& [code, description] : cases)
        EXPECT_EQ(vd_localizedDescriptionForErrorCode(code), description) << code;
}

TEST(VDInternalErrorsTest, TheDescriptionIsAlsoTheFailureReason) {
    base::Error error = vd_errorWithCodeDescription(3, "Bad size.");
    EXPECT_EQ(error.domain, "com.redodi.ads.private");
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.localizedDescription(), "Bad size.");
    EXPECT_EQ(error.userInfo.at(base::Error::localizedFailureReasonKey), base::Value("Bad size."));
    EXPECT_EQ(error.userInfo.size(), 2u);

    base::Error bare = vd_errorWithDomainCodeDescription("elsewhere", 9, std::nullopt);
    EXPECT_EQ(bare.domain, "elsewhere");
    EXPECT_EQ(bare.code, 9);
    EXPECT_TRUE(bare.userInfo.empty());
}

} // namespace
