#include "ads/webview/VDAMSGHandler.h"

bool VDAMSGHandler::handlesMessageNamed(std::string_view name) const {
    const auto& actions = actionBlockDictionary();
    return actions.find(name) != actions.end();
}

bool VDAMSGHandler::didReceiveNotification(const VDNotification& note) {
    const auto& actions = actionBlockDictionary();
    auto action = actions.find(note.name());
    if (action == actions.end() || !action->second)
        return false;
    action->second(*this, note);
    return true;
}
