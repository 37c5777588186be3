#pragma once

#include "platform/ui/View.h"

#include <memory>

namespace ui {

class ScrollView;

// What a scroll view tells its delegate; every method has a default that does nothing (or
// allows).
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    // Every change of the content offset, whatever made it.
    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    virtual void scrollViewDidEndDraggingWillDecelerate(ScrollView&, bool /*decelerate*/) {}
    virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
    virtual bool scrollViewShouldScrollToTop(ScrollView&) { return true; }
    virtual void scrollViewDidScrollToTop(ScrollView&) {}
    virtual void scrollViewDidZoom(ScrollView&) {}
};

// The platform's indicator styles and deceleration rates.
enum class ScrollViewIndicatorStyle { Default = 0, Black = 1, White = 2 };

// A view whose bounds origin is the content offset: moving the offset scrolls the subviews.
// The user's gestures are modelled by drivers (beginDragging, dragTo, endDragging,
// endDecelerating, tapStatusBar) that the drawer and tests call; each reaches the delegate as
// the platform's gestures do.
class ScrollView : public View {
public:
    explicit ScrollView(const Rect& frame = Rect());
    static std::shared_ptr<ScrollView> create(const Rect& frame = Rect()) {
        return std::make_shared<ScrollView>(frame);
    }
    std::string className() const override { return "ScrollView"; }

    // Held weakly.
    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<ScrollViewDelegate>& delegate) { delegate_ = delegate; }

    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    // The bounds origin is the offset: setting bounds with another origin scrolls too.
    void setBounds(const Rect& bounds) override;
    Point contentOffset() const { return bounds().origin; }
    // Not clamped: the offset goes where it is told, as on the platform. The delegate hears
    // scrollViewDidScroll for every change; an animated change ends with
    // scrollViewDidEndScrollingAnimation on the run loop.
    void setContentOffset(Point offset, bool animated = false);
    const EdgeInsets& contentInset() const { return contentInset_; }
    // Keeps the offset.
    void setContentInset(EdgeInsets insets);
    // How much of the top inset is on screen: all of it at the offset of the content's top,
    // less as the content scrolls up into it, none from offset 0 on.
    double topInsetInView() const;
    const EdgeInsets& scrollIndicatorInsets() const { return indicatorInsets_; }
    void setScrollIndicatorInsets(EdgeInsets insets) { indicatorInsets_ = insets; }
    bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
    void setShowsHorizontalScrollIndicator(bool on) { showsHorizontal_ = on; }
    bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool on) { showsVertical_ = on; }
    ScrollViewIndicatorStyle indicatorStyle() const { return indicatorStyle_; }
    void setIndicatorStyle(ScrollViewIndicatorStyle style) { indicatorStyle_ = style; }
    bool bounces() const { return bounces_; }
    void setBounces(bool on) { bounces_ = on; }
    bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
    void setAlwaysBounceVertical(bool on) { alwaysBounceVertical_ = on; }
    bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
    void setAlwaysBounceHorizontal(bool on) { alwaysBounceHorizontal_ = on; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool on) { scrollEnabled_ = on; }
    bool isPagingEnabled() const { return pagingEnabled_; }
    void setPagingEnabled(bool on) { pagingEnabled_ = on; }
    bool scrollsToTop() const { return scrollsToTop_; }
    void setScrollsToTop(bool on) { scrollsToTop_ = on; }
    double decelerationRate() const { return decelerationRate_; }
    void setDecelerationRate(double rate) { decelerationRate_ = rate; }

    // Zoom: the scale is kept between the minimum and maximum.
    double zoomScale() const { return zoomScale_; }
    void setZoomScale(double scale, bool animated = false);
    double minimumZoomScale() const { return minimumZoomScale_; }
    void setMinimumZoomScale(double scale) { minimumZoomScale_ = scale; }
    double maximumZoomScale() const { return maximumZoomScale_; }
    void setMaximumZoomScale(double scale) { maximumZoomScale_ = scale; }

    bool isTracking() const { return tracking_; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }

    // The offsets the content may rest at: from -inset to content size + inset - bounds size.
    Point minimumContentOffset() const;
    Point maximumContentOffset() const;
    // Scrolls just enough for the rectangle (content coordinates) to be visible, within the
    // content; nothing when it already is.
    void scrollRectToVisible(const Rect& rect, bool animated);

    // Gesture drivers. Nothing happens while scrolling is disabled (except tapStatusBar,
    // which follows scrollsToTop).
    void beginDragging();
    void dragTo(Point offset);
    void endDragging(bool willDecelerate);
    void endDecelerating();
    // A tap on the status bar: asks the delegate, scrolls to the top of the content (the top
    // inset showing) and tells the delegate. Returns whether it scrolled.
    bool tapStatusBar();

protected:
    // Runs after every change of the offset, before the delegate hears of it.
    virtual void contentOffsetDidChange() {}
    // Runs after every change of the content inset (setting the same inset again is none).
    virtual void contentInsetDidChange() {}

private:
    std::weak_ptr<ScrollViewDelegate> delegate_;
    Size contentSize_;
    EdgeInsets contentInset_;
    EdgeInsets indicatorInsets_;
    bool showsHorizontal_ = true;
    bool showsVertical_ = true;
    ScrollViewIndicatorStyle indicatorStyle_ = ScrollViewIndicatorStyle::Default;
    bool bounces_ = true;
    bool alwaysBounceVertical_ = false;
    bool alwaysBounceHorizontal_ = false;
    bool scrollEnabled_ = true;
    bool pagingEnabled_ = false;
    bool scrollsToTop_ = true;
    double decelerationRate_ = 0.998;
    double zoomScale_ = 1;
    double minimumZoomScale_ = 1;
    double maximumZoomScale_ = 1;
    bool tracking_ = false;
    bool dragging_ = false;
    bool decelerating_ = false;
};

} // namespace ui
