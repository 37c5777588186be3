#include "ads/webview/VDDelayPageLoadAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"
#include "ads/webview/VDAdView.h"

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
    auto delaying = this->delaying();
    if (!delaying)
        return;
    const double seconds = VDAMSGParameters::number(note, "t").value_or(defaultTimeout.count());
    delaying->beginPageLoadDelay(base::Seconds(std::clamp(seconds, 0.0, maximumTimeout.count())));
}

void VDDelayPageLoadAMSGHandler::didReceiveEndPageLoadDelayNotification(const VDNotification&) {
    if (auto delaying = this->delaying())
        delaying->endPageLoadDelay();
}

std::shared_ptr<VDPageLoadDelaying> VDDelayPageLoadAMSGHandler::delaying() const {
    auto adView = adView_.lock();
    return adView ? std::dynamic_pointer_cast<VDPageLoadDelaying>(adView->delegate()) : nullptr;
}
