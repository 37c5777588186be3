#include "platform/net/ResponseHeaderParser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace net {
namespace {

// Feeds the lines; returns on which line (0-based) the head was complete, or -1.
int feed(ResponseHeaderParser& parser, const std::vector<std::string>& lines) {
    int completedAt = -1;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (parser.addLine(lines[i]))
            completedAt = int(i);
    return completedAt;
}

TEST(ResponseHeaderParserTest, ReadsStatusAndFieldsUntilTheBlankLine) {
    ResponseHeaderParser parser;
    EXPECT_EQ(feed(parser, {"HTTP/1.1 200 OK\r\n", "Content-Type: text/html\r\n",
                            "Set-Cookie: a=1\r\n", "set-cookie:b=2 \r\n", "no colon here\r\n",
                            "Bad Name: x\r\n", "\r\n", "Trailer: ignored\r\n"}),
              6);
    EXPECT_TRUE(parser.isComplete());
    EXPECT_EQ(parser.statusCode(), 200);
    EXPECT_EQ(parser.fields().all(),
              (std::vector<HTTPHeaderFields::Field>{
                  {"Content-Type", "text/html"}, {"Set-Cookie", "a=1"}, {"set-cookie", "b=2"}}));
}

TEST(ResponseHeaderParserTest, InterimAnswersAreDropped) {
    ResponseHeaderParser parser;
    EXPECT_EQ(
        feed(parser, {"HTTP/1.1 100 Continue", "X-Early: 1", "", "HTTP/2 404", "X-Late: 2", ""}),
        5);
    EXPECT_EQ(parser.statusCode(), 404);
    EXPECT_EQ(parser.fields().all(), (std::vector<HTTPHeaderFields::Field>{{"X-Late", "2"}}));
    // A new status line starts over, as after a redirect libcurl reads.
    EXPECT_FALSE(parser.addLine("HTTP/1.1 301 Moved"));
    EXPECT_FALSE(parser.isComplete());
    EXPECT_TRUE(parser.fields().empty());
}

TEST(ResponseHeaderParserTest, FoldedLinesJoinTheirFieldWithOneSpace) {
    ResponseHeaderParser parser;
    feed(parser, {"HTTP/1.1 200 OK", " orphan continuation", "X-Folded: a", " b", "\t c  ",
                  "X-Next: d", ""});
    EXPECT_EQ(parser.fields().all(),
              (std::vector<HTTPHeaderFields::Field>{{"X-Folded", "a b c"}, {"X-Next", "d"}}));

    // A head of many folded lines, as large as libcurl lets through (the old reading rebuilt
    // every field at every continuation: seconds of the transfer thread for this one).
    ResponseHeaderParser large;
    std::vector<std::string> lines = {"HTTP/1.1 200 OK"};
    for (int field = 0; field < 40; ++field) {
        lines.push_back("X-Field-" + std::to_string(field) + ": start");
        for (int i = 0; i < 1750; ++i)
            lines.push_back(" x");
    }
    lines.push_back("");
    EXPECT_EQ(feed(large, lines), int(lines.size()) - 1);
    ASSERT_EQ(large.fields().size(), 40u);
    EXPECT_EQ(large.fields().all()[39].second.size(), std::string("start").size() + 2 * 1750);
}

} // namespace
} // namespace net
