#include "ads/presentation/VDInAppPurchase.h"
#include "ads/presentation/VDPaymentTransactionObserver.h"
#include "ads/request/SlotTestFixture.h"
#include "platform/base/ProcessWide.h"

namespace {

using namespace slot_testing;

class Buyer : public VDInAppPurchaseDelegate {
public:
    void didReceiveInAppPurchase(const std::shared_ptr<VDInAppPurchase>& purchase) override {
        purchases.push_back(purchase);
    }
    std::vector<std::shared_ptr<VDInAppPurchase>> purchases;
};

class VDSlotInAppPurchaseTest : public SlotTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        ui::PaymentQueue::resetDefaultQueue();
        SlotTest::TearDown();
    }
    base::Value requestAfterLoad(const std::shared_ptr<VDBannerView>& banner) {
        const auto before = pageRequests().size();
        banner->loadRequest(nullptr);
        const bool sent = waitFor([&] {
            finishCorePageLoadIfNeeded();
            return pageRequests().size() == before + 1;
        });
        if (!sent)
            return base::Value();
        banner->slot()->cancelLoad();
        return base::Value(pageRequests().back());
    }
};

TEST_F(VDSlotInAppPurchaseTest, PurchasesGoToTheHostOrTheDefaultFlowAndRequestsSaySo) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    EXPECT_TRUE(requestAfterLoad(banner)["iap_set"].isNull());
    EXPECT_FALSE(slot->inAppPurchaseDelegate());
    EXPECT_FALSE(slot->didReceiveInAppPurchaseRequest("gems", 1, {}));

    auto buyer = std::make_shared<Buyer>();
    banner->setInAppPurchaseDelegate(buyer);
    EXPECT_EQ(requestAfterLoad(banner)["iap_set"], base::Value("1"));
    EXPECT_TRUE(slot->didReceiveInAppPurchaseRequest(
        "gems", 4, {server_.url("/ping/iap?sku=@sku@&q=@quantity@&st=@status@&v=@sdkversion@")}));
    ASSERT_EQ(buyer->purchases.size(), 1u);
    EXPECT_EQ(buyer->purchases[0]->productID(), "gems");
    EXPECT_EQ(buyer->purchases[0]->quantity(), 4);
    buyer->purchases[0]->reportPurchaseStatus(kVDInAppPurchaseStatusSuccessful);
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/iap") == 1; }));
    EXPECT_EQ(server_.requests("/ping/iap")[0],
              "/ping/iap?sku=gems&q=4&st=1&v=" + VDRequest::sdkVersion());

    // The default flow takes every slot's purchases while it is on.
    VDPaymentTransactionObserver::sharedInstance()->setDefaultPurchaseFlowEnabled(true);
    EXPECT_EQ(slot->inAppPurchaseDelegate(), VDPaymentTransactionObserver::sharedInstance());
    EXPECT_TRUE(slot->didReceiveInAppPurchaseRequest("coins", 1, {}));
    EXPECT_EQ(buyer->purchases.size(), 1u);
    ASSERT_EQ(ui::PaymentQueue::defaultQueue().transactions().size(), 1u);
    EXPECT_EQ(ui::PaymentQueue::defaultQueue().transactions()[0]->payment().productIdentifier,
              "coins");

    // A host that let go of its delegate is asked no more.
    VDPaymentTransactionObserver::sharedInstance()->setDefaultPurchaseFlowEnabled(false);
    buyer.reset();
    EXPECT_FALSE(slot->inAppPurchaseDelegate());
    EXPECT_TRUE(requestAfterLoad(banner)["iap_set"].isNull());
}

} // namespace
