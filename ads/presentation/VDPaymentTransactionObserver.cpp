#include "ads/presentation/VDPaymentTransactionObserver.h"

#include "ads/presentation/VDInAppPurchase.h"
#include "platform/base/ProcessWide.h"

std::shared_ptr<VDPaymentTransactionObserver> VDPaymentTransactionObserver::sharedInstance() {
    // A reset takes the dropped observer off the payment queue.
    static base::ProcessWide<VDPaymentTransactionObserver> shared(
        [] { return std::make_shared<VDPaymentTransactionObserver>(Private{}); },
        [](VDPaymentTransactionObserver& dropped) {
            dropped.setDefaultPurchaseFlowEnabled(false);
        });
    return shared.get();
}

VDPaymentTransactionObserver::~VDPaymentTransactionObserver() = default;

void VDPaymentTransactionObserver::setDefaultPurchaseFlowEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    auto& queue = ui::PaymentQueue::defaultQueue();
    if (enabled)
        queue.addTransactionObserver(shared_from_this());
    else
        queue.removeTransactionObserver(this);
}

void VDPaymentTransactionObserver::didReceiveInAppPurchase(
    const std::shared_ptr<VDInAppPurchase>& purchase) {
    if (!purchase || !enabled_)
        return;
    if (purchase->productID().empty() || purchase->quantity() < 1) {
        purchase->reportPurchaseStatus(kVDInAppPurchaseStatusInvalidProduct);
        return;
    }
    if (!ui::PaymentQueue::canMakePayments()) {
        purchase->reportPurchaseStatus(kVDInAppPurchaseStatusError);
        return;
    }
    auto& queue = ui::PaymentQueue::defaultQueue();
    const auto added = queue.addPayment({purchase->productID(), purchase->quantity()});
    purchases_[added] = purchase;
    // A store that settled it while it was being added has been heard before it was known.
    if (added->transactionState() != ui::PaymentTransactionState::Purchasing)
        paymentQueueUpdatedTransactions(queue, {added});
}

void VDPaymentTransactionObserver::paymentQueueUpdatedTransactions(
    ui::PaymentQueue& queue,
    const std::vector<std::shared_ptr<ui::PaymentTransaction>>& transactions) {
    for (const auto& transaction : transactions) {
        const auto found = purchases_.find(transaction);
        if (found == purchases_.end())
            continue;
        long status = 0;
        switch (transaction->transactionState()) {
        case ui::PaymentTransactionState::Purchased:
        case ui::PaymentTransactionState::Restored:
            status = kVDInAppPurchaseStatusSuccessful;
            break;
        case ui::PaymentTransactionState::Failed:
            status = transaction->error() && transaction->error()->code == paymentCancelledErrorCode
                         ? kVDInAppPurchaseStatusCancel
                         : kVDInAppPurchaseStatusError;
            break;
        case ui::PaymentTransactionState::Purchasing:
        case ui::PaymentTransactionState::Deferred:
            continue;
        }
        auto purchase = found->second;
        purchases_.erase(found);
        queue.finishTransaction(transaction);
        purchase->reportPurchaseStatus(status);
    }
}
