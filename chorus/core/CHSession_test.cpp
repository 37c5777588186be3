#include "chorus/core/CHError.h"
#include "chorus/core/CHSession.h"
#include "chorus/core/CHUtility.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

struct Heard {
    CHSessionState state;
    std::optional<base::Error> error;
};

class CHSessionTest : public ChorusTest {
protected:
    // Opens the active session as the sharing code does, recording what the handler hears.
    bool open(bool allowLoginUI = true) {
        return CHSession::openActiveSessionWithReadPermissionsAllowLoginUICompletionHandler(
            {"read_friendlists"}, allowLoginUI,
            [this](const std::shared_ptr<CHSession>& session, CHSessionState state,
                   const std::optional<base::Error>& error) {
                EXPECT_EQ(session, CHSession::activeSession());
                heard.push_back({state, error});
            });
    }
    std::string failureReason(std::size_t index) {
        if (index >= heard.size() || !heard[index].error)
            return "(no error)";
        const auto& reason = heard[index].error->userInfo[CHError::loginFailedReasonKey];
        return reason.string() ? *reason.string() : "(no reason)";
    }

    std::vector<Heard> heard;
};

TEST_F(CHSessionTest, TheActiveSessionIsMadeOnceAndCanBeReplaced) {
    auto first = CHSession::activeSession();
    ASSERT_TRUE(first);
    EXPECT_EQ(CHSession::activeSession(), first);
    EXPECT_EQ(first->state(), CHSessionState::Created);
    EXPECT_FALSE(first->isOpen());
    auto other = CHSession::create();
    EXPECT_EQ(CHSession::setActiveSession(other), first);
    EXPECT_EQ(CHSession::activeSession(), other);
}

TEST_F(CHSessionTest,
       ALoginWithTheServersTokenOpensTheSessionAndLaterChangesAreHeardUntilItCloses) {
    EXPECT_FALSE(open());
    auto session = CHSession::activeSession();
    EXPECT_EQ(session->state(), CHSessionState::CreatedOpening);
    settle();
    auto dialog = shownDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog, session->loginDialog());
    const auto page = CHUtility::parametersOfURL(dialog->url());
    EXPECT_EQ(dialog->url().path(), "/dialog/oauth");
    EXPECT_EQ(page.at("client_id"), CHSettings::defaultAppID);
    EXPECT_EQ(page.at("redirect_uri"), "chconnect://success");
    EXPECT_EQ(page.at("scope"), "read_friendlists");
    EXPECT_EQ(page.at("response_type"), "token");
    EXPECT_TRUE(heard.empty());

    answerLogin("allow");
    EXPECT_FALSE(shownDialog()) << "the login page goes before the handler hears";
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].state, CHSessionState::Open);
    EXPECT_FALSE(heard[0].error);
    EXPECT_TRUE(session->isOpen());
    ASSERT_TRUE(session->accessTokenData());
    EXPECT_EQ(session->accessTokenData()->accessToken(), testing_support::ChorusServer::token);
    // An hour from the login, which was at most the settling's few seconds ago.
    EXPECT_NEAR(session->accessTokenData()->expirationDate().timeIntervalSince(base::Date::now()),
                3600, 3);

    EXPECT_TRUE(session->refreshAccessTokenExpirationDate("NEWER", base::Date(2e9)));
    EXPECT_EQ(session->state(), CHSessionState::OpenTokenExtended);
    EXPECT_TRUE(session->isOpen());
    EXPECT_EQ(session->accessTokenData()->accessToken(), "NEWER");
    session->close();
    EXPECT_EQ(session->state(), CHSessionState::Closed);
    EXPECT_FALSE(session->accessTokenData());
    // Open, token extended, closed: the states by the numbers callers read.
    std::vector<int> states;
    for (const auto& each : heard)
        states.push_back(static_cast<int>(each.state));
    EXPECT_EQ(states, (std::vector<int>{513, 514, 258}));
    // Closed for good: nothing more to hear, nothing more to take.
    EXPECT_FALSE(session->refreshAccessTokenExpirationDate("LATER", base::Date(3e9)));
    EXPECT_FALSE(session->openWithCompletionHandler({}));
    EXPECT_EQ(heard.size(), 3u);
}

TEST_F(CHSessionTest, ARefusedClosedOrFailedLoginClosesTheSessionWithTheReason) {
    const struct {
        const char* name;
        std::function<void(ChorusTest&)> play;
        const char* reason;
    } cases[] = {
        {"refused", [](ChorusTest& test) { test.answerLogin("deny"); }, "access_denied"},
        {"no token", [](ChorusTest& test) { test.pageGoesTo("chconnect://success#expires_in=60"); },
         "no token"},
        {"closed", [](ChorusTest& test) { test.shownDialog()->closeButton()->simulateTap(); },
         "closed"},
    };
    for (const auto& c : cases) {
        heard.clear();
        open();
        settle();
        ASSERT_TRUE(shownDialog()) << c.name;
        c.play(*this);
        settle();
        EXPECT_FALSE(shownDialog()) << c.name;
        ASSERT_EQ(heard.size(), 1u) << c.name;
        EXPECT_EQ(static_cast<int>(heard[0].state), 257) << c.name;
        EXPECT_EQ(heard[0].error->code, CHError::LoginFailedOrCancelled) << c.name;
        EXPECT_EQ(failureReason(0), c.reason) << c.name;
        EXPECT_FALSE(CHSession::activeSession()->isOpen());
    }

    heard.clear();
    open();
    settle();
    ui::FakeWebEngine::of(*shownDialog()->webView())
        .raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorCannotConnectToHost));
    settle();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].state, CHSessionState::ClosedLoginFailed);
    EXPECT_EQ(heard[0].error->code, CHError::DialogFailed);
}

TEST_F(CHSessionTest, WithoutLoginUINothingOpensAndNothingIsHeard) {
    EXPECT_FALSE(open(false));
    settle();
    EXPECT_FALSE(shownDialog());
    EXPECT_EQ(CHSession::activeSession()->state(), CHSessionState::Created);
    EXPECT_TRUE(heard.empty());
}

TEST_F(CHSessionTest, ClosingDuringTheLoginEndsItAsAFailedLogin) {
    open();
    settle();
    CHSession::activeSession()->close();
    settle();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].state, CHSessionState::ClosedLoginFailed);
}

// The page's last address, read: a token lasts "expires_in" seconds; none, zero, a negative or
// an unreadable number is a token that does not expire.
TEST_F(CHSessionTest, TheLoginsLastAddressGivesTheTokenAndHowLongItLastsOrTheReason) {
    const base::Date now = base::Date::now();
    const double never = std::numeric_limits<double>::max();
    const struct {
        const char* address;
        double expires; // seconds from now
    } tokens[] = {
        {"chconnect://success#access_token=T&expires_in=3600", 3600},
        {"chconnect://success?access_token=T", never},
        {"chconnect://success#access_token=T&expires_in=0", never},
        {"chconnect://success#access_token=T&expires_in=-5", never},
        {"chconnect://success#access_token=T&expires_in=12abc", never},
        {"chconnect://success#access_token=T&expires_in=99999999999999999999", never},
    };
    for (const auto& t : tokens) {
        auto token = CHSession::tokenOfLoginRedirect(*base::URL::parse(t.address), {"a"});
        ASSERT_TRUE(token) << t.address;
        EXPECT_EQ(token->accessToken(), "T");
        EXPECT_EQ(token->permissions(), std::vector<std::string>{"a"});
        EXPECT_EQ(token->refreshDate(), now);
        EXPECT_EQ(token->expirationDate(),
                  t.expires == never ? base::Date(never) : now.addingTimeInterval(t.expires))
            << t.address;
    }

    // Without a token, the error says the server's description (the reasons are checked with
    // the login above).
    auto refused = CHSession::tokenOfLoginRedirect(
        *base::URL::parse(
            "chconnect://success?error=access_denied&error_description=The+user+said+no"),
        {});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().localizedDescription(), "The login failed: The user said no");
}

} // namespace
