// The bare engine's side of page_road_bench, a program of its own: one WebKitWebView filling
// a window, in an ephemeral network session as the browser's is, and nothing else of ours in
// the process. page_road_bench starts it (with the renderers the browser chooses for the
// machine already in its environment) and tells it, a line at a time:
//   load URL   loads the address until load-finished (with --until_signal: until the page's
//              load event, which a script message tells);
//   click      clicks the page's link (id "link") until the same end;
//   settle     waits until the web process has done what the last load left it to do;
// each answered "ok WALL CPU" (seconds of wall time and of this process's CPU time, from the
// command's arrival to its end) or "fail". It says "ready" once its window is shown, and ends
// with its input.
//
// page_road_bare WIDTH HEIGHT [--until_signal]

#include "bench/AlternatedPair.h"
#include "bench/CommandChannel.h"
#include "platform/gtk/GOwned.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtk/gtk.h>
#include <string>
#include <webkit/webkit.h>

namespace {

constexpr guint limitSeconds = 60;

// Serves the main loop until done() holds, or for the limit; returns done().
template <class Done> bool runUntil(Done&& done) {
    bool late = false;
    // Wakes the loop at the limit, should nothing else come.
    const guint wake = g_timeout_add_seconds(
        limitSeconds,
        [](gpointer late) {
            *static_cast<bool*>(late) = true;
            return G_SOURCE_REMOVE;
        },
        &late);
    while (!done() && !late)
        g_main_context_iteration(nullptr, TRUE);
    if (!late)
        g_source_remove(wake);
    return done();
}

class BareView {
public:
    BareView(int width, int height, bool untilSignal)
        : untilSignal_(untilSignal) {
        gtk_window_set_default_size(window_, width, height);
        // Each page tells its load event, for --until_signal.
        webkit_user_content_manager_register_script_message_handler(content_.get(), "bareLoad",
                                                                    nullptr);
        g_signal_connect(content_.get(), "script-message-received::bareLoad",
                         G_CALLBACK(+[](WebKitUserContentManager*, JSCValue*, gpointer count) {
                             ++*static_cast<long*>(count);
                         }),
                         &loadEvents_);
        auto atLoad = gtk::adopt(
            webkit_user_script_new("window.addEventListener('load', function () {"
                                   "window.webkit.messageHandlers.bareLoad.postMessage(0); });",
                                   WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr));
        webkit_user_content_manager_add_script(content_.get(), atLoad.get());
        view_ =
            WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session_.get(),
                                         "user-content-manager", content_.get(), nullptr));
        gtk_window_set_child(window_, GTK_WIDGET(view_));
        g_signal_connect(view_, "load-changed",
                         G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer count) {
                             if (event == WEBKIT_LOAD_FINISHED)
                                 ++*static_cast<long*>(count);
                         }),
                         &finished_);
        gtk_window_present(window_);
    }
    ~BareView() {
        g_signal_handlers_disconnect_by_data(view_, &finished_);
        g_signal_handlers_disconnect_by_data(content_.get(), &loadEvents_);
        gtk_window_destroy(window_);
    }
    BareView(const BareView&) = delete;
    BareView& operator=(const BareView&) = delete;

    bool loadAndWait(const std::string& address) {
        const long before = ends();
        webkit_web_view_load_uri(view_, address.c_str());
        return runUntil([&] { return ends() > before; });
    }
    bool clickLinkAndWait() {
        const long before = ends();
        // As the browser's script call does: the answer first, then the load.
        return evaluate("document.getElementById('link').click()") &&
               runUntil([&] { return ends() > before; });
    }
    // A script's answer comes once the web process has laid out and drawn the page.
    bool settle() { return evaluate("0"); }

private:
    // Runs the script and waits for its answer.
    bool evaluate(const char* script) {
        bool answered = false;
        webkit_web_view_evaluate_javascript(
            view_, script, -1, nullptr, nullptr, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer done) {
                gtk::adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                      result, nullptr));
                *static_cast<bool*>(done) = true;
            },
            &answered);
        return runUntil([&] { return answered; });
    }
    // The loads ended so far: load-finished, or the pages' load events with --until_signal.
    long ends() const { return untilSignal_ ? loadEvents_ : finished_; }

    bool untilSignal_;
    GtkWindow* window_ = GTK_WINDOW(gtk_window_new());
    gtk::GOwned<WebKitNetworkSession> session_ = gtk::adopt(webkit_network_session_new_ephemeral());
    gtk::GOwned<WebKitUserContentManager> content_ = gtk::adopt(webkit_user_content_manager_new());
    WebKitWebView* view_ = nullptr;
    long finished_ = 0;
    long loadEvents_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: page_road_bare WIDTH HEIGHT [--until_signal]\n");
        return 2;
    }
    const bool untilSignal = argc > 3 && std::strcmp(argv[3], "--until_signal") == 0;
    gtk_init();
    CommandChannel channel;
    BareView view(std::atoi(argv[1]), std::atoi(argv[2]), untilSignal);
    channel.answer("ready");
    for (;;) {
        while (!channel.ready())
            g_main_context_iteration(nullptr, TRUE);
        const auto command = channel.take();
        if (!command)
            return 0;
        const auto sample = AlternatedPair::measure([&] {
            if (command->rfind("load ", 0) == 0)
                return view.loadAndWait(command->substr(5));
            if (*command == "click")
                return view.clickLinkAndWait();
            if (*command == "settle")
                return view.settle();
            return false;
        });
        channel.answer(sample ? "ok " + std::to_string(sample->wall) + " " +
                                    std::to_string(sample->cpu)
                              : "fail");
    }
}
