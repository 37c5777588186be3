#include "platform/base/AppHome.h"
#include "platform/base/ProcessWide.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLRequest.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace net {
namespace {

class URLCacheTest : public testing_support::PlatformTest {
protected:
    std::filesystem::path directory() const { return homeDirectory() / "cache"; }

    static URLRequest request(const std::string& path) {
        return URLRequest::withURLString("http://host.tld" + path);
    }
    CachedURLResponse entry(const std::string& path, const std::string& body,
                            std::vector<HTTPHeaderFields::Field> fields = {
                                {"Cache-Control", "max-age=60"}}) {
        HTTPHeaderFields headers;
        for (auto& [name, value] : fields)
            headers.append(name, value);
        return CachedURLResponse(
            HTTPURLResponse(base::URL::parse("http://host.tld" + path), 200, std::move(headers)),
            base::Data::fromString(body), base::Date::now());
    }
    std::size_t filesIn(const std::filesystem::path& folder) {
        std::size_t count = 0;
        for ([[maybe_unused]] auto& item : std::filesystem::directory_iterator(folder))
            ++count;
        return count;
    }
};

TEST_F(URLCacheTest, StoresAndReturnsEntriesByURLWithoutFragment) {
    auto cache = URLCache::create({});
    EXPECT_FALSE(cache->cachedResponse(request("/a")));
    cache->storeCachedResponse(entry("/a", "body a"), request("/a#top"));
    auto found = cache->cachedResponse(request("/a"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->data().toString(), "body a");
    EXPECT_EQ(found->response().statusCode(), 200);
    EXPECT_FALSE(cache->cachedResponse(request("/a?x")));
    cache->removeCachedResponse(request("/a"));
    EXPECT_FALSE(cache->cachedResponse(request("/a")));
    // A request without URL neither stores nor finds.
    cache->storeCachedResponse(entry("/b", "b"), URLRequest());
    EXPECT_FALSE(cache->cachedResponse(URLRequest()));
}

TEST_F(URLCacheTest, EntriesOnDiskOutliveTheObjectAndRemovingAllClearsTheFolder) {
    {
        auto cache = URLCache::create(directory());
        cache->storeCachedResponse(entry("/a", "body a",
                                         {{"Cache-Control", "max-age=60"},
                                          {"Content-Type", "text/html; charset=utf-8"},
                                          {"Set-Cookie", "x=1"},
                                          {"Set-Cookie", "y=2"}}),
                                   request("/a"));
    }
    auto reopened = URLCache::create(directory());
    auto found = reopened->cachedResponse(request("/a"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->data().toString(), "body a");
    EXPECT_EQ(found->response().MIMEType(), "text/html");
    EXPECT_EQ(found->response().allHeaderFields().values("Set-Cookie"),
              (std::vector<std::string>{"x=1", "y=2"}));
    EXPECT_EQ(found->storedDate(), base::Date::now());
    EXPECT_GT(reopened->currentDiskUsage(), 0u);

    reopened->removeAllCachedResponses();
    EXPECT_FALSE(reopened->cachedResponse(request("/a")));
    EXPECT_EQ(filesIn(directory()), 0u);
    EXPECT_FALSE(URLCache::create(directory())->cachedResponse(request("/a")));
}

TEST_F(URLCacheTest, ATruncatedBodyOnDiskIsNoEntry) {
    {
        auto cache = URLCache::create(directory());
        cache->storeCachedResponse(entry("/a", "a complete body"), request("/a"));
    }
    for (auto& item : std::filesystem::directory_iterator(directory()))
        if (item.path().extension() == ".body")
            std::filesystem::resize_file(item.path(), 3);
    EXPECT_FALSE(URLCache::create(directory())->cachedResponse(request("/a")));
}

TEST_F(URLCacheTest, EachLayerDropsItsLeastRecentlyUsedEntriesBeyondCapacity) {
    // A 40 kB memory layer keeps bodies up to 2 kB; no disk layer.
    auto cache = URLCache::create({}, 40 * 1024, 0);
    std::string body(1800, 'x');
    for (int i = 0; i < 30; ++i)
        cache->storeCachedResponse(entry("/" + std::to_string(i), body),
                                   request("/" + std::to_string(i)));
    EXPECT_LE(cache->currentMemoryUsage(), 40u * 1024);
    EXPECT_FALSE(cache->cachedResponse(request("/0")));
    EXPECT_TRUE(cache->cachedResponse(request("/29")));

    cache->storeCachedResponse(entry("/big", std::string(3000, 'y')), request("/big"));
    EXPECT_FALSE(cache->cachedResponse(request("/big")));

    // Use keeps an entry: touch the oldest survivor, then push more in.
    std::size_t oldest = 0;
    while (!cache->cachedResponse(request("/" + std::to_string(oldest))))
        ++oldest;
    for (int i = 30; i < 35; ++i)
        cache->storeCachedResponse(entry("/" + std::to_string(i), body),
                                   request("/" + std::to_string(i)));
    EXPECT_TRUE(cache->cachedResponse(request("/" + std::to_string(oldest))));
}

TEST_F(URLCacheTest, TheDiskLayerKeepsWithinItsCapacity) {
    auto cache = URLCache::create(directory(), 0, 100 * 1024);
    std::string body(4000, 'z');
    for (int i = 0; i < 40; ++i)
        cache->storeCachedResponse(entry("/" + std::to_string(i), body),
                                   request("/" + std::to_string(i)));
    EXPECT_LE(cache->currentDiskUsage(), 100u * 1024);
    EXPECT_FALSE(cache->cachedResponse(request("/0")));
    EXPECT_TRUE(cache->cachedResponse(request("/39")));
    EXPECT_LE(filesIn(directory()), 2u * 25);
}

TEST_F(URLCacheTest, ObserversHearOfChanges) {
    auto cache = URLCache::create({});
    int changes = 0;
    auto token = cache->addObserver([&] { ++changes; });
    cache->storeCachedResponse(entry("/a", "a"), request("/a"));
    cache->removeAllCachedResponses();
    EXPECT_EQ(changes, 2);
    cache->removeObserver(token);
    cache->storeCachedResponse(entry("/a", "a"), request("/a"));
    EXPECT_EQ(changes, 2);
}

TEST_F(URLCacheTest, TheSharedCacheLivesInTheAppHomesCaches) {
    auto shared = URLCache::shared();
    EXPECT_EQ(shared, URLCache::shared());
    EXPECT_EQ(shared->directory(), base::AppHome::cachesDirectory() / "URLCache");
    base::resetProcessServicesForTesting();
    EXPECT_NE(URLCache::shared(), shared);
}

// Freshness and storability of entries.

TEST_F(URLCacheTest, FreshnessFollowsMaxAgeThenExpires) {
    auto maxAge = entry("/a", "", {{"Cache-Control", "public, max-age=100"}, {"Age", "40"}});
    EXPECT_EQ(maxAge.expirationDate(), base::Date::now().addingTimeInterval(60));
    EXPECT_TRUE(maxAge.isFresh(base::Date::now().addingTimeInterval(59)));
    EXPECT_FALSE(maxAge.isFresh(base::Date::now().addingTimeInterval(60)));

    auto expires = entry(
        "/a", "",
        {{"Date", "Sun, 06 Nov 1994 08:49:37 GMT"}, {"Expires", "Sun, 06 Nov 1994 09:49:37 GMT"}});
    EXPECT_EQ(expires.expirationDate(), base::Date::now().addingTimeInterval(3600));

    EXPECT_FALSE(entry("/a", "", {{"Expires", "0"}}).isFresh(base::Date::now()));
    EXPECT_FALSE(
        entry("/a", "", {{"Cache-Control", "no-cache, max-age=600"}}).isFresh(base::Date::now()));
    EXPECT_FALSE(entry("/a", "", {{"ETag", "\"x\""}}).expirationDate());
}

TEST_F(URLCacheTest, OnlyGetResponsesWithCachingHeadersMayBeStored) {
    auto get = request("/a");
    auto response = [](int status, std::vector<HTTPHeaderFields::Field> fields) {
        HTTPHeaderFields headers;
        for (auto& [name, value] : fields)
            headers.append(name, value);
        return HTTPURLResponse(base::URL::parse("http://host.tld/a"), status, std::move(headers));
    };
    EXPECT_TRUE(
        CachedURLResponse::isStorable(get, response(200, {{"Cache-Control", "max-age=5"}})));
    EXPECT_TRUE(CachedURLResponse::isStorable(get, response(200, {{"Last-Modified", "x"}})));
    EXPECT_FALSE(CachedURLResponse::isStorable(get, response(200, {})));
    EXPECT_FALSE(
        CachedURLResponse::isStorable(get, response(404, {{"Cache-Control", "max-age=5"}})));
    EXPECT_FALSE(CachedURLResponse::isStorable(
        get, response(200, {{"Cache-Control", "max-age=5, no-store"}})));
    auto post = get;
    post.setHTTPMethod("POST");
    EXPECT_FALSE(
        CachedURLResponse::isStorable(post, response(200, {{"Cache-Control", "max-age=5"}})));
    auto noStore = get;
    noStore.setValueForHTTPHeaderField("no-store", "Cache-Control");
    EXPECT_FALSE(
        CachedURLResponse::isStorable(noStore, response(200, {{"Cache-Control", "max-age=5"}})));
}

} // namespace
} // namespace net
