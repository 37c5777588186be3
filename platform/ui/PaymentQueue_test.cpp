#include "platform/testing/PlatformTest.h"
#include "platform/ui/PaymentQueue.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class Watcher : public PaymentTransactionObserver {
public:
    void paymentQueueUpdatedTransactions(
        PaymentQueue&, const std::vector<std::shared_ptr<PaymentTransaction>>& changed) override {
        for (const auto& transaction : changed)
            heard.push_back(transaction->payment().productIdentifier + ":" +
                            std::to_string(static_cast<int>(transaction->transactionState())));
    }
    std::vector<std::string> heard;
};

using PaymentQueueTest = testing_support::PlatformTest;

TEST_F(PaymentQueueTest, TransactionsMoveOnlyAsTheStoreSaysAndLeaveOnlyWhenSettled) {
    PaymentQueue queue;
    auto watcher = std::make_shared<Watcher>();
    auto gone = std::make_shared<Watcher>();
    queue.addTransactionObserver(watcher);
    queue.addTransactionObserver(watcher);
    queue.addTransactionObserver(gone);
    gone.reset();

    auto transaction = queue.addPayment({"gems", 2});
    EXPECT_EQ(transaction->transactionState(), PaymentTransactionState::Purchasing);
    EXPECT_FALSE(queue.finishTransaction(transaction));
    queue.updateTransaction(transaction, PaymentTransactionState::Failed,
                            base::Error{"store", 2, {}});
    ASSERT_TRUE(transaction->error());
    EXPECT_EQ(transaction->error()->code, 2);
    EXPECT_TRUE(queue.finishTransaction(transaction));
    EXPECT_FALSE(queue.finishTransaction(transaction));
    EXPECT_TRUE(queue.transactions().empty());
    // A finished transaction no longer changes.
    queue.updateTransaction(transaction, PaymentTransactionState::Purchased);
    EXPECT_EQ(transaction->transactionState(), PaymentTransactionState::Failed);
    EXPECT_EQ(watcher->heard, (std::vector<std::string>{"gems:0", "gems:2"}));

    queue.removeTransactionObserver(watcher.get());
    queue.addPayment({"coins", 1});
    EXPECT_EQ(watcher->heard.size(), 2u);
    EXPECT_NE(queue.transactions().at(0)->transactionIdentifier(),
              transaction->transactionIdentifier());
}

} // namespace
} // namespace ui
