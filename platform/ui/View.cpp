#include "platform/ui/View.h"

#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace ui {

namespace {

struct AnimationState {
    std::vector<View::AnimationContext> stack;
    std::vector<std::weak_ptr<base::Timer>> pending;
};

AnimationState& animationState() {
    static AnimationState state;
    return state;
}

// Completions run on the main loop; the timers are kept weakly so that a loop that drops
// them (tests reset it) also drops them from the count.
void scheduleCompletion(double after, View::Completion completion, bool finished) {
    auto timer = base::RunLoop::main().dispatchAfter(
        base::Seconds(std::max(0.0, after)), [completion = std::move(completion), finished] {
            if (completion)
                completion(finished);
        });
    auto& pending = animationState().pending;
    std::erase_if(pending, [](const std::weak_ptr<base::Timer>& weak) {
        auto timer = weak.lock();
        return !timer || !timer->isValid();
    });
    pending.push_back(timer);
}

// Quarter turns computed with sines and cosines leave tiny residues instead of zeros.
bool isAxisAligned(const AffineTransform& t) {
    constexpr double epsilon = 1e-9;
    return (std::fabs(t.b) < epsilon && std::fabs(t.c) < epsilon) ||
           (std::fabs(t.a) < epsilon && std::fabs(t.d) < epsilon);
}

// Moves the edges of a subview along one axis when its superview's extent changes, sharing
// the change among the flexible parts in proportion to their current sizes.
void autoresizeAxis(bool flexibleLead, bool flexibleSize, bool flexibleTrail, double& position,
                    double& length, double oldExtent, double newExtent) {
    const double delta = newExtent - oldExtent;
    if (delta == 0 || !(flexibleLead || flexibleSize || flexibleTrail))
        return;
    const double lead = position;
    const double trail = oldExtent - (position + length);
    const double parts[3] = {flexibleLead ? lead : 0, flexibleSize ? length : 0,
                             flexibleTrail ? trail : 0};
    const bool flexible[3] = {flexibleLead, flexibleSize, flexibleTrail};
    double total = 0;
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (flexible[i]) {
            total += std::max(0.0, parts[i]);
            ++count;
        }
    }
    double share[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (!flexible[i])
            continue;
        share[i] = total > 0 ? delta * std::max(0.0, parts[i]) / total : delta / count;
    }
    position += share[0];
    length += share[1];
}

} // namespace

View::View(const Rect& frame) {
    const Rect f = frame.standardized();
    bounds_ = Rect(0, 0, f.size.width, f.size.height);
    center_ = Point(f.midX(), f.midY());
}

View::~View() {
    for (const auto& subview : subviews_)
        subview->superview_ = nullptr;
}

std::string View::description() const {
    const Rect f = frame();
    std::ostringstream out;
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    out << '<' << className() << ": " << address << "; frame = (" << f.origin.x << ' ' << f.origin.y
        << "; " << f.size.width << ' ' << f.size.height << ')';
    if (hidden_)
        out << "; hidden = YES";
    if (alpha_ != 1.0)
        out << "; alpha = " << alpha_;
    if (tag_ != 0)
        out << "; tag = " << tag_;
    if (!transform_.isIdentity())
        out << "; transform = [" << transform_.a << ", " << transform_.b << ", " << transform_.c
            << ", " << transform_.d << ", " << transform_.tx << ", " << transform_.ty << ']';
    out << '>';
    return out.str();
}

// --- Geometry

Rect View::frame() const {
    const double w = bounds_.size.width;
    const double h = bounds_.size.height;
    if (transform_.isIdentity())
        return Rect(center_.x - w / 2, center_.y - h / 2, w, h);
    return transform_.apply(Rect(-w / 2, -h / 2, w, h)).offsetBy(center_.x, center_.y);
}

void View::setFrame(const Rect& frame) {
    const Rect f = frame.standardized();
    const Size oldSize = bounds_.size;
    center_ = Point(f.midX(), f.midY());
    Size newSize = f.size;
    if (!transform_.isIdentity()) {
        if (isAxisAligned(transform_)) {
            const Size s = transform_.inverted().apply(f.size);
            newSize = Size(std::fabs(s.width), std::fabs(s.height));
        } else {
            newSize = oldSize;
        }
    }
    bounds_.size = newSize;
    if (newSize != oldSize)
        boundsSizeDidChange(oldSize);
}

void View::setBounds(const Rect& bounds) {
    const Size oldSize = bounds_.size;
    bounds_ = Rect(bounds.origin, Size(bounds.width(), bounds.height()));
    if (bounds_.size != oldSize)
        boundsSizeDidChange(oldSize);
}

void View::setCenter(Point center) {
    center_ = center;
}

void View::setTransform(const AffineTransform& transform) {
    transform_ = transform;
}

void View::boundsSizeDidChange(Size oldSize) {
    if (autoresizesSubviews_) {
        const auto subviews = subviews_;
        for (const auto& subview : subviews)
            autoresizeSubview(*subview, oldSize, bounds_.size);
    }
    setNeedsLayout();
}

void View::autoresizeSubview(View& subview, Size oldSize, Size newSize) {
    const AutoresizingMask mask = subview.autoresizingMask_;
    if (mask == ViewAutoresizingNone)
        return;
    Rect f = subview.frame();
    autoresizeAxis(mask & ViewAutoresizingFlexibleLeftMargin, mask & ViewAutoresizingFlexibleWidth,
                   mask & ViewAutoresizingFlexibleRightMargin, f.origin.x, f.size.width,
                   oldSize.width, newSize.width);
    autoresizeAxis(mask & ViewAutoresizingFlexibleTopMargin, mask & ViewAutoresizingFlexibleHeight,
                   mask & ViewAutoresizingFlexibleBottomMargin, f.origin.y, f.size.height,
                   oldSize.height, newSize.height);
    f.size.width = std::max(0.0, f.size.width);
    f.size.height = std::max(0.0, f.size.height);
    if (f != subview.frame())
        subview.setFrame(f);
}

// --- Look

void View::setAlpha(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
}

void View::setHidden(bool hidden) {
    hidden_ = hidden;
}

void View::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
}

Color View::tintColor() const {
    for (const View* view = this; view; view = view->superview_)
        if (view->tintColor_)
            return *view->tintColor_;
    return defaultTintColor();
}

// --- Hierarchy

std::shared_ptr<View> View::superview() const {
    return superview_ ? superview_->weak_from_this().lock() : nullptr;
}

Window* View::windowPointer() const {
    for (const View* view = this; view; view = view->superview_)
        if (view->isWindow())
            return static_cast<Window*>(const_cast<View*>(view));
    return nullptr;
}

std::shared_ptr<Window> View::window() const {
    Window* window = windowPointer();
    if (!window)
        return nullptr;
    return std::static_pointer_cast<Window>(window->weak_from_this().lock());
}

const View* View::rootView() const {
    const View* view = this;
    while (view->superview_)
        view = view->superview_;
    return view;
}

bool View::isDescendantOfView(const View* view) const {
    if (!view)
        return false;
    for (const View* v = this; v; v = v->superview_)
        if (v == view)
            return true;
    return false;
}

void View::addSubview(const std::shared_ptr<View>& view) {
    if (!view)
        return;
    insertSubview(view, subviews_.size() + 1);
}

void View::insertSubviewAtIndex(const std::shared_ptr<View>& view, std::ptrdiff_t index) {
    if (!view)
        return;
    insertSubview(view, index < 0 ? 0 : std::size_t(index));
}

void View::insertSubviewAboveSubview(const std::shared_ptr<View>& view,
                                     const std::shared_ptr<View>& sibling) {
    if (view)
        insertSubview(view, indexBesideSubview(view, sibling, true));
}

void View::insertSubviewBelowSubview(const std::shared_ptr<View>& view,
                                     const std::shared_ptr<View>& sibling) {
    if (view)
        insertSubview(view, indexBesideSubview(view, sibling, false));
}

std::size_t View::indexBesideSubview(const std::shared_ptr<View>& view,
                                     const std::shared_ptr<View>& sibling, bool above) const {
    if (!sibling || sibling->superview_ != this || sibling == view)
        return above ? subviews_.size() : 0;
    // Index of the sibling once the view is out of the list.
    std::size_t index = 0;
    for (const auto& subview : subviews_) {
        if (subview == view)
            continue;
        if (subview == sibling)
            break;
        ++index;
    }
    return above ? index + 1 : index;
}

// `index` counts the subviews other than `view`; past the end appends.
void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    base::assertMainThread();
    if (view.get() == this || isDescendantOfView(view.get()))
        throw std::invalid_argument("a view cannot be added to itself or to its own subviews");
    if (view->superview_ == this) {
        std::erase(subviews_, view);
        subviews_.insert(subviews_.begin() + std::min(index, subviews_.size()), view);
        return;
    }
    const std::shared_ptr<View> keep = view;
    Window* oldWindow = view->windowPointer();
    Window* newWindow = windowPointer();
    view->willMoveToSuperview(this);
    if (oldWindow != newWindow)
        view->notifyWillMoveToWindow(newWindow);
    if (View* old = view->superview_) {
        old->willRemoveSubview(view.get());
        std::erase(old->subviews_, view);
        view->superview_ = nullptr;
    }
    subviews_.insert(subviews_.begin() + std::min(index, subviews_.size()), view);
    view->superview_ = this;
    if (oldWindow != newWindow)
        view->notifyDidMoveToWindow();
    view->didMoveToSuperview();
    didAddSubview(view.get());
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent)
        return;
    const auto keep = weak_from_this().lock();
    Window* oldWindow = windowPointer();
    willMoveToSuperview(nullptr);
    if (oldWindow && oldWindow != this)
        notifyWillMoveToWindow(nullptr);
    if (superview_ != parent) // a hook moved the view already
        return;
    parent->willRemoveSubview(this);
    std::erase_if(parent->subviews_, [this](const auto& subview) { return subview.get() == this; });
    superview_ = nullptr;
    if (oldWindow && oldWindow != this)
        notifyDidMoveToWindow();
    didMoveToSuperview();
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
    if (!view || view->superview_ != this)
        return;
    std::erase(subviews_, view);
    subviews_.push_back(view);
}

void View::sendSubviewToBack(const std::shared_ptr<View>& view) {
    if (!view || view->superview_ != this)
        return;
    std::erase(subviews_, view);
    subviews_.insert(subviews_.begin(), view);
}

void View::exchangeSubviewAtIndexWithSubviewAtIndex(std::size_t index1, std::size_t index2) {
    if (index1 >= subviews_.size() || index2 >= subviews_.size())
        return;
    std::swap(subviews_[index1], subviews_[index2]);
}

std::shared_ptr<View> View::viewWithTag(std::int64_t tag) {
    if (tag_ == tag)
        return shared_from_this();
    for (const auto& subview : subviews_)
        if (auto found = subview->viewWithTag(tag))
            return found;
    return nullptr;
}

void View::notifyWillMoveToWindow(Window* newWindow) {
    if (Window* old = windowPointer(); old && old->firstResponder().get() == this) {
        resignFirstResponder();
        if (old->firstResponder().get() == this)
            old->setFirstResponder(nullptr);
    }
    willMoveToWindow(newWindow);
    const auto subviews = subviews_;
    for (const auto& subview : subviews)
        subview->notifyWillMoveToWindow(newWindow);
}

void View::notifyDidMoveToWindow() {
    didMoveToWindow();
    if (needsLayout_)
        if (Window* window = windowPointer())
            window->scheduleLayoutPass();
    const auto subviews = subviews_;
    for (const auto& subview : subviews)
        subview->notifyDidMoveToWindow();
}

void View::willMoveToSuperview(View*) {}
void View::didMoveToSuperview() {}
void View::willMoveToWindow(Window*) {}
void View::didMoveToWindow() {}
void View::didAddSubview(View*) {}
void View::willRemoveSubview(View*) {}

// --- Coordinates

Point View::toSuperview(Point p) const {
    const Point boundsCenter(bounds_.origin.x + bounds_.size.width / 2,
                             bounds_.origin.y + bounds_.size.height / 2);
    const Point offset = transform_.apply(Point(p.x - boundsCenter.x, p.y - boundsCenter.y));
    // The transform's translation moves the view too.
    return Point(center_.x + offset.x, center_.y + offset.y);
}

Point View::fromSuperview(Point q) const {
    const Point boundsCenter(bounds_.origin.x + bounds_.size.width / 2,
                             bounds_.origin.y + bounds_.size.height / 2);
    const Point local = transform_.inverted().apply(Point(q.x - center_.x, q.y - center_.y));
    return Point(boundsCenter.x + local.x, boundsCenter.y + local.y);
}

Point View::toRootSpace(Point point) const {
    for (const View* view = this; view; view = view->superview_)
        point = view->toSuperview(point);
    return point;
}

Point View::fromRootSpace(Point point) const {
    std::vector<const View*> chain;
    for (const View* view = this; view; view = view->superview_)
        chain.push_back(view);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        point = (*it)->fromSuperview(point);
    return point;
}

Point View::convertPointToView(Point point, const View* view) const {
    if (view == this)
        return point;
    if (!view)
        view = windowPointer();
    if (!view)
        return toRootSpace(point);
    return view->fromRootSpace(toRootSpace(point));
}

Point View::convertPointFromView(Point point, const View* view) const {
    if (view == this)
        return point;
    if (!view)
        view = windowPointer();
    if (!view)
        return fromRootSpace(point);
    return fromRootSpace(view->toRootSpace(point));
}

Rect View::convertRectToView(const Rect& rect, const View* view) const {
    return rect.boundsOfMappedCorners([&](Point p) { return convertPointToView(p, view); });
}

Rect View::convertRectFromView(const Rect& rect, const View* view) const {
    return rect.boundsOfMappedCorners([&](Point p) { return convertPointFromView(p, view); });
}

// --- Hit testing and touches

std::shared_ptr<View> View::hitTest(Point point, const Event* event) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01 || !pointInside(point, event))
        return nullptr;
    const auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
        if (auto hit = (*it)->hitTest((*it)->fromSuperview(point), event))
            return hit;
    return shared_from_this();
}

bool View::pointInside(Point point, const Event*) const {
    return bounds_.containsPoint(point);
}

void View::touchesBegan(const TouchSet& touches, const Event* event) {
    if (superview_)
        superview_->touchesBegan(touches, event);
}

void View::touchesMoved(const TouchSet& touches, const Event* event) {
    if (superview_)
        superview_->touchesMoved(touches, event);
}

void View::touchesEnded(const TouchSet& touches, const Event* event) {
    if (superview_)
        superview_->touchesEnded(touches, event);
}

void View::touchesCancelled(const TouchSet& touches, const Event* event) {
    if (superview_)
        superview_->touchesCancelled(touches, event);
}

void View::addGestureRecognizer(const std::shared_ptr<PanGestureRecognizer>& recognizer) {
    if (!recognizer)
        return;
    if (auto owner = recognizer->view()) {
        if (owner.get() == this)
            return;
        owner->removeGestureRecognizer(recognizer.get());
    }
    gestureRecognizers_.push_back(recognizer);
    recognizer->attachToView(weak_from_this());
}

void View::removeGestureRecognizer(const PanGestureRecognizer* recognizer) {
    auto found = std::find_if(gestureRecognizers_.begin(), gestureRecognizers_.end(),
                              [&](const auto& held) { return held.get() == recognizer; });
    if (found == gestureRecognizers_.end())
        return;
    // Kept until it has let go of its pan: its action may run.
    const auto removed = *found;
    gestureRecognizers_.erase(found);
    removed->detachFromView();
}

// --- First responder

bool View::becomeFirstResponder() {
    Window* window = windowPointer();
    if (!window || !canBecomeFirstResponder())
        return false;
    auto current = window->firstResponder();
    if (current.get() == this)
        return true;
    if (current) {
        if (!current->canResignFirstResponder())
            return false;
        window->handingOver_ = true;
        const bool resigned = current->resignFirstResponder();
        window->handingOver_ = false;
        if (!resigned || window->firstResponder() == current)
            return false;
    }
    window->setFirstResponder(shared_from_this());
    return true;
}

bool View::resignFirstResponder() {
    Window* window = windowPointer();
    if (window && window->firstResponder().get() == this)
        window->setFirstResponder(nullptr);
    return true;
}

bool View::isFirstResponder() const {
    Window* window = windowPointer();
    return window && window->firstResponder().get() == this;
}

bool View::endEditing(bool force) {
    Window* window = windowPointer();
    if (!window)
        return false;
    auto responder = window->firstResponder();
    if (!responder || !responder->isDescendantOfView(this))
        return false;
    if (!force && !responder->canResignFirstResponder())
        return false;
    const bool resigned = responder->resignFirstResponder();
    if (window->firstResponder() == responder) {
        if (!force)
            return false;
        window->setFirstResponder(nullptr);
    }
    return resigned || force;
}

// --- Layout

void View::setNeedsLayout() {
    base::assertMainThread();
    needsLayout_ = true;
    if (Window* window = windowPointer())
        window->scheduleLayoutPass();
}

void View::layoutIfNeeded() {
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    const auto subviews = subviews_;
    for (const auto& subview : subviews)
        subview->layoutIfNeeded();
}

void View::layoutSubviews() {}

Size View::sizeThatFits(Size) const {
    return bounds_.size;
}

void View::sizeToFit() {
    const Size size = sizeThatFits(bounds_.size);
    const Rect f = frame();
    setFrame(Rect(f.origin, size));
}

// --- Animations

void View::animate(double duration, double delay, AnimationOptions options, const Changes& changes,
                   Completion completion) {
    auto& stack = animationState().stack;
    stack.push_back(AnimationContext{duration, delay, options});
    try {
        if (changes)
            changes();
    } catch (...) {
        stack.pop_back();
        throw;
    }
    stack.pop_back();
    scheduleCompletion(std::max(0.0, delay) + std::max(0.0, duration), std::move(completion), true);
}

bool View::transition(const std::shared_ptr<View>& from, const std::shared_ptr<View>& to,
                      double duration, AnimationOptions options, Completion completion) {
    if (!from || !to) {
        scheduleCompletion(0, std::move(completion), false);
        return false;
    }
    if (options & ViewAnimationOptionShowHideTransitionViews) {
        from->setHidden(true);
        to->setHidden(false);
        scheduleCompletion(duration, std::move(completion), true);
        return true;
    }
    View* parent = from->superview_;
    if (!parent) {
        scheduleCompletion(0, std::move(completion), false);
        return false;
    }
    if (from != to) {
        const auto keepParent = parent->weak_from_this().lock();
        if (to->superview_ == parent)
            to->removeFromSuperview();
        const auto position = std::find(parent->subviews_.begin(), parent->subviews_.end(), from);
        const std::size_t index = std::size_t(position - parent->subviews_.begin());
        from->removeFromSuperview();
        parent->insertSubview(to, index);
    }
    scheduleCompletion(duration, std::move(completion), true);
    return true;
}

int View::runningAnimationCount() {
    int count = 0;
    for (const auto& weak : animationState().pending)
        if (auto timer = weak.lock(); timer && timer->isValid())
            ++count;
    return count;
}

const View::AnimationContext* View::currentAnimation() {
    const auto& stack = animationState().stack;
    return stack.empty() ? nullptr : &stack.back();
}

} // namespace ui
