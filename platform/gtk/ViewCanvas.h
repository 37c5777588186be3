#pragma once

#include "platform/gtk/ViewPainter.h"
#include "platform/ui/Geometry.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkSnapshot GdkSnapshot;
typedef struct _GtkGesture GtkGesture;

namespace ui {
class Touch;
class View;
class Window;
} // namespace ui

namespace gtk {

class TextFieldEntry;
class WebKitEngine;

// The GTK widget that shows a ui::Window's tree. It paints every view (ViewPainter) back to
// front, with alpha, hidden views, clipping and transforms, and puts real widgets in the
// painting order where the tree has them: a GtkText for each text field (TextFieldEntry) and
// the WebKitWebView of each web view, placed at their frames. Clicks go to the model: a press
// is hit-tested by the window and delivered as touches (began, moved, ended), except over a
// web view, whose page takes the click itself; over a text field both the model and the entry
// get it. The mouse wheel scrolls the model's scroll views (one that scrolls only sideways
// takes the vertical wheel sideways); web views scroll their pages, but for the top inset: a
// page scrolled into it is placed that much higher (as the model's offset says), so it moves
// up with the bars above it and leaves no gap.
//
// The widget does not watch the model: sync() compares it with what is shown and redraws or
// re-places widgets when something changed. MainWindow calls it when the model may have
// changed (see there).
//
// GTK asks the canvas to draw again whenever a page in it draws a frame (a page's animation,
// the fading of its scroll bars): what each view painted is kept as a render node and used
// again while the view looks the same, so such a frame costs the page's own picture only,
// and GTK's comparison of the old and new frame finds the rest of the window unchanged.
class ViewCanvas {
public:
    explicit ViewCanvas(std::shared_ptr<ui::Window> window);
    ~ViewCanvas();
    ViewCanvas(const ViewCanvas&) = delete;
    ViewCanvas& operator=(const ViewCanvas&) = delete;

    GtkWidget* widget() const { return widget_.get(); }
    const std::shared_ptr<ui::Window>& window() const { return window_; }

    // Brings the widget in line with the model; returns whether anything had changed.
    bool sync();

    // The real widget standing for a text field or web view of the tree (null for others).
    GtkWidget* widgetFor(const ui::View& view) const;

    // The real engines of the web views on screen.
    std::vector<WebKitEngine*> webEngines() const;

    // How many times the canvas has drawn itself, and how many pictures of views it has made
    // doing so (tests: a page's own frames make none).
    int snapshots() const { return snapshots_; }
    int viewsPainted() const { return viewsPainted_; }
    // How many views the last snapshot drew something of their own for.
    int viewsDrawn() const { return viewsDrawn_; }

    // Input as the window's gestures deliver it (window coordinates); tests call these too.
    // pointerPressed answers whether the click is the model's alone: not over a web page
    // (WebKit takes it) nor over a text field (its entry gets it as well).
    bool pointerPressed(ui::Point point);
    // A press held still: the window's long press; true when the application took it.
    bool longPressed(ui::Point point);
    void pointerMoved(ui::Point point);
    void pointerReleased(ui::Point point);
    void pointerCancelled();
    // A press over a page where a gesture recognizer of the model would follow the touch (a
    // pan over a swipeable ad): the model gets the touch while the page gets the press too,
    // until a recognizer takes the touch; from then on the drag is the model's alone (the
    // page's own handling of it is cancelled). Answers whether the model follows the drag.
    bool dragBegan(ui::Point point);
    void dragEnded(ui::Point point);
    void dragCancelled();
    // The wheel over the point last moved to; true when a scroll view of the model took it.
    bool scrolled(double dx, double dy, bool discrete);

    // For the GTK widget class.
    void measure(bool horizontal, int* minimum, int* natural) const;
    void allocate(int width, int height);
    void snapshot(GdkSnapshot* snapshot);

private:
    struct Child {
        std::weak_ptr<ui::View> view;
        GOwned<GtkWidget> widget;
        std::unique_ptr<TextFieldEntry> entry;
        WebKitEngine* engine = nullptr;
        ui::Rect frame;         // where the widget is placed, in the window
        ui::Rect viewFrame;     // the whole view, in the window
        bool fillsView = false; // the view paints an opaque colour over all of itself
        double topInset = 0.0;  // how far below the view's top the widget starts
        bool visible = false;   // as the tree has it
        bool opaque = false;    // it and every view above it wholly opaque
        bool shown = false;     // on screen: visible, and for a page not under another page
        // A page wholly under an opaque page drawn after it, with all it holds: not painted.
        bool covered = false;
        bool seen = false;
    };

    void walk(ui::View& view, bool visible, std::size_t& hash, bool& placementChanged);
    void place(ui::View& view, GtkWidget* widget, std::unique_ptr<TextFieldEntry> entry,
               WebKitEngine* engine, bool visible, bool& placementChanged);
    void drop(Child& child);
    // Shows the children that can be seen, in painting order, and hides the others; says
    // whether the pages that are covered changed.
    bool showOnlyWhatIsSeen(bool& placementChanged);
    void paintView(ui::View& view, GdkSnapshot* snapshot, bool isRoot);
    // What the view paints of itself, from the last snapshot when its look is the same.
    GskRenderNode* ownNode(const ui::View& view);
    void paintStatusBar(GdkSnapshot* snapshot);

    std::shared_ptr<ui::Window> window_;
    GOwned<GtkWidget> widget_;
    ViewPainter painter_;
    std::map<const ui::View*, Child> children_;
    // The views with a child, in the order the last sync met them (back to front).
    std::vector<const ui::View*> painted_;
    std::size_t shownHash_ = 0;
    // What each view painted at the last snapshot, and the look it was painted for.
    struct Painted {
        std::weak_ptr<const ui::View> view;
        std::size_t look = 0;
        GOwned<GskRenderNode> node;
        bool used = false;
    };
    std::map<const ui::View*, Painted> paintedNodes_;
    int snapshots_ = 0;
    int viewsPainted_ = 0;
    int viewsDrawn_ = 0;
    // The status bar as last painted, and the time it shows.
    GOwned<GskRenderNode> statusBarNode_;
    std::string statusBarClock_;
    // Redraws the status bar's clock when its minute is over.
    GOwned<GSource> clockSource_;
    std::shared_ptr<ui::Touch> touch_;
    ui::Point pointer_;
    // The drag gesture, and whether touch_ is a drag over a page that the model follows.
    GtkGesture* drag_ = nullptr;
    bool dragTouch_ = false;
    bool dragClaimed_ = false;
};

} // namespace gtk
