#include "chorus/graph/CHGraphObject.h"
#include "platform/base/JSON.h"
#include "tests/fixtures/chorus/ChorusServer.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::pair<std::string, std::string>> idsAndNames(const std::string& json) {
    auto parsed = base::parseJSON(json);
    EXPECT_TRUE(parsed.ok()) << json;
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& user : CHGraphObject::usersFromListResult(parsed ? *parsed : base::Value()))
        found.emplace_back(user.id(), user.name());
    return found;
}

TEST(CHGraphObjectTest, AFriendListGivesItsUsersWithTextIdentifiersInAnswerOrder) {
    using List = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(idsAndNames(testing_support::ChorusServer::fixture("friends.json")),
              (List{{"1001", "Zoë Weber"},
                    {"1002", "Ada Lovelace"},
                    {"1003", "Smith, John"},
                    {"1004", "bob mercer"}}));
    const struct {
        const char* json;
        List expected;
    } cases[] = {
        {R"({"data": []})", {}},
        {R"({"data": {"id": "1"}})", {}},
        {R"([{"id": "1"}])", {}},
        {R"({"data": [{"id": 18446744073709551615, "name": 7}]})", {{"18446744073709551615", ""}}},
        {R"({"data": [{"id": 1.5}, {"id": true}, {"id": ""}, {"id": null}, null, []]})", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(idsAndNames(c.json), c.expected) << c.json;
}

TEST(CHGraphObjectTest, FieldsReadAsTheyAre) {
    CHGraphObject user({{"id", base::Value("7")}, {"link", base::Value(3)}});
    EXPECT_EQ(user.objectForKey("link"), base::Value(3));
    EXPECT_TRUE(user.objectForKey("missing").isNull());
    EXPECT_EQ(user.name(), "");
}

} // namespace
