#include "platform/gtk/ViewCanvas.h"

#include "platform/base/Clock.h"
#include "platform/gtk/TextFieldEntry.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/ui/Application.h"
#include "platform/ui/Event.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Touch.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

// The GTK widget class behind ViewCanvas: it only forwards to its owner.
G_DECLARE_FINAL_TYPE(BrowserViewCanvas, browser_view_canvas, BROWSER, VIEW_CANVAS, GtkWidget)

struct _BrowserViewCanvas {
    GtkWidget parent_instance;
    gtk::ViewCanvas* owner;
};

G_DEFINE_FINAL_TYPE(BrowserViewCanvas, browser_view_canvas, GTK_TYPE_WIDGET)

static void browser_view_canvas_init(BrowserViewCanvas* self) {
    self->owner = nullptr;
}

static void browser_view_canvas_class_init(BrowserViewCanvasClass* klass) {
    GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
    widget->measure = [](GtkWidget* self, GtkOrientation orientation, int, int* minimum,
                         int* natural, int* minimumBaseline, int* naturalBaseline) {
        *minimum = *natural = 0;
        *minimumBaseline = *naturalBaseline = -1;
        if (auto* owner = BROWSER_VIEW_CANVAS(self)->owner)
            owner->measure(orientation == GTK_ORIENTATION_HORIZONTAL, minimum, natural);
    };
    widget->size_allocate = [](GtkWidget* self, int width, int height, int) {
        if (auto* owner = BROWSER_VIEW_CANVAS(self)->owner)
            owner->allocate(width, height);
    };
    widget->snapshot = [](GtkWidget* self, GtkSnapshot* snapshot) {
        if (auto* owner = BROWSER_VIEW_CANVAS(self)->owner)
            owner->snapshot(snapshot);
    };
}

namespace gtk {

namespace {

double now() {
    return double(base::Clock::current().monotonicNanoseconds()) / 1e9;
}

bool isInsideWebView(const ui::View* view) {
    for (; view; view = view->superviewPointer())
        if (dynamic_cast<const ui::WebView*>(view))
            return true;
    return false;
}

// Whether all the view holds is drawn within its bounds.
bool keepsInside(const ui::View& view) {
    if (view.clipsToBounds())
        return true;
    const ui::Rect bounds = view.bounds();
    for (const auto& subview : view.subviews())
        if (!bounds.containsRect(subview->frame()) || !keepsInside(*subview))
            return false;
    return true;
}

// Appends the affine transform as the 2D steps it is made of (a move, a turn, a slant, a
// scale): GTK's cairo renderer draws transforms made of such steps, but paints what lies under
// a transform given as a bare matrix as a pink box (a turned delete circle became a pink
// square). False when the transform flattens everything to a line or a point.
bool appendTransform(GtkSnapshot* snapshot, const ui::AffineTransform& t) {
    // [a c; b d] = turn(angle) * [scaleX shear; 0 scaleY], shear = scaleY * tan(slant).
    const double scaleX = std::hypot(t.a, t.b);
    const double determinant = t.a * t.d - t.b * t.c;
    if (scaleX < 1e-9 || std::abs(determinant) < 1e-9)
        return false;
    const double scaleY = determinant / scaleX;
    const double slant = std::atan((t.a * t.c + t.b * t.d) / (scaleX * scaleY));
    constexpr double degrees = 180.0 / 3.14159265358979323846;
    graphene_point_t move = GRAPHENE_POINT_INIT(float(t.tx), float(t.ty));
    gtk_snapshot_translate(snapshot, &move);
    gtk_snapshot_rotate(snapshot, float(std::atan2(t.b, t.a) * degrees));
    if (std::abs(slant) > 1e-9)
        gtk_snapshot_transform(snapshot,
                               adopt(gsk_transform_skew(nullptr, float(slant * degrees), 0)).get());
    if (std::abs(scaleX - 1) > 1e-9 || std::abs(scaleY - 1) > 1e-9)
        gtk_snapshot_scale(snapshot, float(scaleX), float(scaleY));
    return true;
}

bool drawsItself(const ui::View& view) {
    if (view.backgroundColor() && view.backgroundColor()->alpha > 0)
        return true;
    if (view.layer().borderWidth > 0)
        return true;
    const std::string name = view.className();
    // Plain containers draw nothing of their own.
    return !(name == "View" || name == "Window" || name == "ScrollView" || name == "Control");
}

} // namespace

ViewCanvas::ViewCanvas(std::shared_ptr<ui::Window> window)
    : window_(std::move(window)) {
    widget_ = refSink(GTK_WIDGET(g_object_new(browser_view_canvas_get_type(), nullptr)));
    BROWSER_VIEW_CANVAS(widget_.get())->owner = this;
    gtk_widget_set_focusable(widget_.get(), TRUE);
    gtk_widget_set_overflow(widget_.get(), GTK_OVERFLOW_HIDDEN);

    GtkGesture* click = gtk_gesture_click_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), GDK_BUTTON_PRIMARY);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(click), GTK_PHASE_CAPTURE);
    g_signal_connect(
        click, "pressed",
        G_CALLBACK(+[](GtkGestureClick* gesture, int, double x, double y, gpointer self) {
            if (static_cast<ViewCanvas*>(self)->pointerPressed(ui::Point(x, y)))
                gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
        }),
        this);
    g_signal_connect(click, "released",
                     G_CALLBACK(+[](GtkGestureClick*, int, double x, double y, gpointer self) {
                         static_cast<ViewCanvas*>(self)->pointerReleased(ui::Point(x, y));
                     }),
                     this);
    g_signal_connect(click, "cancel",
                     G_CALLBACK(+[](GtkGesture*, GdkEventSequence*, gpointer self) {
                         static_cast<ViewCanvas*>(self)->pointerCancelled();
                     }),
                     this);
    gtk_widget_add_controller(widget_.get(), GTK_EVENT_CONTROLLER(click));

    // A press held still on a page is the window's long press; when the application takes it,
    // the page does not get the release as a click.
    GtkGesture* hold = gtk_gesture_long_press_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(hold), GDK_BUTTON_PRIMARY);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(hold), GTK_PHASE_CAPTURE);
    g_signal_connect(
        hold, "pressed",
        G_CALLBACK(+[](GtkGestureLongPress* gesture, double x, double y, gpointer self) {
            if (static_cast<ViewCanvas*>(self)->longPressed(ui::Point(x, y)))
                gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
        }),
        this);
    gtk_widget_add_controller(widget_.get(), GTK_EVENT_CONTROLLER(hold));

    // Drags over a page that a gesture recognizer of the model may take (dragBegan).
    GtkGesture* drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), GDK_BUTTON_PRIMARY);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(drag), GTK_PHASE_CAPTURE);
    g_signal_connect(drag, "drag-begin",
                     G_CALLBACK(+[](GtkGestureDrag*, double x, double y, gpointer self) {
                         static_cast<ViewCanvas*>(self)->dragBegan(ui::Point(x, y));
                     }),
                     this);
    g_signal_connect(drag, "drag-end",
                     G_CALLBACK(+[](GtkGestureDrag* gesture, double dx, double dy, gpointer self) {
                         double x = 0;
                         double y = 0;
                         gtk_gesture_drag_get_start_point(gesture, &x, &y);
                         static_cast<ViewCanvas*>(self)->dragEnded(ui::Point(x + dx, y + dy));
                     }),
                     this);
    g_signal_connect(drag, "cancel", G_CALLBACK(+[](GtkGesture*, GdkEventSequence*, gpointer self) {
                         static_cast<ViewCanvas*>(self)->dragCancelled();
                     }),
                     this);
    gtk_widget_add_controller(widget_.get(), GTK_EVENT_CONTROLLER(drag));
    drag_ = drag;

    GtkEventController* motion = gtk_event_controller_motion_new();
    gtk_event_controller_set_propagation_phase(motion, GTK_PHASE_CAPTURE);
    g_signal_connect(motion, "motion",
                     G_CALLBACK(+[](GtkEventControllerMotion*, double x, double y, gpointer self) {
                         static_cast<ViewCanvas*>(self)->pointerMoved(ui::Point(x, y));
                     }),
                     this);
    gtk_widget_add_controller(widget_.get(), motion);

    // Before the page: the wheel over a page is the model's while it moves the page's top inset.
    GtkEventController* scroll =
        gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_BOTH_AXES);
    gtk_event_controller_set_propagation_phase(scroll, GTK_PHASE_CAPTURE);
    g_signal_connect(scroll, "scroll",
                     G_CALLBACK(+[](GtkEventControllerScroll* controller, double dx, double dy,
                                    gpointer self) -> gboolean {
                         const bool discrete = gtk_event_controller_scroll_get_unit(controller) ==
                                               GDK_SCROLL_UNIT_WHEEL;
                         return static_cast<ViewCanvas*>(self)->scrolled(dx, dy, discrete);
                     }),
                     this);
    gtk_widget_add_controller(widget_.get(), scroll);
    sync();
}

ViewCanvas::~ViewCanvas() {
    for (auto& [key, child] : children_)
        drop(child);
    children_.clear();
    auto controllers = adopt(gtk_widget_observe_controllers(widget_.get()));
    for (guint i = 0; i < g_list_model_get_n_items(controllers.get()); ++i) {
        auto controller = adopt(static_cast<GObject*>(g_list_model_get_item(controllers.get(), i)));
        g_signal_handlers_disconnect_by_data(controller.get(), this);
    }
    BROWSER_VIEW_CANVAS(widget_.get())->owner = nullptr;
}

// --- Keeping up with the model.

bool ViewCanvas::sync() {
    for (auto& [key, child] : children_)
        child.seen = false;
    std::size_t hash = 0;
    bool placementChanged = false;
    painted_.clear();
    walk(*window_, true, hash, placementChanged);
    for (auto it = children_.begin(); it != children_.end();) {
        if (!it->second.seen) {
            drop(it->second);
            it = children_.erase(it);
            placementChanged = true;
        } else {
            ++it;
        }
    }
    const bool coveringChanged = showOnlyWhatIsSeen(placementChanged);
    for (auto& [key, child] : children_)
        if (child.entry)
            child.entry->sync();
    painter_.purgeImages();
    const bool redraw = hash != shownHash_ || coveringChanged;
    shownHash_ = hash;
    if (placementChanged)
        gtk_widget_queue_allocate(widget_.get());
    if (redraw)
        gtk_widget_queue_draw(widget_.get());
    return redraw || placementChanged;
}

void ViewCanvas::walk(ui::View& view, bool visible, std::size_t& hash, bool& placementChanged) {
    visible = visible && !view.isHidden() && view.alpha() >= 0.01;
    hash ^= ViewPainter::lookHash(view) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    hash ^= std::hash<const void*>{}(&view) + (hash << 6) + (hash >> 2);
    if (auto* webView = dynamic_cast<ui::WebView*>(&view)) {
        if (auto* engine = dynamic_cast<WebKitEngine*>(&webView->engine()))
            place(view, engine->widget(), nullptr, engine, visible, placementChanged);
    } else if (auto* field = dynamic_cast<ui::TextField*>(&view)) {
        auto found = children_.find(&view);
        if (found == children_.end() || !found->second.entry ||
            found->second.view.lock().get() != &view) {
            auto entry = std::make_unique<TextFieldEntry>(
                std::static_pointer_cast<ui::TextField>(field->shared_from_this()));
            GtkWidget* widget = entry->widget();
            place(view, widget, std::move(entry), nullptr, visible, placementChanged);
        } else {
            place(view, found->second.widget.get(), nullptr, nullptr, visible, placementChanged);
        }
    }
    const auto subviews = view.subviews();
    for (const auto& subview : subviews)
        walk(*subview, visible, hash, placementChanged);
}

void ViewCanvas::place(ui::View& view, GtkWidget* widget, std::unique_ptr<TextFieldEntry> entry,
                       WebKitEngine* engine, bool visible, bool& placementChanged) {
    Child& child = children_[&view];
    if (child.widget.get() != widget || child.view.lock().get() != &view) {
        drop(child);
        child = Child{};
        child.view = view.weak_from_this();
        child.widget = ref(widget);
        child.entry = std::move(entry);
        child.engine = engine;
        if (GtkWidget* parent = gtk_widget_get_parent(widget); parent && parent != widget_.get())
            gtk_widget_unparent(widget);
        if (!gtk_widget_get_parent(widget))
            gtk_widget_set_parent(widget, widget_.get());
        // Shown once the whole tree has been looked at (showOnlyWhatIsSeen).
        gtk_widget_set_child_visible(widget, FALSE);
        placementChanged = true;
    } else if (gtk_widget_get_parent(widget) != widget_.get()) {
        // Taken away by its owner (an engine that went): put it back while the view lives.
        gtk_widget_set_parent(widget, widget_.get());
        gtk_widget_set_child_visible(widget, child.shown);
        placementChanged = true;
    }
    child.seen = true;
    painted_.push_back(&view);
    ui::Rect frame = view.convertRectToView(view.bounds(), nullptr);
    child.viewFrame = frame;
    // A field's entry covers its text area alone: the text is clipped there, clear of the
    // field's left and right views.
    if (auto* field = dynamic_cast<ui::TextField*>(&view))
        frame = view.convertRectToView(field->textRectForBounds(view.bounds()), nullptr);
    const auto fill = ViewPainter::solidFill(view);
    child.fillsView = fill && fill->alpha >= 1.0;
    double topInset = 0.0;
    if (engine) {
        // The page starts below the top inset and ends above the bottom one, rather than
        // being padded inside the view: padding would leave fixed and absolutely placed
        // content under the bars. As the page scrolls up into the top inset, it starts
        // higher, so that it moves with what scrolls away above it.
        const ui::EdgeInsets& inset = engine->contentInset();
        topInset = std::clamp(static_cast<ui::WebView&>(view).scrollView()->topInsetInView(), 0.0,
                              frame.size.height);
        frame.origin.y += topInset;
        frame.size.height =
            std::max(0.0, frame.size.height - topInset - std::max(0.0, inset.bottom));
    }
    if (frame != child.frame || topInset != child.topInset) {
        child.frame = frame;
        child.topInset = topInset;
        placementChanged = true;
    }
    child.visible = visible;
    child.opaque = true;
    for (const ui::View* above = &view; above && child.opaque; above = above->superviewPointer())
        child.opaque = above->alpha() >= 1.0;
}

bool ViewCanvas::showOnlyWhatIsSeen(bool& placementChanged) {
    // A page wholly under another page drawn after it (the tabs' web views, stacked) is not
    // shown: it gets no events, and WebKit neither draws it nor runs its page at full pace.
    // Under an opaque page, what its view paints cannot be seen either: it is not painted,
    // so that a frame of the page on top costs the same however many tabs lie below it.
    std::vector<const Child*> pages;
    for (const ui::View* view : painted_)
        if (const Child& child = children_.at(view); child.engine && child.visible)
            pages.push_back(&child);
    bool coveringChanged = false;
    for (const ui::View* view : painted_) {
        Child& child = children_.at(view);
        bool shown = child.visible;
        bool covered = false;
        if (shown && child.engine) {
            auto self = std::find(pages.begin(), pages.end(), &child);
            shown = std::none_of(self + 1, pages.end(), [&](const Child* above) {
                return above->frame.containsRect(child.frame);
            });
            // Its view paints all of itself, top inset included; the page above hides that
            // where its view's opaque fill or its page lies.
            covered =
                keepsInside(*view) && std::any_of(self + 1, pages.end(), [&](const Child* above) {
                    const ui::Rect& hides = above->fillsView ? above->viewFrame : above->frame;
                    return above->opaque && hides.containsRect(child.viewFrame);
                });
        }
        if (covered != child.covered) {
            child.covered = covered;
            coveringChanged = true;
        }
        if (shown != child.shown) {
            child.shown = shown;
            gtk_widget_set_child_visible(child.widget.get(), shown);
            placementChanged = true;
        }
    }
    // GTK gives a click to the last child under it: keep the children in painting order.
    GtkWidget* previous = nullptr;
    for (const ui::View* view : painted_) {
        GtkWidget* widget = children_.at(view).widget.get();
        if (gtk_widget_get_parent(widget) != widget_.get())
            continue;
        const GtkWidget* expected = previous ? gtk_widget_get_next_sibling(previous)
                                             : gtk_widget_get_first_child(widget_.get());
        if (widget != expected)
            gtk_widget_insert_after(widget, widget_.get(), previous);
        previous = widget;
    }
    return coveringChanged;
}

void ViewCanvas::drop(Child& child) {
    if (!child.widget)
        return;
    child.entry.reset(); // unparents its own widget
    if (gtk_widget_get_parent(child.widget.get()) == widget_.get())
        gtk_widget_unparent(child.widget.get());
    child.widget.reset();
}

GtkWidget* ViewCanvas::widgetFor(const ui::View& view) const {
    auto found = children_.find(&view);
    return found == children_.end() ? nullptr : found->second.widget.get();
}

std::vector<WebKitEngine*> ViewCanvas::webEngines() const {
    std::vector<WebKitEngine*> engines;
    for (const auto& [key, child] : children_)
        if (child.engine && !child.view.expired())
            engines.push_back(child.engine);
    return engines;
}

// --- Layout and painting.

void ViewCanvas::measure(bool horizontal, int* minimum, int* natural) const {
    const ui::Size size = window_->bounds().size;
    *minimum = 0;
    *natural = static_cast<int>(std::ceil(horizontal ? size.width : size.height));
}

void ViewCanvas::allocate(int, int) {
    for (auto& [key, child] : children_) {
        GtkWidget* widget = child.widget.get();
        if (!widget || gtk_widget_get_parent(widget) != widget_.get())
            continue;
        int minimumWidth = 0;
        int minimumHeight = 0;
        gtk_widget_measure(widget, GTK_ORIENTATION_HORIZONTAL, -1, &minimumWidth, nullptr, nullptr,
                           nullptr);
        gtk_widget_measure(widget, GTK_ORIENTATION_VERTICAL, -1, &minimumHeight, nullptr, nullptr,
                           nullptr);
        GtkAllocation allocation{
            static_cast<int>(std::lround(child.frame.origin.x)),
            static_cast<int>(std::lround(child.frame.origin.y)),
            std::max(minimumWidth, static_cast<int>(std::lround(child.frame.size.width))),
            std::max(minimumHeight, static_cast<int>(std::lround(child.frame.size.height)))};
        gtk_widget_size_allocate(widget, &allocation, -1);
    }
}

void ViewCanvas::snapshot(GtkSnapshot* snapshot) {
    ++snapshots_;
    viewsDrawn_ = 0;
    for (auto& [view, painted] : paintedNodes_)
        painted.used = false;
    paintView(*window_, snapshot, true);
    paintStatusBar(snapshot);
    std::erase_if(paintedNodes_, [](const auto& entry) { return !entry.second.used; });
}

GskRenderNode* ViewCanvas::ownNode(const ui::View& view) {
    const ui::Rect area = ViewPainter::paintRect(view);
    std::size_t look = ViewPainter::lookHash(view);
    for (double edge : {area.origin.x, area.origin.y, area.size.width, area.size.height})
        look ^= std::hash<double>{}(edge) + 0x9e3779b97f4a7c15ULL + (look << 6) + (look >> 2);
    Painted& painted = paintedNodes_[&view];
    painted.used = true;
    if (painted.node && painted.look == look && painted.view.lock().get() == &view)
        return painted.node.get();
    graphene_rect_t bounds = GRAPHENE_RECT_INIT(float(area.origin.x), float(area.origin.y),
                                                float(area.size.width), float(area.size.height));
    painted.view = view.weak_from_this();
    painted.look = look;
    painted.node = adopt(gsk_cairo_node_new(&bounds));
    ++viewsPainted_;
    painter_.paint(view, adopt(gsk_cairo_node_get_draw_context(painted.node.get())).get());
    return painted.node.get();
}

void ViewCanvas::paintView(ui::View& view, GtkSnapshot* snapshot, bool isRoot) {
    if (view.isHidden() || view.alpha() < 0.01)
        return;
    if (auto found = children_.find(&view); found != children_.end() && found->second.covered)
        return;
    const ui::Rect bounds = view.bounds();
    const double width = bounds.size.width;
    const double height = bounds.size.height;
    gtk_snapshot_save(snapshot);
    if (!isRoot) {
        const ui::Point center = view.center();
        const ui::AffineTransform& t = view.transform();
        if (t == ui::AffineTransform::identity()) {
            graphene_point_t origin =
                GRAPHENE_POINT_INIT(float(center.x - width / 2), float(center.y - height / 2));
            gtk_snapshot_translate(snapshot, &origin);
        } else {
            graphene_point_t c = GRAPHENE_POINT_INIT(float(center.x), float(center.y));
            gtk_snapshot_translate(snapshot, &c);
            if (!appendTransform(snapshot, t)) {
                // Flattened to nothing: nothing of it can be seen.
                gtk_snapshot_restore(snapshot);
                return;
            }
            graphene_point_t back = GRAPHENE_POINT_INIT(float(-width / 2), float(-height / 2));
            gtk_snapshot_translate(snapshot, &back);
        }
    }
    const bool translucent = view.alpha() < 1.0;
    if (translucent)
        gtk_snapshot_push_opacity(snapshot, view.alpha());

    graphene_rect_t own = GRAPHENE_RECT_INIT(0, 0, float(width), float(height));
    if (drawsItself(view) && width > 0 && height > 0) {
        if (auto fill = ViewPainter::solidFill(view)) {
            if (fill->alpha > 0) {
                ++viewsDrawn_;
                const GdkRGBA rgba{float(fill->red), float(fill->green), float(fill->blue),
                                   float(fill->alpha)};
                gtk_snapshot_append_color(snapshot, &rgba, &own);
            }
        } else {
            ++viewsDrawn_;
            gtk_snapshot_append_node(snapshot, ownNode(view));
        }
    }
    if (auto found = children_.find(&view);
        found != children_.end() && found->second.widget && found->second.shown &&
        gtk_widget_get_parent(found->second.widget.get()) == widget_.get()) {
        gtk_snapshot_save(snapshot);
        const Child& child = found->second;
        graphene_point_t back = GRAPHENE_POINT_INIT(float(-child.frame.origin.x),
                                                    float(child.topInset - child.frame.origin.y));
        gtk_snapshot_translate(snapshot, &back);
        gtk_widget_snapshot_child(widget_.get(), found->second.widget.get(), snapshot);
        gtk_snapshot_restore(snapshot);
    }

    const bool clips = view.clipsToBounds();
    if (clips) {
        if (view.layer().cornerRadius > 0) {
            GskRoundedRect rounded;
            gsk_rounded_rect_init_from_rect(&rounded, &own, float(view.layer().cornerRadius));
            gtk_snapshot_push_rounded_clip(snapshot, &rounded);
        } else {
            gtk_snapshot_push_clip(snapshot, &own);
        }
    }
    graphene_point_t scroll = GRAPHENE_POINT_INIT(float(-bounds.origin.x), float(-bounds.origin.y));
    gtk_snapshot_translate(snapshot, &scroll);
    const auto subviews = view.subviews();
    for (const auto& subview : subviews)
        paintView(*subview, snapshot, false);
    if (clips)
        gtk_snapshot_pop(snapshot);
    if (translucent)
        gtk_snapshot_pop(snapshot);
    gtk_snapshot_restore(snapshot);
}

void ViewCanvas::paintStatusBar(GtkSnapshot* snapshot) {
    if (ui::Application::shared().isStatusBarHidden())
        return;
    const double width = window_->bounds().size.width;
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M", &local);
    graphene_rect_t strip =
        GRAPHENE_RECT_INIT(0, 0, float(width), float(ui::Screen::statusBarHeight));
    graphene_rect_t painted = GRAPHENE_RECT_INIT(0, 0, 0, 0);
    if (statusBarNode_)
        gsk_render_node_get_bounds(statusBarNode_.get(), &painted);
    if (statusBarNode_ && statusBarClock_ == clock && graphene_rect_equal(&painted, &strip)) {
        gtk_snapshot_append_node(snapshot, statusBarNode_.get());
        return;
    }
    // The clock shows minutes: the strip is drawn again when the next one begins.
    clockSource_ = attachTimeout(
        static_cast<unsigned>(60 - local.tm_sec) * 1000,
        [](void* widget) -> int {
            gtk_widget_queue_draw(static_cast<GtkWidget*>(widget));
            return G_SOURCE_REMOVE;
        },
        widget_.get());
    statusBarClock_ = clock;
    statusBarNode_ = adopt(gsk_cairo_node_new(&strip));
    auto context = adopt(gsk_cairo_node_get_draw_context(statusBarNode_.get()));
    cairo_t* cr = context.get();
    auto layout = adopt(pango_cairo_create_layout(cr));
    pango_layout_set_font_description(
        layout.get(), ViewPainter::fontDescription(ui::Font::boldSystemFont(12)).get());
    pango_layout_set_text(layout.get(), clock, -1);
    int textWidth = 0;
    int textHeight = 0;
    pango_layout_get_pixel_size(layout.get(), &textWidth, &textHeight);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, (width - textWidth) / 2, (ui::Screen::statusBarHeight - textHeight) / 2);
    pango_cairo_show_layout(cr, layout.get());
    gtk_snapshot_append_node(snapshot, statusBarNode_.get());
}

// --- Input.

bool ViewCanvas::pointerPressed(ui::Point point) {
    pointer_ = point;
    auto hit = window_->hitTest(point, nullptr);
    if (!hit || isInsideWebView(hit.get()))
        return false; // nothing there, or a page: WebKit takes the click
    const bool textField = dynamic_cast<ui::TextField*>(hit.get()) != nullptr;
    const double time = now();
    touch_ = std::make_shared<ui::Touch>(point, ui::TouchPhase::Began, time, 1);
    touch_->setWindow(window_);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch_}));
    sync();
    return !textField;
}

bool ViewCanvas::longPressed(ui::Point point) {
    // A press on one of our own controls stays a press of that control.
    if (touch_)
        return false;
    // The page under the press, if any, as it is before the application acts on the press.
    WebKitEngine* page = nullptr;
    ui::Point inPage;
    if (auto hit = window_->hitTest(point, nullptr); hit && isInsideWebView(hit.get())) {
        ui::View* view = hit.get();
        while (!dynamic_cast<ui::WebView*>(view))
            view = view->superviewPointer();
        if (auto found = children_.find(view); found != children_.end() && found->second.engine) {
            page = found->second.engine;
            inPage = ui::Point(point.x - found->second.frame.origin.x,
                               point.y - found->second.frame.origin.y);
        }
    }
    const bool taken = window_->longPress(point);
    // The page had the press too; taken from it, the press is no click there.
    if (taken && page && std::any_of(children_.begin(), children_.end(), [&](const auto& entry) {
            return entry.second.engine == page && !entry.second.view.expired();
        }))
        page->pressTaken(inPage);
    sync();
    return taken;
}

void ViewCanvas::pointerMoved(ui::Point point) {
    pointer_ = point;
    if (!touch_)
        return;
    const double time = now();
    touch_->update(point, ui::TouchPhase::Moved, time);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch_}));
    if (dragTouch_ && !dragClaimed_ && touch_ &&
        window_->isTouchTakenByGestureRecognizer(*touch_)) {
        // The drag is the model's now: the page gets no more of it.
        dragClaimed_ = true;
        gtk_gesture_set_state(drag_, GTK_EVENT_SEQUENCE_CLAIMED);
    }
    sync();
}

bool ViewCanvas::dragBegan(ui::Point point) {
    if (touch_)
        return false;
    auto hit = window_->hitTest(point, nullptr);
    if (!hit || !isInsideWebView(hit.get()) || !window_->hasGestureRecognizerForTouchAt(point))
        return false;
    pointer_ = point;
    const double time = now();
    touch_ = std::make_shared<ui::Touch>(point, ui::TouchPhase::Began, time, 1);
    touch_->setWindow(window_);
    dragTouch_ = true;
    dragClaimed_ = false;
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch_}));
    sync();
    return true;
}

void ViewCanvas::dragEnded(ui::Point point) {
    if (!dragTouch_)
        return;
    dragTouch_ = false;
    pointerReleased(point);
}

void ViewCanvas::dragCancelled() {
    if (!dragTouch_)
        return;
    dragTouch_ = false;
    pointerCancelled();
}

void ViewCanvas::pointerReleased(ui::Point point) {
    // A drag over a page ends with the drag gesture, not with the click's.
    if (!touch_ || dragTouch_)
        return;
    auto touch = std::move(touch_);
    const double time = now();
    touch->update(point, ui::TouchPhase::Ended, time);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch}));
    sync();
}

void ViewCanvas::pointerCancelled() {
    if (!touch_ || dragTouch_)
        return;
    auto touch = std::move(touch_);
    const double time = now();
    touch->update(touch->locationInView(nullptr), ui::TouchPhase::Cancelled, time);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch}));
    sync();
}

bool ViewCanvas::scrolled(double dx, double dy, bool discrete) {
    auto hit = window_->hitTest(pointer_, nullptr);
    if (!hit)
        return false;
    const double step = discrete ? 40.0 : 1.0;
    if (isInsideWebView(hit.get())) {
        // The page scrolls itself, except into and out of its top inset: that part is the
        // model's offset alone, and the window moves the page's widget with it (place).
        ui::View* view = hit.get();
        while (!dynamic_cast<ui::WebView*>(view))
            view = view->superviewPointer();
        const auto& scrollView = static_cast<ui::WebView*>(view)->scrollView();
        const double inset = scrollView->contentInset().top;
        const ui::Point from = scrollView->contentOffset();
        const bool intoInset = dy < 0 && from.y <= 0 && from.y > -inset;
        const bool outOfInset = dy > 0 && from.y < 0;
        if (!scrollView->isScrollEnabled() || inset <= 0 || !(intoInset || outOfInset))
            return false;
        const double high = scrollView->maximumContentOffset().y;
        if (outOfInset && high <= from.y)
            return false;
        scrollView->setContentOffset(
            ui::Point(from.x, std::clamp(from.y + dy * step, -inset, std::max(high, -inset))));
        sync();
        return true;
    }
    for (ui::View* view = hit.get(); view; view = view->superviewPointer()) {
        auto* scrollView = dynamic_cast<ui::ScrollView*>(view);
        if (!scrollView || !scrollView->isScrollEnabled())
            continue;
        const ui::Point low = scrollView->minimumContentOffset();
        const ui::Point high = scrollView->maximumContentOffset();
        const ui::Point from = scrollView->contentOffset();
        // A strip that scrolls only sideways takes an ordinary mouse's wheel sideways.
        const bool sideways = dx == 0 && high.y <= low.y && high.x > low.x;
        const ui::Point by = sideways ? ui::Point(dy, 0) : ui::Point(dx, dy);
        const ui::Point to(std::clamp(from.x + by.x * step, low.x, high.x),
                           std::clamp(from.y + by.y * step, low.y, high.y));
        if (to != from)
            scrollView->setContentOffset(to);
        sync();
        return true;
    }
    return false;
}

} // namespace gtk
