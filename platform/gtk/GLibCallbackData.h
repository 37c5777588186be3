#pragma once

#include <memory>
#include <utility>

namespace gtk {

// Data handed to a GLib callback through its gpointer. give() moves the value to the heap and
// lets go of it; the callback takes it back with take() and so owns it from then on. Every
// asynchronous GLib call made with given data must have its callback run exactly once (GIO's
// async calls do, cancelled or not).
class GLibCallbackData {
public:
    GLibCallbackData() = delete;

    template <class T> static void* give(T value) {
        return std::make_unique<T>(std::move(value)).release();
    }
    template <class T> static std::unique_ptr<T> take(void* data) {
        return std::unique_ptr<T>(static_cast<T*>(data));
    }
};

} // namespace gtk
