#include "ads/webview/VDSwipeToViewControllerAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"

const VDAMSGHandler::ActionBlockDictionary&
VDSwipeToViewControllerAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {swipeToViewControllerMessage,
         VDAMSGHandlerBlock<VDSwipeToViewControllerAMSGHandler,
                            &VDSwipeToViewControllerAMSGHandler::actionSwipeToViewController>()},
    };
    return actions;
}

void VDSwipeToViewControllerAMSGHandler::actionSwipeToViewController(const VDNotification& note) {
    auto slot = slot_.lock();
    auto enabled = VDAMSGParameters::string(note, "enabled");
    if (!slot || !enabled || (*enabled != "0" && *enabled != "1"))
        return;
    slot->setSwipeToViewControllerEnabled(*enabled == "1");
}
