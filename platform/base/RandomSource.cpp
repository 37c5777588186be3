#include "platform/base/RandomSource.h"

#include "platform/base/NoDestructor.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <openssl/rand.h>
#include <stdexcept>
#include <utility>

namespace base {

namespace {

class SystemRandomSource final : public RandomSource {
public:
    void fill(std::uint8_t* bytes, std::size_t size) override {
        while (size > 0) {
            const auto chunk = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
            // Without entropy there is no safe identifier to hand out; carrying on with
            // predictable bytes would be worse than stopping.
            if (RAND_bytes(bytes, chunk) != 1)
                throw std::runtime_error("The system's secure random generator failed.");
            bytes += chunk;
            size -= static_cast<std::size_t>(chunk);
        }
    }
};

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<RandomSource>& installedSource() {
    static NoDestructor<std::shared_ptr<RandomSource>> source(
        std::make_shared<SystemRandomSource>());
    return *source;
}

} // namespace

std::shared_ptr<RandomSource> RandomSource::current() {
    std::lock_guard lock(sourceMutex());
    return installedSource();
}

std::shared_ptr<RandomSource> RandomSource::install(std::shared_ptr<RandomSource> source) {
    if (!source)
        source = std::make_shared<SystemRandomSource>();
    std::lock_guard lock(sourceMutex());
    return std::exchange(installedSource(), std::move(source));
}

} // namespace base
