#include "ads/webview/VDAdAppAMSGHandler.h"

#include "ads/foundation/VDLogger.h"
#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"

const VDAMSGHandler::ActionBlockDictionary& VDAdAppAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {openAdAppMessage,
         VDAMSGHandlerBlock<VDAdAppAMSGHandler, &VDAdAppAMSGHandler::actionOpenAdApp>()},
    };
    return actions;
}

void VDAdAppAMSGHandler::actionOpenAdApp(const VDNotification& note) {
    auto slot = slot_.lock();
    if (!slot)
        return;
    auto url = VDAMSGParameters::webURL(note, "u");
    if (!url) {
        VDLogger::sharedInstance()->logPublicMessage(
            "The creative's ad app names no http or https URL; nothing is opened.");
        return;
    }
    slot->openAdAppWithURL(*url);
}
