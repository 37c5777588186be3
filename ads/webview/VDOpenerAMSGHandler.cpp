#include "ads/webview/VDOpenerAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAMSGParameters.h"
#include "ads/webview/VDAdView.h"

const VDAMSGHandler::ActionBlockDictionary& VDOpenerAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {clickMessage, VDAMSGHandlerBlock<VDOpenerAMSGHandler,
                                          &VDOpenerAMSGHandler::didReceiveClickNotification>()},
        {openAppMessage,
         VDAMSGHandlerBlock<VDOpenerAMSGHandler, &VDOpenerAMSGHandler::actionOpenApp>()},
    };
    return actions;
}

void VDOpenerAMSGHandler::didReceiveClickNotification(const VDNotification& note) {
    auto slot = slot_.lock();
    if (!slot)
        return;
    if (auto tracking = VDAMSGParameters::webURL(note, "t"))
        slot->trackURL(*tracking);
    if (auto url = VDAMSGParameters::webURL(note, "u"))
        open(slot->spamClickURLWithURL(*url), *slot);
}

void VDOpenerAMSGHandler::actionOpenApp(const VDNotification& note) {
    auto slot = slot_.lock();
    auto url = VDAMSGParameters::webURL(note, "u");
    if (!slot || !url)
        return;
    const base::URL signedURL = slot->spamClickURLWithURL(*url);
    slot->adWasClicked();
    open(signedURL, *slot);
}

void VDOpenerAMSGHandler::open(const base::URL& url, VDAdViewSlot& slot) {
    if (!opener_)
        return;
    const auto& adView = slot.adView();
    opener_->openClickURL(url, adView && adView->isTouched());
}
