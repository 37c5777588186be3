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
    EXPECT_FALSE(parse("a=1", "ftp://host.tld/"));
    EXPECT_FALSE(parse("a=1", "https://user@.0:8080/")); // a host that reads as a domain
}

// RFC 6265 section 5.3 steps 5 and 6, with the public-suffix list.
TEST(CookieTest, DomainAttributeMakesADomainCookieUnlessItIsAPublicSuffix) {
    struct Case {
        const char* url;
        const char* field;
        const char* domain; // nullptr: refused
    };
    const Case cases[] = {
        {"http://example.com/", "a=1", "example.com"},
        {"http://example.com/", "a=1; Domain=", "example.com"},
        {"http://example.com/", "a=1; Domain=.", "example.com"},
        // The host's own domain named is a domain cookie, for its sub-domains too.
        {"http://example.com/", "a=1; Domain=example.com", ".example.com"},
        {"http://example.com/", "a=1; Domain=.EXAMPLE.com", ".example.com"},
        // A Domain ending in a dot matches no host without one: the cookie is ignored.
        {"http://home.example.org/", "a=1; Domain=home.example.org.", nullptr},
        {"http://example.com/", "a=1; Domain=.EXAMPLE.com.", nullptr},
        {"http://www.example.com/", "a=1; Domain=example.com.", nullptr},
        {"http://example.com/", "a=1; Domain=..", nullptr},
        // The last Domain attribute is the one that counts.
        {"http://home.example.org/", "a=1; Domain=home.example.org.; Domain=example.org",
         ".example.org"},
        {"http://home.example.org/", "a=1; Domain=example.org; Domain=example.org.", nullptr},
        {"http://www.example.com/", "a=1; Domain=example.com", ".example.com"},
        {"http://www.example.com/", "a=1; Domain=www.example.com", ".www.example.com"},
        {"http://example.com/", "a=1; Domain=www.example.com", nullptr},
        {"http://example.com/", "a=1; Domain=other.com", nullptr},
        {"http://host.tld/", "a=1; Domain=st.tld", nullptr},
        // Public suffixes: only ever the host's own, host-only.
        {"http://a.co.uk/", "a=1; Domain=co.uk", nullptr},
        {"http://co.uk/", "a=1; Domain=co.uk", "co.uk"},
        {"http://a.b.example.co.uk/", "a=1; Domain=example.co.uk", ".example.co.uk"},
        {"http://www.example.com/", "a=1; Domain=com", nullptr},
        {"http://user.github.io/", "a=1; Domain=github.io", nullptr},
        {"http://user.github.io/", "a=1; Domain=user.github.io", ".user.github.io"},
        {"http://intranet/", "a=1; Domain=intranet", "intranet"},
        {"http://a.intranet/", "a=1; Domain=intranet", nullptr},
        {"http://localhost/", "a=1; Domain=localhost", "localhost"},
        // An IP address matches nothing but itself, host-only.
        {"http://127.0.0.1/", "a=1; Domain=127.0.0.1", "127.0.0.1"},
        {"http://127.0.0.1/", "a=1; Domain=0.0.1", nullptr},
        {"http://[::1]:8080/", "a=1; Domain=::1", "::1"},
    };
    for (const auto& c : cases) {
        auto cookie = parse(c.field, c.url);
        if (!c.domain) {
            EXPECT_FALSE(cookie) << c.url << " " << c.field << " gave " << cookie->domain;
            continue;
        }
        ASSERT_TRUE(cookie) << c.url << " " << c.field;
        EXPECT_EQ(cookie->domain, c.domain) << c.url << " " << c.field;
        EXPECT_TRUE(cookie->matches(url(c.url))) << c.url << " " << c.field;
    }
    // A login on the bare domain reaches its www site.
    auto login = parse("session=1; Domain=example.com; Path=/", "https://example.com/login");
    EXPECT_TRUE(login->matches(url("https://www.example.com/")));
}

TEST(CookieTest, KeepsSameSite) {
    EXPECT_EQ(parse("a=1; SameSite=Strict")->sameSite, Cookie::SameSite::Strict);
    EXPECT_EQ(parse("a=1; samesite=lax")->sameSite, Cookie::SameSite::Lax);
    EXPECT_EQ(parse("a=1; SameSite=NONE; Secure")->sameSite, Cookie::SameSite::None);
    EXPECT_EQ(parse("a=1; SameSite=Strict; SameSite=bogus")->sameSite, Cookie::SameSite::Strict);
    EXPECT_EQ(parse("a=1")->sameSite, Cookie::SameSite::None);
}

TEST(CookieTest, AcceptableCookiesCanBeSentAndKept) {
    Cookie good;
    good.name = "a";
    good.value = "1";
    good.domain = ".example.co.uk";
    EXPECT_TRUE(good.isAcceptable());
    const auto changed = [&](auto change) {
        Cookie cookie = good;
        change(cookie);
        return cookie.isAcceptable();
    };
    EXPECT_TRUE(changed([](Cookie& c) { c.domain = "co.uk"; })); // the host's own
    EXPECT_FALSE(changed([](Cookie& c) { c.domain = ".co.uk"; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.domain = ".COM"; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.domain = ""; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.name = ""; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.name = "a=b"; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.value = "1\r\nX-Injected: y"; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.value = "1;b=2"; }));
    EXPECT_FALSE(changed([](Cookie& c) { c.value = std::string("1\0", 2); }));
    EXPECT_FALSE(changed([](Cookie& c) { c.path = "/a;b"; }));
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
