#include "ads/foundation/VDDevice.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDRequestErrorTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(VDRequestErrorTest, EveryCodeHasItsStandardMessage) {
    const std::string version = VDDevice::sharedInstance()->systemVersion();
    const std::pair<long, std::string> cases[] = {
        {0, "Request Error: Invalid ad request parameter(s). Check the Xcode console for details."},
        {1, "Request Error: No ad to show."},
        {2, "Request Error: A network error occurred."},
        {3, "Request Error: Server error processing the request."},
        {4, "Request Error: This device's OS is " + version + ". It is below the minimum of 6.0."},
        {5, "Request Error: The Redodi Ad request was unable to be fulfilled before a timeout "
            "occurred."},
        {6, "Request Error: Will not send request because interstitial object has been used."},
        {7, "Request Error: The mediation response was invalid."},
        {8, "Request Error: Cannot find an ad network adapter for mediation."},
        {9, "Request Error: No ad to show from all configured ad networks."},
        {10, "Request Error: Incompatible ad type requested."},
        {11, "Request Error: Internal error."},
        {12, "Request Error: Invalid argument."},
        {13, "Request Error: Received invalid response."},
        {99,
         "Request Error: Invalid ad request parameter(s). Check the Xcode console for details."},
        {-1,
         "Request Error: Invalid ad request parameter(s). Check the Xcode console for details."},
    };
    for (const auto& [code, message] : cases) {
        VDRequestError error = VDRequestError::errorWithCode(code);
        EXPECT_EQ(error.domain, "com.redodi.ads");
        EXPECT_EQ(error.code, code);
        EXPECT_EQ(error.localizedDescription(), message) << code;
        EXPECT_EQ(error.userInfo.at(base::Error::localizedFailureReasonKey), base::Value(message));
        EXPECT_EQ(error.userInfo.size(), 2u) << code;
    }
}

TEST_F(VDRequestErrorTest, UserInformationCarriesWhatWasGiven) {
    auto request = VDRequest::request();
    VDRequestError invalid = VDRequestError::errorWithCode(0, request.get());
    EXPECT_EQ(invalid.userInfo.at("js"), base::Value("vdma-sdk-i-v7.2.1"));
    VDRequestError other = VDRequestError::errorWithCode(2, request.get());
    EXPECT_FALSE(other.userInfo.contains("js"));

    EXPECT_FALSE(VDRequestError::errorWithCode(3, nullptr, 0).userInfo.contains("HttpStatus"));
    EXPECT_EQ(VDRequestError::errorWithCode(3, nullptr, 404).userInfo.at("HttpStatus"),
              base::Value("HTTP status 404: not found"));

    VDRequestError custom = VDRequestError::errorWithCodeCustomMessage(2, "Empty ad HTML.");
    EXPECT_EQ(custom.localizedDescription(), "Empty ad HTML.");
    EXPECT_EQ(custom.userInfo.at(base::Error::localizedFailureReasonKey),
              base::Value("Empty ad HTML."));

    const base::Error cause = base::Error::make(base::URLErrorDomain, -1001, "Timed out.");
    VDRequestError wrapped = VDRequestError::errorWithCodeUnderlyingError(2, cause);
    EXPECT_EQ(wrapped.localizedDescription(), "Timed out.");
    EXPECT_EQ(wrapped.underlyingError(), cause);
    // As a plain error it keeps everything.
    base::Error plain = wrapped.error();
    EXPECT_EQ(plain.domain, "com.redodi.ads");
    EXPECT_EQ(plain.underlyingError(), cause);
}

TEST_F(VDRequestErrorTest, AnyOtherErrorBecomesAnInternalError) {
    VDRequestError error =
        VDRequestError::withDomainCodeUserInfo("elsewhere", 7, {{"k", base::Value("v")}});
    EXPECT_EQ(error.domain, "com.redodi.ads");
    EXPECT_EQ(error.code, 11);
    EXPECT_EQ(error.localizedDescription(), "Request Error: Internal error.");
    EXPECT_EQ(error.underlyingError(), (base::Error{"elsewhere", 7, {{"k", base::Value("v")}}}));
}

} // namespace
