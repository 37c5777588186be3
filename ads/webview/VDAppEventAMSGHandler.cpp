#include "ads/webview/VDAppEventAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"

const VDAMSGHandler::ActionBlockDictionary& VDAppEventAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {appEventMessage,
         VDAMSGHandlerBlock<VDAppEventAMSGHandler,
                            &VDAppEventAMSGHandler::didReceiveAppEventNotification>()},
    };
    return actions;
}

void VDAppEventAMSGHandler::didReceiveAppEventNotification(const VDNotification& note) {
    auto name = VDAMSGParameters::string(note, "name");
    auto slot = slot_.lock();
    if (!slot || !name || name->empty())
        return;
    slot->didReceiveAppEventWithInfo(*name, VDAMSGParameters::string(note, "info"));
}
