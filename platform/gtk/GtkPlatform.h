#pragma once

#include "platform/base/Result.h"

#include <memory>

namespace gtk {

// Start-up of the real backends, once per process, on the main thread before the run loop
// runs: opens the display (GTK and WebKit then live on GLib's main context, which is
// base::RunLoop::main()), and makes every new ui::WebView run a WebKitEngine sharing the
// process's cookie jar and URL cache, makes the general pasteboard the desktop's clipboard and
// has layout measure text as the window draws it (PangoTextMeasurer).
class GtkPlatform {
public:
    static constexpr const char* ErrorDomain = "GtkPlatformErrorDomain";
    enum ErrorCode : long { NoDisplay = 1 };

    GtkPlatform() = delete;

    // Does all of the above; later calls do nothing and succeed. When no display can be
    // opened it installs nothing and fails with NoDisplay and a message for the person
    // starting the program; the program should print it and exit with a non-zero status.
    static base::Result<void> install();
    static bool isInstalled();
    // The renderers that serve this machine, for GTK and WebKit, unless the person has chosen
    // through their environment variables; install() does it, before GTK starts.
    static void chooseRenderers();
};

} // namespace gtk
