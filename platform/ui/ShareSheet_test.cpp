#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/FakeShareService.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/ProductSheet.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ShareSheet.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class ShareSheetTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ShareSheet::resetServices();
        ShareSheet::setService(ShareServiceType::Twitter, twitter);
        ShareSheet::setService(ShareServiceType::Chorus, chorus);
        Presentation::shared().reset();
    }
    void TearDown() override {
        ShareSheet::resetServices();
        Presentation::shared().reset();
        PlatformTest::TearDown();
    }

    std::shared_ptr<FakeShareService> twitter = FakeShareService::create();
    std::shared_ptr<FakeShareService> chorus = FakeShareService::create();
};

TEST_F(ShareSheetTest, AServiceIsAvailableWhileTheProgramHasARoadToIt) {
    EXPECT_TRUE(ShareSheet::isAvailableForServiceType(ShareServiceType::Twitter));
    EXPECT_EQ(ShareSheet::setService(ShareServiceType::Chorus, nullptr), chorus);
    EXPECT_FALSE(ShareSheet::isAvailableForServiceType(ShareServiceType::Chorus));
    EXPECT_TRUE(ShareSheet::isAvailableForServiceType(ShareServiceType::Twitter));
    ShareSheet::resetServices();
    EXPECT_FALSE(ShareSheet::isAvailableForServiceType(ShareServiceType::Twitter));
}

// Post is Done only once the service has the post; a refusal is a failure with the service's
// reason, and a sheet whose service is gone fails without posting anywhere.
TEST_F(ShareSheetTest, APostIsDoneOnlyWhenTheServiceTookIt) {
    std::vector<ShareSheetResult> results;
    const auto sheetFor = [&](ShareServiceType type) {
        auto sheet = ShareSheet::create(type);
        sheet->setInitialText("words");
        sheet->addURL(*base::URL::parse("https://search.tld/search?q=x"));
        sheet->setCompletionHandler([&](ShareSheetResult result) { results.push_back(result); });
        sheet->view();
        return sheet;
    };

    chorus->holdAnswers(true);
    auto sheet = sheetFor(ShareServiceType::Chorus);
    sheet->post();
    ASSERT_EQ(chorus->posts().size(), 1u);
    EXPECT_EQ(chorus->posts()[0].text, "words");
    EXPECT_EQ(chorus->posts()[0].urls.at(0).absoluteString(), "https://search.tld/search?q=x");
    EXPECT_TRUE(results.empty()) << "nothing is done before the service answers";
    EXPECT_TRUE(sheet->isPosting());
    EXPECT_FALSE(sheet->postButton()->isEnabled());
    sheet->cancel();
    sheet->post();
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(chorus->posts().size(), 1u) << "one post per sheet";
    ASSERT_TRUE(chorus->answer(base::Error::make("server", 500, "The server is down.")));
    EXPECT_EQ(results, std::vector<ShareSheetResult>{ShareSheetResult::Failed});
    ASSERT_TRUE(sheet->error());
    EXPECT_EQ(sheet->error()->localizedDescription(), "The server is down.");

    sheet = sheetFor(ShareServiceType::Chorus);
    sheet->post();
    ASSERT_TRUE(chorus->answer());
    EXPECT_EQ(results.back(), ShareSheetResult::Done);
    EXPECT_FALSE(sheet->error());

    sheet = sheetFor(ShareServiceType::Twitter);
    ShareSheet::setService(ShareServiceType::Twitter, nullptr);
    sheet->post();
    EXPECT_EQ(results.back(), ShareSheetResult::Failed);
    EXPECT_EQ(sheet->error()->code, ShareSheet::ServiceUnavailable);
    EXPECT_TRUE(twitter->posts().empty());
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
    EXPECT_EQ(twitter->posts().size(), 1u);
    EXPECT_TRUE(chorus->posts().empty()) << "the cancelled sheet posted nothing";
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

    // Its page names the product, and its Done is the user's done.
    EXPECT_EQ(sheet->productLabel(), nullptr) << "made with the view";
    auto window = Window::create(Screen::mainScreen().bounds());
    window->setHidden(false);
    window->addSubview(sheet->view());
    EXPECT_EQ(sheet->productLabel()->text(), "No product");
    sheet->loadProductWithParameters({{"id", "77"}});
    EXPECT_EQ(sheet->productLabel()->text(), "Product 77");
    EXPECT_EQ(sheet->bar()->title(), "Store");
    window->layoutPass();
    const Rect done = sheet->bar()->frameOfItem(*sheet->doneButton(), nullptr);
    window->simulateTap(Point(done.midX(), done.midY()));
    EXPECT_EQ(delegate->count, 2);
}

} // namespace
} // namespace ui
