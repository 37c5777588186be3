#include "platform/base/AppHome.h"
#include "platform/base/Error.h"
#include "platform/base/RunLoop.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/CurlMulti.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLConnection.h"
#include "platform/testing/HostileServer.h"
#include "platform/testing/PlatformTest.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace net {
namespace {

using namespace std::chrono_literals;

// Records every callback as a line, plus the data that came with it.
class RecordingDelegate : public URLConnectionDelegate {
public:
    std::vector<std::string> calls;
    std::vector<URLRequest> sentRequests;
    std::optional<HTTPURLResponse> response;
    base::Data body;
    int dataCalls = 0;
    std::optional<base::Error> error;
    bool done = false;
    bool allOnMainThread = true;

    std::function<std::optional<URLRequest>(const URLRequest&,
                                            const std::optional<HTTPURLResponse>&)>
        onWillSend;
    std::function<void(const std::shared_ptr<URLConnection>&)> onResponse;
    std::function<void(const std::shared_ptr<URLConnection>&)> onData;
    std::function<std::optional<CachedURLResponse>(const CachedURLResponse&)> onWillCache;

    std::optional<URLRequest>
    connectionWillSendRequest(const std::shared_ptr<URLConnection>&, const URLRequest& request,
                              const std::optional<HTTPURLResponse>& redirect) override {
        note();
        calls.push_back(redirect ? "redirect " + std::to_string(redirect->statusCode()) + " " +
                                       request.url()->absoluteString()
                                 : "request " + (request.url() ? request.url()->absoluteString()
                                                               : std::string("(none)")));
        auto result = onWillSend ? onWillSend(request, redirect) : request;
        if (result)
            sentRequests.push_back(*result);
        return result;
    }
    void connectionDidReceiveResponse(const std::shared_ptr<URLConnection>& connection,
                                      const HTTPURLResponse& received) override {
        note();
        calls.push_back("response " + std::to_string(received.statusCode()));
        response = received;
        body.clear();
        if (onResponse)
            onResponse(connection);
    }
    void connectionDidReceiveData(const std::shared_ptr<URLConnection>& connection,
                                  const base::Data& data) override {
        note();
        if (calls.empty() || calls.back() != "data")
            calls.push_back("data");
        ++dataCalls;
        body.append(data);
        if (onData)
            onData(connection);
    }
    std::optional<CachedURLResponse>
    connectionWillCacheResponse(const std::shared_ptr<URLConnection>&,
                                const CachedURLResponse& proposed) override {
        note();
        calls.push_back("cache");
        return onWillCache ? onWillCache(proposed) : proposed;
    }
    void connectionDidFinishLoading(const std::shared_ptr<URLConnection>&) override {
        note();
        calls.push_back("finish");
        done = true;
    }
    void connectionDidFailWithError(const std::shared_ptr<URLConnection>&,
                                    const base::Error& failure) override {
        note();
        calls.push_back("fail " + std::to_string(failure.code));
        error = failure;
        done = true;
    }

private:
    void note() { allOnMainThread = allOnMainThread && base::isMainThread(); }
};

// What the server saw, shared with its handler threads.
struct Seen {
    std::mutex mutex;
    std::vector<std::string> paths;
    std::map<std::string, httplib::Headers> headers; // by path, the last request
    std::map<std::string, std::string> methods;
    std::map<std::string, std::string> bodies;

    void record(const httplib::Request& request) {
        std::lock_guard lock(mutex);
        paths.push_back(request.path);
        headers[request.path] = request.headers;
        methods[request.path] = request.method;
        bodies[request.path] = request.body;
    }
    int count(const std::string& path) {
        std::lock_guard lock(mutex);
        return int(std::count(paths.begin(), paths.end(), path));
    }
    std::optional<std::string> header(const std::string& path, const std::string& name) {
        std::lock_guard lock(mutex);
        auto& fields = headers[path];
        auto found = fields.find(name);
        if (found == fields.end())
            return std::nullopt;
        return found->second;
    }
};

class URLConnectionTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        auto& server = server_.server();
        server.Get("/hello", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_header("X-Answer", "42");
            response.set_content("<p>Hello</p>", "text/html; charset=ISO-8859-1");
        });
        server.Get("/r1", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_redirect("/r2", 302);
        });
        server.Get("/r2", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_redirect("/final", 301);
        });
        server.Get("/final", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_content("final", "text/plain");
        });
        server.Get("/other", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_content("other", "text/plain");
        });
        server.Get("/moved", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.status = 302;
            response.set_header("Location", "/final");
            response.set_content("moved body", "text/plain");
        });
        server.Post("/submit303",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        seen_.record(request);
                        response.set_redirect("/result", 303);
                    });
        server.Post("/submit307",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        seen_.record(request);
                        response.set_redirect("/result", 307);
                    });
        auto result = [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_content(request.method + ":" + request.body, "text/plain");
        };
        server.Get("/result", result);
        server.Post("/result", result);
        server.Get("/loop", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_redirect("/loop", 302);
        });
        server.Get("/endless-redirect",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.status = 302;
                       response.set_header("Location", "/final");
                       // Stops only when the client goes away.
                       response.set_chunked_content_provider(
                           "text/plain", [](std::size_t, httplib::DataSink& sink) {
                               std::string chunk(64 * 1024, 'r');
                               return sink.write(chunk.data(), chunk.size());
                           });
                   });
        server.Get("/chunked",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.set_chunked_content_provider(
                           "text/plain", [](std::size_t offset, httplib::DataSink& sink) {
                               if (offset >= 3 * 1000) {
                                   sink.done();
                                   return true;
                               }
                               std::string chunk(1000, char('a' + offset / 1000));
                               sink.write(chunk.data(), chunk.size());
                               return true;
                           });
                   });
        server.Get("/cut", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_content_provider(
                10000, "text/plain", [](std::size_t, std::size_t, httplib::DataSink& sink) {
                    std::string half(5000, 'x');
                    sink.write(half.data(), half.size());
                    return false; // closes the connection with half the body sent
                });
        });
        server.Get("/slow", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            server_.waitForRelease();
            response.set_content("late", "text/plain");
        });
        server.Get("/trickle",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.set_chunked_content_provider(
                           "text/plain", [this](std::size_t offset, httplib::DataSink& sink) {
                               if (offset > 0) {
                                   server_.waitForRelease();
                                   std::string more(1000, 'm');
                                   sink.write(more.data(), more.size());
                                   trickleEnded_ = true;
                                   return false;
                               }
                               std::string first(100, 'f');
                               sink.write(first.data(), first.size());
                               return true;
                           });
                   });
        server.Get("/headers",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.set_content("ok", "text/plain");
                   });
        server.Get("/set-cookies",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.set_header("Set-Cookie", "session=abc; Path=/");
                       response.set_header("Set-Cookie", "persist=1; Max-Age=3600; HttpOnly");
                       response.set_content("set", "text/plain");
                   });
        server.Get("/cookie-redirect",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       response.set_header("Set-Cookie", "hop=1; Path=/");
                       response.set_redirect("/headers", 302);
                   });
        server.Get("/auth-redirect",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       seen_.record(request);
                       auto target = request.get_param_value("to");
                       response.set_redirect(target, 302);
                   });
        server.Get("/cached", [this](const httplib::Request& request, httplib::Response& response) {
            seen_.record(request);
            response.set_header("Cache-Control", "max-age=600");
            response.set_content("cached body " + std::to_string(seen_.count("/cached")),
                                 "text/plain");
        });
        // Fresh for a minute and carrying both validators; a request that presents either of
        // them is answered 304 without a body.
        server.Get(
            "/validated", [this](const httplib::Request& request, httplib::Response& response) {
                seen_.record(request);
                response.set_header("ETag", validatedETag);
                response.set_header("Last-Modified", validatedLastModified);
                if (request.get_header_value("If-None-Match") == validatedETag ||
                    request.has_header("If-Modified-Since")) {
                    response.status = 304;
                    return;
                }
                response.set_header("Cache-Control", "max-age=60");
                response.set_content("validated body " + std::to_string(seen_.count("/validated")),
                                     "text/plain");
            });
        server_.start();
    }

    void TearDown() override {
        server_.stop();
        PlatformTest::TearDown();
    }

    std::shared_ptr<RecordingDelegate>
    load(URLRequest request,
         std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>()) {
        connection_ = URLConnection::create(std::move(request), delegate);
        EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return delegate->done; }, 10s));
        return delegate;
    }
    URLRequest request(const std::string& path) { return URLRequest::withURLString(url(path)); }
    std::string url(const std::string& path) const { return server_.url(path); }

    static constexpr const char* validatedETag = "\"v1\"";
    static constexpr const char* validatedLastModified = "Tue, 14 Nov 2023 22:13:20 GMT";

    std::optional<std::string> cachedBody(const std::string& path) {
        auto entry = URLCache::shared()->cachedResponse(request(path));
        if (!entry)
            return std::nullopt;
        return entry->data().toString();
    }

    TestHTTPServer server_;
    Seen seen_;
    std::atomic<bool> trickleEnded_{false};
    std::shared_ptr<URLConnection> connection_;
};

TEST_F(URLConnectionTest, PlainGetCallsTheDelegateInOrderOnTheMainThread) {
    auto delegate = load(request("/hello"));
    ASSERT_GE(delegate->calls.size(), 4u);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"request " + url("/hello"), "response 200",
                                                         "data", "finish"}));
    EXPECT_TRUE(delegate->allOnMainThread);
    ASSERT_TRUE(delegate->response);
    EXPECT_EQ(delegate->response->url()->absoluteString(), url("/hello"));
    EXPECT_EQ(delegate->response->MIMEType(), "text/html");
    EXPECT_EQ(delegate->response->textEncodingName(), "iso-8859-1");
    EXPECT_EQ(delegate->response->valueForHTTPHeaderField("x-answer"), "42");
    // The length the server announced (of the body as sent, compressed or not).
    EXPECT_EQ(delegate->response->expectedContentLength(),
              std::stoll(*delegate->response->valueForHTTPHeaderField("Content-Length")));
    EXPECT_EQ(delegate->body.toString(), "<p>Hello</p>");
    EXPECT_EQ(connection_->currentRequest().url()->absoluteString(), url("/hello"));
}

TEST_F(URLConnectionTest, TheFirstCallbackComesFromTheRunLoopAfterCreateOrStart) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto started = URLConnection::create(request("/hello"), delegate);
    EXPECT_TRUE(delegate->calls.empty());
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return delegate->done; }, 10s));

    auto waiting = std::make_shared<RecordingDelegate>();
    auto connection = URLConnection::create(request("/hello"), waiting, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(waiting->calls.empty());
    connection->start();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return waiting->done; }, 10s));
    EXPECT_EQ(waiting->calls.back(), "finish");
    EXPECT_EQ(seen_.count("/hello"), 2);
}

TEST_F(URLConnectionTest, HeadersGoOutAsGivenWithoutADefaultUserAgentNorCarriageReturns) {
    load(request("/headers"));
    EXPECT_EQ(seen_.header("/headers", "User-Agent"), std::nullopt);

    auto withHeaders = request("/headers");
    EXPECT_TRUE(withHeaders.setValueForHTTPHeaderField("TestAgent/1.0", "User-Agent"));
    EXPECT_TRUE(withHeaders.setValueForHTTPHeaderField("yes", "X-Custom"));
    EXPECT_FALSE(withHeaders.setValueForHTTPHeaderField("a\r\nX-Injected: 1", "X-Value"));
    EXPECT_FALSE(withHeaders.addValueForHTTPHeaderField("a\rb", "X-Value"));
    load(withHeaders);
    EXPECT_EQ(seen_.header("/headers", "User-Agent"), "TestAgent/1.0");
    EXPECT_EQ(seen_.header("/headers", "X-Custom"), "yes");
    EXPECT_EQ(seen_.header("/headers", "X-Value"), std::nullopt);
    EXPECT_EQ(seen_.header("/headers", "X-Injected"), std::nullopt);
}

TEST_F(URLConnectionTest, RedirectsAreShownToTheDelegateHopByHop) {
    auto request = this->request("/r1");
    request.setValueForHTTPHeaderField("TestAgent/2.0", "User-Agent");
    std::vector<int> redirectStatuses;
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onWillSend = [&](const URLRequest& proposed,
                               const std::optional<HTTPURLResponse>& redirect) {
        if (redirect)
            redirectStatuses.push_back(redirect->statusCode());
        return std::optional<URLRequest>(proposed);
    };
    load(request, delegate);
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"request " + url("/r1"), "redirect 302 " + url("/r2"),
                                        "redirect 301 " + url("/final"), "response 200", "data",
                                        "finish"}));
    EXPECT_EQ(redirectStatuses, (std::vector<int>{302, 301}));
    EXPECT_EQ(delegate->response->url()->absoluteString(), url("/final"));
    EXPECT_EQ(delegate->body.toString(), "final");
    EXPECT_EQ(seen_.header("/final", "User-Agent"), "TestAgent/2.0");
    EXPECT_EQ(connection_->currentRequest().url()->absoluteString(), url("/final"));
    EXPECT_EQ(connection_->originalRequest().url()->absoluteString(), url("/r1"));
}

TEST_F(URLConnectionTest, TheDelegateCanSendARedirectElsewhere) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onWillSend = [&](const URLRequest& proposed,
                               const std::optional<HTTPURLResponse>& redirect) {
        if (!redirect)
            return std::optional<URLRequest>(proposed);
        auto changed = proposed;
        changed.setURL(base::URL::parse(url("/other")));
        return std::optional<URLRequest>(changed);
    };
    load(request("/r1"), delegate);
    EXPECT_EQ(delegate->body.toString(), "other");
    EXPECT_EQ(seen_.count("/r2"), 0);
    EXPECT_EQ(seen_.count("/other"), 1);
    EXPECT_EQ(connection_->currentRequest().url()->absoluteString(), url("/other"));
}

TEST_F(URLConnectionTest, ARefusedRedirectIsTheFinalAnswerWithItsBody) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onWillSend = [](const URLRequest& proposed,
                              const std::optional<HTTPURLResponse>& redirect) {
        return redirect ? std::nullopt : std::optional<URLRequest>(proposed);
    };
    load(request("/moved"), delegate);
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"request " + url("/moved"), "redirect 302 " + url("/final"),
                                        "response 302", "data", "finish"}));
    EXPECT_EQ(delegate->response->valueForHTTPHeaderField("Location"), "/final");
    EXPECT_EQ(delegate->body.toString(), "moved body");
    EXPECT_EQ(seen_.count("/final"), 0);
}

TEST_F(URLConnectionTest, ARedirectWhoseBodyNeverEndsStillGoesOn) {
    auto delegate = load(request("/endless-redirect"));
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"request " + url("/endless-redirect"),
                                                         "redirect 302 " + url("/final"),
                                                         "response 200", "data", "finish"}));
    EXPECT_EQ(delegate->body.toString(), "final");
}

TEST_F(URLConnectionTest, RefusingTheFirstRequestFailsAsCancelled) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onWillSend = [](const URLRequest&, const std::optional<HTTPURLResponse>&) {
        return std::optional<URLRequest>();
    };
    load(request("/hello"), delegate);
    EXPECT_EQ(delegate->calls.back(), "fail " + std::to_string(base::URLErrorCancelled));
    EXPECT_EQ(seen_.count("/hello"), 0);
}

TEST_F(URLConnectionTest, A303TurnsAPostIntoAGetWithoutBodyWhileA307KeepsBoth) {
    auto post = request("/submit303");
    post.setHTTPMethod("POST");
    post.setHTTPBody(base::Data::fromString("a=1"));
    post.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    auto delegate = load(post);
    EXPECT_EQ(delegate->body.toString(), "GET:");
    EXPECT_EQ(connection_->currentRequest().HTTPMethod(), "GET");
    EXPECT_TRUE(connection_->currentRequest().HTTPBody().empty());
    EXPECT_FALSE(connection_->currentRequest().valueForHTTPHeaderField("Content-Type"));

    auto keep = request("/submit307");
    keep.setHTTPMethod("POST");
    keep.setHTTPBody(base::Data::fromString("b=2"));
    delegate = load(keep);
    EXPECT_EQ(delegate->body.toString(), "POST:b=2");
}

TEST_F(URLConnectionTest, ARedirectLoopEndsWithTooManyRedirects) {
    auto delegate = load(request("/loop"));
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->domain, base::URLErrorDomain);
    EXPECT_EQ(delegate->error->code, base::URLErrorHTTPTooManyRedirects);
    EXPECT_EQ(*delegate->error->userInfo.at(base::Error::failingURLStringKey).string(),
              url("/loop"));
    EXPECT_FALSE(delegate->error->localizedDescription().empty());
    // The first request and 16 followed redirects; the 17th is not followed.
    EXPECT_EQ(seen_.count("/loop"), URLConnection::maximumRedirects + 1);
    EXPECT_FALSE(delegate->response);
}

TEST_F(URLConnectionTest, AChunkedBodyArrivesWhole) {
    auto delegate = load(request("/chunked"));
    ASSERT_EQ(delegate->calls.back(), "finish");
    EXPECT_EQ(delegate->response->expectedContentLength(), -1);
    EXPECT_EQ(delegate->body.toString(),
              std::string(1000, 'a') + std::string(1000, 'b') + std::string(1000, 'c'));
}

TEST_F(URLConnectionTest, AServerClosingMidBodyIsAConnectionLost) {
    auto delegate = load(request("/cut"));
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorNetworkConnectionLost);
    EXPECT_EQ(delegate->calls.front(), "request " + url("/cut"));
    EXPECT_EQ(delegate->calls[1], "response 200");
    EXPECT_LT(delegate->body.size(), 10000u);
}

TEST_F(URLConnectionTest, AClosedPortCannotBeConnectedTo) {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(socket, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket); // bound, never listening, now closed: nothing answers there
    int port = ntohs(address.sin_port);

    auto delegate =
        load(URLRequest::withURLString("http://127.0.0.1:" + std::to_string(port) + "/"));
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorCannotConnectToHost);
    EXPECT_EQ(delegate->calls.size(), 2u); // request, fail
}

TEST_F(URLConnectionTest, AServerSlowerThanTheTimeOutFailsWithTimedOut) {
    auto request = this->request("/slow");
    request.setTimeoutInterval(300ms);
    auto delegate = load(request);
    server_.release();
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorTimedOut);
    EXPECT_FALSE(delegate->response);
}

TEST_F(URLConnectionTest, AfterCancelNoCallbackArrives) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onData = [](const std::shared_ptr<URLConnection>& connection) {
        connection->cancel();
    };
    // Uncompressed, so that the server's first chunk is not held back by its compressor.
    auto request = this->request("/trickle");
    request.setValueForHTTPHeaderField("identity", "Accept-Encoding");
    connection_ = URLConnection::create(request, delegate);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return delegate->dataCalls > 0; }, 10s));
    server_.release();
    // The server sends the rest; none of it may reach the delegate.
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return trickleEnded_.load(); }, 10s));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"request " + url("/trickle"), "response 200", "data"}));
    EXPECT_EQ(delegate->dataCalls, 1);
}

TEST_F(URLConnectionTest, CancelDropsEventsAlreadyWaitingOnTheRunLoop) {
    // The whole answer to /hello comes in one read: its body and its end are already waiting to
    // be handed out when the response is. Cancelling there drops them.
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onResponse = [](const std::shared_ptr<URLConnection>& connection) {
        connection->cancel();
    };
    connection_ = URLConnection::create(request("/hello"), delegate);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return delegate->calls.size() == 2; }, 10s));
    // Another load on the same server, so that anything left would have come by its end.
    load(request("/hello"));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"request " + url("/hello"), "response 200"}));
}

TEST_F(URLConnectionTest, LoadsAtOnceAllCompleteOnTheMainLoopWithoutAThreadOfTheirOwn) {
    const auto threadCount = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    // The test server's threads are all there once it has answered (a client of its own asks).
    ASSERT_TRUE(httplib::Client(url("")).Get("/hello"));
    const auto threadsBefore = threadCount();
    // Fewer than the test server's worker threads, each of which serves one connection.
    constexpr int loads = 6;
    std::vector<std::shared_ptr<RecordingDelegate>> delegates;
    std::vector<std::shared_ptr<URLConnection>> connections;
    for (int i = 0; i < loads; ++i) {
        delegates.push_back(std::make_shared<RecordingDelegate>());
        connections.push_back(
            URLConnection::create(request(i % 2 ? "/hello" : "/chunked"), delegates.back()));
    }
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] {
            return std::all_of(delegates.begin(), delegates.end(),
                               [](const auto& delegate) { return delegate->done; });
        },
        10s));
    EXPECT_EQ(threadCount(), threadsBefore);
    for (int i = 0; i < loads; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(delegates[i]->calls.back(), "finish");
        EXPECT_TRUE(delegates[i]->allOnMainThread);
        EXPECT_EQ(delegates[i]->body.size(), i % 2 ? std::string("<p>Hello</p>").size() : 3000u);
    }
    EXPECT_EQ(CurlMulti::shared().transferCount(), 0u);
}

TEST_F(URLConnectionTest, CancelMidTransferLetsGoOfItsTransferAtOnce) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto request = this->request("/trickle");
    request.setValueForHTTPHeaderField("identity", "Accept-Encoding");
    connection_ = URLConnection::create(request, delegate);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return delegate->dataCalls > 0; }, 10s));
    EXPECT_EQ(CurlMulti::shared().transferCount(), 1u);
    connection_->cancel();
    EXPECT_EQ(CurlMulti::shared().transferCount(), 0u);
    server_.release();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return trickleEnded_.load(); }, 10s));
    // The next load reuses nothing of the cancelled one and completes.
    auto next = load(this->request("/hello"));
    EXPECT_EQ(next->body.toString(), "<p>Hello</p>");
    EXPECT_EQ(delegate->calls.back(), "data");
    EXPECT_EQ(CurlMulti::shared().transferCount(), 0u);
}

// A delegate nothing else holds, which cancels its connection from inside one callback and
// notes whether it still existed once cancel() returned.
class CancellingDelegate : public URLConnectionDelegate {
public:
    struct State {
        bool destroyed = false;
        bool cancelled = false;
        bool aliveAfterCancel = false;
    };
    CancellingDelegate(std::string when, std::shared_ptr<State> state)
        : when_(std::move(when))
        , state_(std::move(state)) {}
    ~CancellingDelegate() override { state_->destroyed = true; }

    std::optional<URLRequest>
    connectionWillSendRequest(const std::shared_ptr<URLConnection>& connection,
                              const URLRequest& request,
                              const std::optional<HTTPURLResponse>& redirect) override {
        if (redirect)
            cancelIf("redirect", connection);
        return request;
    }
    void connectionDidReceiveResponse(const std::shared_ptr<URLConnection>& connection,
                                      const HTTPURLResponse&) override {
        cancelIf("response", connection);
    }
    void connectionDidReceiveData(const std::shared_ptr<URLConnection>& connection,
                                  const base::Data&) override {
        cancelIf("data", connection);
    }
    std::optional<CachedURLResponse>
    connectionWillCacheResponse(const std::shared_ptr<URLConnection>& connection,
                                const CachedURLResponse& proposed) override {
        cancelIf("cache", connection);
        return proposed;
    }

private:
    void cancelIf(const char* when, const std::shared_ptr<URLConnection>& connection) {
        if (when_ != when)
            return;
        auto state = state_; // a copy: `this` may be what cancel() releases
        connection->cancel();
        state->cancelled = true;
        state->aliveAfterCancel = !state->destroyed;
    }

    std::string when_;
    std::shared_ptr<State> state_;
};

TEST_F(URLConnectionTest, ADelegateHeldOnlyByItsConnectionMayCancelFromAnyCallback) {
    for (std::string when : {"redirect", "response", "data", "cache"}) {
        SCOPED_TRACE(when);
        auto state = std::make_shared<CancellingDelegate::State>();
        auto connection = URLConnection::create(request(when == "redirect" ? "/r1"
                                                        : when == "cache"  ? "/cached"
                                                                           : "/hello"),
                                                std::make_shared<CancellingDelegate>(when, state));
        ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return state->cancelled; }, 10s));
        EXPECT_TRUE(state->aliveAfterCancel);
        // Released once the callback has returned.
        EXPECT_TRUE(state->destroyed);
        URLCache::shared()->removeAllCachedResponses();
    }
}

TEST_F(URLConnectionTest, CookiesSetByTheServerAreStoredAndSentBackUnlessTurnedOff) {
    auto ignoring = request("/set-cookies");
    ignoring.setHTTPShouldHandleCookies(false);
    load(ignoring);
    EXPECT_TRUE(CookieStorage::shared()->cookies().empty());

    load(request("/set-cookies"));
    auto cookies = CookieStorage::shared()->cookies();
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].name, "session");
    EXPECT_TRUE(cookies[0].isSessionOnly());
    EXPECT_EQ(cookies[1].name, "persist");
    EXPECT_TRUE(cookies[1].httpOnly);
    EXPECT_FALSE(cookies[1].isSessionOnly());

    load(request("/headers"));
    EXPECT_EQ(seen_.header("/headers", "Cookie"), "session=abc; persist=1");

    auto noCookies = request("/headers");
    noCookies.setHTTPShouldHandleCookies(false);
    load(noCookies);
    EXPECT_EQ(seen_.header("/headers", "Cookie"), std::nullopt);
}

TEST_F(URLConnectionTest, CookiesOfARedirectAreStoredAndGoWithTheNextHop) {
    load(request("/cookie-redirect"));
    EXPECT_EQ(seen_.header("/headers", "Cookie"), "hop=1");
}

TEST_F(URLConnectionTest, ARedirectToAnotherOriginDropsTheRequestsCredentials) {
    auto sameOrigin = request("/auth-redirect?to=/headers");
    sameOrigin.setValueForHTTPHeaderField("Bearer secret", "Authorization");
    load(sameOrigin);
    EXPECT_EQ(seen_.header("/headers", "Authorization"), "Bearer secret");

    auto otherOrigin =
        request("/auth-redirect?to=http://localhost:" + std::to_string(server_.port()) + "/other");
    otherOrigin.setValueForHTTPHeaderField("Bearer secret", "Authorization");
    auto delegate = load(otherOrigin);
    ASSERT_EQ(delegate->calls.back(), "finish");
    EXPECT_EQ(seen_.header("/other", "Authorization"), std::nullopt);
}

TEST_F(URLConnectionTest, CachePoliciesDecideBetweenTheCacheAndTheNetwork) {
    auto first = load(request("/cached"));
    EXPECT_EQ(first->calls, (std::vector<std::string>{"request " + url("/cached"), "response 200",
                                                      "data", "cache", "finish"}));
    EXPECT_EQ(first->body.toString(), "cached body 1");

    auto offline = request("/cached");
    offline.setCachePolicy(URLRequestCachePolicy::ReturnCacheDataDontLoad);
    auto fromCache = load(offline);
    EXPECT_EQ(fromCache->body.toString(), "cached body 1");
    EXPECT_EQ(fromCache->response->statusCode(), 200);
    EXPECT_EQ(seen_.count("/cached"), 1);

    // A fresh entry answers the default policy too.
    auto fresh = load(request("/cached"));
    EXPECT_EQ(fresh->body.toString(), "cached body 1");
    EXPECT_EQ(seen_.count("/cached"), 1);

    auto reload = request("/cached");
    reload.setCachePolicy(URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    auto reloaded = load(reload);
    EXPECT_EQ(reloaded->body.toString(), "cached body 2");
    EXPECT_EQ(seen_.count("/cached"), 2);
    // What it fetched replaced the entry that later loads get.
    EXPECT_EQ(cachedBody("/cached"), "cached body 2");
    EXPECT_EQ(load(request("/cached"))->body.toString(), "cached body 2");
    EXPECT_EQ(seen_.count("/cached"), 2);

    auto missing = request("/hello");
    missing.setCachePolicy(URLRequestCachePolicy::ReturnCacheDataDontLoad);
    auto failed = load(missing);
    ASSERT_TRUE(failed->error);
    EXPECT_EQ(failed->error->code, base::URLErrorResourceUnavailable);
    EXPECT_EQ(seen_.count("/hello"), 0);
}

TEST_F(URLConnectionTest, AStaleEntryIsFetchedAgainWholeWithoutConditionalFields) {
    // The loader does not revalidate: a stale entry, validators or not, is replaced by a full
    // answer from the server, and the request goes out exactly as the caller made it.
    auto first = load(request("/validated"));
    EXPECT_EQ(first->calls, (std::vector<std::string>{"request " + url("/validated"),
                                                      "response 200", "data", "cache", "finish"}));
    EXPECT_EQ(first->body.toString(), "validated body 1");
    EXPECT_EQ(cachedBody("/validated"), "validated body 1");

    auto fresh = load(request("/validated"));
    EXPECT_EQ(fresh->body.toString(), "validated body 1");
    EXPECT_EQ(seen_.count("/validated"), 1);

    clock().advance(base::Seconds(61));
    auto entry = URLCache::shared()->cachedResponse(request("/validated"));
    ASSERT_TRUE(entry);
    ASSERT_FALSE(entry->isFresh(base::Date::now()));
    EXPECT_EQ(entry->response().valueForHTTPHeaderField("ETag"), validatedETag);

    auto stale = load(request("/validated"));
    EXPECT_EQ(seen_.count("/validated"), 2);
    EXPECT_EQ(seen_.header("/validated", "If-None-Match"), std::nullopt);
    EXPECT_EQ(seen_.header("/validated", "If-Modified-Since"), std::nullopt);
    EXPECT_EQ(stale->calls, (std::vector<std::string>{"request " + url("/validated"),
                                                      "response 200", "data", "cache", "finish"}));
    ASSERT_TRUE(stale->response);
    EXPECT_EQ(stale->response->statusCode(), 200);
    EXPECT_EQ(stale->body.toString(), "validated body 2");

    // The new answer replaced the entry and is fresh from now on.
    EXPECT_EQ(cachedBody("/validated"), "validated body 2");
    auto again = load(request("/validated"));
    EXPECT_EQ(again->body.toString(), "validated body 2");
    EXPECT_EQ(seen_.count("/validated"), 2);

    // A reload skips the fresh entry and sends no validators either.
    auto reload = request("/validated");
    reload.setCachePolicy(URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_EQ(load(reload)->body.toString(), "validated body 3");
    EXPECT_EQ(seen_.header("/validated", "If-None-Match"), std::nullopt);
    EXPECT_EQ(seen_.header("/validated", "If-Modified-Since"), std::nullopt);
}

TEST_F(URLConnectionTest, ARequestThatValidatesItselfGetsTheServersAnswerEvenWithAFreshEntry) {
    load(request("/validated"));
    ASSERT_EQ(cachedBody("/validated"), "validated body 1");

    auto byETag = request("/validated");
    byETag.setValueForHTTPHeaderField(validatedETag, "If-None-Match");
    auto notModified = load(byETag);
    EXPECT_EQ(seen_.count("/validated"), 2);
    EXPECT_EQ(seen_.header("/validated", "If-None-Match"), validatedETag);
    // The 304 is the caller's to interpret: it comes as it is, with no body and not cached.
    EXPECT_EQ(notModified->calls,
              (std::vector<std::string>{"request " + url("/validated"), "response 304", "finish"}));
    EXPECT_TRUE(notModified->body.empty());

    auto byDate = request("/validated");
    byDate.setValueForHTTPHeaderField(validatedLastModified, "If-Modified-Since");
    auto alsoNotModified = load(byDate);
    EXPECT_EQ(seen_.count("/validated"), 3);
    EXPECT_EQ(seen_.header("/validated", "If-Modified-Since"), validatedLastModified);
    ASSERT_TRUE(alsoNotModified->response);
    EXPECT_EQ(alsoNotModified->response->statusCode(), 304);

    // Neither 304 touched the stored answer.
    EXPECT_EQ(cachedBody("/validated"), "validated body 1");
}

TEST_F(URLConnectionTest, ReturnCacheDataElseLoadTakesAnyStoredEntryAndLoadsOnlyWithoutOne) {
    auto elseLoad = request("/validated");
    elseLoad.setCachePolicy(URLRequestCachePolicy::ReturnCacheDataElseLoad);

    // Nothing stored: the network answers, and the answer is stored.
    auto loaded = load(elseLoad);
    EXPECT_EQ(loaded->calls, (std::vector<std::string>{"request " + url("/validated"),
                                                       "response 200", "data", "cache", "finish"}));
    EXPECT_EQ(loaded->body.toString(), "validated body 1");
    EXPECT_EQ(seen_.count("/validated"), 1);

    // A day later the entry is long stale, and still answers without the network.
    clock().advance(base::Seconds(24 * 60 * 60));
    auto entry = URLCache::shared()->cachedResponse(request("/validated"));
    ASSERT_TRUE(entry);
    ASSERT_FALSE(entry->isFresh(base::Date::now()));
    auto fromCache = load(elseLoad);
    EXPECT_EQ(fromCache->calls, (std::vector<std::string>{"request " + url("/validated"),
                                                          "response 200", "data", "finish"}));
    EXPECT_EQ(fromCache->body.toString(), "validated body 1");
    EXPECT_EQ(seen_.count("/validated"), 1);

    // The default policy does not accept that entry.
    auto byDefault = load(request("/validated"));
    EXPECT_EQ(byDefault->body.toString(), "validated body 2");
    EXPECT_EQ(seen_.count("/validated"), 2);
}

TEST_F(URLConnectionTest, TheDelegateCanDeclineCaching) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->onWillCache = [](const CachedURLResponse&) {
        return std::optional<CachedURLResponse>();
    };
    load(request("/cached"), delegate);
    EXPECT_FALSE(URLCache::shared()->cachedResponse(request("/cached")));
    // A response without caching headers is never offered.
    auto plain = load(request("/headers"));
    EXPECT_EQ(std::count(plain->calls.begin(), plain->calls.end(), "cache"), 0);
}

TEST_F(URLConnectionTest, RequestsItCannotLoadFailWithTheMatchingError) {
    auto unsupported = load(URLRequest::withURLString("ftp://127.0.0.1/file"));
    ASSERT_TRUE(unsupported->error);
    EXPECT_EQ(unsupported->error->code, base::URLErrorUnsupportedURL);

    auto delegate = std::make_shared<RecordingDelegate>();
    load(URLRequest(), delegate);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorBadURL);
}

TEST_F(URLConnectionTest, CanHandleHTTPHTTPSAndFileRequestsOnly) {
    for (const char* text : {"http://host.tld", "HTTPS://host.tld/a", "file:///tmp/x"})
        EXPECT_TRUE(URLConnection::canHandleRequest(URLRequest::withURLString(text))) << text;
    for (const char* text : {"ftp://host.tld", "mailto:a@b.tld", "http://", "host.tld", ""})
        EXPECT_FALSE(URLConnection::canHandleRequest(URLRequest::withURLString(text))) << text;
}

TEST_F(URLConnectionTest, AFileURLLoadsWithAPlainResponse) {
    auto path = homeDirectory() / "page.html";
    std::ofstream(path) << "<b>file</b>";
    auto delegate = load(URLRequest(base::URL::fileURL(path.string())));
    ASSERT_EQ(delegate->calls.back(), "finish");
    EXPECT_FALSE(delegate->response->isHTTP());
    EXPECT_EQ(delegate->response->MIMEType(), "text/html");
    EXPECT_EQ(delegate->response->expectedContentLength(), 11);
    EXPECT_EQ(delegate->body.toString(), "<b>file</b>");

    auto missing = load(URLRequest(base::URL::fileURL((homeDirectory() / "none.html").string())));
    ASSERT_TRUE(missing->error);
    EXPECT_EQ(missing->error->code, base::URLErrorFileDoesNotExist);
}

TEST_F(URLConnectionTest, AServerCannotRedirectIntoTheMachinesOwnFiles) {
    auto secret = homeDirectory() / "secret.txt";
    std::ofstream(secret) << "private";
    auto delegate =
        load(request("/auth-redirect?to=" + base::URL::fileURL(secret.string()).absoluteString()));
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorUnsupportedURL);
    EXPECT_EQ(delegate->body.toString().find("private"), std::string::npos);
}

TEST_F(URLConnectionTest, SendAsynchronousRequestHandsOverTheWholeAnswer) {
    std::optional<HTTPURLResponse> response;
    std::string body;
    std::optional<base::Error> error;
    bool called = false;
    // Nothing holds the connection: it keeps itself alive until it is done.
    URLConnection::sendAsynchronousRequest(
        request("/chunked"), [&](const std::optional<HTTPURLResponse>& received,
                                 const base::Data& data, const std::optional<base::Error>& failed) {
            response = received;
            body = data.toString();
            error = failed;
            called = true;
        });
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return called; }, 10s));
    EXPECT_FALSE(error);
    ASSERT_TRUE(response);
    EXPECT_EQ(body.size(), 3000u);
}

TEST_F(URLConnectionTest, ABodyPastItsMaximumEndsTheLoadCountedInDecodedBytes) {
    // A few kilobytes that decode to 64 MiB.
    testing_support::HostileServer hostile(64 << 20);
    auto request = URLRequest::withURLString(hostile.url("/bomb"));
    request.setMaximumBodyLength(1 << 20);
    auto delegate = load(request);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorDataLengthExceedsMaximum);
    EXPECT_EQ(delegate->error->domain, base::URLErrorDomain);
    EXPECT_LE(delegate->body.size(), std::size_t(1 << 20));
    EXPECT_EQ(delegate->calls.back(),
              "fail " + std::to_string(base::URLErrorDataLengthExceedsMaximum));

    // The whole decoded body arrives when it is allowed.
    request.setMaximumBodyLength(std::nullopt);
    EXPECT_FALSE(load(request)->error);
}

TEST_F(URLConnectionTest, ABodyOfExactlyItsMaximumArrivesAndOneByteMoreDoesNot) {
    auto request = this->request("/hello");
    request.setValueForHTTPHeaderField("identity", "Accept-Encoding");
    request.setMaximumBodyLength(std::string("<p>Hello</p>").size());
    auto whole = load(request);
    EXPECT_FALSE(whole->error);
    EXPECT_EQ(whole->body.toString(), "<p>Hello</p>");
    request.setMaximumBodyLength(std::string("<p>Hello</p>").size() - 1);
    auto cut = load(request);
    ASSERT_TRUE(cut->error);
    EXPECT_EQ(cut->error->code, base::URLErrorDataLengthExceedsMaximum);
}

TEST_F(URLConnectionTest, ACachedAnswerPastTheMaximumFailsAsTheNetworkOneWould) {
    ASSERT_FALSE(load(request("/cached"))->error);
    auto request = this->request("/cached");
    request.setMaximumBodyLength(4);
    auto delegate = load(request);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorDataLengthExceedsMaximum);
    EXPECT_FALSE(delegate->response);
    EXPECT_EQ(seen_.count("/cached"), 1);
}

TEST_F(URLConnectionTest, SendAsynchronousRequestKeepsNoMoreThanTheMaximum) {
    std::optional<base::Error> error;
    bool called = false;
    testing_support::HostileServer hostile(1 << 20);
    auto request = URLRequest::withURLString(hostile.url("/bomb"));
    request.setMaximumBodyLength(64 * 1024);
    URLConnection::sendAsynchronousRequest(request, [&](const std::optional<HTTPURLResponse>&,
                                                        const base::Data& data,
                                                        const std::optional<base::Error>& failed) {
        EXPECT_TRUE(data.empty());
        error = failed;
        called = true;
    });
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return called; }, 10s));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, base::URLErrorDataLengthExceedsMaximum);
}

TEST_F(URLConnectionTest, ATimeLimitEndsALoadThatTheServerKeepsAliveByteByByte) {
    testing_support::HostileServer hostile(0);
    auto request = URLRequest::withURLString(hostile.url("/drip"));
    request.setTimeLimit(30s);
    auto delegate = std::make_shared<RecordingDelegate>();
    connection_ = URLConnection::create(request, delegate);
    // Without a limit the same load runs on: the idle time-out never comes while bytes do.
    auto unlimited = std::make_shared<RecordingDelegate>();
    auto unlimitedConnection =
        URLConnection::create(URLRequest::withURLString(hostile.url("/drip")), unlimited);
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return delegate->dataCalls > 0 && unlimited->dataCalls > 0; }, 10s));

    base::RunLoop::main().advance(29s);
    EXPECT_FALSE(delegate->done);
    base::RunLoop::main().advance(1s);
    ASSERT_TRUE(delegate->done);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorTimedOut);
    EXPECT_EQ(delegate->calls.back(), "fail " + std::to_string(base::URLErrorTimedOut));

    base::RunLoop::main().advance(std::chrono::hours(1));
    EXPECT_FALSE(unlimited->done);
    unlimitedConnection->cancel();
}

#if BROWSER_MAIN_THREAD_CHECKS
// Builds with the checks hold a connection's callers to the main thread: a load started or
// stopped elsewhere would race the run loop that delivers its events. (No fixture: a dying
// child process would leave its app home behind.)
TEST(URLConnectionDeathTest, StartingOrCancellingOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto connection = URLConnection::create(URLRequest::withURLString("http://127.0.0.1:9/"),
                                            std::make_shared<RecordingDelegate>(), false);
    EXPECT_DEATH(std::thread([&] { connection->start(); }).join(),
                 "URLConnection::start.* is main thread only");
    EXPECT_DEATH(std::thread([&] { connection->cancel(); }).join(),
                 "URLConnection::cancel.* is main thread only");
    EXPECT_DEATH(std::thread([] {
                     URLConnection::sendAsynchronousRequest(
                         URLRequest::withURLString("http://127.0.0.1:9/"), {});
                 }).join(),
                 "URLConnection::start.* is main thread only");
    // On the main thread the same calls are fine.
    connection->start();
    connection->cancel();
}
#endif

} // namespace
} // namespace net
