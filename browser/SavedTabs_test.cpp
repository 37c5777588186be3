#include "browser/BrowserDelegate.h"
#include "browser/BrowserScreenTest.h"
#include "browser/SavedTabs.h"
#include "platform/store/FetchRequest.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <variant>

using ::testing::ElementsAre;

namespace {

// The screen's saved-tab operations over the application delegate's store.
class SavedTabsTest : public BrowserScreenTest {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        showScreen();
        delegate = std::make_shared<BrowserDelegate>();
        ui::Application::shared().setDelegate(delegate);
        context = delegate->managedObjectContext();
        ASSERT_TRUE(context);
    }
    // The saved tabs as they are in the file, read through a context of their own.
    std::vector<std::string> savedOnDisk() {
        auto reader = store::Context::open(context->path(), delegate->managedObjectModel());
        EXPECT_TRUE(reader);
        if (!reader)
            return {};
        store::FetchRequest request("Tab");
        request.sortDescriptors.push_back({"order", true});
        auto objects = (*reader)->fetch(request);
        EXPECT_TRUE(objects);
        if (!objects)
            return {};
        std::vector<std::string> rows;
        for (const auto& object : *objects)
            rows.push_back(std::to_string(object->value("order").integerValue()) + " " +
                           *object->value("title").string() + " " + *object->value("url").string());
        return rows;
    }
    // Three tabs on pages of their own; the second has a long title.
    void openThreePages() {
        while (screen->tabs().size() < 3)
            screen->addTab(ui::InterfaceObject());
        const char* titles[] = {"Home", "A rather long title", "Third"};
        for (std::size_t i = 0; i < 3; ++i) {
            screen->tabs()[i]->setTitle(titles[i]);
            screen->tabs()[i]->setCurrentURLString("http://host.tld/" + std::to_string(i));
        }
    }
    std::string titleOf(std::size_t index) {
        return *screen->tabs()[index]->tabButton()->titleForState(ui::ControlStateNormal);
    }

    std::shared_ptr<BrowserDelegate> delegate;
    std::shared_ptr<store::Context> context;
};

TEST_F(SavedTabsTest, OpenTabsAreSavedInStripOrderAndReopenedAfterTheOnesOpen) {
    openThreePages();
    screen->saveOpenTabs();
    EXPECT_THAT(savedOnDisk(),
                ElementsAre("0 Home http://host.tld/0", "1 A rather.. http://host.tld/1",
                            "2 Third http://host.tld/2"));
    EXPECT_FALSE(context->hasChanges());

    fetched.clear();
    screen->openSavedTabs();
    ASSERT_EQ(screen->tabs().size(), 6u);
    EXPECT_THAT((std::vector{titleOf(3), titleOf(4), titleOf(5)}),
                ElementsAre("Home", "A rather..", "Third"));
    ASSERT_EQ(fetched.size(), 3u);
    EXPECT_EQ(fetched[0].url()->absoluteString(), "http://host.tld/0");
    EXPECT_EQ(fetched[2].url()->absoluteString(), "http://host.tld/2");
    EXPECT_EQ(screen->selectedTab(), screen->tabs()[5]);
    // Reopening empties the saved set.
    EXPECT_TRUE(savedOnDisk().empty());
}

TEST_F(SavedTabsTest, SavingAgainReplacesTheEarlierSet) {
    openThreePages();
    screen->saveOpenTabs();
    screen->saveOpenTabs();
    EXPECT_EQ(savedOnDisk().size(), 3u);
    ASSERT_TRUE(screen->tabs()[1]->closeButton()->simulateTap());
    screen->saveOpenTabs();
    EXPECT_THAT(savedOnDisk(),
                ElementsAre("0 Home http://host.tld/0", "1 Third http://host.tld/2"));

    screen->openSavedTabs();
    EXPECT_EQ(screen->tabs().size(), 4u);
}

TEST_F(SavedTabsTest, AStartPageTabIsSavedWithoutAddressAndReopensOnTheStartPage) {
    screen->saveOpenTabs();
    EXPECT_THAT(savedOnDisk(), ElementsAre("0 New Tab "));
    screen->openSavedTabs();
    ASSERT_EQ(screen->tabs().size(), 2u);
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(std::holds_alternative<ui::FakeWebEngine::DataLoad>(
        engineOf(*screen->selectedTab()).loads()[0]));
}

TEST_F(SavedTabsTest, DeletingSavedTabsEmptiesTheSetAndLeavesTheOpenTabs) {
    openThreePages();
    screen->saveOpenTabs();
    screen->deleteSavedTabs();
    EXPECT_TRUE(savedOnDisk().empty());
    EXPECT_EQ(screen->tabs().size(), 3u);
    screen->openSavedTabs();
    EXPECT_EQ(screen->tabs().size(), 3u);
}

TEST_F(SavedTabsTest, AFailedSaveIsWrittenToTheConsoleAndLeavesNothingWaiting) {
    openThreePages();
    screen->saveOpenTabs();
    // The store's folder goes away: its journal can no longer be written.
    std::filesystem::remove_all(context->path().parent_path());
    screen->saveOpenTabs();
    EXPECT_TRUE(logged("Error inserting ("));
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(context->fetch(store::FetchRequest("Tab"))->size(), 3u);
    EXPECT_EQ(screen->tabs().size(), 3u);

    screen->deleteSavedTabs();
    EXPECT_TRUE(logged("Error deleting ("));
    EXPECT_FALSE(context->hasChanges());
    screen->openSavedTabs();
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(BrowserScreenTest, WithoutABookmarkStoreSavedTabsAreOnlyWrittenToTheConsole) {
    showScreen();
    screen->addTab(ui::InterfaceObject());
    screen->saveOpenTabs();
    screen->openSavedTabs();
    screen->deleteSavedTabs();
    EXPECT_TRUE(logged("no bookmark store"));
    EXPECT_EQ(screen->tabs().size(), 2u);
}

} // namespace
