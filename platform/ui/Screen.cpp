#include "platform/ui/Screen.h"

#include "platform/ui/Application.h"
#include "platform/ui/Device.h"

namespace ui {

Screen& Screen::mainScreen() {
    // Rebuilt from the current device on each call, so that an installed device shows at
    // once; the reference stays valid.
    static Screen screen(Rect(), 1.0);
    const Device& device = Device::current();
    screen = Screen(device.screenBounds(), device.screenScale());
    return screen;
}

Rect Screen::applicationFrame() const {
    if (Application::shared().isStatusBarHidden())
        return bounds_;
    return Rect(bounds_.origin.x, bounds_.origin.y + statusBarHeight, bounds_.width(),
                bounds_.height() - statusBarHeight);
}

} // namespace ui
