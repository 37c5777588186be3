#include "platform/testing/ProcessThreads.h"

#include <filesystem>

namespace testing_support {

std::size_t processThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

} // namespace testing_support
