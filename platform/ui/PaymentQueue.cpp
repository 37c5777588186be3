#include "platform/ui/PaymentQueue.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Device.h"

#include <algorithm>

namespace ui {

namespace {

std::unique_ptr<PaymentQueue>& defaultHolder() {
    static std::unique_ptr<PaymentQueue> queue = std::make_unique<PaymentQueue>();
    return queue;
}

} // namespace

PaymentQueue& PaymentQueue::defaultQueue() {
    return *defaultHolder();
}

void PaymentQueue::resetDefaultQueue() {
    defaultHolder() = std::make_unique<PaymentQueue>();
}

bool PaymentQueue::canMakePayments() {
    return Device::current().canMakePayments();
}

void PaymentQueue::addTransactionObserver(
    const std::shared_ptr<PaymentTransactionObserver>& observer) {
    base::assertMainThread();
    if (!observer)
        return;
    for (const auto& known : observers_)
        if (known.lock() == observer)
            return;
    observers_.push_back(observer);
}

void PaymentQueue::removeTransactionObserver(const PaymentTransactionObserver* observer) {
    std::erase_if(observers_, [&](const auto& known) {
        auto living = known.lock();
        return !living || living.get() == observer;
    });
}

std::shared_ptr<PaymentTransaction> PaymentQueue::addPayment(Payment payment) {
    base::assertMainThread();
    auto transaction =
        std::make_shared<PaymentTransaction>(std::move(payment), std::to_string(nextIdentifier_++));
    transactions_.push_back(transaction);
    tell({transaction});
    return transaction;
}

void PaymentQueue::updateTransaction(const std::shared_ptr<PaymentTransaction>& transaction,
                                     PaymentTransactionState state,
                                     std::optional<base::Error> error) {
    base::assertMainThread();
    if (std::find(transactions_.begin(), transactions_.end(), transaction) == transactions_.end())
        return;
    transaction->state_ = state;
    transaction->error_ =
        state == PaymentTransactionState::Failed ? std::move(error) : std::nullopt;
    tell({transaction});
}

bool PaymentQueue::finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction) {
    base::assertMainThread();
    if (!transaction || transaction->state_ == PaymentTransactionState::Purchasing)
        return false;
    const auto found = std::find(transactions_.begin(), transactions_.end(), transaction);
    if (found == transactions_.end())
        return false;
    transactions_.erase(found);
    return true;
}

void PaymentQueue::tell(const std::vector<std::shared_ptr<PaymentTransaction>>& changed) {
    // Taken first: an observer may add or remove observers while it is told.
    std::vector<std::shared_ptr<PaymentTransactionObserver>> living;
    for (const auto& observer : observers_)
        if (auto strong = observer.lock())
            living.push_back(std::move(strong));
    for (const auto& observer : living)
        observer->paymentQueueUpdatedTransactions(*this, changed);
}

} // namespace ui
