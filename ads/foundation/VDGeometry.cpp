#include "ads/foundation/VDGeometry.h"

#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDMainThread.h"
#include "platform/ui/Screen.h"

base::Value::Dictionary VDCompactDictionaryFromCGRect(const ui::Rect& rect) {
    ui::Rect r = rect.standardized();
    return {{"x", base::Value(r.origin.x)},
            {"y", base::Value(r.origin.y)},
            {"w", base::Value(r.size.width)},
            {"h", base::Value(r.size.height)}};
}

base::Value::Dictionary VDDictionaryFromCGRect(const ui::Rect& rect) {
    return {{"x", base::Value(rect.origin.x)},
            {"y", base::Value(rect.origin.y)},
            {"width", base::Value(rect.size.width)},
            {"height", base::Value(rect.size.height)}};
}

ui::Rect VDCGRectFromDictionary(const base::Value::Dictionary& dictionary, base::Error* error) {
    const base::Value value(dictionary);
    const char* keys[] = {"x", "y", "width", "height"};
    for (const char* key : keys) {
        if (!value[key].isNumber()) {
            if (error)
                *error =
                    base::Error::make("cg_rect_conversion", 1,
                                      "Invalid SDK Core rectangle " + value.description() + ".");
            return ui::Rect();
        }
    }
    return ui::Rect(value["x"].doubleValue(), value["y"].doubleValue(),
                    value["width"].doubleValue(), value["height"].doubleValue());
}

ui::Rect VDRectForInterfaceOrientation(const ui::Rect& rect, const ui::Rect& screenBounds,
                                       ui::InterfaceOrientation orientation) {
    if (VDDevice::sharedInstance()->isOSAtLeastMajorMinorPatch(8, 0, 0))
        return rect;
    const double W = screenBounds.width();
    const double H = screenBounds.height();
    switch (orientation) {
    case ui::InterfaceOrientation::PortraitUpsideDown:
        return ui::Rect(W - rect.maxX(), H - rect.maxY(), rect.width(), rect.height());
    case ui::InterfaceOrientation::LandscapeRight:
        return ui::Rect(rect.minY(), W - rect.maxX(), rect.height(), rect.width());
    case ui::InterfaceOrientation::LandscapeLeft:
        return ui::Rect(H - rect.maxY(), rect.minX(), rect.height(), rect.width());
    default:
        return rect;
    }
}

ui::Rect VDInterfaceOrientedRect(const ui::Rect& rect) {
    if (VDDevice::sharedInstance()->isOSAtLeastMajorMinorPatch(8, 0, 0))
        return rect;
    auto orientation = ui::InterfaceOrientation::Portrait;
    ui::Rect screenBounds;
    VDRunSyncOnMainThread([&] {
        orientation = ui::Application::shared().statusBarOrientation();
        screenBounds = ui::Screen::mainScreen().bounds();
    });
    return VDRectForInterfaceOrientation(rect, screenBounds, orientation);
}

ui::InterfaceOrientationMask VDInterfaceOrientationMaskFromString(std::string_view text) {
    if (text == "any")
        return ui::InterfaceOrientationMaskAll;
    if (text == "portrait")
        return ui::InterfaceOrientationMaskPortrait |
               ui::InterfaceOrientationMaskPortraitUpsideDown;
    if (text == "landscape")
        return ui::InterfaceOrientationMaskLandscape;
    return 0;
}

bool VDInterfaceOrientationMaskContainsOrientation(ui::InterfaceOrientationMask mask,
                                                   ui::InterfaceOrientation orientation) {
    auto bit = static_cast<long long>(orientation);
    if (bit < 0 || bit >= 32)
        return false;
    return (mask >> bit) & 1u;
}
