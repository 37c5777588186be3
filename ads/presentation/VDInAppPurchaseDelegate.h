#pragma once

#include <memory>

class VDInAppPurchase;

// What hears of an in-app purchase a creative offers: the host (the banner's or the
// interstitial's inAppPurchaseDelegate) or the default purchase flow
// (VDPaymentTransactionObserver). It makes the purchase and reports the outcome with
// VDInAppPurchase::reportPurchaseStatus. Main thread.
class VDInAppPurchaseDelegate {
public:
    virtual ~VDInAppPurchaseDelegate() = default;

    virtual void didReceiveInAppPurchase(const std::shared_ptr<VDInAppPurchase>& purchase) = 0;
};
