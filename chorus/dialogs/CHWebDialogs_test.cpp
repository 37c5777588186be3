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
    EXPECT_EQ(
        CHWebDialogs::outcomeOfRedirect(
            *base::URL::parse("chconnect://success?error_code=190&error_message=Token+expired"))
            .error->localizedDescription(),
        "The dialog failed: Token expired");
}

} // namespace
