#include "platform/ui/Control.h"

#include <algorithm>

namespace ui {

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    if (!enabled)
        highlighted_ = false;
    stateDidChange();
}

void Control::setSelected(bool selected) {
    if (selected_ == selected)
        return;
    selected_ = selected;
    stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted)
        return;
    highlighted_ = highlighted;
    stateDidChange();
}

ControlState Control::state() const {
    ControlState state = ControlStateNormal;
    if (highlighted_)
        state |= ControlStateHighlighted;
    if (!enabled_)
        state |= ControlStateDisabled;
    if (selected_)
        state |= ControlStateSelected;
    return state;
}

void Control::addAction(const void* target, std::string actionName, Action action,
                        ControlEvents events) {
    if (!action || events == 0)
        return;
    if (!actionName.empty()) {
        for (auto& entry : entries_) {
            if (entry.target == target && entry.name == actionName) {
                entry.events |= events;
                entry.action = std::make_shared<Action>(std::move(action));
                return;
            }
        }
    }
    entries_.push_back(Entry{nextEntryId_++, target, std::move(actionName),
                             std::make_shared<Action>(std::move(action)), events});
}

void Control::removeTarget(const void* target, std::string_view actionName, ControlEvents events) {
    for (auto& entry : entries_) {
        if (target && entry.target != target)
            continue;
        if (!actionName.empty() && entry.name != actionName)
            continue;
        entry.events &= ~events;
    }
    std::erase_if(entries_, [](const Entry& entry) { return entry.events == 0; });
}

std::set<const void*> Control::allTargets() const {
    std::set<const void*> targets;
    for (const auto& entry : entries_)
        targets.insert(entry.target);
    return targets;
}

std::vector<std::string> Control::actionsForTargetForControlEvent(const void* target,
                                                                  ControlEvents event) const {
    std::vector<std::string> names;
    for (const auto& entry : entries_)
        if (entry.target == target && (entry.events & event))
            names.push_back(entry.name);
    return names;
}

ControlEvents Control::allControlEvents() const {
    ControlEvents events = 0;
    for (const auto& entry : entries_)
        events |= entry.events;
    return events;
}

void Control::sendActionsForControlEvents(ControlEvents events, const Event* event) {
    // The entries to run are fixed first; one removed by an earlier action is skipped.
    std::vector<std::uint64_t> due;
    for (const auto& entry : entries_)
        if (entry.events & events)
            due.push_back(entry.id);
    if (due.empty())
        return;
    const auto keep = weak_from_this().lock();
    for (const std::uint64_t id : due) {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [id](const Entry& entry) { return entry.id == id; });
        if (found == entries_.end() || !(found->events & events))
            continue;
        const auto action = found->action;
        (*action)(*this, event);
    }
}

void Control::touchesBegan(const TouchSet& touches, const Event* event) {
    if (!enabled_)
        return;
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    (void)touches;
    sendActionsForControlEvents(ControlEventTouchDown, event);
}

void Control::touchesMoved(const TouchSet& touches, const Event* event) {
    if (!enabled_ || !tracking_ || touches.empty())
        return;
    const bool inside = pointInside(touches.front()->locationInView(this), event);
    const bool wasInside = touchInside_;
    touchInside_ = inside;
    setHighlighted(inside);
    ControlEvents events = inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
    if (inside != wasInside)
        events |= inside ? ControlEventTouchDragEnter : ControlEventTouchDragExit;
    sendActionsForControlEvents(events, event);
}

void Control::touchesEnded(const TouchSet& touches, const Event* event) {
    if (!enabled_ || !tracking_)
        return;
    tracking_ = false;
    const bool inside =
        touches.empty() ? touchInside_ : pointInside(touches.front()->locationInView(this), event);
    touchInside_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(inside ? ControlEventTouchUpInside : ControlEventTouchUpOutside,
                                event);
}

void Control::touchesCancelled(const TouchSet&, const Event* event) {
    if (!tracking_)
        return;
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    if (enabled_)
        sendActionsForControlEvents(ControlEventTouchCancel, event);
}

} // namespace ui
