#pragma once

#include <functional>
#include <string_view>

namespace base {

// Writes the message to the console (standard error) as one line. The message is printed as it
// is and never read as a format: "%s" or "%@" in it come out literally. Embedded line breaks are
// kept; one line break is added at the end unless the message already ends with one. Lines
// written from several threads never interleave. Safe to call from any thread.
void log(std::string_view message);

// Receives each logged message (without the line break added at the end). It may be called
// from several threads at once.
using LogSink = std::function<void(std::string_view message)>;

// Sends log lines to `sink` instead of standard error, for the whole process; returns the sink
// it replaces (empty when that was standard error). An empty sink restores standard error.
LogSink installLogSink(LogSink sink);

} // namespace base
