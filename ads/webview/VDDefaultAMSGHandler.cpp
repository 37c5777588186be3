#include "ads/webview/VDDefaultAMSGHandler.h"

#include "ads/foundation/VDGestureUtil.h"
#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"

#include <algorithm>

const VDAMSGHandler::ActionBlockDictionary& VDDefaultAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {trackMessage,
         VDAMSGHandlerBlock<VDDefaultAMSGHandler,
                            &VDDefaultAMSGHandler::didReceiveTrackHTTPNotification>()},
        {touchMessage, VDAMSGHandlerBlock<VDDefaultAMSGHandler,
                                          &VDDefaultAMSGHandler::didReceiveTouchNotification>()},
    };
    return actions;
}

void VDDefaultAMSGHandler::didReceiveTrackHTTPNotification(const VDNotification& note) {
    auto url = VDAMSGParameters::webURL(note, "u");
    auto slot = slot_.lock();
    if (url && slot)
        slot->trackURL(*url);
}

void VDDefaultAMSGHandler::didReceiveTouchNotification(const VDNotification& note) {
    auto x = VDAMSGParameters::number(note, "x");
    auto y = VDAMSGParameters::number(note, "y");
    if (!x || !y)
        return;
    const double duration = std::max(0.0, VDAMSGParameters::number(note, "d").value_or(0));
    VDGestureUtil::sharedInstance()->reportTouch(*x, *y, duration);
}
