#pragma once

#include "platform/base/RunLoop.h"

#include <atomic>

typedef struct _GMainContext GMainContext;

namespace gtk {

// Serves a GLib main context (by default the thread-default one of the main thread, where GTK
// and WebKit put their sources) from inside base::RunLoop's waits, so one loop drives both:
// the run loop runs its own functions and timers, and whenever it would sleep it iterates the
// context instead, for at most as long as its next timer allows. GLib's own timeouts bound the
// poll as usual, so timers of either side fire on time and nothing spins.
class GLibEventPump final : public base::RunLoop::EventPump {
public:
    // The context is referenced for the pump's life; null means GLib's default context.
    explicit GLibEventPump(GMainContext* context = nullptr);
    ~GLibEventPump() override;
    GLibEventPump(const GLibEventPump&) = delete;
    GLibEventPump& operator=(const GLibEventPump&) = delete;

    // Dispatches what is ready; when nothing is, waits in the context's poll for at most
    // maxWait. A wakeUp() that came since the last wait makes it return without blocking.
    void wait(base::Seconds maxWait) override;
    // Thread-safe.
    void wakeUp() override;

    GMainContext* context() const { return context_; }

    // One iteration of `context` that blocks for at most `milliseconds` when nothing is ready
    // (its own sources may end the wait sooner), for code that must turn GLib's loop itself.
    static void iterateOnce(GMainContext* context, unsigned milliseconds);

private:
    GMainContext* context_;
    std::atomic<bool> woken_{false};
};

} // namespace gtk
