#pragma once

#include "platform/base/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class PaymentQueue;

// What is bought: a product of the store, in a quantity.
struct Payment {
    std::string productIdentifier;
    std::int64_t quantity = 1;
};

// The platform's transaction states, with their values.
enum class PaymentTransactionState {
    Purchasing = 0,
    Purchased = 1,
    Failed = 2,
    Restored = 3,
    Deferred = 4,
};

// One payment on its way through the store.
class PaymentTransaction {
public:
    PaymentTransaction(Payment payment, std::string identifier)
        : payment_(std::move(payment))
        , identifier_(std::move(identifier)) {}

    const Payment& payment() const { return payment_; }
    const std::string& transactionIdentifier() const { return identifier_; }
    PaymentTransactionState transactionState() const { return state_; }
    // Set when the state is Failed.
    const std::optional<base::Error>& error() const { return error_; }

private:
    friend class PaymentQueue;
    Payment payment_;
    std::string identifier_;
    PaymentTransactionState state_ = PaymentTransactionState::Purchasing;
    std::optional<base::Error> error_;
};

class PaymentTransactionObserver {
public:
    virtual ~PaymentTransactionObserver() = default;
    // Transactions that were added or changed state.
    virtual void
    paymentQueueUpdatedTransactions(PaymentQueue& queue,
                                    const std::vector<std::shared_ptr<PaymentTransaction>>&) = 0;
};

// The store's queue of payments. This desktop has no store: a payment added becomes a
// transaction in the Purchasing state, and whoever stands in for the store (the host, a test)
// moves it on with updateTransaction(); nothing is ever charged. Observers are held weakly and
// hear each change synchronously, in the order they were added. A transaction stays in the
// queue until it is finished, which only a transaction out of Purchasing may be. Main thread
// only.
class PaymentQueue {
public:
    static PaymentQueue& defaultQueue();
    // A new empty default queue (tests).
    static void resetDefaultQueue();
    // Whether the device lets payments be made (ui::Device).
    static bool canMakePayments();

    void addTransactionObserver(const std::shared_ptr<PaymentTransactionObserver>& observer);
    void removeTransactionObserver(const PaymentTransactionObserver* observer);

    // The payment's transaction, Purchasing; observers hear it.
    std::shared_ptr<PaymentTransaction> addPayment(Payment payment);
    // The store's answer: the transaction's new state (an error goes with Failed); observers
    // hear it. Ignored for a transaction no longer in the queue.
    void updateTransaction(const std::shared_ptr<PaymentTransaction>& transaction,
                           PaymentTransactionState state,
                           std::optional<base::Error> error = std::nullopt);
    // Removes a transaction that is no longer Purchasing; false otherwise.
    bool finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction);
    const std::vector<std::shared_ptr<PaymentTransaction>>& transactions() const {
        return transactions_;
    }

private:
    void tell(const std::vector<std::shared_ptr<PaymentTransaction>>& changed);

    std::vector<std::weak_ptr<PaymentTransactionObserver>> observers_;
    std::vector<std::shared_ptr<PaymentTransaction>> transactions_;
    std::uint64_t nextIdentifier_ = 1;
};

} // namespace ui
