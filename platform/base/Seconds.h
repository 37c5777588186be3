#pragma once

#include <chrono>

namespace base {

// A duration in seconds. Any std::chrono duration converts to it (500ms → 0.5 s).
using Seconds = std::chrono::duration<double>;

} // namespace base
