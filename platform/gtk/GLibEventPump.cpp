#include "platform/gtk/GLibEventPump.h"

#include <cmath>
#include <glib.h>

namespace gtk {

GLibEventPump::GLibEventPump(GMainContext* context)
    : context_(g_main_context_ref(context ? context : g_main_context_default())) {}

GLibEventPump::~GLibEventPump() {
    g_main_context_unref(context_);
}

void GLibEventPump::wait(base::Seconds maxWait) {
    if (woken_.exchange(false)) {
        // Work for the run loop is waiting: only take what GLib has ready.
        g_main_context_iteration(context_, FALSE);
        return;
    }
    const double milliseconds = std::ceil(maxWait.count() * 1000.0);
    if (!(milliseconds > 0)) {
        g_main_context_iteration(context_, FALSE);
        return;
    }
    // The timeout source bounds the poll; the context's own sources may end it sooner, and a
    // wakeUp() from any thread ends it at once.
    iterateOnce(context_, milliseconds > 3.6e6 ? 3600000u : static_cast<unsigned>(milliseconds));
}

void GLibEventPump::iterateOnce(GMainContext* context, unsigned milliseconds) {
    // The timeout source bounds the poll.
    GSource* timeout = g_timeout_source_new(milliseconds);
    g_source_set_callback(
        timeout, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(timeout, context);
    g_main_context_iteration(context, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
}

void GLibEventPump::wakeUp() {
    woken_.store(true);
    g_main_context_wakeup(context_);
}

} // namespace gtk
