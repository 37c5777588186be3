#include "ads/foundation/VDViewUtilities.h"

#include "ads/foundation/VDGeometry.h"
#include "platform/ui/Window.h"

std::optional<base::Value::Dictionary>
VDViewUtilities::positionOfViewInScreen(const ui::View& view, const ui::Screen& screen) {
    auto superview = view.superview();
    auto window = view.window();
    if (!superview || !window)
        return std::nullopt;
    const ui::Rect frame = view.frame();
    // Superview → window, then window → screen (a window's frame is in screen coordinates).
    ui::Rect rect = superview->convertRectToView(frame, window.get());
    rect = rect.offsetBy(window->frame().origin.x, window->frame().origin.y);
    const double x = rect.origin.x;
    const double y = rect.origin.y;
    const ui::Rect applicationFrame = screen.applicationFrame();
    const bool visible = !view.isHidden() && x + frame.size.width > 0 &&
                         y + frame.size.height > 0 && x <= applicationFrame.size.width &&
                         y <= applicationFrame.size.height;
    auto position = VDDictionaryFromCGRect(rect);
    position["visible"] = base::Value(visible);
    return position;
}
