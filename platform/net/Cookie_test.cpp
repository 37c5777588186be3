#include "platform/net/Cookie.h"

#include <gtest/gtest.h>

namespace net {
namespace {

const base::Date now(1'700'000'000);

base::URL url(const char* text) {
    return *base::URL::parse(text);
}

std::optional<Cookie> parse(std::string_view field,
                            const char* from = "http://www.host.tld/dir/page") {
    return Cookie::fromSetCookie(field, url(from), now);
}

TEST(CookieTest, ReadsNameValueAndAttributes) {
    auto cookie = parse("id = a3fWa ; Path=/docs; Secure; HttpOnly; Domain=.Host.TLD");
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->name, "id");
    EXPECT_EQ(cookie->value, "a3fWa");
    EXPECT_EQ(cookie->path, "/docs");
    EXPECT_EQ(cookie->domain, ".host.tld");
    EXPECT_FALSE(cookie->isHostOnly());
    EXPECT_TRUE(cookie->secure);
    EXPECT_TRUE(cookie->httpOnly);
    EXPECT_TRUE(cookie->isSessionOnly());
}

TEST(CookieTest, WithoutDomainOrPathTheCookieIsHostOnlyUnderTheRequestsFolder) {
    auto cookie = parse("a=1");
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->domain, "www.host.tld");
    EXPECT_TRUE(cookie->isHostOnly());
    EXPECT_EQ(cookie->path, "/dir");
    EXPECT_EQ(parse("a=1", "http://host.tld/page")->path, "/");
    EXPECT_EQ(parse("a=1", "http://host.tld")->path, "/");
    EXPECT_EQ(parse("a=1; Path=relative")->path, "/dir");
    EXPECT_EQ(parse("a=b=c")->value, "b=c");
}

TEST(CookieTest, MaxAgeWinsOverExpires) {
    auto expires = parse("a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT");
    ASSERT_TRUE(expires && expires->expires);
    EXPECT_EQ(expires->expires->timeIntervalSince1970(), 2139722880);

    auto both = parse("a=1; Max-Age=60; Expires=Wed, 21 Oct 2037 07:28:00 GMT");
    EXPECT_EQ(both->expires, now.addingTimeInterval(60));

    auto gone = parse("a=1; Max-Age=0");
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->isExpired(now));
    EXPECT_TRUE(parse("a=1; Max-Age=-1")->isExpired(now));
    // A Max-Age that is no number is left out.
    EXPECT_TRUE(parse("a=1; Max-Age=soon")->isSessionOnly());
    EXPECT_TRUE(parse("a=1; Expires=not a date")->isSessionOnly());
}

TEST(CookieTest, RefusesCookiesTheURLMayNotSet) {
    EXPECT_FALSE(parse("novalue"));
    EXPECT_FALSE(parse("=1"));
    EXPECT_FALSE(parse("a=1; Domain=other.tld"));
    EXPECT_FALSE(parse("a=1; Domain=st.tld", "http://host.tld/")); // "host.tld" is not in "st.tld"
    EXPECT_FALSE(parse("a=1; Domain=tld"));                        // a whole top-level domain
    EXPECT_FALSE(parse("a=1", "ftp://host.tld/"));
    EXPECT_FALSE(parse("a=1; Domain=0.0.1", "http://127.0.0.1/"));
    // A host may name itself, single label or address.
    EXPECT_EQ(parse("a=1; Domain=localhost", "http://localhost/")->domain, "localhost");
    EXPECT_EQ(parse("a=1; Domain=127.0.0.1", "http://127.0.0.1/")->domain, "127.0.0.1");
}

TEST(CookieTest, ReadsEveryDateFormServersSend) {
    const double expected = 784111777; // 1994-11-06 08:49:37 UTC
    for (const char* text :
         {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
          "Sun Nov  6 08:49:37 1994", "06 nov 1994 08:49:37", "Sun, 06-Nov-1994 08:49:37 UTC"}) {
        auto date = Cookie::parseDate(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(date->timeIntervalSince1970(), expected) << text;
    }
    EXPECT_FALSE(Cookie::parseDate("31 Feb 2020 00:00:00"));
    EXPECT_FALSE(Cookie::parseDate("01 Jan 2020 24:00:00"));
    EXPECT_FALSE(Cookie::parseDate("01 Jan 1600 00:00:00"));
    EXPECT_FALSE(Cookie::parseDate("tomorrow"));
}

TEST(CookieTest, MatchesByDomainPathAndScheme) {
    auto hostOnly = *parse("a=1; Path=/");
    EXPECT_TRUE(hostOnly.matches(url("http://www.host.tld/x")));
    EXPECT_TRUE(hostOnly.matches(url("https://WWW.Host.tld/")));
    EXPECT_FALSE(hostOnly.matches(url("http://sub.www.host.tld/")));
    EXPECT_FALSE(hostOnly.matches(url("http://host.tld/")));

    auto domain = *parse("a=1; Domain=host.tld; Path=/docs");
    EXPECT_TRUE(domain.matches(url("http://host.tld/docs")));
    EXPECT_TRUE(domain.matches(url("http://a.b.host.tld/docs/x")));
    EXPECT_FALSE(domain.matches(url("http://evilhost.tld/docs")));
    EXPECT_FALSE(domain.matches(url("http://host.tld/docsx")));
    EXPECT_FALSE(domain.matches(url("http://host.tld/")));
    EXPECT_FALSE(domain.matches(url("ftp://host.tld/docs")));

    auto secure = *parse("a=1; Secure; Path=/");
    EXPECT_FALSE(secure.matches(url("http://www.host.tld/")));
    EXPECT_TRUE(secure.matches(url("https://www.host.tld/")));
}

} // namespace
} // namespace net
