#include "platform/base/Log.h"

#include "platform/base/NoDestructor.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace base {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

// Held by shared pointer so that a sink replaced while another thread is calling it stays
// alive until that call returns.
std::shared_ptr<const LogSink>& installedSink() {
    static NoDestructor<std::shared_ptr<const LogSink>> sink;
    return *sink;
}

void writeToStandardError(std::string_view message) {
    std::string line(message);
    if (!line.ends_with('\n'))
        line.push_back('\n');
    // One call, so the stream's lock keeps lines from different threads apart.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void log(std::string_view message) {
    std::shared_ptr<const LogSink> sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = installedSink();
    }
    // Called outside the lock: a sink may itself log or install another sink.
    if (sink)
        (*sink)(message.ends_with('\n') ? message.substr(0, message.size() - 1) : message);
    else
        writeToStandardError(message);
}

LogSink installLogSink(LogSink sink) {
    auto replacement = sink ? std::make_shared<const LogSink>(std::move(sink)) : nullptr;
    std::shared_ptr<const LogSink> previous;
    {
        std::lock_guard lock(sinkMutex());
        previous = std::exchange(installedSink(), std::move(replacement));
    }
    return previous ? *previous : LogSink();
}

} // namespace base
