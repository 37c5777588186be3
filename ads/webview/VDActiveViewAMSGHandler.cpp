#include "ads/webview/VDActiveViewAMSGHandler.h"

#include <charconv>
#include <optional>

namespace {

std::optional<std::uint64_t> activeViewIDOf(const VDNotification& note) {
    auto found = note.parameters().find(VDActiveViewAMSGHandler::hashCodeKey);
    if (found == note.parameters().end())
        return std::nullopt;
    const std::string& text = found->second;
    std::uint64_t id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return id;
}

template <void (VDActiveViewAMSGHandler::*action)(const VDNotification&)>
VDAMSGHandler::ActionBlock block() {
    return [](VDAMSGHandler& handler, const VDNotification& note) {
        (static_cast<VDActiveViewAMSGHandler&>(handler).*action)(note);
    };
}

} // namespace

const VDAMSGHandler::ActionBlockDictionary& VDActiveViewAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {"untrackActiveViewUnit",
         block<&VDActiveViewAMSGHandler::didReceiveActiveViewUntrackActiveViewNotification>()},
        {"visibilityChanged",
         block<&VDActiveViewAMSGHandler::didReceiveActiveViewVisibilityChangedNotification>()},
    };
    return actions;
}

void VDActiveViewAMSGHandler::didReceiveActiveViewVisibilityChangedNotification(
    const VDNotification& note) {
    auto visible = note.parameters().find(isVisibleKey);
    auto id = activeViewIDOf(note);
    if (visible == note.parameters().end() || !id)
        return;
    if (auto delegate = this->delegate())
        delegate->activeViewAMSGHandlerDidReceiveVisibilityNotificationForActiveViewID(
            *this, visible->second == "1", *id);
}

void VDActiveViewAMSGHandler::didReceiveActiveViewUntrackActiveViewNotification(
    const VDNotification& note) {
    auto id = activeViewIDOf(note);
    if (!id)
        return;
    if (auto delegate = this->delegate())
        delegate->activeViewAMSGHandlerDidReceiveUntrackNotificationForActiveViewID(*this, *id);
}
