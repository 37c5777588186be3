// The page-process half of ui::WebResourceInterception for the WebKit engine (the other half is
// gtk::WebKitResourceInterception). Each request a page sends whose URL's last path segment is
// one of the intercepted file names, while interception is active, is sent instead to the
// program's own URI scheme, with the original URL as its "u" parameter; the program answers it.
// The names and the active flag come with the process's initialization data and, when they
// change, in a user message, both as the GVariant "(bas)".
//
// Everything here runs on the page process's main thread.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include <webkit/webkit-web-process-extension.h>

namespace {

constexpr const char* interceptionScheme = "vd-resource";
constexpr const char* stateMessageName = "resource-interception";

// Owners of what GLib hands over.
struct GLibFree {
    void operator()(char* text) const { g_free(text); }
    void operator()(GUri* uri) const { g_uri_unref(uri); }
    void operator()(GVariantIter* iterator) const { g_variant_iter_free(iterator); }
};
template <class T> using Owned = std::unique_ptr<T, GLibFree>;

struct State {
    bool active = false;
    std::vector<std::string> fileNames;
};

State& state() {
    static State value;
    return value;
}

void applyState(GVariant* parameters) {
    if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(bas)")))
        return;
    gboolean active = FALSE;
    GVariantIter* iterator = nullptr;
    g_variant_get(parameters, "(bas)", &active, &iterator);
    Owned<GVariantIter> names(iterator);
    State next;
    next.active = active;
    const char* name = nullptr;
    while (g_variant_iter_loop(names.get(), "&s", &name))
        next.fileNames.emplace_back(name);
    state() = std::move(next);
}

// The URI the request goes to instead, or empty when it goes where it was going.
std::string interceptedURI(const char* uri) {
    const State& current = state();
    if (!uri || !current.active || current.fileNames.empty())
        return {};
    Owned<GUri> parsed(g_uri_parse(uri, G_URI_FLAGS_ENCODED, nullptr));
    if (!parsed)
        return {};
    const char* scheme = g_uri_get_scheme(parsed.get());
    const std::string path = g_uri_get_path(parsed.get());
    const bool web = scheme && (g_ascii_strcasecmp(scheme, "http") == 0 ||
                                g_ascii_strcasecmp(scheme, "https") == 0);
    if (!web)
        return {};
    const std::string last = path.substr(path.find_last_of('/') + 1);
    if (last.empty() || std::find(current.fileNames.begin(), current.fileNames.end(), last) ==
                            current.fileNames.end())
        return {};
    Owned<char> escaped(g_uri_escape_string(uri, nullptr, FALSE));
    return std::string(interceptionScheme) + ":resource?u=" + escaped.get();
}

gboolean sendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const std::string replacement = interceptedURI(webkit_uri_request_get_uri(request));
    if (!replacement.empty())
        webkit_uri_request_set_uri(request, replacement.c_str());
    return FALSE; // the request goes on, to where it now points
}

void pageCreated(WebKitWebProcessExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(sendRequest), nullptr);
}

void messageReceived(WebKitWebProcessExtension*, WebKitUserMessage* message, gpointer) {
    if (g_strcmp0(webkit_user_message_get_name(message), stateMessageName) == 0)
        applyState(webkit_user_message_get_parameters(message));
}

} // namespace

extern "C" G_MODULE_EXPORT void
webkit_web_process_extension_initialize_with_user_data(WebKitWebProcessExtension* extension,
                                                       const GVariant* userData) {
    // WebKit lends the data for the call; reading it changes nothing.
    applyState(const_cast<GVariant*>(userData));
    g_signal_connect(extension, "page-created", G_CALLBACK(pageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(messageReceived), nullptr);
}
