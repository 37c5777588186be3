#include "platform/ui/Keyboard.h"

#include "platform/base/NotificationCenter.h"
#include "platform/ui/Device.h"
#include "platform/ui/Screen.h"

namespace ui {

Rect Keyboard::frame() const {
    const Rect screen = Screen::mainScreen().bounds();
    const double height =
        Device::current().userInterfaceIdiom() == UserInterfaceIdiom::Pad ? 264 : 216;
    return Rect(0, screen.maxY() - height, screen.width(), height);
}

base::Value::Dictionary Keyboard::userInfo(const Rect& begin, const Rect& end) const {
    return base::Value::Dictionary{
        {KeyboardFrameBeginUserInfoKey, rectValue(begin)},
        {KeyboardFrameEndUserInfoKey, rectValue(end)},
        {KeyboardAnimationDurationUserInfoKey, base::Value(animationDuration)},
        {KeyboardAnimationCurveUserInfoKey, base::Value(7)},
    };
}

void Keyboard::show() {
    if (visible_)
        return;
    visible_ = true;
    const Rect end = frame();
    const Rect begin = end.offsetBy(0, end.height());
    auto& center = base::NotificationCenter::defaultCenter();
    center.post(KeyboardWillShowNotification, nullptr, userInfo(begin, end));
    center.post(KeyboardDidShowNotification, nullptr, userInfo(begin, end));
}

void Keyboard::hide() {
    if (!visible_)
        return;
    visible_ = false;
    const Rect begin = frame();
    const Rect end = begin.offsetBy(0, begin.height());
    auto& center = base::NotificationCenter::defaultCenter();
    center.post(KeyboardWillHideNotification, nullptr, userInfo(begin, end));
    center.post(KeyboardDidHideNotification, nullptr, userInfo(begin, end));
}

base::Value Keyboard::rectValue(const Rect& rect) {
    return base::Value(base::Value::Dictionary{{"x", base::Value(rect.origin.x)},
                                               {"y", base::Value(rect.origin.y)},
                                               {"width", base::Value(rect.size.width)},
                                               {"height", base::Value(rect.size.height)}});
}

std::optional<Rect> Keyboard::rectFromValue(const base::Value& value) {
    if (!value.isDictionary())
        return std::nullopt;
    for (const char* key : {"x", "y", "width", "height"})
        if (!value[key].isNumber())
            return std::nullopt;
    return Rect(value["x"].doubleValue(), value["y"].doubleValue(), value["width"].doubleValue(),
                value["height"].doubleValue());
}

} // namespace ui
