#include "browser/BookmarksController.h"
#include "browser/BookmarksTest.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/InterfaceFile.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using BookmarksListTest = BookmarksTest;

TEST_F(BookmarksListTest, AnEmptyStoreListsNothingAndThePickerOnlyTheTopLevel) {
    auto list = showBookmarks();
    EXPECT_EQ(list->mode(), BookmarksController::viewingMode);
    EXPECT_EQ(list->title(), "Bookmarks");
    EXPECT_FALSE(navigation->isNavigationBarHidden());
    EXPECT_THAT(rows(*list), IsEmpty());
    EXPECT_TRUE(barItem(*list->toolbar(), "New Folder")->isEnabled());

    auto picker = BookmarkScreenFactory::list();
    picker->setMode(BookmarksController::pickingMode);
    navigation->pushViewController(picker, true);
    settle();
    EXPECT_THAT(rows(*picker), ElementsAre("F:Bookmarks"));
    EXPECT_FALSE(barItem(*picker->toolbar(), "New Folder")->isEnabled());
}

TEST_F(BookmarksListTest, EachLevelListsItsFoldersThenItsBookmarksAndSameNamedFoldersShareOne) {
    auto work = folder("Work");
    bookmark("News", "news.tld");
    auto home = folder("Home");
    auto quoted = folder("Bob's \"best\" links", home);
    auto homeWork = folder("Work", home);
    folder("Projects", work);
    bookmark("Wiki", "wiki.tld", work);
    folder("Drafts", homeWork);
    bookmark("Tax", "tax.tld", homeWork);
    bookmark("Quote's", "quote.tld", quoted);
    save();

    auto list = showBookmarks();
    EXPECT_THAT(rows(*list), ElementsAre("F:Work", "F:Home", "B:News"));

    // A folder row lists that folder, in a list of its own above this one.
    tapRow(*list, 1);
    auto homeList = top<BookmarksController>();
    ASSERT_TRUE(homeList);
    ASSERT_NE(homeList, list);
    EXPECT_EQ(homeList->currentFolder(), home);
    EXPECT_EQ(homeList->title(), "Home");
    EXPECT_THAT(rows(*homeList), ElementsAre("F:Bob's \"best\" links", "F:Work"));

    tapRow(*homeList, 0);
    EXPECT_THAT(rows(*top<BookmarksController>()), ElementsAre("B:Quote's"));

    // Folders are told apart by name: either "Work" lists what both hold.
    navigation->popViewControllerAnimated(false);
    settle();
    tapRow(*homeList, 1);
    EXPECT_THAT(rows(*top<BookmarksController>()),
                ElementsAre("F:Projects", "F:Drafts", "B:Wiki", "B:Tax"));
    navigation->popToViewController(list, false);
    settle();
    tapRow(*list, 0);
    EXPECT_THAT(rows(*top<BookmarksController>()),
                ElementsAre("F:Projects", "F:Drafts", "B:Wiki", "B:Tax"));

    // The picker lists every folder under the top level, and no bookmark.
    auto picker = BookmarkScreenFactory::list();
    picker->setMode(BookmarksController::pickingMode);
    navigation->pushViewController(picker, true);
    settle();
    EXPECT_THAT(rows(*picker),
                ElementsAre("F:Bookmarks", "F:Work", "F:Home", "F:Bob's \"best\" links", "F:Work",
                            "F:Projects", "F:Drafts"));
}

TEST_F(BookmarksListTest, TheListTakesTheApplicationsStoreAndShowsItsRowsInItalics) {
    bookmark("News", "news.tld");
    save();
    auto list = showBookmarks();
    EXPECT_EQ(list->managedObjectContext(), context);
    EXPECT_TRUE(logged("After managedObjectContext: " + context->description()));
    EXPECT_EQ(cellAt(*list, 0)->cellLabel()->font(), ui::Font::italicSystemFont(17));
    EXPECT_EQ(cellAt(*list, 0)->reuseIdentifier(), "BookmarkItem");

    // Every appearance reads the store again.
    bookmark("Later", "later.tld");
    save();
    navigation->pushViewController(ui::ViewController::create(), false);
    settle();
    navigation->popViewControllerAnimated(false);
    settle();
    EXPECT_THAT(rows(*list), ElementsAre("B:News", "B:Later"));
}

TEST_F(BookmarksListTest, ARowSelectedWhileTheListComesInIsDeselectedOnceItIsIn) {
    bookmark("News", "news.tld");
    bookmark("Wiki", "wiki.tld");
    save();
    auto list = BookmarkScreenFactory::list();
    navigation->pushViewController(list, true);
    // The appearance's reload clears any earlier selection, so the row is selected after it,
    // while the push is under way.
    ASSERT_THAT(rows(*list), ElementsAre("B:News", "B:Wiki"));
    ASSERT_TRUE(list->isAppearing());
    list->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(1), false,
                                            ui::TableViewScrollPosition::None);
    ASSERT_TRUE(cellAt(*list, 1)->isSelected());

    settle();
    ASSERT_TRUE(list->isVisible());
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());
    EXPECT_FALSE(cellAt(*list, 1)->isSelected());
    // Deselecting opened nothing.
    EXPECT_EQ(screen->tabs().size(), 1u);
    EXPECT_FALSE(base::UserDefaults::standard()->boolForKey(BrowserDelegate::openBookmarkKey));
}

TEST_F(BookmarksListTest, APickedBookmarkOpensOnceInANewTabAsATypedAddressWould) {
    auto work = folder("Work");
    bookmark("News", "  news.tld/today ", work);
    save();
    auto list = showBookmarks();
    tapRow(*list, 0);
    auto workList = top<BookmarksController>();
    ASSERT_NE(workList, list);
    ASSERT_EQ(screen->tabs().size(), 1u);

    tapRow(*workList, 0);
    // Back on the browser screen from the folder's list, which opened the bookmark.
    EXPECT_EQ(navigation->topViewController(), screen);
    EXPECT_TRUE(logged("hereeee  http://news.tld/today"));
    auto defaults = base::UserDefaults::standard();
    EXPECT_EQ(defaults->stringForKey(BrowserDelegate::loadedItemKey), "http://news.tld/today");
    EXPECT_FALSE(defaults->boolForKey(BrowserDelegate::openBookmarkKey));
    ASSERT_EQ(screen->tabs().size(), 2u);
    EXPECT_EQ(screen->selectedTab(), screen->tabs().back());
    EXPECT_EQ(lastFetchedAddress(), "http://news.tld/today");
}

TEST_F(BookmarksListTest, TappingAFolderNeverReadsAnAddress) {
    folder("Work");
    save();
    auto defaults = base::UserDefaults::standard();
    auto list = showBookmarks();
    tapRow(*list, 0);
    EXPECT_FALSE(defaults->boolForKey(BrowserDelegate::openBookmarkKey));
    EXPECT_FALSE(defaults->stringForKey(BrowserDelegate::loadedItemKey));
    EXPECT_NE(top<BookmarksController>(), list);
    EXPECT_EQ(screen->tabs().size(), 1u);
}

TEST_F(BookmarksListTest, InTheBrowsersOwnBookmarksNavigationABookmarkLoadsInTheSelectedTab) {
    bookmark("News", "news.tld");
    save();
    // As the browser screen's interface file makes it: the list at the root of a navigation
    // of its own, with the browser screen as its browserController, shown in place of the
    // browser screen's view.
    auto list = BookmarkScreenFactory::list();
    list->setBrowserController(screen);
    auto bookmarksNavigation = ui::NavigationController::create(list);
    ASSERT_TRUE(ui::View::transition(screen->view(), bookmarksNavigation->view(), 0.5,
                                     ui::ViewAnimationOptionTransitionCrossDissolve));
    bookmarksNavigation->beginAppearanceTransition(true, false);
    bookmarksNavigation->endAppearanceTransition();
    settle();
    ASSERT_THAT(rows(*list), ElementsAre("B:News"));

    tapRow(*list, 0);
    EXPECT_EQ(screen->tabs().size(), 1u);
    EXPECT_EQ(lastFetchedAddress(), "http://news.tld");
    EXPECT_EQ(screen->addressBar()->text(), "news.tld");
    // Nothing waits to be opened again on the browser screen's next appearance.
    EXPECT_FALSE(base::UserDefaults::standard()->boolForKey(BrowserDelegate::openBookmarkKey));
    // The browser screen's view is back in place of the list's.
    EXPECT_TRUE(screen->view()->superview());
    EXPECT_FALSE(bookmarksNavigation->view()->superview());
}

// The list needs no browser screen: any host that can load an address and give its screen
// back will do.
class ScreenHost : public BookmarksHost {
public:
    std::shared_ptr<BookmarksFormController> bookmarksFormController() const override {
        return nullptr;
    }
    void loadBookmarkAddress(const std::string& address) override { loaded.push_back(address); }
    std::shared_ptr<ui::ViewController> browserScreen() override { return screen; }

    std::shared_ptr<ui::ViewController> screen = std::make_shared<ui::ViewController>();
    std::vector<std::string> loaded;
};

TEST_F(BookmarksListTest, AHostOfItsOwnLoadsTheBookmarkAndTakesTheListsPlace) {
    bookmark("News", "news.tld");
    save();
    auto host = std::make_shared<ScreenHost>();
    auto list = BookmarkScreenFactory::list();
    list->setBrowserController(host);
    auto bookmarksNavigation = ui::NavigationController::create(list);
    screen->view()->addSubview(bookmarksNavigation->view());
    bookmarksNavigation->beginAppearanceTransition(true, false);
    bookmarksNavigation->endAppearanceTransition();
    settle();
    ASSERT_THAT(rows(*list), ElementsAre("B:News"));

    tapRow(*list, 0);
    EXPECT_THAT(host->loaded, ElementsAre("news.tld"));
    EXPECT_TRUE(host->screen->view()->superview());
    EXPECT_FALSE(bookmarksNavigation->view()->superview());
    // The browser screen was not asked for anything.
    EXPECT_NE(lastFetchedAddress(), "http://news.tld");
}

TEST_F(BookmarksListTest, BackToTheBrowserEndsEditingFirst) {
    bookmark("News", "news.tld");
    save();
    auto list = showBookmarks();
    ASSERT_TRUE(barItem(*list->toolbar(), "Edit")->simulateTap());
    EXPECT_EQ(list->mode(), BookmarksController::editingMode);
    EXPECT_TRUE(list->toolbar()->isHidden());
    EXPECT_FALSE(list->editToolbar()->isHidden());
    EXPECT_FALSE(cellAt(*list, 0)->deleteCircle()->isHidden());

    list->switchToBrowser(ui::InterfaceObject());
    settle();
    EXPECT_EQ(list->mode(), BookmarksController::viewingMode);
    EXPECT_FALSE(list->toolbar()->isHidden());
    EXPECT_TRUE(list->editToolbar()->isHidden());
    EXPECT_EQ(navigation->topViewController(), screen);
}

TEST_F(BookmarksListTest, TheBrowsersInterfaceFileCanMakeTheListAndTheForm) {
    auto objects = ui::InterfaceFile::loadJSON(
        R"({"objects": [
              {"class": "BookmarksController", "id": "bookmarks",
               "outlets": {"browserController": "@owner"}},
              {"class": "BookmarksFormController", "id": "bookmarkForm"}]})",
        "MainWindow.ui.json", ui::InterfaceObject(screen));
    ASSERT_TRUE(objects) << objects.error().localizedDescription();
    ASSERT_EQ(objects->size(), 2u);
    auto list = (*objects)[0].as<BookmarksController>();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->browserController(), screen);
    EXPECT_EQ(list->nibName(), "Bookmarks");
    auto form = (*objects)[1].as<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->nibName(), "BookmarksForm");
    // Both views load from their own files.
    EXPECT_TRUE(list->view());
    EXPECT_TRUE(list->tableView());
    EXPECT_TRUE(list->folderController());
    EXPECT_EQ(list->folderController()->bookmarksController(), list);
    EXPECT_TRUE(form->view());
    EXPECT_TRUE(form->urlField());
}

} // namespace
