#include "platform/net/HTTPURLResponse.h"

#include <gtest/gtest.h>

namespace net {
namespace {

HTTPURLResponse responseWith(std::vector<HTTPHeaderFields::Field> fields,
                             const std::string& url = "http://host.tld/dir/page.html?q=1") {
    HTTPHeaderFields headers;
    for (auto& [name, value] : fields)
        headers.append(name, value);
    return HTTPURLResponse(base::URL::parse(url), 200, std::move(headers));
}

TEST(HTTPURLResponseTest, ContentTypeGivesTheLowerCasedTypeAndCharset) {
    auto response = responseWith({{"Content-Type", "Text/HTML; charset=ISO-8859-1"}});
    EXPECT_EQ(response.MIMEType(), "text/html");
    EXPECT_EQ(response.textEncodingName(), "iso-8859-1");

    auto quoted = responseWith({{"content-type", "text/plain;format=flowed; CHARSET=\"UTF-8\""}});
    EXPECT_EQ(quoted.MIMEType(), "text/plain");
    EXPECT_EQ(quoted.textEncodingName(), "utf-8");

    auto bare = responseWith({{"Content-Type", "application/json"}});
    EXPECT_EQ(bare.MIMEType(), "application/json");
    EXPECT_EQ(bare.textEncodingName(), "");

    auto none = responseWith({});
    EXPECT_EQ(none.MIMEType(), "");
    EXPECT_EQ(none.textEncodingName(), "");
}

TEST(HTTPURLResponseTest, ExpectedLengthIsMinusOneUnlessStatedPlainly) {
    EXPECT_EQ(responseWith({{"Content-Length", "1234"}}).expectedContentLength(), 1234);
    EXPECT_EQ(responseWith({{"Content-Length", " 7 "}}).expectedContentLength(), 7);
    EXPECT_EQ(responseWith({}).expectedContentLength(), -1);
    EXPECT_EQ(responseWith({{"Content-Length", "12abc"}}).expectedContentLength(), -1);
    EXPECT_EQ(responseWith({{"Content-Length", "-5"}}).expectedContentLength(), -1);
}

TEST(HTTPURLResponseTest, HeaderLookupIgnoresCaseAndKeepsRepeatedFields) {
    auto response =
        responseWith({{"Set-Cookie", "a=1"}, {"X-Vdma-Native", "1"}, {"set-cookie", "b=2"}});
    EXPECT_TRUE(response.isHTTP());
    EXPECT_EQ(response.statusCode(), 200);
    EXPECT_EQ(response.valueForHTTPHeaderField("x-vdma-native"), "1");
    EXPECT_EQ(response.allHeaderFields().values("SET-COOKIE"),
              (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(response.allHeaderFields().combined().front(),
              (HTTPHeaderFields::Field{"Set-Cookie", "a=1, b=2"}));
}

TEST(HTTPURLResponseTest, SuggestedFilenameComesFromDispositionThenURLAndNamesNoFolder) {
    const std::pair<const char*, const char*> dispositions[] = {
        {"attachment; filename=\"report 1.pdf\"", "report 1.pdf"},
        {"attachment; filename=plain.txt; filename*=UTF-8''%C3%A9t%C3%A9.txt", "été.txt"},
        {"attachment; filename=\"../../etc/passwd\"", "passwd"},
        {"attachment; filename=\"..\"", "page.html"},
        {"attachment; filename*=UTF-8''a%2F..%2Fb", "b"},
    };
    for (const auto& [disposition, name] : dispositions)
        EXPECT_EQ(responseWith({{"Content-Disposition", disposition}}).suggestedFilename(), name)
            << disposition;
    EXPECT_EQ(responseWith({}).suggestedFilename(), "page.html");
    EXPECT_EQ(responseWith({}, "http://host.tld/").suggestedFilename(), "host.tld");
    EXPECT_EQ(HTTPURLResponse().suggestedFilename(), "Unknown");
}

TEST(HTTPURLResponseTest, APlainResponseHasNoStatusOrFields) {
    auto response =
        HTTPURLResponse::plain(base::URL::parse("file:///tmp/a.txt"), "Text/Plain", 12, "UTF-8");
    EXPECT_FALSE(response.isHTTP());
    EXPECT_EQ(response.statusCode(), 0);
    EXPECT_TRUE(response.allHeaderFields().empty());
    EXPECT_EQ(response.MIMEType(), "text/plain");
    EXPECT_EQ(response.textEncodingName(), "utf-8");
    EXPECT_EQ(response.expectedContentLength(), 12);
    EXPECT_EQ(response.suggestedFilename(), "a.txt");
}

TEST(HTTPURLResponseTest, StatusCodesReadAsTheirPhraseOrTheirClass) {
    const std::pair<int, const char*> cases[] = {
        {200, "ok"},
        {304, "not modified"},
        {404, "not found"},
        {503, "service unavailable"},
        {299, "success"},
        {399, "redirected"},
        {499, "client error"},
        {599, "server error"},
        {0, "server error"},
        {700, "server error"},
        {199, "informational"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(HTTPURLResponse::localizedStringForStatusCode(code), text) << code;
}

} // namespace
} // namespace net
