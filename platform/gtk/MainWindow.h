#pragma once

#include "platform/base/Result.h"
#include "platform/base/Seconds.h"
#include "platform/gtk/GOwned.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GdkPaintable GdkPaintable;

namespace ui {
class Window;
}

namespace gtk {

class PanelDialog;
class ViewCanvas;

// The program's window: a GTK window the size of the ui::Window (the device's screen) that
// shows its tree (ViewCanvas) and, over it, the alerts and action sheets on screen
// (PanelDialog, from ui::Presentation).
//
// The window follows the model at the end of every turn of the run loop in which something
// ran (RunLoop::addTurnObserver) and after every input event, and nowhere else: an idle
// window costs nothing. Only what changed is redrawn or moved. Clicks and typing reach the
// model (see ViewCanvas, TextFieldEntry, PanelDialog).
//
// Screenshots: writeScreenshot renders the whole window (web pages included) to a PNG file.
// writeScreenshotWhenFirstPageFinished waits for the first page of a web view in the window to
// finish (or fail), lets it paint, writes the file and hands the outcome to `done` (the
// program then exits).
class MainWindow {
public:
    // How long a finished page gets to paint before the screenshot.
    static constexpr base::Seconds paintDelay{0.7};

    explicit MainWindow(std::shared_ptr<ui::Window> window, const std::string& title = "Browser");
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window.
    void present();
    GtkWindow* gtkWindow() const;
    ViewCanvas& canvas() { return *canvas_; }

    // Brings the window in line with the model now.
    void sync();

    // Called when the person closes the window (the program stops its run loop). By default
    // the window only hides.
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }

    base::Result<void> writeScreenshot(const std::filesystem::path& file);
    // When no page has finished within `limit`, the window is written as it is then, and
    // the outcome says so.
    void writeScreenshotWhenFirstPageFinished(std::filesystem::path file,
                                              std::function<void(base::Result<void>)> done,
                                              base::Seconds limit = base::Seconds(60));

private:
    void syncPanels();
    // Makes a turn of the run loop after the input event being handled, so the window follows
    // what the event changed.
    void syncAfterInput();
    // Iterates GLib until the window has drawn a frame (at most two seconds).
    void waitForFrame();
    void checkScreenshot();
    void finishScreenshot(bool pageFinished);

    std::shared_ptr<ui::Window> window_;
    GOwned<GtkWidget> gtkWindow_;
    GtkWidget* overlay_ = nullptr;
    // Follows what the window draws, for screenshots.
    GOwned<GdkPaintable> paintable_;
    std::unique_ptr<ViewCanvas> canvas_;
    std::map<const void*, std::unique_ptr<PanelDialog>> panels_;
    std::uint64_t turnObserver_ = 0;
    bool syncAfterInput_ = false;
    std::function<void()> closeHandler_;

    struct PendingScreenshot {
        std::filesystem::path file;
        std::function<void(base::Result<void>)> done;
        std::int64_t deadline = 0; // monotonic microseconds
        GOwned<GSource> paintSource;
        GOwned<GSource> limitSource;
    };
    std::unique_ptr<PendingScreenshot> screenshot_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace gtk
