#include "ads/mediation/VDMConfig.h"
#include "platform/base/JSON.h"

#include <gtest/gtest.h>

namespace {

std::optional<VDMConfig> read(const std::string& json, VDMConfig::Problem* problem = nullptr) {
    auto value = base::parseJSON(json);
    EXPECT_TRUE(value) << json;
    return VDMConfig::configurationWithJSONValue(value.valueOr(base::Value()), "unit", problem);
}

TEST(VDMConfigTest, ServerNumbersAndListsAreBounded) {
    std::string networks;
    for (int i = 0; i < 25; ++i)
        networks +=
            std::string(i ? "," : "") + R"({"adapter":"A","network_id":)" + std::to_string(i) + "}";
    auto many = read(R"({"ad_networks":[)" + networks + "]}");
    ASSERT_TRUE(many);
    EXPECT_EQ(many->networks.size(), VDMConfig::maximumNetworkCount);
    EXPECT_EQ(many->networks[3].networkID, "3") << "a number is taken as text";
    EXPECT_EQ(many->refreshInterval, 60);
    EXPECT_EQ(many->adUnitID, "unit");

    const std::string longTemplate(VDMConfig::maximumTemplateLength + 1, 'x');
    auto bounded = read(R"({"refresh":-2,"ping_url":")" + longTemplate + R"(","ad_networks":[
        {"adapter":"A","timeout":"soon"}, {"adapter":"B","timeout":0.01},
        {"adapter":"C","timeout":1e9,"ping_urls":["a","b","c","d","e","f","g","h","i",7,""]},
        {"network_id":"no adapter"}, {"adapter":""}, 5,
        {"adapter":"D","ping_urls":[")" +
                        longTemplate + R"(","http://p.test/@seq@"]}]})");
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->refreshInterval, -2) << "below 1 is no refresh, the slot's rule";
    EXPECT_EQ(bounded->defaultPingTemplate, std::nullopt);
    ASSERT_EQ(bounded->networks.size(), 4u);
    EXPECT_EQ(bounded->networks[0].timeout.count(), VDMConfig::defaultNetworkTimeout);
    EXPECT_EQ(bounded->networks[1].timeout.count(), VDMConfig::minimumNetworkTimeout);
    EXPECT_EQ(bounded->networks[2].timeout.count(), VDMConfig::maximumNetworkTimeout);
    EXPECT_EQ(bounded->networks[2].pingTemplates.size(), VDMConfig::maximumPingTemplateCount);
    EXPECT_EQ(bounded->networks[3].pingTemplates, std::vector<std::string>{"http://p.test/@seq@"});

    EXPECT_EQ(read(R"({"refresh":1e300,"ad_networks":[]})")->refreshInterval,
              VDMConfig::maximumRefreshInterval);
    EXPECT_EQ(read(R"({"refresh":true,"ad_networks":[]})")->refreshInterval, 60);
}

TEST(VDMConfigTest, SizesKindsAndShapesThatCannotBeUsedAreRefused) {
    struct Case {
        std::string json;
        VDMConfig::Problem problem;
    };
    using P = VDMConfig::Problem;
    for (const auto& c : std::vector<Case>{
             {R"([])", P::NotADictionary},
             {R"({})", P::NoNetworkList},
             {R"({"ad_networks":{}})", P::NoNetworkList},
             {R"({"ad_networks":[],"format":"video"})", P::BadFormat},
             {R"({"ad_networks":[],"format":1})", P::BadFormat},
             {R"({"ad_networks":[],"ad_size":"0x50"})", P::BadAdSize},
             {R"({"ad_networks":[],"ad_size":"320x"})", P::BadAdSize},
             {R"({"ad_networks":[],"ad_size":"320x50x2"})", P::BadAdSize},
             {R"({"ad_networks":[],"ad_size":" 320x50"})", P::BadAdSize},
             {R"({"ad_networks":[],"ad_size":"4097x50"})", P::BadAdSize},
             {R"({"ad_networks":[],"ad_size":320})", P::BadAdSize},
         }) {
        SCOPED_TRACE(c.json);
        VDMConfig::Problem problem = P::None;
        EXPECT_EQ(read(c.json, &problem), std::nullopt);
        EXPECT_EQ(problem, c.problem);
    }
    auto fits = read(R"({"ad_networks":[],"format":"interstitial","ad_size":"4096x1"})");
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->format, VDMConfig::Format::Interstitial);
    EXPECT_EQ(fits->adSize, ui::Size(4096, 1));
}

} // namespace
