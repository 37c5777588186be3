#include "ads/presentation/VDInAppPurchase.h"
#include "ads/presentation/VDPaymentTransactionObserver.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSlot.h"

std::shared_ptr<VDInAppPurchaseDelegate> VDSlot::inAppPurchaseDelegate() const {
    auto observer = VDPaymentTransactionObserver::sharedInstance();
    if (observer->isDefaultPurchaseFlowEnabled())
        return observer;
    auto delegate = slotDelegate();
    return delegate ? delegate->inAppPurchaseDelegate() : nullptr;
}

bool VDSlot::didReceiveInAppPurchaseRequest(std::string productID, std::int64_t quantity,
                                            std::vector<std::string> reportURLTemplates) {
    auto delegate = inAppPurchaseDelegate();
    if (!delegate)
        return false;
    delegate->didReceiveInAppPurchase(VDInAppPurchase::create(
        std::move(productID), quantity, std::move(reportURLTemplates), VDRequest::sdkVersion(),
        [](const std::vector<base::URL>& urls) {
            VDClickTrackerCollection::sharedInstance()->trackURLsCacheEnabled(urls, false);
        }));
    return true;
}
