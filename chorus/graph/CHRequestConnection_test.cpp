#include "chorus/core/CHError.h"
#include "chorus/core/CHSession.h"
#include "chorus/graph/CHGraphObject.h"
#include "chorus/graph/CHRequestConnection.h"
#include "platform/testing/HostileServer.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

struct Answer {
    bool heard = false;
    base::Value result;
    std::optional<base::Error> error;
};

class CHRequestConnectionTest : public ChorusTest {
protected:
    std::shared_ptr<CHRequestConnection> send(CHRequest request, Answer& answer) {
        auto connection = CHRequestConnection::create();
        connection->addRequestCompletionHandler(
            std::move(request), [&answer](CHRequestConnection&, const base::Value& result,
                                          const std::optional<base::Error>& error) {
                EXPECT_FALSE(answer.heard) << "heard twice";
                answer = {true, result, error};
            });
        connection->start();
        return connection;
    }
};

TEST_F(CHRequestConnectionTest, TheFriendListIsOneRequestWithTheSessionsToken) {
    logIn();
    Answer answer;
    send(CHRequest::requestForMyFriends(), answer); // dropped: the connection keeps itself
    ASSERT_TRUE(waitFor([&] { return answer.heard; }));
    ASSERT_FALSE(answer.error) << answer.error->localizedDescription();
    EXPECT_EQ(CHGraphObject::usersFromListResult(answer.result).size(), 4u);
    const auto seen = server.requests("/v2.2/me/friends");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].parameters, (std::map<std::string, std::string>{
                                      {"access_token", testing_support::ChorusServer::token},
                                      {"fields", "id,name"},
                                      {"format", "json"},
                                      {"sdk", "ios"}}));
    EXPECT_EQ(seen[0].userAgent, "VErIRUVA.3.23.1");
}

TEST_F(CHRequestConnectionTest, FailuresComeAsTheClientsErrors) {
    // No session: the server refuses the missing token with its error object.
    Answer refused;
    send(CHRequest::requestForMyFriends(), refused);
    ASSERT_TRUE(waitFor([&] { return refused.heard; }));
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->domain, CHError::domain);
    EXPECT_EQ(refused.error->code, CHError::ServerError);
    EXPECT_EQ(refused.error->userInfo.at(CHError::serverErrorCodeKey), base::Value(190));

    base::UserDefaults::standard()->setObject(
        CHSettings::serverBaseURLKey,
        base::Value("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort())));
    Answer unreachable;
    send(CHRequest::requestForMyFriends(), unreachable);
    ASSERT_TRUE(waitFor([&] { return unreachable.heard; }));
    EXPECT_EQ(unreachable.error->code, CHError::RequestFailed);
}

TEST_F(CHRequestConnectionTest, ACancelledConnectionCallsNoHandler) {
    logIn();
    Answer first;
    Answer second;
    auto cancelled = send(CHRequest::requestForMyFriends(), first);
    cancelled->cancel();
    send(CHRequest::requestForMyFriends(), second);
    ASSERT_TRUE(waitFor([&] { return second.heard; }));
    base::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(first.heard);
    // The cancelled load never went out.
    EXPECT_EQ(server.requests("/v2.2/me/friends").size(), 1u);
}

TEST(CHRequestConnectionResultTest, AnAnswerIsAResultOnlyWhenItIsSuccessfulJSON) {
    const struct {
        int status;
        const char* body;
        std::optional<long> errorCode;
    } cases[] = {
        {200, R"({"data": []})", std::nullopt},
        {200, "[1, 2]", std::nullopt},
        {204, "{}", std::nullopt},
        {200, R"({"error": {"message": "no", "code": 4}})", CHError::ServerError},
        {500, R"({"error": {"message": "down"}})", CHError::ServerError},
        {500, R"({"data": []})", CHError::RequestFailed},
        {302, "", CHError::RequestFailed},
        {200, "<html>not json</html>", CHError::RequestFailed},
        {200, "", CHError::RequestFailed},
        {200, R"({"error": "just text"})", std::nullopt},
    };
    for (const auto& c : cases) {
        auto result =
            CHRequestConnection::resultOfResponse(c.status, base::Data::fromString(c.body));
        if (c.errorCode) {
            ASSERT_FALSE(result.ok()) << c.body;
            EXPECT_EQ(result.error().code, *c.errorCode) << c.body;
            EXPECT_EQ(result.error().userInfo.at(CHError::HTTPStatusCodeKey),
                      base::Value(c.status));
        } else {
            EXPECT_TRUE(result.ok()) << c.body;
        }
    }
}

TEST_F(CHRequestConnectionTest, AnAnswerTooLargeOrTooSlowFailsWithTheTransportsReason) {
    testing_support::HostileServer hostile(CHRequest::maximumAnswerLength + 1, "application/json");
    base::UserDefaults::standard()->setObject(CHSettings::serverBaseURLKey,
                                              base::Value(hostile.url("")));
    Answer tooLarge;
    send(CHRequest(nullptr, "bomb"), tooLarge);
    ASSERT_TRUE(waitFor([&] { return tooLarge.heard; }));
    ASSERT_TRUE(tooLarge.error);
    EXPECT_EQ(tooLarge.error->code, CHError::RequestFailed);
    ASSERT_TRUE(tooLarge.error->underlyingError());
    EXPECT_EQ(tooLarge.error->underlyingError()->code, base::URLErrorDataLengthExceedsMaximum);

    Answer tooSlow;
    send(CHRequest(nullptr, "me/friends"), tooSlow);
    ASSERT_TRUE(waitFor([&] { return hostile.dripRequests() == 1; }));
    base::RunLoop::main().advance(net::URLRequest::serviceTimeLimit - base::Seconds(1));
    EXPECT_FALSE(tooSlow.heard);
    base::RunLoop::main().advance(base::Seconds(1));
    ASSERT_TRUE(tooSlow.heard);
    ASSERT_TRUE(tooSlow.error);
    EXPECT_EQ(tooSlow.error->code, CHError::RequestFailed);
    ASSERT_TRUE(tooSlow.error->underlyingError());
    EXPECT_EQ(tooSlow.error->underlyingError()->code, base::URLErrorTimedOut);
}

#if BROWSER_MAIN_THREAD_CHECKS
// Builds with the checks hold the social client's connections to the main thread. (No
// fixture: a dying child process would leave its app home behind.)
TEST(CHRequestConnectionDeathTest, StartingOrCancellingOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto connection = CHRequestConnection::create();
    EXPECT_DEATH(std::thread([&] { connection->start(); }).join(),
                 "CHRequestConnection::start.* is main thread only");
    EXPECT_DEATH(std::thread([&] { connection->cancel(); }).join(),
                 "CHRequestConnection::cancel.* is main thread only");
    EXPECT_DEATH(std::thread([] { CHRequestConnection::create(); }).join(),
                 "CHRequestConnection::create.* is main thread only");
}
#endif

} // namespace
