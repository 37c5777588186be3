#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace base {

// A value made in place and never destroyed: a function-local static of this type is not torn
// down at exit, so code that runs while the process ends (other statics' destructors, threads
// still finishing a block) never finds it gone.
//
//     NotificationCenter& NotificationCenter::defaultCenter() {
//         static NoDestructor<NotificationCenter> center;
//         return *center;
//     }
struct MadeBy {
    explicit MadeBy() = default;
};
inline constexpr MadeBy madeBy{};

template <class T> class NoDestructor {
public:
    template <class... Args> explicit NoDestructor(Args&&... args) {
        std::construct_at(pointer(), std::forward<Args>(args)...);
    }
    // The value `make` returns, made in place (for types only their own class may construct).
    template <class Make> NoDestructor(MadeBy, Make make) {
        ::new (static_cast<void*>(storage_)) T(make());
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;
    // Deliberately trivial: the value outlives every other object of the process.
    ~NoDestructor() = default;

    T& operator*() { return *pointer(); }
    const T& operator*() const { return *pointer(); }
    T* operator->() { return pointer(); }
    const T* operator->() const { return pointer(); }
    T* get() { return pointer(); }

private:
    T* pointer() { return std::launder(reinterpret_cast<T*>(storage_)); }
    const T* pointer() const { return std::launder(reinterpret_cast<const T*>(storage_)); }

    alignas(T) std::byte storage_[sizeof(T)];
};

} // namespace base
