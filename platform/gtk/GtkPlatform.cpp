#include "platform/gtk/GtkPlatform.h"

#include "platform/base/RunLoop.h"
#include "platform/gtk/DesktopClipboard.h"
#include "platform/gtk/PangoTextMeasurer.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/WebEngineFactory.h"

#include <cstdlib>
#include <filesystem>
#include <gtk/gtk.h>
#include <string>
#include <unistd.h>

namespace gtk {

namespace {

bool installed = false;

// Whether the machine offers a GPU render node to this user.
bool hasRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("renderD", 0) == 0 && ::access(entry.path().c_str(), R_OK | W_OK) == 0)
            return true;
    }
    return false;
}

} // namespace

base::Result<void> GtkPlatform::install() {
    base::assertMainThread();
    if (installed)
        return {};
    chooseRenderers();
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
    installed = true;
    WebKitWebsiteData::shared().bindToShared();
    ui::WebEngineFactory::install(WebKitEngine::maker());
    ui::Pasteboard::general().install(DesktopClipboard::forDefaultDisplay());
    ui::TextMeasurer::install(std::make_shared<PangoTextMeasurer>());
    return {};
}

void GtkPlatform::chooseRenderers() {
    if (hasRenderNode())
        return;
    // Without a GPU render node (Xvfb on a server), WebKit's DMA-BUF renderer now and then never
    // shows the frames of a web view made after others were let go; its shared-memory path is
    // reliable there. GTK's GL renderer would draw on a software rasterizer, which holds tens of
    // megabytes and keeps threads busy; its cairo renderer draws the same window for far less.
    // Set before GTK starts and the first web view, and only where the person has not chosen.
    setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    setenv("GSK_RENDERER", "cairo", 0);
}

bool GtkPlatform::isInstalled() {
    return installed;
}

} // namespace gtk
