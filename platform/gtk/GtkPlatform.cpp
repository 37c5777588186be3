#include "platform/gtk/GtkPlatform.h"

#include "platform/base/RunLoop.h"
#include "platform/gtk/GLibEventPump.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/ui/WebEngineFactory.h"

#include <cstdlib>
#include <gtk/gtk.h>
#include <string>

namespace gtk {

namespace {

std::shared_ptr<GLibEventPump>& installedPump() {
    static std::shared_ptr<GLibEventPump> pump;
    return pump;
}

} // namespace

base::Result<void> GtkPlatform::install() {
    if (installedPump())
        return {};
    if (!gtk_init_check()) {
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        std::string where;
        if ((!x11 || !*x11) && (!wayland || !*wayland))
            where = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        else
            where = std::string("the display ") + (wayland && *wayland ? wayland : x11) +
                    " cannot be reached";
        return base::Error::make(ErrorDomain, NoDisplay,
                                 "Cannot open a window: " + where +
                                     ". Run the program on a desktop, or without one under "
                                     "Xvfb: xvfb-run -a <program> ...");
    }
    auto pump = std::make_shared<GLibEventPump>();
    base::RunLoop::main().setEventPump(pump);
    installedPump() = pump;
    WebKitWebsiteData::shared().bindToShared();
    ui::WebEngineFactory::install(WebKitEngine::maker());
    return {};
}

bool GtkPlatform::isInstalled() {
    return installedPump() != nullptr;
}

std::shared_ptr<GLibEventPump> GtkPlatform::eventPump() {
    return installedPump();
}

} // namespace gtk
