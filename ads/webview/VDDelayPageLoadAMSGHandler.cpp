#include "ads/webview/VDDelayPageLoadAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"

#include <algorithm>

const VDAMSGHandler::ActionBlockDictionary&
VDDelayPageLoadAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {delayMessage,
         VDAMSGHandlerBlock<VDDelayPageLoadAMSGHandler,
                            &VDDelayPageLoadAMSGHandler::didReceiveDelayPageLoadNotification>()},
        {endMessage,
         VDAMSGHandlerBlock<VDDelayPageLoadAMSGHandler,
                            &VDDelayPageLoadAMSGHandler::didReceiveEndPageLoadDelayNotification>()},
    };
    return actions;
}

void VDDelayPageLoadAMSGHandler::didReceiveDelayPageLoadNotification(const VDNotification& note) {
    auto delaying = delaying_.lock();
    if (!delaying)
        return;
    const double seconds = VDAMSGParameters::number(note, "t").value_or(defaultTimeout.count());
    delaying->beginPageLoadDelay(base::Seconds(std::clamp(seconds, 0.0, maximumTimeout.count())));
}

void VDDelayPageLoadAMSGHandler::didReceiveEndPageLoadDelayNotification(const VDNotification&) {
    if (auto delaying = delaying_.lock())
        delaying->endPageLoadDelay();
}
