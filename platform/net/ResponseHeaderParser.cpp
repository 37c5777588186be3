#include "platform/net/ResponseHeaderParser.h"

#include "platform/base/Strings.h"

namespace net {

bool ResponseHeaderParser::addLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        // A new status line: an interim (1xx) answer or the real one.
        *this = ResponseHeaderParser();
        auto space = line.find(' ');
        if (space != std::string_view::npos) {
            auto code = base::trimSpacesAndTabs(line.substr(space + 1)).substr(0, 3);
            for (char c : code)
                if (c >= '0' && c <= '9')
                    status_ = status_ * 10 + (c - '0');
        }
        return false;
    }
    if (complete_)
        return false; // trailers
    if (line.empty()) {
        finishField();
        if (status_ >= 100 && status_ < 200)
            return false; // wait for the final answer
        complete_ = true;
        return true;
    }
    if (line.front() == ' ' || line.front() == '\t') {
        // An obsolete folded continuation of the field being read: appended in place, so that
        // a head of many folded lines costs no more than one of long lines.
        if (pending_) {
            pending_->second += ' ';
            pending_->second += base::trimSpacesAndTabs(line);
        }
        return false;
    }
    finishField();
    auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    pending_.emplace(base::trimSpacesAndTabs(line.substr(0, colon)),
                     base::trimSpacesAndTabs(line.substr(colon + 1)));
    return false;
}

void ResponseHeaderParser::finishField() {
    if (!pending_)
        return;
    // A field whose name is no token or whose value holds a NUL is left out.
    fields_.append(pending_->first, pending_->second);
    pending_.reset();
}

} // namespace net
