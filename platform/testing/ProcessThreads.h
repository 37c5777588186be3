#pragma once

#include <cstddef>

namespace testing_support {

// How many threads the process runs now (the entries of /proc/self/task).
std::size_t processThreadCount();

} // namespace testing_support
