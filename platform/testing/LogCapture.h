#pragma once

#include "platform/base/Log.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Collects the console lines written while it lives, instead of printing them, and puts the
// earlier sink back when it goes. Lines may come from any thread.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    // Whether any line holds `text`.
    bool contains(std::string_view text) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    base::LogSink previous_;
};

} // namespace testing_support
