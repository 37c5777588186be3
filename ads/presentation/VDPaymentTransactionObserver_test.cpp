#include "ads/presentation/VDInAppPurchase.h"
#include "ads/presentation/VDPaymentTransactionObserver.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"

#include <gtest/gtest.h>

namespace {

class VDPaymentTransactionObserverTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ui::PaymentQueue::resetDefaultQueue();
        base::resetProcessServicesForTesting();
        observer_ = VDPaymentTransactionObserver::sharedInstance();
    }
    void TearDown() override {
        ui::Device::current().setCanMakePayments(true);
        base::resetProcessServicesForTesting();
        ui::PaymentQueue::resetDefaultQueue();
        PlatformTest::TearDown();
    }
    std::shared_ptr<VDInAppPurchase> purchase(std::string sku, std::int64_t quantity = 2) {
        return VDInAppPurchase::create(std::move(sku), quantity,
                                       {"https://report.example/r?sku=@sku@&st=@status@"}, "v",
                                       [this](const std::vector<base::URL>& urls) {
                                           for (const auto& url : urls)
                                               reports_.push_back(url.query().value_or(""));
                                       });
    }
    static ui::PaymentQueue& queue() { return ui::PaymentQueue::defaultQueue(); }

    std::shared_ptr<VDPaymentTransactionObserver> observer_;
    std::vector<std::string> reports_;
};

TEST_F(VDPaymentTransactionObserverTest,
       EachSettledTransactionReportsItsPurchaseOnceAndIsFinished) {
    observer_->setDefaultPurchaseFlowEnabled(true);
    auto bought = purchase("gems");
    auto cancelled = purchase("coins");
    auto failed = purchase("keys");
    observer_->didReceiveInAppPurchase(bought);
    observer_->didReceiveInAppPurchase(cancelled);
    observer_->didReceiveInAppPurchase(failed);
    ASSERT_EQ(queue().transactions().size(), 3u);
    EXPECT_EQ(queue().transactions()[0]->payment().productIdentifier, "gems");
    EXPECT_EQ(queue().transactions()[0]->payment().quantity, 2);
    EXPECT_TRUE(reports_.empty());

    auto first = queue().transactions()[0];
    auto second = queue().transactions()[1];
    auto third = queue().transactions()[2];
    queue().updateTransaction(first, ui::PaymentTransactionState::Deferred);
    EXPECT_TRUE(reports_.empty());
    queue().updateTransaction(first, ui::PaymentTransactionState::Purchased);
    queue().updateTransaction(
        second, ui::PaymentTransactionState::Failed,
        base::Error{"store", VDPaymentTransactionObserver::paymentCancelledErrorCode, {}});
    queue().updateTransaction(third, ui::PaymentTransactionState::Failed,
                              base::Error{"store", 0, {}});
    EXPECT_EQ(reports_,
              (std::vector<std::string>{"sku=gems&st=1", "sku=coins&st=2", "sku=keys&st=0"}));
    EXPECT_TRUE(queue().transactions().empty());
    EXPECT_EQ(observer_->pendingPurchaseCount(), 0u);
}

TEST_F(VDPaymentTransactionObserverTest, APurchaseThatCannotBePaidForIsReportedAtOnce) {
    observer_->setDefaultPurchaseFlowEnabled(true);
    observer_->didReceiveInAppPurchase(purchase("", 1));
    observer_->didReceiveInAppPurchase(purchase("gems", 0));
    ui::Device::current().setCanMakePayments(false);
    observer_->didReceiveInAppPurchase(purchase("gems", 1));
    EXPECT_EQ(reports_, (std::vector<std::string>{"sku=&st=3", "sku=gems&st=3", "sku=gems&st=0"}));
    EXPECT_TRUE(queue().transactions().empty());
}

TEST_F(VDPaymentTransactionObserverTest, TurnedOffItNeitherTakesPurchasesNorWatchesTheQueue) {
    observer_->didReceiveInAppPurchase(purchase("gems"));
    EXPECT_TRUE(queue().transactions().empty());

    observer_->setDefaultPurchaseFlowEnabled(true);
    observer_->didReceiveInAppPurchase(purchase("gems"));
    auto transaction = queue().transactions().at(0);
    observer_->setDefaultPurchaseFlowEnabled(false);
    queue().updateTransaction(transaction, ui::PaymentTransactionState::Purchased);
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(queue().transactions().size(), 1u);
}

} // namespace
