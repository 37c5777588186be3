#include "chorus/core/CHError.h"
#include "chorus/dialogs/CHWebDialogs.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Parameters = CHUtility::Parameters;

class CHWebDialogsTest : public ChorusTest {
protected:
    void presentFeed(Parameters parameters) {
        CHWebDialogs::presentFeedDialogModallyWithSessionParametersHandler(
            nullptr, std::move(parameters),
            [this](CHWebDialogResult result, const std::optional<base::URL>& url,
                   const std::optional<base::Error>& error) {
                results.push_back({result, url, error});
            });
        settle();
    }

    std::vector<CHWebDialogs::Outcome> results;
};

TEST_F(CHWebDialogsTest, TheFeedPageGetsTheParametersTheApplicationAndAnOpenSessionsToken) {
    presentFeed({{"to", "1003"}, {"link", "https://search.test/search?q=a%20b"}});
    auto dialog = shownDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->url().path(), "/dialog/feed");
    EXPECT_EQ(CHUtility::parametersOfURL(dialog->url()),
              (Parameters{{"to", "1003"},
                          {"link", "https://search.test/search?q=a%20b"},
                          {"app_id", CHSettings::defaultAppID},
                          {"redirect_uri", "chconnect://success"},
                          {"display", "touch"},
                          {"sdk", "ios"}}));
    dialog->close();
    settle();

    logIn();
    EXPECT_EQ(
        CHUtility::parametersOfURL(CHWebDialogs::dialogURL("feed", nullptr, {})).at("access_token"),
        testing_support::ChorusServer::token);
    // A session that is not open lends no token.
    EXPECT_EQ(CHUtility::parametersOfURL(CHWebDialogs::dialogURL("feed", CHSession::create(), {}))
                  .count("access_token"),
              0u);
}

TEST_F(CHWebDialogsTest, EachEndOfTheFeedDialogGivesItsResult) {
    presentFeed({{"to", "1001"}});
    answerFeed("post");
    presentFeed({});
    answerFeed("skip");
    presentFeed({});
    shownDialog()->closeButton()->simulateTap();
    settle();
    server.setFeedError(std::pair<std::string, std::string>("190", "Token+expired"));
    presentFeed({});
    answerFeed("post");
    presentFeed({});
    ui::FakeWebEngine::of(*shownDialog()->webView())
        .raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorTimedOut));
    settle();

    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0].result, CHWebDialogResult::DialogCompleted);
    EXPECT_EQ(results[0].resultURL->absoluteString(), "chconnect://success?post_id=1");
    EXPECT_EQ(results[1].result, CHWebDialogResult::DialogCompleted);
    EXPECT_EQ(results[1].resultURL->absoluteString(), "chconnect://success");
    EXPECT_EQ(results[2].result, CHWebDialogResult::DialogNotCompleted);
    EXPECT_FALSE(results[2].resultURL);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(results[i].error) << i;
    ASSERT_TRUE(results[3].error);
    EXPECT_EQ(results[3].error->code, CHError::DialogFailed);
    EXPECT_EQ(results[3].error->localizedDescription(), "The dialog failed: Token expired");
    ASSERT_TRUE(results[4].error);
    EXPECT_EQ(results[4].error->code, CHError::DialogFailed);
}

TEST(CHWebDialogsRedirectTest, AnErrorCodeInTheRedirectIsTheDialogsFailure) {
    const struct {
        const char* redirect;
        bool failed;
    } cases[] = {
        {"chconnect://success?post_id=12", false},
        {"chconnect://success", false},
        {"chconnect://success?error_code=", true},
        {"chconnect://success#error_code=4&error_message=%FF", true},
        {"chconnect://success?error=x", false},
    };
    for (const auto& c : cases) {
        auto outcome = CHWebDialogs::outcomeOfRedirect(*base::URL::parse(c.redirect));
        EXPECT_EQ(outcome.error.has_value(), c.failed) << c.redirect;
        EXPECT_EQ(outcome.result, c.failed ? CHWebDialogResult::DialogNotCompleted
                                           : CHWebDialogResult::DialogCompleted)
            << c.redirect;
        EXPECT_EQ(outcome.resultURL.has_value(), !c.failed) << c.redirect;
    }
}

} // namespace
