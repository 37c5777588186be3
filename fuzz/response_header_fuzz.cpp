// Response heads as servers send them, one line per input line: status lines, fields, folded
// continuations, interim answers, trailers. Reading never crashes and stays linear (libFuzzer's
// -timeout catches a quadratic reading of long inputs); the response made from a complete head
// answers its MIME type, length and file name (never with a folder separator) and its cookies
// go into a jar.
#include "fuzz/FuzzInput.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ResponseHeaderParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    net::ResponseHeaderParser parser;
    std::string_view rest = fuzz::text(data, size);
    while (!rest.empty()) {
        auto end = rest.find('\n');
        auto line = rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
        rest.remove_prefix(line.size());
        parser.addLine(line);
    }
    if (!parser.isComplete())
        return 0;
    auto url = base::URL::parse("https://www.example.com/dir/file.html");
    net::HTTPURLResponse response(url, parser.statusCode(), parser.fields());
    (void)response.MIMEType();
    (void)response.expectedContentLength();
    FUZZ_CHECK(response.suggestedFilename().find('/') == std::string::npos);
    static auto jar = net::CookieStorage::create({});
    jar->setCookiesFromHeaders(parser.fields(), *url);
    jar->deleteAllCookies();
    return 0;
}
