#pragma once

#include "platform/ui/Geometry.h"

#include <memory>
#include <vector>

namespace ui {

class View;
class Window;

enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

// One finger on the screen. Its location is kept in window coordinates and converted on
// demand; the view is the one hit when the touch began.
class Touch {
public:
    Touch(Point locationInWindow, TouchPhase phase, double timestamp, int tapCount = 1);

    // The location in `view`'s coordinates; a null view means the window's coordinates.
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;

    TouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }
    std::shared_ptr<View> view() const { return view_.lock(); }
    std::shared_ptr<Window> window() const { return window_.lock(); }

    // Moves the touch (the previous location is kept) and changes its phase.
    void update(Point locationInWindow, TouchPhase phase, double timestamp);
    void setView(const std::shared_ptr<View>& view) { view_ = view; }
    void setWindow(const std::shared_ptr<Window>& window);

private:
    Point location_;
    Point previousLocation_;
    TouchPhase phase_;
    double timestamp_;
    int tapCount_;
    std::weak_ptr<View> view_;
    std::weak_ptr<Window> window_;
};

using TouchSet = std::vector<std::shared_ptr<Touch>>;

} // namespace ui
