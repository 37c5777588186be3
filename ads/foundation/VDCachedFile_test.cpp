#include "ads/foundation/VDCachedFile.h"
#include "ads/foundation/VDDevice.h"
#include "platform/base/AppHome.h"
#include "platform/base/HTTPDate.h"
#include "platform/base/Hashing.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Records what the file tells, and refuses redirects to URLs containing "refuse".
class RecordingDelegate : public VDCachedFileDelegate {
public:
    std::vector<std::string> events;
    std::optional<base::Error> failure;

    std::optional<base::Error> cachedFileShouldRedirectToURL(VDCachedFile&,
                                                             const base::URL& url) override {
        events.push_back("redirect " + url.absoluteString());
        if (url.absoluteString().find("refuse") != std::string::npos)
            return base::Error::make("test", 42, "Refused.");
        return std::nullopt;
    }
    void cachedFileDownloadDidEnd(VDCachedFile& file) override {
        events.push_back("end " + std::to_string(file.HTTPStatusCode()));
    }
    void cachedFileDownloadDidFail(VDCachedFile& file,
                                   const std::optional<base::Error>& error) override {
        events.push_back("fail " + std::to_string(file.HTTPStatusCode()));
        failure = error;
    }
};

class VDCachedFileTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
        auto& server = server_.server();
        server.Get("/page", [this](const httplib::Request& request, httplib::Response& response) {
            record(request);
            if (request.has_header("If-Modified-Since")) {
                response.status = 304;
                return;
            }
            response.set_header("Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT");
            response.set_content("body one", "text/plain");
        });
        server.Get("/missing",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       record(request);
                       response.status = 404;
                       response.set_content("gone", "text/plain");
                   });
        server.Get("/empty", [this](const httplib::Request& request, httplib::Response& response) {
            record(request);
            response.status = 204;
        });
        server.Get(
            R"(/hop/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
                record(request);
                int left = std::stoi(request.matches[1]);
                response.set_redirect(left > 0 ? "/hop/" + std::to_string(left - 1) : "/page");
            });
        server.Get("/to-refuse",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       record(request);
                       response.set_redirect("/refuse-me");
                   });
        server.Get("/c", [this](const httplib::Request& request, httplib::Response& response) {
            record(request);
            response.set_content("c", "text/plain");
        });
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    void record(const httplib::Request& request) {
        std::lock_guard lock(mutex_);
        targets_.push_back(request.target);
        if (request.has_header("If-Modified-Since"))
            ifModifiedSince_.push_back(request.get_header_value("If-Modified-Since"));
        agents_.push_back(request.get_header_value("User-Agent"));
    }
    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }

    // Starts a download and waits for its end.
    std::shared_ptr<RecordingDelegate> download(const std::shared_ptr<VDCachedFile>& file,
                                                bool cacheBuster = false) {
        auto delegate = std::make_shared<RecordingDelegate>();
        file->setDelegate(delegate);
        if (cacheBuster)
            file->validateWithCacheBuster();
        else
            file->validate();
        EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return !file->isDownloading(); },
                                                   base::Seconds(10)));
        base::RunLoop::main().runUntilIdle();
        return delegate;
    }
    std::shared_ptr<VDCachedFile> fileFor(const std::string& path) {
        return VDCachedFile::createWithURL(*base::URL::parse(server_.url(path)));
    }

    net::TestHTTPServer server_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
    std::vector<std::string> ifModifiedSince_;
    std::vector<std::string> agents_;
};

TEST_F(VDCachedFileTest, DownloadsThenRevalidatesLeaving304sFileUntouched) {
    auto file = fileFor("/page");
    EXPECT_FALSE(file->fileExists());
    auto first = download(file);
    EXPECT_EQ(first->events, std::vector<std::string>{"end 200"});
    EXPECT_EQ(file->contentAsString(), "body one");
    // The server's Last-Modified is the file's date, sent back whole when revalidating.
    EXPECT_EQ(base::modificationDate(file->filePath()),
              base::parseHTTPDate("Sun, 06 Nov 1994 08:49:37 GMT"));
    EXPECT_EQ(file->fileModificationRFC1123DateString(), "Sun, 06 Nov 1994 08:49:37 GMT");

    ASSERT_TRUE(base::writeFileAtomically(file->filePath(), base::Data::fromString("kept")));
    ASSERT_TRUE(base::setModificationDate(file->filePath(), base::Date(784111777)));
    auto second = download(file);
    EXPECT_EQ(second->events, std::vector<std::string>{"end 304"});
    EXPECT_EQ(file->contentAsString(), "kept");
    EXPECT_EQ(base::modificationDate(file->filePath()), base::Date(784111777));
    EXPECT_EQ(ifModifiedSince_, std::vector<std::string>{"Sun, 06 Nov 1994 08:49:37 GMT"});
    EXPECT_EQ(agents_, (std::vector<std::string>{"TestAgent/1.0", "TestAgent/1.0"}));

    file->invalidate();
    EXPECT_FALSE(file->fileExists());
}

TEST_F(VDCachedFileTest, StatusesOutsideSuccessFailWithoutError) {
    auto missing = fileFor("/missing");
    auto delegate = download(missing);
    EXPECT_EQ(delegate->events, std::vector<std::string>{"fail 404"});
    EXPECT_EQ(delegate->failure, std::nullopt);
    EXPECT_FALSE(missing->fileExists());

    auto empty = fileFor("/empty");
    EXPECT_EQ(download(empty)->events, std::vector<std::string>{"end 204"});
    EXPECT_EQ(empty->contentAsString(), "");
}

TEST_F(VDCachedFileTest, RedirectsAreFollowedWhileTheDelegateAgrees) {
    auto chain = fileFor("/hop/2");
    auto delegate = download(chain);
    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"redirect " + server_.url("/hop/1"),
                                        "redirect " + server_.url("/hop/0"),
                                        "redirect " + server_.url("/page"), "end 200"}));
    EXPECT_EQ(chain->HTTPDestinationURL().absoluteString(), server_.url("/page"));
    EXPECT_EQ(chain->sourceURL().absoluteString(), server_.url("/hop/2"));

    auto refused = fileFor("/to-refuse");
    auto told = download(refused);
    EXPECT_EQ(told->events,
              (std::vector<std::string>{"redirect " + server_.url("/refuse-me"), "fail 0"}));
    ASSERT_TRUE(told->failure);
    EXPECT_EQ(told->failure->code, 42);
    EXPECT_EQ(refused->HTTPHeaders().value("Location"), "/refuse-me");
    EXPECT_EQ(targets().back(), "/to-refuse"); // the refused hop was never requested
}

TEST_F(VDCachedFileTest, TheCacheBusterGoesIntoTheQueryBeforeTheLandingPageAndFragment) {
    clock().setNow(base::Date(978'307'200 + 123));
    const std::pair<std::string, std::string> cases[] = {
        {"/c", "/c?unique=123"},
        {"/c?x=1", "/c?x=1&unique=123"},
        {"/c?x=1&adurl=http%3A%2F%2Fb.tld%2F", "/c?x=1&unique=123&adurl=http%3A%2F%2Fb.tld%2F"},
        {"/c?x=1#top", "/c?x=1&unique=123"},
    };
    for (const auto& [path, target] : cases) {
        auto file = fileFor(path);
        EXPECT_EQ(download(file, true)->events, std::vector<std::string>{"end 200"}) << path;
        EXPECT_EQ(targets().back(), target);
        EXPECT_EQ(file->cachePolicy(), net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    }
}

TEST_F(VDCachedFileTest, ConnectionAndWriteFailuresReachTheDelegateOnce) {
    auto refused = VDCachedFile::createWithURL(
        *base::URL::parse("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/"));
    auto delegate = download(refused);
    EXPECT_EQ(delegate->events, std::vector<std::string>{"fail 0"});
    ASSERT_TRUE(delegate->failure);
    EXPECT_EQ(delegate->failure->domain, base::URLErrorDomain);

    // The host's folder cannot be made: a file is in its way.
    auto blocked = fileFor("/page");
    ASSERT_TRUE(base::writeFileAtomically(blocked->filePath().parent_path(), base::Data()));
    auto told = download(blocked);
    EXPECT_EQ(told->events, std::vector<std::string>{"fail 200"});
    ASSERT_TRUE(told->failure);
    EXPECT_EQ(told->failure->domain, base::POSIXErrorDomain);
}

TEST_F(VDCachedFileTest, ASecondValidateWhileDownloadingStartsNothing) {
    auto file = fileFor("/c");
    auto delegate = std::make_shared<RecordingDelegate>();
    file->setDelegate(delegate);
    file->validate();
    file->validate();
    file->validateWithCacheBuster();
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return !file->isDownloading(); }, base::Seconds(10)));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end 200"});
    EXPECT_EQ(targets(), std::vector<std::string>{"/c"});

    // A cancelled download tells nothing.
    file->validate();
    file->cancel();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end 200"});
}

TEST_F(VDCachedFileTest, InvalidatedOrCancelledAtAnyMomentNoFileComesBackAndNothingIsTold) {
    // The body is written off the main thread: whenever the invalidation comes, before the
    // answer, while the body is written or after, no file stays and the delegate hears nothing.
    for (int turns = 0; turns < 40; ++turns) {
        SCOPED_TRACE(turns);
        auto file = fileFor("/page?turns=" + std::to_string(turns));
        auto delegate = std::make_shared<RecordingDelegate>();
        file->setDelegate(delegate);
        file->validate();
        int turn = 0;
        base::RunLoop::main().runUntil([&] { return ++turn > turns || !file->isDownloading(); },
                                       base::Seconds(10));
        const bool ended = !file->isDownloading();
        file->invalidate();
        EXPECT_FALSE(file->isDownloading());
        // The writer works in order: once a later file is written, the invalidated one has
        // been dealt with.
        auto later = fileFor("/page?after=" + std::to_string(turns));
        EXPECT_EQ(download(later)->events, std::vector<std::string>{"end 200"});
        EXPECT_FALSE(file->fileExists());
        if (!ended) {
            EXPECT_TRUE(delegate->events.empty());
        }
    }

    // A cancelled download can be started again at once, and ends as usual.
    auto file = fileFor("/page");
    auto delegate = std::make_shared<RecordingDelegate>();
    file->setDelegate(delegate);
    file->validate();
    file->cancel();
    EXPECT_FALSE(file->isDownloading());
    EXPECT_EQ(download(file)->events, std::vector<std::string>{"end 200"});
    EXPECT_TRUE(delegate->events.empty());
    EXPECT_EQ(file->contentAsString(), "body one");
}

TEST_F(VDCachedFileTest, FilesAreNamedByDigestInsideTheCachesFolder) {
    const auto caches = base::AppHome::cachesDirectory();
    struct Case {
        const char* url;
        const char* folder;
    };
    const Case cases[] = {
        {"http://ads.tld/x", "ads.tld"},  {"http://ads.tld:8080/x", "ads.tld"},
        {"file:///etc/passwd", "@local"}, {"about:blank", "@local"},
        {"http://../x", "_.."},           {"http://[::1]/x", "__1"},
        {"http://a%2Fb/x", "a_b"},
    };
    for (const auto& c : cases) {
        auto url = base::URL::parse(c.url);
        if (!url)
            continue; // not a URL at all: nothing can be downloaded for it
        auto file = VDCachedFile::createWithURL(*url);
        EXPECT_EQ(file->filePath(), caches / c.folder / base::md5Hex(c.url)) << c.url;
    }
    EXPECT_EQ(VDCachedFile::folderNameForHost(".."), "_..");
    EXPECT_EQ(VDCachedFile::folderNameForHost("."), "_.");
    EXPECT_EQ(VDCachedFile::folderNameForHost("a/../../b"), "a_.._.._b");
    // Two URLs that differ only in what a host folder would lose still get files of their own.
    EXPECT_NE(VDCachedFile::createWithURL(*base::URL::parse("http://a.tld/x?1"))->filePath(),
              VDCachedFile::createWithURL(*base::URL::parse("http://a.tld/x?2"))->filePath());
    auto file = VDCachedFile::createWithURL(*base::URL::parse("http://a.tld/x"));
    EXPECT_NE(file->description().find("HTTP code: 0\n\turl: http://a.tld/x\n\tfile: "),
              std::string::npos);
}

} // namespace
