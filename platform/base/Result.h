#pragma once

#include "platform/base/Error.h"

#include <utility>
#include <variant>

namespace base {

// The outcome of an operation that can fail: either a value or the error that stopped it.
// Reading value() of a failed result (or error() of a successful one) is a programming error and
// throws std::bad_variant_access.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : storage_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error)
        : storage_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return storage_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(storage_); }
    const T& value() const& { return std::get<0>(storage_); }
    T&& value() && { return std::get<0>(std::move(storage_)); }
    T valueOr(T fallback) const& { return ok() ? std::get<0>(storage_) : std::move(fallback); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(storage_); }

private:
    std::variant<T, Error> storage_;
};

// Success with nothing to hand back, or an error.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : error_(std::move(error))
        , ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const {
        if (ok_)
            throw std::bad_variant_access();
        return error_;
    }

private:
    Error error_;
    bool ok_ = true;
};

} // namespace base
