#pragma once

// The program's half of ui::WebResourceInterception for the WebKit engine. WebKit gives the
// program no say over a page's subresource requests, so a module loaded into each web process
// (platform/gtk/webprocess) looks at them: while interception is active, a request for one of
// the intercepted file names is sent to the program's own URI scheme instead, which this class
// registers and answers with the handler's resource, or, when the handler has none, with what
// the network answers for the original URL. The module learns the names and the active flag
// when its process starts and again at every change.
//
// Main thread only.
namespace gtk {

class WebKitResourceInterception {
public:
    static constexpr const char* scheme = "vd-resource";
    static constexpr const char* stateMessageName = "resource-interception";

    WebKitResourceInterception() = delete;

    // Readies WebKit's web context once per process: the extension module's folder, its
    // start-up data, the scheme and the observer of interception changes. Called before the
    // first web view is made.
    static void prepareContext();
};

} // namespace gtk
