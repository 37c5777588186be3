#include "chorus/core/CHError.h"
#include "chorus/ui/CHShareService.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>

namespace {

class CHShareServiceTest : public ChorusTest {
protected:
    // Posts through the service; the outcome lands in `outcome`.
    void post(const std::string& text, std::vector<base::URL> urls = {}) {
        done = false;
        outcome.reset();
        service->post(ui::SharePost{text, std::move(urls), {}},
                      [this](const std::optional<base::Error>& error) {
                          EXPECT_FALSE(done) << "one answer per post";
                          done = true;
                          outcome = error;
                      });
    }

    std::shared_ptr<CHShareService> service = CHShareService::create();
    bool done = false;
    std::optional<base::Error> outcome;
};

// Without a session the user logs in first, over whatever is shown; the post then reaches the
// server's feed with the session's token, and only the server's id makes it done.
TEST_F(CHShareServiceTest, APostLogsInFirstThenReachesTheFeed) {
    post("Check out this app! ", {*base::URL::parse("https://search.tld/search?q=a%20b")});
    settle();
    ASSERT_TRUE(shownDialog()) << "the login page";
    EXPECT_FALSE(done);
    EXPECT_EQ(CHSession::activeSession()->permissions(),
              std::vector<std::string>{CHShareService::publishPermission});
    answerLogin("allow");
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_FALSE(outcome) << outcome->localizedDescription();
    const auto posts = server.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, "Check out this app! ");
    EXPECT_EQ(posts[0].link, "https://search.tld/search?q=a%20b");
    const auto requests = server.requests("/v2.2/me/feed");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");

    // With the session open, the next post goes at once, without a link when there is none.
    post("second");
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_FALSE(outcome);
    ASSERT_EQ(server.posts().size(), 2u);
    EXPECT_EQ(server.posts()[1].link, "");
    EXPECT_EQ(server.requests("/dialog/oauth/answer").size(), 1u);
}

TEST_F(CHShareServiceTest, TheServersRefusalAndARefusedLoginAreFailures) {
    post("refused login");
    settle();
    answerLogin("deny");
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->domain, CHError::domain);
    EXPECT_EQ(outcome->code, CHError::LoginFailedOrCancelled);
    EXPECT_TRUE(server.requests("/v2.2/me/feed").empty());

    logIn();
    server.setPostError("The feed is closed");
    post("refused post");
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->code, CHError::ServerError);
    EXPECT_NE(outcome->localizedDescription().find("The feed is closed"), std::string::npos);
    EXPECT_TRUE(server.posts().empty());

    // A server that cannot be reached fails too.
    base::UserDefaults::standard()->setObject(
        CHSettings::serverBaseURLKey,
        base::Value("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort())));
    post("nowhere");
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->code, CHError::RequestFailed);
}

} // namespace
