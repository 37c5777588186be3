#pragma once

#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <optional>

namespace ui {

// Keyboard notifications, posted on the default center (object: none).
inline constexpr const char* KeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* KeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* KeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* KeyboardDidHideNotification = "UIKeyboardDidHideNotification";
// Their userInfo: frames in screen coordinates (as Keyboard::rectValue gives them), the
// animation duration in seconds and curve.
inline constexpr const char* KeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* KeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* KeyboardAnimationDurationUserInfoKey =
    "UIKeyboardAnimationDurationUserInfoKey";
inline constexpr const char* KeyboardAnimationCurveUserInfoKey =
    "UIKeyboardAnimationCurveUserInfoKey";

// The on-screen keyboard: up while a text field is first responder. Only TextField shows and
// hides it: no engine reports focus in a page's fields, so a web view never brings it up
// (tests that play a page's keyboard call show() and hide() directly). Moving focus straight
// from one field to another leaves it up and posts nothing. Held by the application.
class Keyboard {
public:
    static constexpr double animationDuration = 0.25;

    // Shows the keyboard when it is down: posts will-show then did-show with its frame.
    void show();
    // Hides it when it is up: posts will-hide then did-hide.
    void hide();
    bool isVisible() const { return visible_; }
    // Across the bottom of the main screen: 216 points high on a phone, 264 on a pad.
    Rect frame() const;

    // A rectangle as notification values carry it ({"x", "y", "width", "height"}), and back.
    static base::Value rectValue(const Rect& rect);
    static std::optional<Rect> rectFromValue(const base::Value& value);

private:
    base::Value::Dictionary userInfo(const Rect& begin, const Rect& end) const;

    bool visible_ = false;
};

} // namespace ui
