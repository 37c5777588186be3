#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Touch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class PanGestureRecognizer;
class Window;

// How a view's content fills its bounds (stored for the drawer), with the platform's values.
enum class ContentMode {
    ScaleToFill = 0,
    ScaleAspectFit = 1,
    ScaleAspectFill = 2,
    Redraw = 3,
    Center = 4,
    Top = 5,
    Bottom = 6,
    Left = 7,
    Right = 8,
    TopLeft = 9,
    TopRight = 10,
    BottomLeft = 11,
    BottomRight = 12,
};

// Which parts of a subview's frame stretch when its superview's bounds change size; the
// platform's bit values.
using AutoresizingMask = std::uint32_t;
inline constexpr AutoresizingMask ViewAutoresizingNone = 0;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleLeftMargin = 1u << 0;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleWidth = 1u << 1;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleRightMargin = 1u << 2;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleTopMargin = 1u << 3;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleHeight = 1u << 4;
inline constexpr AutoresizingMask ViewAutoresizingFlexibleBottomMargin = 1u << 5;

// Options of View::animate and View::transition; the platform's bit values.
using AnimationOptions = std::uint32_t;
inline constexpr AnimationOptions ViewAnimationOptionNone = 0;
inline constexpr AnimationOptions ViewAnimationOptionAllowUserInteraction = 1u << 1;
inline constexpr AnimationOptions ViewAnimationOptionBeginFromCurrentState = 1u << 2;
inline constexpr AnimationOptions ViewAnimationOptionShowHideTransitionViews = 1u << 8;
inline constexpr AnimationOptions ViewAnimationOptionCurveEaseInOut = 0u << 16;
inline constexpr AnimationOptions ViewAnimationOptionCurveEaseIn = 1u << 16;
inline constexpr AnimationOptions ViewAnimationOptionCurveEaseOut = 2u << 16;
inline constexpr AnimationOptions ViewAnimationOptionCurveLinear = 3u << 16;
inline constexpr AnimationOptions ViewAnimationOptionTransitionNone = 0u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionFlipFromLeft = 1u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionFlipFromRight = 2u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionCurlUp = 3u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionCurlDown = 4u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionCrossDissolve = 5u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionFlipFromTop = 6u << 20;
inline constexpr AnimationOptions ViewAnimationOptionTransitionFlipFromBottom = 7u << 20;

// The drawing attributes of a view's backing layer, kept as plain values for the drawer.
// masksToBounds is the view's clipsToBounds.
struct Layer {
    double cornerRadius = 0;
    double borderWidth = 0;
    Color borderColor = Color::blackColor();
    bool masksToBounds = false;
    std::optional<Color> shadowColor;
    double shadowOpacity = 0;
    Size shadowOffset{0, -3};
    double shadowRadius = 3;
};

// A rectangle of the headless interface tree: geometry, look and state, subviews in back-to-
// front order, hit testing and touch delivery. Views live in std::shared_ptr (make them with
// create() or std::make_shared); a superview owns its subviews, a subview knows its superview
// without owning it. A view may add subviews in its constructor.
class View : public std::enable_shared_from_this<View> {
public:
    explicit View(const Rect& frame = Rect());
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    static std::shared_ptr<View> create(const Rect& frame = Rect()) {
        return std::make_shared<View>(frame);
    }

    // The class name for diagnostics and for the drawer ("View", "Button", ...). Subclasses
    // outside this library return their own.
    virtual std::string className() const { return "View"; }
    // "<View: 0x…; frame = (x y; w h); …>"
    virtual std::string description() const;

    // --- Geometry. The frame is derived from center, bounds size and transform: with a
    // transform it is the bounding box of the transformed bounds, and setting it is only
    // exact for the identity or quarter-turn transforms.
    Rect frame() const;
    virtual void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    virtual void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    virtual void setCenter(Point center);
    const AffineTransform& transform() const { return transform_; }
    virtual void setTransform(const AffineTransform& transform);

    // --- Look and state.
    double alpha() const { return alpha_; }
    virtual void setAlpha(double alpha);
    bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    virtual void setBackgroundColor(std::optional<Color> color);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    std::int64_t tag() const { return tag_; }
    void setTag(std::int64_t tag) { tag_ = tag; }
    bool clipsToBounds() const { return layer_.masksToBounds; }
    void setClipsToBounds(bool clips) { layer_.masksToBounds = clips; }
    Layer& layer() { return layer_; }
    const Layer& layer() const { return layer_; }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
    bool isExclusiveTouch() const { return exclusiveTouch_; }
    void setExclusiveTouch(bool exclusive) { exclusiveTouch_ = exclusive; }
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode) { contentMode_ = mode; }
    AutoresizingMask autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(AutoresizingMask mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
    // The colour set here, else the nearest ancestor's, else the platform's default blue.
    Color tintColor() const;
    static constexpr Color defaultTintColor() { return Color(0, 122.0 / 255.0, 1.0); }
    void setTintColor(std::optional<Color> color) { tintColor_ = color; }
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    virtual void setAccessibilityLabel(std::string label) {
        accessibilityLabel_ = std::move(label);
    }
    bool isAccessibilityElement() const { return accessibilityElement_; }
    void setIsAccessibilityElement(bool on) { accessibilityElement_ = on; }

    // --- Hierarchy. Subviews are in back-to-front order.
    // Null also while the superview is being made or destroyed.
    std::shared_ptr<View> superview() const;
    View* superviewPointer() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // The window the view is in (itself for a window), or null.
    std::shared_ptr<Window> window() const;
    // Adding a view moves it from its current superview; it goes in front of the others.
    // Adding a view to itself or to one of its own subviews throws std::invalid_argument.
    void addSubview(const std::shared_ptr<View>& view);
    // Index past the end appends; a negative index inserts at the back.
    void insertSubviewAtIndex(const std::shared_ptr<View>& view, std::ptrdiff_t index);
    // When the sibling is not a subview of this view, the view is added on top (above) or
    // at the back (below), as the platform does.
    void insertSubviewAboveSubview(const std::shared_ptr<View>& view,
                                   const std::shared_ptr<View>& sibling);
    void insertSubviewBelowSubview(const std::shared_ptr<View>& view,
                                   const std::shared_ptr<View>& sibling);
    void removeFromSuperview();
    // Both do nothing for a view that is not a subview of this one.
    void bringSubviewToFront(const std::shared_ptr<View>& view);
    void sendSubviewToBack(const std::shared_ptr<View>& view);
    void exchangeSubviewAtIndexWithSubviewAtIndex(std::size_t index1, std::size_t index2);
    // Whether this view is `view` or lies inside it.
    bool isDescendantOfView(const View* view) const;
    // This view or the first descendant with the tag, depth-first in subview order.
    std::shared_ptr<View> viewWithTag(std::int64_t tag);

    // Hooks around hierarchy changes; the defaults do nothing.
    virtual void willMoveToSuperview(View* newSuperview);
    virtual void didMoveToSuperview();
    virtual void willMoveToWindow(Window* newWindow);
    virtual void didMoveToWindow();
    virtual void didAddSubview(View* subview);
    virtual void willRemoveSubview(View* subview);

    // --- Coordinates. A null view means the window (or, outside a window, the topmost
    // superview's own superview space).
    Point convertPointToView(Point point, const View* view) const;
    Point convertPointFromView(Point point, const View* view) const;
    Rect convertRectToView(const Rect& rect, const View* view) const;
    Rect convertRectFromView(const Rect& rect, const View* view) const;

    // --- Hit testing. A hidden view, one with alpha below 0.01 or with user interaction
    // off, and a point outside pointInside() give null; otherwise the subviews are asked
    // front to back and the first hit wins, else the view itself. The event may be null.
    virtual std::shared_ptr<View> hitTest(Point point, const Event* event);
    virtual bool pointInside(Point point, const Event* event) const;

    // --- Touches, delivered by the window to the view that was hit. The defaults pass them
    // on to the superview, as the platform's responder chain does.
    virtual void touchesBegan(const TouchSet& touches, const Event* event);
    virtual void touchesMoved(const TouchSet& touches, const Event* event);
    virtual void touchesEnded(const TouchSet& touches, const Event* event);
    virtual void touchesCancelled(const TouchSet& touches, const Event* event);

    // --- Gesture recognizers: they see the touches that begin on this view or inside it before
    // the view that was hit (Window::sendEvent). The view holds them; a recognizer belongs to
    // one view at a time, and adding it here takes it off the other.
    void addGestureRecognizer(const std::shared_ptr<PanGestureRecognizer>& recognizer);
    void removeGestureRecognizer(const PanGestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<PanGestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }

    // --- First responder (keyboard focus), one per window. A view must be in a window and
    // answer canBecomeFirstResponder() to take it.
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    // Resigns the first responder if it is this view or inside it; with force, even when it
    // would refuse. Returns whether the view or a descendant was first responder and let go.
    bool endEditing(bool force);

    // --- Layout. setNeedsLayout marks the view; the layout pass (layoutIfNeeded, or the
    // window's pass on the next turn of the run loop) then calls layoutSubviews.
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    void layoutIfNeeded();
    virtual void layoutSubviews();
    virtual Size sizeThatFits(Size size) const;
    // The size the content wants, or noIntrinsicMetric in a dimension without one. There is
    // no constraint layout here: views always place themselves by frame and autoresizing,
    // so invalidateIntrinsicContentSize only marks the view for layout.
    static constexpr double noIntrinsicMetric = -1;
    virtual Size intrinsicContentSize() const { return Size(noIntrinsicMetric, noIntrinsicMetric); }
    void invalidateIntrinsicContentSize() { setNeedsLayout(); }
    bool translatesAutoresizingMaskIntoConstraints() const { return true; }
    // Resizes to sizeThatFits(current size), keeping the frame's origin.
    void sizeToFit();
    // Marks the view for redrawing (for the drawer); counted so tests can see it.
    void setNeedsDisplay() { ++displayGeneration_; }
    std::uint64_t displayGeneration() const { return displayGeneration_; }

    // --- Animations. The changes run at once, so the model holds the final values before
    // animate() returns; the completion runs later on the main run loop, after delay +
    // duration, with finished = true.
    using Changes = std::function<void()>;
    using Completion = std::function<void(bool finished)>;
    static void animate(double duration, double delay, AnimationOptions options,
                        const Changes& changes, Completion completion = {});
    static void animate(double duration, const Changes& changes, Completion completion = {}) {
        animate(duration, 0, ViewAnimationOptionNone, changes, std::move(completion));
    }
    // Replaces `from` with `to` at from's place in from's superview (or, with
    // ShowHideTransitionViews, hides `from` and shows `to`). Refused, with completion(false)
    // later and false returned, when either view is missing or `from` has no superview.
    static bool transition(const std::shared_ptr<View>& from, const std::shared_ptr<View>& to,
                           double duration, AnimationOptions options, Completion completion = {});
    // Animations begun and whose completion has not run yet (for tests and the drawer).
    static int runningAnimationCount();
    // The options and duration of the innermost animate() whose changes are running, or
    // null outside one (lets a view know a change is animated).
    struct AnimationContext {
        double duration;
        double delay;
        AnimationOptions options;
    };
    static const AnimationContext* currentAnimation();

protected:
    // Called after the bounds size changed (autoresizes subviews and marks for layout).
    virtual void boundsSizeDidChange(Size oldSize);
    // Lets Window mark itself; views in a window find it through the superview chain.
    virtual bool isWindow() const { return false; }

private:
    friend class Window;
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    // The index for insertSubview just above or just below `sibling`; without a usable sibling,
    // the top or the back.
    std::size_t indexBesideSubview(const std::shared_ptr<View>& view,
                                   const std::shared_ptr<View>& sibling, bool above) const;
    void detachFromSuperview(bool notify);
    void notifyWillMoveToWindow(Window* newWindow);
    void notifyDidMoveToWindow();
    void autoresizeSubview(View& subview, Size oldSize, Size newSize);
    // Point in this view's bounds space → its superview's bounds space, and back.
    Point toSuperview(Point point) const;
    Point fromSuperview(Point point) const;
    // Up to the topmost ancestor's superview space, and back down from it.
    Point toRootSpace(Point point) const;
    Point fromRootSpace(Point point) const;
    const View* rootView() const;
    Window* windowPointer() const;

    Rect bounds_;
    Point center_;
    AffineTransform transform_;
    double alpha_ = 1.0;
    bool hidden_ = false;
    std::optional<Color> backgroundColor_;
    bool opaque_ = true;
    std::int64_t tag_ = 0;
    Layer layer_;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    bool exclusiveTouch_ = false;
    ContentMode contentMode_ = ContentMode::ScaleToFill;
    AutoresizingMask autoresizingMask_ = ViewAutoresizingNone;
    bool autoresizesSubviews_ = true;
    std::optional<Color> tintColor_;
    std::string accessibilityLabel_;
    bool accessibilityElement_ = false;
    bool needsLayout_ = false;
    std::uint64_t displayGeneration_ = 0;

    // The superview owns this view and clears the pointer when it lets go or is destroyed,
    // so views can add subviews in their constructors.
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<PanGestureRecognizer>> gestureRecognizers_;
};

} // namespace ui
