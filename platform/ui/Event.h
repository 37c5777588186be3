#pragma once

#include "platform/ui/Touch.h"

#include <memory>

namespace ui {

// The platform's event kinds, with their numeric values.
enum class EventType { Touches = 0, Motion = 1, RemoteControl = 2 };

// What the window delivers to views: touches, a motion (shake) or a remote-control command.
class Event {
public:
    Event(EventType type, double timestamp, TouchSet touches = {}, int subtype = 0)
        : type_(type)
        , subtype_(subtype)
        , timestamp_(timestamp)
        , touches_(std::move(touches)) {}

    static constexpr int SubtypeNone = 0;
    static constexpr int SubtypeMotionShake = 1;
    static constexpr int SubtypeRemoteControlPlay = 100;
    static constexpr int SubtypeRemoteControlPause = 101;
    static constexpr int SubtypeRemoteControlStop = 102;
    static constexpr int SubtypeRemoteControlTogglePlayPause = 103;

    EventType type() const { return type_; }
    int subtype() const { return subtype_; }
    double timestamp() const { return timestamp_; }
    const TouchSet& allTouches() const { return touches_; }
    // The touches whose hit view is `view`.
    TouchSet touchesForView(const View* view) const;

private:
    EventType type_;
    int subtype_;
    double timestamp_;
    TouchSet touches_;
};

} // namespace ui
