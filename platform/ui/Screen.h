#pragma once

#include "platform/ui/Geometry.h"

#include <memory>

namespace ui {

// The device's display. The main screen follows Device::current(): a phone is 320×480
// (320×568 for a tall phone), a pad 768×1024, in points, portrait.
class Screen {
public:
    Screen(Rect bounds, double scale)
        : bounds_(bounds)
        , scale_(scale) {}

    static constexpr double statusBarHeight = 20;

    // The screen of the current device (made from Device::current() on first use and again
    // after Device::install).
    static Screen& mainScreen();

    const Rect& bounds() const { return bounds_; }
    double scale() const { return scale_; }
    // The bounds less the status bar at the top (all of it while the status bar is hidden).
    Rect applicationFrame() const;

private:
    Rect bounds_;
    double scale_;
};

} // namespace ui
