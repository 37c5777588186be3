#pragma once

#include "platform/ui/View.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Control events, the platform's bit values.
using ControlEvents = std::uint32_t;
inline constexpr ControlEvents ControlEventTouchDown = 1u << 0;
inline constexpr ControlEvents ControlEventTouchDownRepeat = 1u << 1;
inline constexpr ControlEvents ControlEventTouchDragInside = 1u << 2;
inline constexpr ControlEvents ControlEventTouchDragOutside = 1u << 3;
inline constexpr ControlEvents ControlEventTouchDragEnter = 1u << 4;
inline constexpr ControlEvents ControlEventTouchDragExit = 1u << 5;
inline constexpr ControlEvents ControlEventTouchUpInside = 1u << 6;
inline constexpr ControlEvents ControlEventTouchUpOutside = 1u << 7;
inline constexpr ControlEvents ControlEventTouchCancel = 1u << 8;
inline constexpr ControlEvents ControlEventValueChanged = 1u << 12;
inline constexpr ControlEvents ControlEventEditingDidBegin = 1u << 16;
inline constexpr ControlEvents ControlEventEditingChanged = 1u << 17;
inline constexpr ControlEvents ControlEventEditingDidEnd = 1u << 18;
inline constexpr ControlEvents ControlEventEditingDidEndOnExit = 1u << 19;
inline constexpr ControlEvents ControlEventAllTouchEvents = 0x00000FFFu;
inline constexpr ControlEvents ControlEventAllEditingEvents = 0x000F0000u;
inline constexpr ControlEvents ControlEventApplicationReserved = 0x0F000000u;
inline constexpr ControlEvents ControlEventSystemReserved = 0xF0000000u;
inline constexpr ControlEvents ControlEventAllEvents = 0xFFFFFFFFu;

// Control states, the platform's bit values; a state is a combination of them.
using ControlState = std::uint32_t;
inline constexpr ControlState ControlStateNormal = 0;
inline constexpr ControlState ControlStateHighlighted = 1u << 0;
inline constexpr ControlState ControlStateDisabled = 1u << 1;
inline constexpr ControlState ControlStateSelected = 1u << 2;

enum class ControlContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ControlContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

// A view that sends actions to targets when control events happen. A target is known by
// its address only (it is never called through it): it identifies the actions to remove.
// An action receives the control that sent it and the event (null when sent from code).
class Control : public View {
public:
    using Action = std::function<void(Control& sender, const Event* event)>;

    explicit Control(const Rect& frame = Rect())
        : View(frame) {}
    static std::shared_ptr<Control> create(const Rect& frame = Rect()) {
        return std::make_shared<Control>(frame);
    }
    std::string className() const override { return "Control"; }

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    // Normal, or the combination of highlighted, disabled and selected.
    ControlState state() const;
    bool isTracking() const { return tracking_; }
    bool isTouchInside() const { return touchInside_; }

    ControlContentHorizontalAlignment contentHorizontalAlignment() const { return hAlign_; }
    void setContentHorizontalAlignment(ControlContentHorizontalAlignment a) { hAlign_ = a; }
    ControlContentVerticalAlignment contentVerticalAlignment() const { return vAlign_; }
    void setContentVerticalAlignment(ControlContentVerticalAlignment a) { vAlign_ = a; }

    // Registers `action` for `events` under (target, actionName). Adding the same non-empty
    // (target, actionName) again adds the events to the existing entry and keeps one action
    // (the newer function), so it is still sent once per event. The name is what interface
    // files and diagnostics know the action by; it may be empty.
    void addAction(const void* target, std::string actionName, Action action, ControlEvents events);
    void addTarget(const void* target, Action action, ControlEvents events) {
        addAction(target, {}, std::move(action), events);
    }
    // Removes `events` from the entries of `target` (every target when null) whose name is
    // `actionName` (every name when empty); entries left with no event go away.
    void removeTarget(const void* target, std::string_view actionName, ControlEvents events);
    void removeTarget(const void* target, ControlEvents events) {
        removeTarget(target, {}, events);
    }
    // Distinct targets with at least one entry, and the names registered for one event.
    std::set<const void*> allTargets() const;
    std::vector<std::string> actionsForTargetForControlEvent(const void* target,
                                                             ControlEvents event) const;
    ControlEvents allControlEvents() const;

    // Sends the actions registered for any of `events`, in registration order, with this
    // control as sender. Actions may add or remove entries while they run.
    void sendActionsForControlEvents(ControlEvents events, const Event* event = nullptr);

    // Touch tracking: an enabled control highlights and sends touch-down when touched,
    // touch-up-inside or -outside when released, touch-cancel when cancelled. A disabled
    // control still receives the touches (nothing behind it does) but sends nothing.
    void touchesBegan(const TouchSet& touches, const Event* event) override;
    void touchesMoved(const TouchSet& touches, const Event* event) override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void touchesCancelled(const TouchSet& touches, const Event* event) override;

protected:
    // Hook for subclasses when the state changes (redraw, per-state looks).
    virtual void stateDidChange() {}

private:
    struct Entry {
        std::uint64_t id;
        const void* target;
        std::string name;
        std::shared_ptr<Action> action;
        ControlEvents events;
    };
    std::vector<Entry> entries_;
    std::uint64_t nextEntryId_ = 1;
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool touchInside_ = false;
    ControlContentHorizontalAlignment hAlign_ = ControlContentHorizontalAlignment::Center;
    ControlContentVerticalAlignment vAlign_ = ControlContentVerticalAlignment::Center;
};

} // namespace ui
