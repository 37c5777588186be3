#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace base {

// Callbacks to tell of a change, on the thread that made it. Thread-safe. An observer may add or
// remove observers (itself included) while it is being told; such changes count from the next
// notification on.
class ObserverList {
public:
    using Token = std::uint64_t;

    Token add(std::function<void()> observer);
    void remove(Token token);
    void notify() const;

private:
    mutable std::mutex mutex_;
    std::map<Token, std::shared_ptr<std::function<void()>>> observers_;
    Token nextToken_ = 1;
};

} // namespace base
