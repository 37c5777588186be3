#include "platform/gtk/MainWindow.h"

#include "platform/base/RunLoop.h"
#include "platform/gtk/PanelDialog.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <gtk/gtk.h>
#include <set>
#include <variant>

namespace gtk {

MainWindow::MainWindow(std::shared_ptr<ui::Window> window, const std::string& title)
    : window_(std::move(window)) {
    gtkWindow_ = refSink(gtk_window_new());
    gtk_window_set_title(GTK_WINDOW(gtkWindow_.get()), title.c_str());
    gtk_window_set_resizable(GTK_WINDOW(gtkWindow_.get()), FALSE);
    const ui::Size size = window_->bounds().size;
    gtk_window_set_default_size(GTK_WINDOW(gtkWindow_.get()),
                                static_cast<int>(std::ceil(size.width)),
                                static_cast<int>(std::ceil(size.height)));

    canvas_ = std::make_unique<ViewCanvas>(window_);
    overlay_ = gtk_overlay_new();
    gtk_overlay_set_child(GTK_OVERLAY(overlay_), canvas_->widget());
    gtk_window_set_child(GTK_WINDOW(gtkWindow_.get()), overlay_);
    paintable_ = adopt(gtk_widget_paintable_new(overlay_));

    g_signal_connect(gtkWindow_.get(), "close-request",
                     G_CALLBACK(+[](GtkWindow*, gpointer self) -> gboolean {
                         auto* window = static_cast<MainWindow*>(self);
                         if (window->closeHandler_) {
                             window->closeHandler_();
                             return TRUE;
                         }
                         return FALSE; // hides it
                     }),
                     this);
    // The model changes in the run loop's turns (timers, the engine's events, connections) and
    // in input handlers; the window follows at the end of each such turn. Input that reaches
    // GTK's own widgets (typing in an entry, a dialog's buttons) makes a turn of its own.
    turnObserver_ = base::RunLoop::main().addTurnObserver([this] { sync(); });
    GtkEventController* input = gtk_event_controller_legacy_new();
    gtk_event_controller_set_propagation_phase(input, GTK_PHASE_CAPTURE);
    g_signal_connect(
        input, "event",
        G_CALLBACK(+[](GtkEventControllerLegacy*, GdkEvent*, gpointer self) -> gboolean {
            static_cast<MainWindow*>(self)->syncAfterInput();
            return FALSE;
        }),
        this);
    gtk_widget_add_controller(gtkWindow_.get(), input);
}

void MainWindow::syncAfterInput() {
    if (syncAfterInput_)
        return;
    syncAfterInput_ = true;
    std::weak_ptr<bool> alive = alive_;
    base::RunLoop::main().dispatch([this, alive] {
        if (alive.lock())
            syncAfterInput_ = false;
    });
}

MainWindow::~MainWindow() {
    *alive_ = false;
    base::RunLoop::main().removeTurnObserver(turnObserver_);
    screenshot_.reset();
    g_signal_handlers_disconnect_by_data(gtkWindow_.get(), this);
    auto controllers = adopt(gtk_widget_observe_controllers(gtkWindow_.get()));
    for (guint i = 0; i < g_list_model_get_n_items(controllers.get()); ++i) {
        auto controller = adopt(static_cast<GObject*>(g_list_model_get_item(controllers.get(), i)));
        g_signal_handlers_disconnect_by_data(controller.get(), this);
    }
    panels_.clear();
    paintable_.reset();
    gtk_window_set_child(GTK_WINDOW(gtkWindow_.get()), nullptr);
    canvas_.reset();
    gtk_window_destroy(GTK_WINDOW(gtkWindow_.get()));
}

void MainWindow::present() {
    sync();
    gtk_window_present(GTK_WINDOW(gtkWindow_.get()));
}

GtkWindow* MainWindow::gtkWindow() const {
    return GTK_WINDOW(gtkWindow_.get());
}

void MainWindow::sync() {
    canvas_->sync();
    syncPanels();
    if (screenshot_)
        checkScreenshot();
}

void MainWindow::syncPanels() {
    std::set<const void*> shown;
    for (const auto& item : ui::Presentation::shared().items()) {
        std::shared_ptr<ui::ButtonPanel> panel;
        if (auto* alert = std::get_if<std::shared_ptr<ui::AlertView>>(&item))
            panel = *alert;
        else if (auto* sheet = std::get_if<std::shared_ptr<ui::ActionSheet>>(&item))
            panel = *sheet;
        if (!panel || !panel->isVisible())
            continue;
        shown.insert(panel.get());
        auto found = panels_.find(panel.get());
        if (found != panels_.end() && found->second->panel() == panel) {
            found->second->sync();
            continue;
        }
        auto dialog = std::make_unique<PanelDialog>(panel);
        gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), dialog->widget());
        panels_[panel.get()] = std::move(dialog);
    }
    for (auto it = panels_.begin(); it != panels_.end();) {
        if (!shown.count(it->first) || !it->second->panel())
            it = panels_.erase(it);
        else
            ++it;
    }
}

base::Result<void> MainWindow::writeScreenshot(const std::filesystem::path& file) {
    sync();
    const auto notOnScreen = [] {
        return base::Error::make("GtkPlatformErrorDomain", 2,
                                 "The window is not on screen yet: nothing to take a picture of.");
    };
    if (!gtk_widget_get_mapped(gtkWindow_.get()))
        return notOnScreen();
    // The paintable holds what the window drew last: let it draw what the model is now. A
    // window mapped a moment ago may not have its size yet either; the frame lays it out.
    waitForFrame();
    const int width = gtk_widget_get_width(overlay_);
    const int height = gtk_widget_get_height(overlay_);
    if (width <= 0 || height <= 0)
        return notOnScreen();
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable_.get(), snapshot, width, height);
    auto node = adopt(gtk_snapshot_free_to_node(snapshot));
    if (!node)
        return base::Error::make("GtkPlatformErrorDomain", 2, "The window drew nothing.");
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(gtkWindow_.get()));
    graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, float(width), float(height));
    auto texture = adopt(gsk_renderer_render_texture(renderer, node.get(), &viewport));
    if (!texture || !gdk_texture_save_to_png(texture.get(), file.c_str()))
        return base::Error::make("GtkPlatformErrorDomain", 3,
                                 "Could not write the picture to " + file.string() + ".");
    return {};
}

void MainWindow::waitForFrame() {
    GdkFrameClock* clock = gtk_widget_get_frame_clock(gtkWindow_.get());
    if (!clock)
        return;
    // Two frames: the first may have begun before the latest changes.
    int painted = 0;
    const gulong handler = g_signal_connect(
        clock, "after-paint", G_CALLBACK(+[](GdkFrameClock* clock, gpointer painted) {
            if (++*static_cast<int*>(painted) < 2)
                gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_PAINT);
        }),
        &painted);
    gtk_widget_queue_draw(canvas_->widget());
    gtk_widget_queue_draw(overlay_);
    base::RunLoop::main().runOthersUntil([&] { return painted >= 2; }, base::Seconds(2));
    g_signal_handler_disconnect(clock, handler);
}

void MainWindow::writeScreenshotWhenFirstPageFinished(std::filesystem::path file,
                                                      std::function<void(base::Result<void>)> done,
                                                      base::Seconds limit) {
    screenshot_ = std::make_unique<PendingScreenshot>();
    screenshot_->file = std::move(file);
    screenshot_->done = std::move(done);
    screenshot_->deadline = g_get_monotonic_time() + static_cast<std::int64_t>(limit.count() * 1e6);
    // Nothing may happen before the limit: look again then.
    screenshot_->limitSource = attachTimeout(
        static_cast<unsigned>(std::max(0.0, limit.count()) * 1000) + 1,
        [](void* self) -> int {
            static_cast<MainWindow*>(self)->checkScreenshot();
            return G_SOURCE_REMOVE;
        },
        this);
    checkScreenshot();
}

void MainWindow::checkScreenshot() {
    if (!screenshot_ || screenshot_->paintSource)
        return;
    bool finished = false;
    for (WebKitEngine* engine : canvas_->webEngines())
        finished = finished || engine->completedLoads() > 0;
    if (finished) {
        // Let the page paint before the picture is taken.
        screenshot_->paintSource = attachTimeout(
            static_cast<unsigned>(paintDelay.count() * 1000),
            [](void* self) -> int {
                static_cast<MainWindow*>(self)->finishScreenshot(true);
                return G_SOURCE_REMOVE;
            },
            this);
    } else if (g_get_monotonic_time() >= screenshot_->deadline) {
        finishScreenshot(false);
    }
}

void MainWindow::finishScreenshot(bool pageFinished) {
    auto pending = std::move(screenshot_);
    if (!pending)
        return;
    base::Result<void> result = writeScreenshot(pending->file);
    if (result && !pageFinished) {
        result = base::Error::make("GtkPlatformErrorDomain", 4,
                                   "No page finished loading in time; " + pending->file.string() +
                                       " shows the window as it was.");
    }
    if (pending->done)
        pending->done(std::move(result));
}

} // namespace gtk
