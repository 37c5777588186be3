#pragma once

#include "platform/base/Value.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"

#include <optional>

// Where views are on the screen. Main thread only.
class VDViewUtilities {
public:
    VDViewUtilities() = delete;

    // The view's frame in screen coordinates as {"x", "y", "width", "height"} plus "visible":
    // the view is not hidden and some of it lies right of and below the screen's origin, with
    // its origin no further than the application frame's width and height. nullopt for a view
    // without superview or without window.
    static std::optional<base::Value::Dictionary> positionOfViewInScreen(const ui::View& view,
                                                                         const ui::Screen& screen);
};
