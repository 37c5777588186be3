#include "browser/BookmarkFolderFormController.h"
#include "browser/BookmarksTest.h"
#include "platform/ui/Button.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FolderFormTest : public BookmarksTest {
protected:
    // The list's "New Folder" button.
    std::shared_ptr<BookmarkFolderFormController> addFolder(BookmarksController& list) {
        EXPECT_TRUE(barItem(*list.toolbar(), "New Folder")->simulateTap());
        settle();
        auto form = top<BookmarkFolderFormController>();
        EXPECT_TRUE(form);
        EXPECT_EQ(form, list.folderController());
        return form;
    }

    // The form's own Save button, from the list's interface file.
    static void tapSave(BookmarkFolderFormController& form) {
        auto button = control<ui::Button>(form.view(), "Save folder");
        ASSERT_TRUE(button);
        ASSERT_TRUE(button->simulateTap());
        settle();
    }
};

TEST_F(FolderFormTest, AFolderAddedFromTheTopLevelHasNoParent) {
    auto list = showBookmarks();
    auto form = addFolder(*list);
    EXPECT_EQ(form->mode(), BookmarkFolderFormController::addMode);
    EXPECT_EQ(form->title(), "New Bookmark Folder");
    EXPECT_EQ(form->nameField()->text(), "");
    EXPECT_EQ(form->bookmarksController(), list);
    EXPECT_EQ(form->managedObjectContext(), context);
    EXPECT_TRUE(form->nameField()->isFirstResponder());

    form->nameField()->setText("Bob's \"work\"");
    tapSave(*form);
    EXPECT_EQ(navigation->topViewController(), list);
    EXPECT_THAT(storedFolders(), ElementsAre("Bob's \"work\""));
    EXPECT_THAT(rows(*list), ElementsAre("F:Bob's \"work\""));

    // The form is the list's own and starts empty each time.
    form = addFolder(*list);
    EXPECT_EQ(form->nameField()->text(), "");
    EXPECT_FALSE(form->folder());
}

TEST_F(FolderFormTest, AFolderAddedInsideAFoldersListGoesIntoThatFolder) {
    auto work = folder("Work");
    auto home = folder("Home");
    folder("Work", home);
    save();
    auto list = showBookmarks();
    tapRow(*list, 0);
    auto workList = top<BookmarksController>();
    ASSERT_EQ(workList->currentFolder(), work);

    auto form = addFolder(*workList);
    form->nameField()->setText("Projects");
    tapSave(*form);
    EXPECT_EQ(navigation->topViewController(), workList);
    EXPECT_EQ(form->folder()->relatedObject("Parent"), work);
    EXPECT_THAT(storedFolders(), ElementsAre("Work", "Home", "Home/Work", "Work/Projects"));
    EXPECT_THAT(rows(*workList), ElementsAre("F:Projects"));
}

TEST_F(FolderFormTest, EditingRenamesTheSelectedFolder) {
    folder("Work");
    bookmark("News", "news.tld");
    save();
    auto list = showBookmarks();
    list->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(0), false,
                                            ui::TableViewScrollPosition::None);
    auto form = list->folderController();
    form->setMode(BookmarkFolderFormController::editMode);
    navigation->pushViewController(form, true);
    settle();
    EXPECT_EQ(form->title(), "Edit Bookmark Folder");
    EXPECT_EQ(form->nameField()->text(), "Work");

    form->nameField()->setText("Office");
    tapSave(*form);
    EXPECT_THAT(storedFolders(), ElementsAre("Office"));
    EXPECT_THAT(rows(*list), ElementsAre("F:Office", "B:News"));
}

TEST_F(FolderFormTest, AFolderToAddToThatIsGoneIsReportedAndNothingIsAdded) {
    auto work = folder("Work");
    save();
    auto list = showBookmarks();
    tapRow(*list, 0);
    auto workList = top<BookmarksController>();
    ASSERT_EQ(workList->currentFolder(), work);
    auto form = addFolder(*workList);
    form->nameField()->setText("Projects");
    // Another screen deletes the folder while the form is open.
    context->deleteObject(work);
    save();

    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Folder",
                      "The folder to add it to is no longer there.");
    EXPECT_EQ(form->nameField()->text(), "Projects");
    EXPECT_FALSE(form->folder());
    EXPECT_THAT(storedFolders(), IsEmpty());
}

TEST_F(FolderFormTest, AFolderToRenameThatIsGoneIsReportedAndNothingIsSaved) {
    auto work = folder("Work");
    folder("Home");
    save();
    auto list = showBookmarks();
    list->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(0), false,
                                            ui::TableViewScrollPosition::None);
    auto form = list->folderController();
    form->setMode(BookmarkFolderFormController::editMode);
    navigation->pushViewController(form, true);
    settle();
    ASSERT_EQ(form->nameField()->text(), "Work");
    // Another screen deletes the folder while the form is open.
    context->deleteObject(work);
    save();

    form->nameField()->setText("Office");
    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Folder", "The folder to rename is no longer there.");
    EXPECT_EQ(form->nameField()->text(), "Office");
    EXPECT_THAT(storedFolders(), ElementsAre("Home"));
}

TEST_F(FolderFormTest, ASaveTheStoreRefusesIsUndoneReportedAndTheFormStays) {
    refuseWrites("Folder", "INSERT");
    auto list = showBookmarks();
    auto form = addFolder(*list);
    form->nameField()->setText("Work");
    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Folder", "refused by the test");
    EXPECT_EQ(form->nameField()->text(), "Work");
    EXPECT_FALSE(form->folder());
    EXPECT_THAT(storedFolders(), IsEmpty());
}

TEST_F(FolderFormTest, WithoutAStoreSavingIsReportedAndTheFormStays) {
    // An application whose delegate owns no store: neither the list nor its form finds one.
    ui::Application::shared().setDelegate(nullptr);
    auto list = showBookmarks();
    ASSERT_FALSE(list->managedObjectContext());
    auto form = addFolder(*list);
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->managedObjectContext());
    form->nameField()->setText("Work");

    tapSave(*form);
    expectSaveRefused(*form, "Could Not Save Folder", "The bookmark store is not available.");
    EXPECT_FALSE(form->folder());
    EXPECT_THAT(storedFolders(), IsEmpty());
}

} // namespace
