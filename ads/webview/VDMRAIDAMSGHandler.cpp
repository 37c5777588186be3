#include "ads/webview/VDMRAIDAMSGHandler.h"

#include "ads/webview/VDAMSGHandlerBlock.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDNotificationCenter.h"
#include "platform/ui/ViewController.h"

const VDAMSGHandler::ActionBlockDictionary& VDMRAIDAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {closeMessage, VDAMSGHandlerBlock<VDMRAIDAMSGHandler,
                                          &VDMRAIDAMSGHandler::didReceiveCloseNotification>()},
    };
    return actions;
}

void VDMRAIDAMSGHandler::didReceiveCloseNotification(const VDNotification&) {
    auto adView = adView_.lock();
    if (adView && adView->isInterstitialAdView()) {
        auto screen = adView->viewController();
        if (screen && screen->presentingViewController() && !screen->isBeingDismissed())
            screen->dismissViewControllerAnimated(true);
        return;
    }
    if (!adView || !adView->isBannerAdView() || adView->isHidden())
        return;
    adView->setHidden(true);
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        "onStateChanged", *adView, {{"state", base::Value("hidden")}});
}
