#pragma once

#include "ads/presentation/VDInAppPurchaseDelegate.h"
#include "platform/ui/PaymentQueue.h"

#include <map>
#include <memory>

// The default purchase flow: when the host turns it on, every slot's in-app purchases come
// here instead of to the host. A purchase becomes a payment in the default payment queue, and
// when the store settles its transaction the purchase is reported (purchased or restored:
// successful; failed: cancel when the user cancelled, else error) and the transaction finished.
// A purchase that cannot be paid for (the device allows no payments, no product, a quantity
// below 1) is reported at once, as an error or an invalid product. Off by default; while off
// it neither watches the queue nor takes purchases. Main thread only.
class VDPaymentTransactionObserver
    : public VDInAppPurchaseDelegate,
      public ui::PaymentTransactionObserver,
      public std::enable_shared_from_this<VDPaymentTransactionObserver> {
    struct Private {};

public:
    // The store's error code for a payment the user cancelled.
    static constexpr long paymentCancelledErrorCode = 2;

    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<VDPaymentTransactionObserver> sharedInstance();
    explicit VDPaymentTransactionObserver(Private) {}
    ~VDPaymentTransactionObserver() override;

    bool isDefaultPurchaseFlowEnabled() const { return enabled_; }
    void setDefaultPurchaseFlowEnabled(bool enabled);

    void didReceiveInAppPurchase(const std::shared_ptr<VDInAppPurchase>& purchase) override;
    void paymentQueueUpdatedTransactions(
        ui::PaymentQueue& queue,
        const std::vector<std::shared_ptr<ui::PaymentTransaction>>& transactions) override;

    // Purchases whose transaction the store has not settled yet.
    std::size_t pendingPurchaseCount() const { return purchases_.size(); }

private:
    bool enabled_ = false;
    std::map<std::shared_ptr<ui::PaymentTransaction>, std::shared_ptr<VDInAppPurchase>> purchases_;
};
