#include "browser/BookmarksFormController.h"
#include "browser/BookmarksTest.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/NavigationItem.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class BookmarkFormTest : public BookmarksTest {
protected:
    // What the More sheet's "Add Bookmark" does: the page into the user defaults, then a new
    // form pushed in add mode.
    std::shared_ptr<BookmarksFormController> addBookmarkForPage(const std::string& title,
                                                                const std::string& url) {
        auto defaults = base::UserDefaults::standard();
        defaults->setObject(BrowserDelegate::bookmarkTitleKey, base::Value(title));
        defaults->setObject(BrowserDelegate::bookmarkURLKey, base::Value(url));
        return push(BookmarkScreenFactory::bookmarkForm());
    }

    std::shared_ptr<BookmarksFormController> push(std::shared_ptr<BookmarksFormController> form,
                                                  char mode = BookmarksFormController::addMode) {
        form->setMode(mode);
        navigation->pushViewController(form, true);
        settle();
        return form;
    }

    // Picks a row of the folder picker that the form's folder button opens.
    void pickFolderRow(BookmarksFormController& form, std::size_t row) {
        ASSERT_TRUE(form.parentField()->simulateTap());
        settle();
        auto picker = top<BookmarksController>();
        ASSERT_TRUE(picker);
        ASSERT_EQ(picker->mode(), BookmarksController::pickingMode);
        tapRow(*picker, row);
        ASSERT_EQ(navigation->topViewController().get(), &form);
    }

    static void tapSave(BookmarksFormController& form) {
        ASSERT_TRUE(form.navigationItem()->rightBarButtonItem()->simulateTap());
        settle();
    }
};

TEST_F(BookmarkFormTest, AddingStartsFromThePageInTheUserDefaultsAndSavesAtTheTopLevel) {
    auto form = addBookmarkForPage("Today's \"news\"", "http://news.tld/today");
    EXPECT_EQ(form->title(), "Add Bookmark");
    EXPECT_EQ(form->mode(), BookmarksFormController::addMode);
    EXPECT_EQ(form->nameField()->text(), "Today's \"news\"");
    EXPECT_EQ(form->urlField()->text(), "http://news.tld/today");
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Bookmarks");
    EXPECT_TRUE(form->nameField()->isFirstResponder());
    EXPECT_EQ(form->navigationItem()->rightBarButtonItem(), form->doneButton());
    EXPECT_EQ(form->navigationItem()->leftBarButtonItem(), form->cancelButton());

    // Stored as typed, even empty.
    form->nameField()->setText("");
    tapSave(*form);
    EXPECT_EQ(navigation->topViewController(), screen);
    EXPECT_THAT(storedBookmarks(), ElementsAre(""));
    auto list = showBookmarks();
    EXPECT_THAT(rows(*list), ElementsAre("B:"));
}

TEST_F(BookmarkFormTest, AHandedAddressIsUsedOnceThenTheUserDefaultsAgain) {
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(BrowserDelegate::bookmarkTitleKey, base::Value("Page"));
    defaults->setObject(BrowserDelegate::bookmarkURLKey, base::Value("http://page.tld/"));
    auto form = BookmarkScreenFactory::bookmarkForm();
    form->setDefaultUrlFieldText("http://link.tld/");
    push(form);
    EXPECT_EQ(form->urlField()->text(), "http://link.tld/");
    EXPECT_EQ(form->nameField()->text(), "Untitled");
    EXPECT_FALSE(form->defaultUrlFieldText());

    ASSERT_TRUE(form->cancelButton()->simulateTap());
    settle();
    EXPECT_EQ(navigation->topViewController(), screen);
    push(form);
    EXPECT_EQ(form->urlField()->text(), "http://page.tld/");
    EXPECT_EQ(form->nameField()->text(), "Page");
    // Cancelling saved nothing.
    EXPECT_FALSE(context->hasChanges());
    EXPECT_THAT(storedBookmarks(), IsEmpty());
}

TEST_F(BookmarkFormTest, WithoutAPageTheFieldsKeepWhatTheyHold) {
    auto form = addBookmarkForPage("Blank", "about:blank");
    EXPECT_EQ(form->nameField()->text(), "");
    EXPECT_EQ(form->urlField()->text(), "");
    form->nameField()->setText("Typed");
    form->urlField()->setText("typed.tld");
    ASSERT_TRUE(form->cancelButton()->simulateTap());
    settle();
    push(form);
    EXPECT_EQ(form->nameField()->text(), "Typed");
    EXPECT_EQ(form->urlField()->text(), "typed.tld");
}

TEST_F(BookmarkFormTest, ThePickerSetsTheFolderAndComingBackKeepsWhatWasTyped) {
    auto work = folder("Work");
    auto home = folder("Home");
    save();
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    form->nameField()->setText("My page");

    pickFolderRow(*form, 2);
    ASSERT_TRUE(form->selectedFolder());
    EXPECT_EQ(objectOf(*form->selectedFolder()), home);
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Home");
    EXPECT_EQ(form->nameField()->text(), "My page");
    EXPECT_EQ(form->urlField()->text(), "http://page.tld/");

    tapSave(*form);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Home/My page"));
    auto list = showBookmarks();
    EXPECT_THAT(rows(*list), ElementsAre("F:Work", "F:Home"));
    tapRow(*list, 1);
    EXPECT_THAT(rows(*top<BookmarksController>()), ElementsAre("B:My page"));
}

TEST_F(BookmarkFormTest, PickingTheBookmarksRowPutsTheBookmarkAtTheTopLevel) {
    folder("Work");
    save();
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    pickFolderRow(*form, 1);
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Work");
    pickFolderRow(*form, 0);
    ASSERT_TRUE(form->selectedFolder());
    EXPECT_EQ(std::get<std::string>(*form->selectedFolder()), "Bookmarks");
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Bookmarks");
    // Picking reads no bookmark address and opens nothing.
    EXPECT_FALSE(base::UserDefaults::standard()->boolForKey(BrowserDelegate::openBookmarkKey));
    tapSave(*form);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Page"));
}

TEST_F(BookmarkFormTest, AFolderDeletedSinceItWasChosenIsNotUsed) {
    auto work = folder("Work");
    save();
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    pickFolderRow(*form, 1);
    ASSERT_TRUE(form->cancelButton()->simulateTap());
    settle();
    context->deleteObject(work);
    save();

    push(form);
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Bookmarks");
    EXPECT_FALSE(form->selectedFolder());
    tapSave(*form);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Page"));
}

TEST_F(BookmarkFormTest, AFolderDeletedWhileTheFormIsOpenIsReportedAndNothingIsSaved) {
    auto work = folder("Work");
    save();
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    pickFolderRow(*form, 1);
    ASSERT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Work");
    // Another screen deletes the folder while the form stays on top.
    context->deleteObject(work);
    save();

    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Bookmark", "The chosen folder is no longer there.");
    EXPECT_EQ(form->nameField()->text(), "Page");
    EXPECT_THAT(storedBookmarks(), IsEmpty());
}

TEST_F(BookmarkFormTest, EditingShowsTheSelectedBookmarkAndKeepsItsFolder) {
    auto work = folder("Work");
    folder("Home");
    bookmark("Wiki", "wiki.tld", work);
    save();
    auto list = showBookmarks();
    tapRow(*list, 0);
    auto workList = top<BookmarksController>();
    workList->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(0), false,
                                                ui::TableViewScrollPosition::None);

    auto form = push(BookmarkScreenFactory::bookmarkForm(), BookmarksFormController::editMode);
    EXPECT_EQ(form->title(), "Edit Bookmark");
    EXPECT_FALSE(form->navigationItem()->leftBarButtonItem());
    EXPECT_EQ(form->navigationItem()->rightBarButtonItem(), form->doneButton());
    EXPECT_EQ(form->nameField()->text(), "Wiki");
    EXPECT_EQ(form->urlField()->text(), "wiki.tld");
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Work");

    form->nameField()->setText("Team wiki");
    tapSave(*form);
    EXPECT_EQ(navigation->topViewController(), workList);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Work/Team wiki"));
    EXPECT_THAT(rows(*workList), ElementsAre("B:Team wiki"));
}

TEST_F(BookmarkFormTest, ASaveTheStoreRefusesIsUndoneReportedAndTheFormStays) {
    folder("Work");
    save();
    refuseWrites("Bookmark", "INSERT");
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    pickFolderRow(*form, 1);
    form->nameField()->setText("Mine");
    tapSave(*form);

    expectSaveRefused(*form, "Could Not Save Bookmark", "refused by the test");
    EXPECT_EQ(form->nameField()->text(), "Mine");
    EXPECT_THAT(storedBookmarks(), IsEmpty());
    ASSERT_TRUE(ui::Presentation::shared().tapButton(0));
    settle();

    // Nothing half-made turns up later: the next save writes only what it is asked to.
    auto raw = store::SQLiteDatabase::open(context->path());
    ASSERT_TRUE(raw);
    ASSERT_TRUE(raw->execute("DROP TRIGGER refuse_INSERT_Bookmark"));
    tapSave(*form);
    EXPECT_EQ(navigation->topViewController(), screen);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Work/Mine"));
}

// Screens that no factory wired open nothing for each other; the factory's screens open the
// picker and the edit form that hand their results back.
TEST_F(BookmarkFormTest, OnlyWiredScreensOpenThePickerAndTheEditForm) {
    folder("Work");
    auto wiki = bookmark("Wiki", "wiki.tld");
    save();
    auto bare = push(BookmarksFormController::create());
    ASSERT_TRUE(bare->parentField()->simulateTap());
    settle();
    EXPECT_EQ(top<BookmarksFormController>(), bare);
    navigation->popViewControllerAnimated(false);
    settle();

    auto list = BookmarksController::create();
    navigation->pushViewController(list, false);
    settle();
    list->editObject(wiki);
    settle();
    EXPECT_EQ(top<BookmarksController>(), list);

    list->setScreenMakers(BookmarkScreenFactory::makers());
    list->editObject(wiki);
    settle();
    auto form = top<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->mode(), BookmarksFormController::editMode);
    EXPECT_EQ(form->nameField()->text(), "Wiki");
    pickFolderRow(*form, 1);
    EXPECT_EQ(top<BookmarksFormController>(), form);
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Work");
    tapSave(*form);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Work/Wiki"));
}

TEST_F(BookmarkFormTest, EditingWithNoBookmarkSelectedSavesNothing) {
    bookmark("Wiki", "wiki.tld");
    save();
    showBookmarks();
    auto form = push(BookmarkScreenFactory::bookmarkForm(), BookmarksFormController::editMode);
    form->nameField()->setText("Other");
    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Bookmark", "");
    EXPECT_THAT(storedBookmarks(), ElementsAre("Wiki"));
}

TEST_F(BookmarkFormTest, WithoutAStoreSavingIsReportedAndTheFormStays) {
    // An application whose delegate owns no store: the form finds none to take.
    ui::Application::shared().setDelegate(nullptr);
    auto form = addBookmarkForPage("Page", "http://page.tld/");
    EXPECT_FALSE(form->managedObjectContext());
    EXPECT_TRUE(logged("After managedObjectContext: (null)"));

    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Bookmark", "The bookmark store is not available.");
    EXPECT_THAT(storedBookmarks(), IsEmpty());
}

} // namespace
