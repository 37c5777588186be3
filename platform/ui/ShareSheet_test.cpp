#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/ProductSheet.h"
#include "platform/ui/ShareSheet.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class ShareSheetTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ShareSheet::resetAvailability();
        Presentation::shared().reset();
    }
    void TearDown() override {
        ShareSheet::resetAvailability();
        Presentation::shared().reset();
        PlatformTest::TearDown();
    }
};

TEST_F(ShareSheetTest, AvailabilityIsPerServiceAndSettable) {
    EXPECT_TRUE(ShareSheet::isAvailableForServiceType(ShareServiceType::Twitter));
    ShareSheet::setAvailableForServiceType(ShareServiceType::Chorus, false);
    EXPECT_FALSE(ShareSheet::isAvailableForServiceType(ShareServiceType::Chorus));
    EXPECT_TRUE(ShareSheet::isAvailableForServiceType(ShareServiceType::Twitter));
}

TEST_F(ShareSheetTest, ContentIsFixedOnceShownAndTheHandlerHearsTheUser) {
    auto sheet = ShareSheet::create(ShareServiceType::Chorus);
    EXPECT_TRUE(sheet->setInitialText("Check out this app! "));
    EXPECT_TRUE(sheet->addURL(*base::URL::parse("https://search.tld/search?q=x")));
    EXPECT_FALSE(sheet->addImage(nullptr));
    std::vector<ShareSheetResult> results;
    sheet->setCompletionHandler([&](ShareSheetResult result) { results.push_back(result); });

    auto presenter = ViewController::create();
    presenter->beginAppearanceTransition(true, false);
    presenter->endAppearanceTransition();
    presenter->presentViewController(sheet, true);
    EXPECT_FALSE(sheet->setInitialText("changed"));
    EXPECT_EQ(sheet->initialText(), "Check out this app! ");
    EXPECT_EQ(sheet->urls().size(), 1u);

    // The view shows what goes out; its buttons choose, and the first choice is the sheet's
    // one outcome.
    EXPECT_EQ(sheet->textLabel()->text(), "Check out this app! \nhttps://search.tld/search?q=x");
    EXPECT_TRUE(sheet->cancelButton()->simulateTap());
    sheet->postButton()->simulateTap();
    sheet->cancel();
    EXPECT_EQ(results, std::vector<ShareSheetResult>{ShareSheetResult::Cancelled});
    auto posted = ShareSheet::create(ShareServiceType::Twitter);
    posted->setCompletionHandler([&](ShareSheetResult result) { results.push_back(result); });
    posted->view();
    posted->postButton()->simulateTap();
    EXPECT_EQ(results.back(), ShareSheetResult::Done);
}

TEST_F(ShareSheetTest, ASheetWithoutHandlerClosesItself) {
    auto presenter = ViewController::create();
    auto sheet = ShareSheet::create(ShareServiceType::Twitter);
    presenter->presentViewController(sheet, false);
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(Presentation::shared().topController<ShareSheet>(), sheet);

    sheet->post();
    EXPECT_TRUE(sheet->isBeingDismissed());
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
    EXPECT_TRUE(Presentation::shared().empty());
}

TEST_F(ShareSheetTest, ProductSheetLoadsWithAnIdentifierAndReportsOtherwise) {
    auto sheet = ProductSheet::create();
    std::vector<bool> outcomes;
    sheet->loadProductWithParameters({{ProductSheet::parameterITunesItemIdentifier, 123456}},
                                     [&](bool loaded, const std::optional<base::Error>& error) {
                                         outcomes.push_back(loaded && !error);
                                     });
    EXPECT_TRUE(outcomes.empty()); // later, on the run loop
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(outcomes, std::vector<bool>{true});
    EXPECT_EQ(sheet->productIdentifier(), "123456");

    sheet->loadProductWithParameters({{"id", "abc"}},
                                     [&](bool loaded, const std::optional<base::Error>& error) {
                                         outcomes.push_back(loaded || !error);
                                     });
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(outcomes, (std::vector<bool>{true, false}));
    EXPECT_FALSE(sheet->isLoaded());

    struct Finished : ProductSheetDelegate {
        int count = 0;
        void productViewControllerDidFinish(ProductSheet&) override { ++count; }
    };
    auto delegate = std::make_shared<Finished>();
    sheet->setDelegate(delegate);
    sheet->done();
    EXPECT_EQ(delegate->count, 1);
}

} // namespace
} // namespace ui
