#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDURLQuery.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDNotification.h"
#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"

const std::vector<std::string>& VDSlot::defaultAdServerDomains() {
    static const std::vector<std::string> domains = {"redodi.example", "vediv.example",
                                                     "redodisyndication.example"};
    return domains;
}

void VDSlot::willProcessAd() {
    finishActiveViewReporting();
    unscheduleSwipeToViewControllerChecker();
    disableSwipeToViewController();
    swipeableStoreProductViewController_.reset();
}

void VDSlot::adFailedToReceiveContentWithError(const base::Error& error) {
    if (auto delegate = adEventDelegate())
        delegate->slotDidFailToLoadAdContentWithError(*this, error);
}

void VDSlot::adFinishedLoadingContent() {
    if (ad_ && ad_->swipeToViewControllerConfigurations())
        scheduleSwipeToViewControllerChecker();
    if (auto delegate = adEventDelegate())
        delegate->slotFinishedLoadingAdContent(*this);
}

void VDSlot::adWasClicked() {
    VDApplication::sharedInstance()->incrementTotalAdClickCount();
    if (!ad_ || !ad_->statistics())
        return;
    auto& statistics = *ad_->statistics();
    statistics.setObjectForKeyShouldNotifyDelegate(
        base::Value(VDAbsoluteTime::absoluteTimeInMilliseconds()), "tclickcurr", true);
    statistics.incrementNumberForKeyShouldNotifyDelegate("pcc", true);
}

void VDSlot::adWillPresentScreen() {
    if (auto delegate = adEventDelegate())
        delegate->slotWillPresentScreen(*this);
}

void VDSlot::adWillDismissScreen() {
    if (auto delegate = adEventDelegate())
        delegate->slotWillDismissScreen(*this);
}

void VDSlot::adDidDismissScreen() {
    // The store page a swipe brought in has gone: the slot no longer holds itself for it.
    const auto keepUntilReturn = std::move(strongSlotForSwipeToViewController_);
    // A dismissed interstitial is gone from the screen for good.
    if (adType_.isInterstitial())
        finishActiveViewReporting();
    if (auto delegate = adEventDelegate())
        delegate->slotDidDismissScreen(*this);
}

void VDSlot::adWillLeaveApplication() {
    VDApplication::sharedInstance()->willLeaveApplicationDueToClickOnAd(ad_ ? ad_->statistics()
                                                                            : nullptr);
    if (auto delegate = adEventDelegate())
        delegate->slotWillLeaveApplication(*this);
}

void VDSlot::pingClickURLs() {
    if (ad_)
        VDClickTrackerCollection::sharedInstance()->trackURLsCacheEnabled(ad_->clickURLs(), false);
    if (auto delegate = slotDelegate())
        delegate->slotDidReceiveAdClick(*this);
}

void VDSlot::pingImpressionURLs() {
    if (!ad_)
        return;
    VDClickTrackerCollection::sharedInstance()->trackURLsCacheEnabled(ad_->impressionURLs(), false);
    ad_->removeAllImpressionURLs();
}

void VDSlot::pingManualTrackingURLs() {
    if (!ad_)
        return;
    VDClickTrackerCollection::sharedInstance()->trackURLsCacheEnabled(ad_->manualImpressionURLs(),
                                                                      false);
    ad_->removeAllManualImpressionURLs();
}

base::URL VDSlot::spamClickURLWithURL(const base::URL& url) {
    if (VDNotification::isNotificationURL(url) || url.absoluteString() == "about:blank")
        return url;
    if (auto ticket = vd_impressionTicket(url); ticket && ad_ && ad_->statistics())
        ad_->statistics()->setObjectForKeyedSubscript(base::Value(*ticket), "pit");
    if (!url.query() || !isRedodiAdURL(url))
        return url;
    const auto adIdentifier = vd_parameterValueForKey(url, "ai");
    if (!adIdentifier || adIdentifier->empty())
        return url;
    bool signed_ = false;
    std::string signal;
    VDRunSyncOnMainThread([&] {
        signed_ =
            VDGestureUtil::sharedInstance()->clickSignalForAdIdentifier(*adIdentifier, signal);
    });
    if (!signed_)
        return url;
    return vd_appendQueryValueForKey(url, "", signal).value_or(url);
}

bool VDSlot::isRedodiAdURL(const base::URL& url) {
    const std::string host = base::lowercaseASCII(url.host());
    if (host.empty())
        return false;
    std::vector<std::string> domains;
    const auto stored = base::UserDefaults::standard()->stringForKey(adServerDomainsKey);
    if (stored && !stored->empty()) {
        for (const auto& entry : base::splitByCharacters(*stored, ","))
            domains.emplace_back(base::trimSpacesAndTabs(entry));
    } else {
        domains = defaultAdServerDomains();
    }
    for (auto domain : domains) {
        // ".redodi.example" names the same domain as "redodi.example".
        while (!domain.empty() && domain.front() == '.')
            domain.erase(domain.begin());
        domain = base::lowercaseASCII(domain);
        if (domain.empty())
            continue;
        if (host == domain || (host.size() > domain.size() && base::hasSuffix(host, domain) &&
                               host[host.size() - domain.size() - 1] == '.'))
            return true;
    }
    return false;
}

void VDSlot::bannerDidMoveToWindow(bool hasWindow) {
    if (!activeViewMonitor_)
        return;
    if (hasWindow) {
        activeViewMonitor_->start();
    } else {
        activeViewMonitor_->sampleOnce();
        activeViewMonitor_->stop();
    }
}

void VDSlot::interstitialViewWillAppear() {
    if (activeViewMonitor_)
        activeViewMonitor_->start();
}

void VDSlot::interstitialViewWillDisappear() {
    if (!activeViewMonitor_)
        return;
    activeViewMonitor_->sampleOnce();
    activeViewMonitor_->stop();
}

bool VDSlot::isMRAIDEnabled() const {
    return currentAdMRAIDEventHandler() != nullptr;
}

void VDSlot::finishActiveViewReporting() {
    if (activeViewMonitor_)
        activeViewMonitor_->finishActiveViewReporting();
}

void VDSlot::resetActiveViewReporting() {
    if (activeViewMonitor_)
        activeViewMonitor_->resetActiveViewReporting();
}

void VDSlot::trackURL(const base::URL& url) {
    VDClickTrackerCollection::sharedInstance()->trackURL(url);
}

void VDSlot::didReceiveAppEventWithInfo(const std::string& name,
                                        const std::optional<std::string>& info) {
    if (auto delegate = slotDelegate())
        delegate->slotDidReceiveAppEventWithInfo(*this, name, info);
}
