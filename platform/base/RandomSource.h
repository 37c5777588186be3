#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace base {

// Where the process gets random bytes (session identifiers, UUIDs, nonces). The system source
// draws from OpenSSL's cryptographically secure generator; tests install a deterministic one.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void fill(std::uint8_t* bytes, std::size_t size) = 0;

    // The installed source; safe to call from any thread.
    static std::shared_ptr<RandomSource> current();
    // Installs a source for the whole process; returns the one it replaces. nullptr restores
    // the system source.
    static std::shared_ptr<RandomSource> install(std::shared_ptr<RandomSource> source);
};

} // namespace base
