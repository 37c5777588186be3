#include "platform/base/AppHome.h"
#include "platform/net/CookieStorage.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace net {
namespace {

class CookieStorageTest : public testing_support::PlatformTest {
protected:
    std::filesystem::path file() const { return homeDirectory() / "jar" / "cookies.json"; }

    Cookie cookie(std::string name, std::string value, std::string domain = "host.tld",
                  std::string path = "/") {
        Cookie made;
        made.name = std::move(name);
        made.value = std::move(value);
        made.domain = std::move(domain);
        made.path = std::move(path);
        return made;
    }
    Cookie persistent(std::string name, std::string value, double lifetime = 3600) {
        auto made = cookie(std::move(name), std::move(value));
        made.expires = base::Date::now().addingTimeInterval(lifetime);
        return made;
    }
    static base::URL url(const char* text) { return *base::URL::parse(text); }
};

TEST_F(CookieStorageTest, SettingReplacesTheCookieOfTheSameNameDomainAndPath) {
    auto jar = CookieStorage::create({});
    EXPECT_TRUE(jar->setCookie(cookie("a", "1")));
    EXPECT_TRUE(jar->setCookie(cookie("b", "2")));
    EXPECT_TRUE(jar->setCookie(cookie("a", "3")));
    EXPECT_TRUE(jar->setCookie(cookie("a", "4", "host.tld", "/docs")));
    EXPECT_TRUE(jar->setCookie(cookie("a", "5", "HOST.tld")));
    auto all = jar->cookies();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].value, "5"); // kept its place
    EXPECT_EQ(all[1].name, "b");
    EXPECT_EQ(all[2].path, "/docs");

    jar->deleteCookie(cookie("b", "ignored"));
    EXPECT_EQ(jar->cookies().size(), 2u);
    jar->deleteAllCookies();
    EXPECT_TRUE(jar->cookies().empty());
}

TEST_F(CookieStorageTest, ASiteCannotGrowTheJarWithoutEnd) {
    auto jar = CookieStorage::create({});
    for (int i = 0; i < 60; ++i)
        jar->setCookie(cookie("n" + std::to_string(i), "v", i % 2 ? "greedy.tld" : "GREEDY.tld"));
    jar->setCookie(cookie("kept", "v", "other.tld"));
    auto all = jar->cookies();
    ASSERT_EQ(all.size(), 51u);
    // The oldest of the greedy site's went first; the other site's cookie is untouched.
    EXPECT_EQ(all.front().name, "n10");
    EXPECT_EQ(all.back().name, "kept");

    for (int site = 0; site < 70; ++site)
        for (int i = 0; i < 50; ++i)
            jar->setCookie(
                cookie("c" + std::to_string(i), "v", "s" + std::to_string(site) + ".tld"));
    all = jar->cookies();
    EXPECT_EQ(all.size(), 3000u);
    EXPECT_EQ(all.back().domain, "s69.tld");
}

TEST_F(CookieStorageTest, RefusesCookiesThatAreNotAcceptable) {
    auto jar = CookieStorage::create({});
    EXPECT_FALSE(jar->setCookie(cookie("", "1")));
    EXPECT_FALSE(jar->setCookie(cookie("a", "1\r\nX: y")));
    EXPECT_FALSE(jar->setCookie(cookie("a", "1", ".co.uk")));
    EXPECT_TRUE(jar->cookies().empty());
}

TEST_F(CookieStorageTest, CookiesOfATamperedFilePassTheChecksOfServerCookies) {
    std::filesystem::create_directories(file().parent_path());
    const std::string entry = R"({"domain":"%s","path":"/","expires":4102444800,"name":"%s",)"
                              R"("value":"%s","secure":false,"httpOnly":false%s})";
    const auto cookieText = [&](const char* domain, const char* name, const char* value,
                                const char* extra = "") {
        char text[512];
        std::snprintf(text, sizeof text, entry.c_str(), domain, name, value, extra);
        return std::string(text);
    };
    const std::string file = "[" + cookieText("host.tld", "ok", "1") + "," +
                             cookieText("host.tld", "injected", "1\\r\\nX-Injected: yes") + "," +
                             cookieText("host.tld", "split", "1; admin=1") + "," +
                             cookieText(".com", "everywhere", "1") + "," +
                             cookieText("host.tld", "odd", "1", R"(,"sameSite":"Sometimes")") +
                             "," +
                             cookieText("host.tld", "strict", "1", R"(,"sameSite":"Strict")") + "]";
    ASSERT_TRUE(base::writeFileAtomically(this->file(), base::Data::fromString(file)));
    auto jar = CookieStorage::create(this->file());
    auto all = jar->cookies();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "ok");
    EXPECT_EQ(all[0].sameSite, Cookie::SameSite::None); // a file from before SameSite was kept
    EXPECT_EQ(all[1].name, "strict");
    EXPECT_EQ(all[1].sameSite, Cookie::SameSite::Strict);
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://host.tld/")), "ok=1; strict=1");
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://other.com/")), std::nullopt);
}

TEST_F(CookieStorageTest, CookiesForAURLComeLongestPathFirstThenOldestFirst) {
    auto jar = CookieStorage::create({});
    jar->setCookie(cookie("root", "1"));
    jar->setCookie(cookie("deep", "2", "host.tld", "/a/b"));
    jar->setCookie(cookie("mid", "3", ".host.tld", "/a"));
    jar->setCookie(cookie("root2", "4", ".host.tld"));
    jar->setCookie(cookie("elsewhere", "5", "other.tld"));
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://host.tld/a/b/c")),
              "deep=2; mid=3; root=1; root2=4");
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://www.host.tld/a")), "mid=3; root2=4");
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://none.tld/")), std::nullopt);
}

TEST_F(CookieStorageTest, ExpiredCookiesVanishAndAnExpiredSetDeletes) {
    auto jar = CookieStorage::create({});
    jar->setCookie(persistent("short", "1", 10));
    jar->setCookie(persistent("long", "2", 1000));
    EXPECT_EQ(jar->cookies().size(), 2u);
    clock().advance(std::chrono::seconds(11));
    ASSERT_EQ(jar->cookies().size(), 1u);
    EXPECT_EQ(jar->cookies()[0].name, "long");
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://host.tld/")), "long=2");

    jar->setCookie(persistent("long", "gone", -1));
    EXPECT_TRUE(jar->cookies().empty());
}

TEST_F(CookieStorageTest, SetCookieFieldsOfAResponseAreStored) {
    auto jar = CookieStorage::create({});
    HTTPHeaderFields headers;
    headers.append("Set-Cookie", "a=1; Path=/");
    headers.append("set-cookie", "b=2; Max-Age=60; Path=/");
    headers.append("Set-Cookie", "c=3; Domain=other.tld");
    headers.append("Set-Cookie", "e=5; Domain=host.tld.");
    headers.append("X-Other", "d=4");
    EXPECT_EQ(jar->setCookiesFromHeaders(headers, url("http://host.tld/page")), 2u);
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://host.tld/")), "a=1; b=2");

    HTTPHeaderFields removal;
    removal.append("Set-Cookie", "a=; Max-Age=0; Path=/");
    EXPECT_EQ(jar->setCookiesFromHeaders(removal, url("http://host.tld/")), 1u);
    EXPECT_EQ(jar->cookieHeaderForURL(url("http://host.tld/")), "b=2");
}

TEST_F(CookieStorageTest, PersistentCookiesOutliveTheJarAndSessionCookiesDoNot) {
    {
        auto jar = CookieStorage::create(file());
        jar->setCookie(cookie("session", "1"));
        auto kept = persistent("kept", "2");
        kept.secure = true;
        kept.httpOnly = true;
        kept.domain = ".host.tld";
        kept.path = "/docs";
        kept.sameSite = Cookie::SameSite::Strict;
        jar->setCookie(kept);
        auto lax = persistent("lax", "3");
        lax.sameSite = Cookie::SameSite::Lax;
        jar->setCookie(lax);
    }
    auto reopened = CookieStorage::create(file());
    auto all = reopened->cookies();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].sameSite, Cookie::SameSite::Lax);
    EXPECT_EQ(all[0].sameSite, Cookie::SameSite::Strict);
    EXPECT_EQ(all[0].name, "kept");
    EXPECT_EQ(all[0].value, "2");
    EXPECT_EQ(all[0].domain, ".host.tld");
    EXPECT_EQ(all[0].path, "/docs");
    EXPECT_TRUE(all[0].secure);
    EXPECT_TRUE(all[0].httpOnly);
    EXPECT_EQ(all[0].expires, base::Date::now().addingTimeInterval(3600));

    reopened->deleteAllCookies();
    EXPECT_TRUE(CookieStorage::create(file())->cookies().empty());
}

TEST_F(CookieStorageTest, ADamagedFileIsKeptAsideWithOneLineAndTheJarStartsEmpty) {
    namespace fs = std::filesystem;
    const auto aside = [&](const char* suffix) { return fs::path(file().string() + suffix); };
    const auto garbage = base::Data::fromString("[{\"name\": \"a\", \"value\": ");
    fs::create_directories(file().parent_path());
    ASSERT_TRUE(base::writeFileAtomically(file(), garbage));

    std::shared_ptr<CookieStorage> jar;
    {
        testing_support::LogCapture log;
        jar = CookieStorage::create(file());
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("CookieStorage: " + file().string()), std::string::npos)
            << lines[0];
        EXPECT_NE(lines[0].find("kept as " + aside(".corrupt").string()), std::string::npos)
            << lines[0];
    }
    EXPECT_TRUE(jar->cookies().empty());
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(base::readFile(aside(".corrupt")).value(), garbage);

    // The jar works and saves, and the copy is left as it was.
    EXPECT_TRUE(jar->setCookie(persistent("a", "1")));
    auto reopened = CookieStorage::create(file());
    ASSERT_EQ(reopened->cookies().size(), 1u);
    EXPECT_EQ(reopened->cookies()[0].value, "1");
    EXPECT_EQ(base::readFile(aside(".corrupt")).value(), garbage);

    // Good JSON that is no jar is damaged too, and does not replace the first copy.
    const auto object = base::Data::fromString("{\"name\": \"a\"}");
    ASSERT_TRUE(base::writeFileAtomically(file(), object));
    {
        testing_support::LogCapture log;
        EXPECT_TRUE(CookieStorage::create(file())->cookies().empty());
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains("kept as " + aside(".corrupt.1").string()));
    }
    EXPECT_EQ(base::readFile(aside(".corrupt")).value(), garbage);
    EXPECT_EQ(base::readFile(aside(".corrupt.1")).value(), object);

    // So is an empty file.
    ASSERT_TRUE(base::writeFileAtomically(file(), base::Data()));
    {
        testing_support::LogCapture log;
        EXPECT_TRUE(CookieStorage::create(file())->cookies().empty());
        EXPECT_EQ(log.lines().size(), 1u);
    }
    EXPECT_EQ(base::readFile(aside(".corrupt.2")).value(), base::Data());
}

TEST_F(CookieStorageTest, AFailedSaveSaysSoOnceAndTheNextGoodSaveWritesEveryCookie) {
    namespace fs = std::filesystem;
    // The jar's folder cannot be made: a plain file holds its name.
    const auto blocker = homeDirectory() / "blocker";
    const auto blocked = blocker / "cookies.json";
    ASSERT_TRUE(base::writeFileAtomically(blocker, base::Data()));
    auto jar = CookieStorage::create(blocked);

    testing_support::LogCapture log;
    EXPECT_TRUE(jar->setCookie(persistent("a", "1")));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("CookieStorage: could not save " + blocked.string()))
        << log.lines()[0];
    // The same fault again adds no line; the jar keeps working in memory.
    EXPECT_TRUE(jar->setCookie(persistent("b", "2")));
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(jar->cookies().size(), 2u);

    // Once the folder can be made, the next save holds what the failed ones could not.
    ASSERT_TRUE(base::removeItem(blocker));
    EXPECT_TRUE(jar->setCookie(persistent("c", "3")));
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(CookieStorage::create(blocked)->cookies().size(), 3u);

    // A new fault after a good save is told again: here a folder stands where the file goes.
    ASSERT_TRUE(base::removeItem(blocked));
    fs::create_directories(blocked);
    jar->deleteCookie(persistent("a", ""));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_NE(log.lines()[1].find("CookieStorage: could not save " + blocked.string()),
              std::string::npos)
        << log.lines()[1];
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_EQ(jar->cookies().size(), 2u);
}

TEST_F(CookieStorageTest, ObserversHearOfEveryChangeButNotOfNoChange) {
    auto jar = CookieStorage::create({});
    int changes = 0;
    auto token = jar->addObserver([&] { ++changes; });
    jar->setCookie(cookie("a", "1"));
    jar->setCookie(cookie("a", "1")); // the same again
    jar->deleteCookie(cookie("missing", ""));
    HTTPHeaderFields headers;
    headers.append("Set-Cookie", "b=2");
    jar->setCookiesFromHeaders(headers, url("http://host.tld/"));
    jar->deleteAllCookies();
    EXPECT_EQ(changes, 3);
    jar->removeObserver(token);
    jar->setCookie(cookie("c", "3"));
    EXPECT_EQ(changes, 3);
}

TEST_F(CookieStorageTest, TheSharedJarLivesInTheAppHomeAndCanBeReplaced) {
    auto shared = CookieStorage::shared();
    EXPECT_EQ(shared, CookieStorage::shared());
    EXPECT_EQ(shared->filePath(), base::AppHome::libraryDirectory() / "Cookies" / "Cookies.json");
    shared->setCookie(persistent("a", "1"));
    EXPECT_TRUE(std::filesystem::exists(shared->filePath()));

    auto replacement = CookieStorage::create({});
    auto previous = CookieStorage::install(replacement);
    EXPECT_EQ(previous, shared);
    EXPECT_EQ(CookieStorage::shared(), replacement);
    CookieStorage::install(nullptr);
    EXPECT_NE(CookieStorage::shared(), replacement);
    EXPECT_EQ(CookieStorage::shared()->cookies().size(), 1u); // read back from the file
}

} // namespace
} // namespace net
