#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDNotification.h"

#include <gtest/gtest.h>

namespace {

using Parameters = std::map<std::string, std::string>;

TEST(VDNotificationTest, AnAmsgURLNamesItsMessageByPathAndCarriesItsUnescapedQuery) {
    struct Case {
        const char* url;
        std::optional<std::string> name;
        Parameters parameters;
    };
    const Case cases[] = {
        {"amsg:///loadAdURL?request_id=1&url=http%3A%2F%2Fad.test%2Fa%3Fb%3D1%26c%3D2",
         "loadAdURL",
         {{"request_id", "1"}, {"url", "http://ad.test/a?b=1&c=2"}}},
        {"amsg:loadAd?fetched_ad=%7B%22a%22%3A1%7D", "loadAd", {{"fetched_ad", "{\"a\":1}"}}},
        {"AMSG://bus/requestReload", "requestReload", {}},
        // Keys keep their case; a piece without exactly one "=" and an escape that is no UTF-8
        // are left out; a later key wins.
        {"amsg:///m?Key=v%20w;x=1;x=2&bare&a=b=c&bad=%FF", "m", {{"Key", "v w"}, {"x", "2"}}},
        {"amsg://bus/", std::nullopt, {}},
        {"amsg:", std::nullopt, {}},
        {"http://bus/loadAdURL?request_id=1", std::nullopt, {}},
    };
    for (const auto& c : cases) {
        auto url = base::URL::parse(c.url);
        ASSERT_TRUE(url) << c.url;
        EXPECT_EQ(VDNotification::isNotificationURL(*url), url->scheme() != "http") << c.url;
        auto note = VDNotification::notificationWithURL(*url);
        ASSERT_EQ(note.has_value(), c.name.has_value()) << c.url;
        if (!note)
            continue;
        EXPECT_EQ(note->name(), *c.name) << c.url;
        EXPECT_EQ(note->parameters(), c.parameters) << c.url;
        EXPECT_EQ(note->URL(), *url);
    }
}

class TwoMessageHandler : public VDAMSGHandler {
public:
    std::vector<std::string> heard;

    const ActionBlockDictionary& actionBlockDictionary() const override {
        static const ActionBlockDictionary actions = {
            {"open",
             [](VDAMSGHandler& self, const VDNotification& note) {
                 static_cast<TwoMessageHandler&>(self).heard.push_back("open " + note.name());
             }},
            {"close",
             [](VDAMSGHandler& self, const VDNotification& note) {
                 static_cast<TwoMessageHandler&>(self).heard.push_back("close " +
                                                                       note.parameters().at("why"));
             }},
        };
        return actions;
    }
};

TEST(VDAMSGHandlerTest, RunsTheBlockOfTheMessagesNameAndNothingForOtherNames) {
    TwoMessageHandler handler;
    auto message = [](const char* url) {
        return *VDNotification::notificationWithURL(*base::URL::parse(url));
    };
    EXPECT_TRUE(handler.didReceiveNotification(message("amsg:///close?why=done")));
    EXPECT_TRUE(handler.didReceiveNotification(message("amsg:///open")));
    EXPECT_FALSE(handler.didReceiveNotification(message("amsg:///Open")));
    EXPECT_FALSE(handler.didReceiveNotification(message("amsg:///resize")));
    EXPECT_EQ(handler.heard, (std::vector<std::string>{"close done", "open open"}));
    EXPECT_TRUE(handler.handlesMessageNamed("close"));
    EXPECT_FALSE(handler.handlesMessageNamed("resize"));
}

} // namespace
