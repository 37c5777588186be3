#pragma once

#include "platform/net/HTTPHeaderFields.h"

#include <optional>
#include <string>
#include <string_view>

namespace net {

// Reads the head of an HTTP/1 response line by line, as libcurl hands the lines over: status
// lines, field lines, obsolete folded continuations, and the blank line that ends a head.
// Interim (1xx) heads are read and dropped; lines after the final head (trailers) are ignored.
// Time and memory grow in proportion to the head, however it is folded.
class ResponseHeaderParser {
public:
    // Takes one line, with or without its CR LF. True when it was the blank line ending the
    // final (non-1xx) head: status and fields are then complete.
    bool addLine(std::string_view line);

    bool isComplete() const { return complete_; }
    // 0 until a status line with a code has been read.
    int statusCode() const { return status_; }
    // The fields of the head read so far (a folded field counts once its head is complete).
    const HTTPHeaderFields& fields() const { return fields_; }

private:
    void finishField();

    int status_ = 0;
    HTTPHeaderFields fields_;
    // The field being read, which continuation lines may still extend.
    std::optional<std::pair<std::string, std::string>> pending_;
    bool complete_ = false;
};

} // namespace net
