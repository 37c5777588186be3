#include "platform/gtk/WebKitResourceInterception.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GOwned.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/net/URLConnection.h"
#include "platform/ui/WebResourceInterception.h"

#include <cstdlib>
#include <webkit/webkit.h>

namespace gtk {

namespace {

// The folder of the extension module: $BROWSER_WEB_PROCESS_EXTENSIONS, else the build's.
std::string extensionsDirectory() {
    if (const char* set = std::getenv("BROWSER_WEB_PROCESS_EXTENSIONS"); set && *set)
        return set;
    return BROWSER_WEB_PROCESS_EXTENSIONS_DIR;
}

// What the extension reads: "(bas)", the active flag and the file names. Floating.
GVariant* stateVariant() {
    GVariantBuilder names;
    g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
    for (const auto& name : ui::WebResourceInterception::fileNames())
        g_variant_builder_add(&names, "s", name.c_str());
    return g_variant_new("(bas)", gboolean(ui::WebResourceInterception::isActive()), &names);
}

void finishWithData(WebKitURISchemeRequest* request, const base::Data& data,
                    const std::string& MIMEType) {
    auto bytes = adopt(g_bytes_new(data.bytes(), data.size()));
    auto stream = adopt(g_memory_input_stream_new_from_bytes(bytes.get()));
    webkit_uri_scheme_request_finish(request, stream.get(), gint64(data.size()),
                                     MIMEType.empty() ? nullptr : MIMEType.c_str());
}

void finishWithError(WebKitURISchemeRequest* request, const std::string& message) {
    auto error = adopt(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, message.c_str()));
    webkit_uri_scheme_request_finish_error(request, error.get());
}

// A request the extension sent to the scheme: the original URL is its "u".
void answer(WebKitURISchemeRequest* request) {
    std::optional<base::URL> original;
    if (const char* uri = webkit_uri_scheme_request_get_uri(request)) {
        const std::string text = uri;
        const auto query = text.find("?u=");
        if (query != std::string::npos) {
            auto unescaped = adopt(g_uri_unescape_string(text.substr(query + 3).c_str(), nullptr));
            if (unescaped)
                original = base::URL::parse(unescaped.get());
        }
    }
    if (!original || (original->scheme() != "http" && original->scheme() != "https")) {
        finishWithError(request, "Not an intercepted request.");
        return;
    }
    auto* engine = WebKitEngine::engineOfView(webkit_uri_scheme_request_get_web_view(request));
    if (auto resource = ui::WebResourceInterception::resourceForURL(
            *original, engine ? engine->clientWebView() : nullptr)) {
        finishWithData(request, resource->data, resource->MIMEType);
        return;
    }
    // Nothing of ours: the page gets what the network has at the original URL.
    net::URLConnection::sendAsynchronousRequest(
        net::URLRequest(*original),
        [held = std::make_shared<GOwned<WebKitURISchemeRequest>>(ref(request)),
         url = original->absoluteString()](const std::optional<net::HTTPURLResponse>& response,
                                           const base::Data& data,
                                           const std::optional<base::Error>& error) {
            if (error || !response || response->statusCode() / 100 != 2)
                finishWithError(held->get(), "Could not load " + url);
            else
                finishWithData(held->get(), data, response->MIMEType());
        });
}

void tellExtensions() {
    webkit_web_context_send_message_to_all_extensions(
        webkit_web_context_get_default(),
        webkit_user_message_new(WebKitResourceInterception::stateMessageName, stateVariant()));
}

} // namespace

void WebKitResourceInterception::prepareContext() {
    base::assertMainThread();
    // Tests may clear the interception's observer between web views.
    ui::WebResourceInterception::setObserver(tellExtensions);
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    WebKitWebContext* context = webkit_web_context_get_default();
    const std::string directory = extensionsDirectory();
    webkit_web_context_set_web_process_extensions_directory(context, directory.c_str());
    webkit_web_context_add_path_to_sandbox(context, directory.c_str(), TRUE);
    // Each new web process starts with the state of the moment.
    g_signal_connect(context, "initialize-web-process-extensions",
                     G_CALLBACK(+[](WebKitWebContext* context, gpointer) {
                         webkit_web_context_set_web_process_extensions_initialization_user_data(
                             context, stateVariant());
                     }),
                     nullptr);
    webkit_web_context_register_uri_scheme(
        context, scheme, +[](WebKitURISchemeRequest* request, gpointer) { answer(request); },
        nullptr, nullptr);
    // Pages of any origin take its answers as they would the network's.
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, scheme);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme);
}

} // namespace gtk
