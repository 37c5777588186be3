#pragma once

#include "platform/base/Timer.h"
#include "platform/ui/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace ui {

class BarButtonItem;
class PopoverController;
class View;
class ViewController;

// The platform's arrow directions, as bits.
using PopoverArrowDirection = std::uint32_t;
inline constexpr PopoverArrowDirection PopoverArrowDirectionUp = 1u << 0;
inline constexpr PopoverArrowDirection PopoverArrowDirectionDown = 1u << 1;
inline constexpr PopoverArrowDirection PopoverArrowDirectionLeft = 1u << 2;
inline constexpr PopoverArrowDirection PopoverArrowDirectionRight = 1u << 3;
inline constexpr PopoverArrowDirection PopoverArrowDirectionAny = 15;

class PopoverControllerDelegate {
public:
    virtual ~PopoverControllerDelegate() = default;
    // Asked before a tap outside closes the popover.
    virtual bool popoverControllerShouldDismissPopover(PopoverController& popover) {
        (void)popover;
        return true;
    }
    // After a tap outside has closed the popover; not for dismissals from code.
    virtual void popoverControllerDidDismissPopover(PopoverController& popover) { (void)popover; }
};

// A pad's floating panel showing a content controller next to a rectangle or a bar button
// item. The content controller gets the appearance calls of showing and hiding. While
// visible it is listed in Presentation.
class PopoverController : public std::enable_shared_from_this<PopoverController> {
public:
    static constexpr double animationDuration = 0.3;
    static constexpr Size defaultContentSize{320, 480};

    explicit PopoverController(std::shared_ptr<ViewController> contentViewController);
    ~PopoverController();
    static std::shared_ptr<PopoverController>
    create(std::shared_ptr<ViewController> contentViewController) {
        return std::make_shared<PopoverController>(std::move(contentViewController));
    }

    const std::shared_ptr<ViewController>& contentViewController() const { return content_; }
    void setContentViewController(std::shared_ptr<ViewController> controller,
                                  bool animated = false);
    std::shared_ptr<PopoverControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<PopoverControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // The size set here, else the content controller's preferred size, else the default.
    Size popoverContentSize() const;
    void setPopoverContentSize(Size size, bool animated = false);

    bool isPopoverVisible() const { return visible_; }
    void presentPopoverFromRectInView(const Rect& rect, const std::shared_ptr<View>& view,
                                      PopoverArrowDirection arrows, bool animated);
    void presentPopoverFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                         PopoverArrowDirection arrows, bool animated);
    // From code: the delegate hears nothing.
    void dismissPopoverAnimated(bool animated);
    // A tap outside the popover (the drawer, tests): asks the delegate, closes, tells it.
    // Returns whether the popover closed.
    bool dismissByUser();

    std::shared_ptr<View> presentedInView() const { return anchorView_.lock(); }
    const std::optional<Rect>& presentedFromRect() const { return anchorRect_; }
    std::shared_ptr<BarButtonItem> presentedFromBarButtonItem() const { return anchorItem_.lock(); }
    PopoverArrowDirection arrowDirections() const { return arrows_; }

private:
    void present(bool animated);
    void finishTransition();

    std::shared_ptr<ViewController> content_;
    std::weak_ptr<PopoverControllerDelegate> delegate_;
    std::optional<Size> contentSize_;
    bool visible_ = false;
    std::weak_ptr<View> anchorView_;
    std::optional<Rect> anchorRect_;
    std::weak_ptr<BarButtonItem> anchorItem_;
    PopoverArrowDirection arrows_ = PopoverArrowDirectionAny;
    std::shared_ptr<base::Timer> transitionTimer_;
    std::function<void()> finish_;
};

} // namespace ui
