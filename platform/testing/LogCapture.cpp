#include "platform/testing/LogCapture.h"

#include <algorithm>

namespace testing_support {

LogCapture::LogCapture()
    : previous_(base::installLogSink([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    })) {}

LogCapture::~LogCapture() {
    base::installLogSink(previous_);
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

} // namespace testing_support
