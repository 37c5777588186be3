#include "platform/ui/ScrollView.h"

#include "platform/base/RunLoop.h"

#include <algorithm>

namespace ui {

namespace {

constexpr double scrollAnimationDuration = 0.3;

} // namespace

ScrollView::ScrollView(const Rect& frame)
    : View(frame) {
    setClipsToBounds(true);
}

void ScrollView::setContentSize(Size size) {
    contentSize_ = size;
}

void ScrollView::setContentInset(EdgeInsets insets) {
    if (insets == contentInset_)
        return;
    contentInset_ = insets;
    contentInsetDidChange();
}

double ScrollView::topInsetInView() const {
    return std::clamp(-contentOffset().y, 0.0, std::max(0.0, contentInset_.top));
}

void ScrollView::setBounds(const Rect& bounds) {
    const Point oldOffset = contentOffset();
    View::setBounds(bounds);
    if (contentOffset() != oldOffset) {
        const auto keep = weak_from_this().lock();
        contentOffsetDidChange();
        if (const auto delegate = delegate_.lock())
            delegate->scrollViewDidScroll(*this);
    }
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    const Rect b = bounds();
    setBounds(Rect(offset, b.size));
    if (animated) {
        const std::weak_ptr<View> weak = weak_from_this();
        base::RunLoop::main().dispatchAfter(base::Seconds(scrollAnimationDuration), [weak] {
            const auto self = std::static_pointer_cast<ScrollView>(weak.lock());
            if (!self)
                return;
            if (const auto delegate = self->delegate_.lock())
                delegate->scrollViewDidEndScrollingAnimation(*self);
        });
    }
}

void ScrollView::setZoomScale(double scale, bool) {
    const double clamped =
        std::clamp(scale, minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
    if (clamped == zoomScale_)
        return;
    zoomScale_ = clamped;
    if (const auto delegate = delegate_.lock())
        delegate->scrollViewDidZoom(*this);
}

Point ScrollView::minimumContentOffset() const {
    return Point(-contentInset_.left, -contentInset_.top);
}

Point ScrollView::maximumContentOffset() const {
    const Point minimum = minimumContentOffset();
    const Size size = bounds().size;
    return Point(std::max(minimum.x, contentSize_.width + contentInset_.right - size.width),
                 std::max(minimum.y, contentSize_.height + contentInset_.bottom - size.height));
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
    if (rect.isNull())
        return;
    const Rect visible = bounds();
    Point offset = visible.origin;
    auto axis = [](double& origin, double extent, double minimum, double maximum) {
        if (minimum < origin)
            origin = minimum;
        else if (maximum > origin + extent)
            origin = std::min(minimum, maximum - extent);
    };
    axis(offset.x, visible.width(), rect.minX(), rect.maxX());
    axis(offset.y, visible.height(), rect.minY(), rect.maxY());
    const Point low = minimumContentOffset();
    const Point high = maximumContentOffset();
    offset.x = std::clamp(offset.x, low.x, high.x);
    offset.y = std::clamp(offset.y, low.y, high.y);
    if (offset != visible.origin)
        setContentOffset(offset, animated);
}

void ScrollView::beginDragging() {
    if (!scrollEnabled_ || dragging_)
        return;
    const auto keep = weak_from_this().lock();
    tracking_ = true;
    dragging_ = true;
    decelerating_ = false;
    if (const auto delegate = delegate_.lock())
        delegate->scrollViewWillBeginDragging(*this);
}

void ScrollView::dragTo(Point offset) {
    if (!scrollEnabled_ || !dragging_)
        return;
    setContentOffset(offset, false);
}

void ScrollView::endDragging(bool willDecelerate) {
    if (!dragging_)
        return;
    const auto keep = weak_from_this().lock();
    tracking_ = false;
    dragging_ = false;
    decelerating_ = willDecelerate;
    if (const auto delegate = delegate_.lock())
        delegate->scrollViewDidEndDraggingWillDecelerate(*this, willDecelerate);
    if (willDecelerate)
        if (const auto delegate = delegate_.lock())
            delegate->scrollViewWillBeginDecelerating(*this);
}

void ScrollView::endDecelerating() {
    if (!decelerating_)
        return;
    const auto keep = weak_from_this().lock();
    decelerating_ = false;
    if (const auto delegate = delegate_.lock())
        delegate->scrollViewDidEndDecelerating(*this);
}

bool ScrollView::tapStatusBar() {
    if (!scrollsToTop_)
        return false;
    const auto keep = weak_from_this().lock();
    if (const auto delegate = delegate_.lock())
        if (!delegate->scrollViewShouldScrollToTop(*this))
            return false;
    setContentOffset(Point(contentOffset().x, -contentInset_.top), false);
    if (const auto delegate = delegate_.lock())
        delegate->scrollViewDidScrollToTop(*this);
    return true;
}

} // namespace ui
