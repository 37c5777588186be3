#include "ads/foundation/VDApplication.h"
#include "ads/request/VDSearchRequest.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

using Dictionary = base::Value::Dictionary;

class VDSearchRequestTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    static Dictionary search(const VDRequest& request) {
        auto parameters = request.parameters();
        const auto* value = parameters["search"].dictionary();
        return value ? *value : Dictionary{{"missing", true}};
    }
};

TEST_F(VDSearchRequestTest, ColoursAreSixHexDigitsOfTheirComponents) {
    struct Case {
        ui::Color color;
        const char* text;
    };
    const Case cases[] = {
        {ui::Color::whiteColor(), "#ffffff"},
        {ui::Color::fromWhite(0.5), "#7f7f7f"},
        {ui::Color(1, 0.5, 0.2), "#ff7f33"},
        {ui::Color(0.999, 0.0039, 0), "#fe0000"}, // cut, not rounded
        {ui::Color(1.5, -0.5, 2), "#ff00ff"},     // out of range: held to 0..1
    };
    for (const auto& c : cases)
        EXPECT_EQ(VDSearchRequest::colorString(c.color), c.text) << c.color.description();
}

TEST_F(VDSearchRequestTest, TheSearchDictionarySendsWhatIsSet) {
    auto request = VDSearchRequest::request();
    EXPECT_EQ(search(*request), (Dictionary{{"headersize", "0"},
                                            {"btype", "none"},
                                            {"bthick", "0"},
                                            {"callbuttoncolor", "light"}}));
    request->setQuery("pizza near me");
    request->setBackgroundSolid(ui::Color::whiteColor());
    request->setHeaderColor(ui::Color(1, 0, 0));
    request->setDescriptionTextColor(ui::Color(0, 1, 0));
    request->setAnchorTextColor(ui::Color(0, 0, 1));
    request->setFontFamily("Sans");
    request->setHeaderTextSize(14);
    request->setBorderColor(ui::Color::blackColor());
    request->setBorderType(VDSearchRequest::kVDSearchBorderTypeDotted);
    request->setBorderThickness(2);
    request->setCustomChannels("a+b");
    request->setCallButtonColor(VDSearchRequest::kVDSearchCallButtonDark);
    const Dictionary expected{
        {"q", "pizza near me"}, {"bgcolor", "#ffffff"}, {"hcolor", "#ff0000"},
        {"dcolor", "#00ff00"},  {"acolor", "#0000ff"},  {"font", "Sans"},
        {"headersize", "14"},   {"bcolor", "#000000"},  {"btype", "dotted"},
        {"bthick", "2"},        {"channel", "a+b"},     {"callbuttoncolor", "dark"},
    };
    EXPECT_EQ(search(*request), expected);
    // The request's own parameters stay beside it.
    EXPECT_EQ(request->parameters().size(), VDRequest::request()->parameters().size() + 1);

    // A copy sends the same.
    auto copied = request->copy();
    ASSERT_TRUE(dynamic_cast<VDSearchRequest*>(copied.get()));
    EXPECT_EQ(search(*copied), expected);

    // Values out of range are left out.
    request->setBorderType(7);
    request->setCallButtonColor(3);
    auto outOfRange = search(*request);
    EXPECT_FALSE(outOfRange.count("btype"));
    EXPECT_FALSE(outOfRange.count("callbuttoncolor"));
}

TEST_F(VDSearchRequestTest, SolidAndGradientBackgroundsReplaceEachOther) {
    auto request = VDSearchRequest::request();
    request->setBackgroundSolid(ui::Color::whiteColor());
    request->setBackgroundGradientFromToColor(ui::Color::blackColor(), std::nullopt);
    EXPECT_EQ(request->backgroundColor(), ui::Color::whiteColor()); // one colour: no change
    EXPECT_EQ(request->gradientFrom(), std::nullopt);

    request->setBackgroundGradientFromToColor(ui::Color::blackColor(), ui::Color(1, 0, 0));
    EXPECT_EQ(request->backgroundColor(), std::nullopt);
    auto sent = search(*request);
    EXPECT_EQ(sent["gradientfrom"], base::Value("#000000"));
    EXPECT_EQ(sent["gradientto"], base::Value("#ff0000"));
    EXPECT_FALSE(sent.count("bgcolor"));

    request->setBackgroundSolid(ui::Color::blackColor());
    EXPECT_EQ(request->gradientFrom(), std::nullopt);
    EXPECT_EQ(request->gradientTo(), std::nullopt);
}

} // namespace
