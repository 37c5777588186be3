#include "browser/BookmarkFolderFormController.h"
#include "browser/BookmarkItem.h"
#include "browser/BookmarkScreens.h"
#include "browser/BookmarksFormController.h"
#include "browser/BookmarksTest.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/NavigationItem.h"

#include <gmock/gmock.h>
#include <numbers>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class BookmarkEditTest : public BookmarksTest {
protected:
    // Shows the list and puts it in editing mode through its Edit button.
    std::shared_ptr<BookmarksController> editBookmarks() {
        auto list = showBookmarks();
        EXPECT_TRUE(barItem(*list->toolbar(), "Edit")->simulateTap());
        return list;
    }

    // The user's two taps: the row's delete circle, then its confirming button.
    static void deleteRow(BookmarksController& list, std::size_t row) {
        auto cell = cellAt(list, row);
        ASSERT_TRUE(cell);
        ASSERT_TRUE(cell->deleteCircle()->simulateTap());
        ASSERT_TRUE(cell->deleteConfirmation()->simulateTap());
        settle();
    }
};

TEST_F(BookmarkEditTest, TheDeleteCircleMakesRoomAndItsConfirmationOpensAndClosesInPlace) {
    bookmark("News", "news.tld");
    save();
    auto list = showBookmarks();
    auto cell = cellAt(*list, 0);
    const ui::Rect icon = cell->cellImage()->frame();
    const ui::Rect label = cell->cellLabel()->frame();
    // The delete circle and, beside it, the edit control.
    const double circle =
        cell->editButton()->frame().maxX() - cell->deleteCircle()->frame().origin.x;
    ASSERT_GT(cell->editButton()->frame().origin.x, cell->deleteCircle()->frame().maxX());
    EXPECT_EQ(cell->editRoom(), circle);
    const double confirmation = cell->deleteConfirmation()->bounds().width();
    EXPECT_TRUE(cell->deleteCircle()->isHidden());
    EXPECT_TRUE(cell->editButton()->isHidden());
    EXPECT_TRUE(cell->deleteConfirmation()->isHidden());

    ASSERT_TRUE(barItem(*list->toolbar(), "Edit")->simulateTap());
    cell = cellAt(*list, 0);
    EXPECT_FALSE(cell->deleteCircle()->isHidden());
    EXPECT_FALSE(cell->editButton()->isHidden());
    EXPECT_GE(cell->cellImage()->frame().origin.x, cell->editButton()->frame().maxX())
        << "the icon clears the edit control";
    EXPECT_EQ(cell->cellImage()->frame(), icon.offsetBy(circle, 0));
    EXPECT_EQ(cell->cellLabel()->frame(), ui::Rect(label.origin.x + circle, label.origin.y,
                                                   label.width() - circle, label.height()));

    ASSERT_TRUE(cell->deleteCircle()->simulateTap());
    EXPECT_FALSE(cell->deleteConfirmation()->isHidden());
    EXPECT_EQ(cell->deleteCircle()->transform(),
              ui::AffineTransform::rotation(std::numbers::pi / 2));
    EXPECT_EQ(cell->cellLabel()->frame().width(), label.width() - circle - confirmation);

    // A second tap on the circle leaves the cell as it was.
    ASSERT_TRUE(cell->deleteCircle()->simulateTap());
    EXPECT_TRUE(cell->deleteConfirmation()->isHidden());
    EXPECT_TRUE(cell->deleteCircle()->transform().isIdentity());
    EXPECT_EQ(cell->cellLabel()->frame().width(), label.width() - circle);

    // Ending editing with a confirmation open closes it and gives the label its full width.
    ASSERT_TRUE(cell->deleteCircle()->simulateTap());
    ASSERT_TRUE(barItem(*list->editToolbar(), "Done")->simulateTap());
    EXPECT_EQ(list->mode(), BookmarksController::viewingMode);
    cell = cellAt(*list, 0);
    EXPECT_TRUE(cell->deleteCircle()->isHidden());
    EXPECT_TRUE(cell->editButton()->isHidden());
    EXPECT_TRUE(cell->deleteConfirmation()->isHidden());
    EXPECT_TRUE(cell->deleteCircle()->transform().isIdentity());
    EXPECT_EQ(cell->cellImage()->frame(), icon);
    EXPECT_EQ(cell->cellLabel()->frame(), label);
    EXPECT_THAT(storedBookmarks(), ElementsAre("News"));
}

// In editing mode a row's edit control opens its form in edit mode with the row selected: the
// changed bookmark and the renamed folder are stored and listed, the bookmark keeps its folder,
// and the list stays in editing mode; a tap on the row itself still opens the bookmark.
TEST_F(BookmarkEditTest, TheEditControlOpensTheRowsFormAndWhatItSavesIsStored) {
    auto work = folder("Work");
    bookmark("News", "news.tld");
    save();
    auto list = editBookmarks();
    ASSERT_THAT(rows(*list), ElementsAre("F:Work", "B:News"));

    ASSERT_TRUE(cellAt(*list, 1)->editButton()->simulateTap());
    settle();
    auto form = top<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->mode(), BookmarksFormController::editMode);
    EXPECT_EQ(form->navigationItem()->title(), "Edit Bookmark");
    EXPECT_EQ(form->nameField()->text(), "News");
    EXPECT_EQ(form->urlField()->text(), "news.tld");
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Bookmarks");
    form->nameField()->setText("Daily News");
    form->urlField()->setText("news.tld/daily");
    ASSERT_TRUE(form->navigationItem()->rightBarButtonItem()->simulateTap());
    settle();
    ASSERT_EQ(top<BookmarksController>(), list);
    EXPECT_THAT(storedBookmarks(), ElementsAre("Daily News"));
    EXPECT_THAT(rows(*list), ElementsAre("F:Work", "B:Daily News"));
    EXPECT_EQ(list->mode(), BookmarksController::editingMode);
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());

    ASSERT_TRUE(cellAt(*list, 0)->editButton()->simulateTap());
    settle();
    auto folderForm = top<BookmarkFolderFormController>();
    ASSERT_TRUE(folderForm);
    EXPECT_EQ(folderForm->mode(), BookmarkFolderFormController::editMode);
    EXPECT_EQ(folderForm->nameField()->text(), "Work");
    folderForm->nameField()->setText("Projects");
    auto saveButton = control<ui::Button>(folderForm->view(), "Save folder");
    ASSERT_TRUE(saveButton);
    ASSERT_TRUE(saveButton->simulateTap());
    settle();
    ASSERT_EQ(top<BookmarksController>(), list);
    EXPECT_THAT(storedFolders(), ElementsAre("Projects"));
    EXPECT_EQ(textValue(*work, "name"), "Projects");
    EXPECT_THAT(rows(*list), ElementsAre("F:Projects", "B:Daily News"));

    // The row itself, in editing mode too, opens the bookmark.
    tapRow(*list, 1);
    EXPECT_EQ(base::UserDefaults::standard()->stringForKey(BrowserDelegate::loadedItemKey),
              "http://news.tld/daily");
}

// A bookmark inside a folder, edited from that folder's own list, keeps its folder.
TEST_F(BookmarkEditTest, AnEditedBookmarkKeepsItsOwnFolder) {
    auto work = folder("Work");
    bookmark("Plan", "plan.tld", work);
    save();
    auto list = editBookmarks();
    tapRow(*list, 0);
    auto inside = top<BookmarksController>();
    ASSERT_NE(inside, list);
    ASSERT_TRUE(barItem(*inside->toolbar(), "Edit")->simulateTap());
    ASSERT_TRUE(cellAt(*inside, 0)->editButton()->simulateTap());
    settle();
    auto form = top<BookmarksFormController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->parentField()->titleForState(ui::ControlStateNormal), "Work");
    form->nameField()->setText("Plan B");
    ASSERT_TRUE(form->navigationItem()->rightBarButtonItem()->simulateTap());
    settle();
    EXPECT_THAT(storedBookmarks(), ElementsAre("Work/Plan B"));
}

TEST_F(BookmarkEditTest, AConfirmedBookmarkLeavesTheStoreAndTheList) {
    bookmark("News", "news.tld");
    bookmark("Wiki", "wiki.tld");
    bookmark("Mail", "mail.tld");
    save();
    auto list = editBookmarks();
    deleteRow(*list, 1);
    EXPECT_THAT(rows(*list), ElementsAre("B:News", "B:Mail"));
    EXPECT_EQ(list->bookmarks().size(), 2u);
    EXPECT_THAT(storedBookmarks(), ElementsAre("News", "Mail"));
    EXPECT_FALSE(context->hasChanges());
    // Still editing; the rows keep their circles.
    EXPECT_FALSE(cellAt(*list, 1)->deleteCircle()->isHidden());
    EXPECT_TRUE(cellAt(*list, 1)->deleteConfirmation()->isHidden());
}

TEST_F(BookmarkEditTest, AFolderGoesWithItsOwnContentsOnlyNotWithThoseOfFoldersNamedLikeIt) {
    auto work = folder("Work");
    auto projects = folder("Projects", work);
    folder("Old", projects);
    bookmark("Wiki", "wiki.tld", work);
    bookmark("Plan", "plan.tld", projects);
    auto home = folder("Home");
    auto homeProjects = folder("Projects", home);
    folder("Garden", homeProjects);
    bookmark("Seeds", "seeds.tld", homeProjects);
    bookmark("News", "news.tld");
    save();

    auto list = editBookmarks();
    ASSERT_THAT(rows(*list), ElementsAre("F:Work", "F:Home", "B:News"));
    deleteRow(*list, 0);
    EXPECT_THAT(rows(*list), ElementsAre("F:Home", "B:News"));
    EXPECT_THAT(storedFolders(), ElementsAre("Home", "Home/Projects", "Projects/Garden"));
    EXPECT_THAT(storedBookmarks(), ElementsAre("Projects/Seeds", "News"));
}

TEST_F(BookmarkEditTest, AFolderHoldingAFolderOfItsOwnNameIsDeletedWhole) {
    auto outer = folder("A");
    auto inner = folder("A", outer);
    folder("Leaf", inner);
    bookmark("Inside", "inside.tld", inner);
    auto other = folder("B");
    auto otherA = folder("A", other);
    folder("Kept", otherA);
    save();

    auto list = editBookmarks();
    ASSERT_THAT(rows(*list), ElementsAre("F:A", "F:B"));
    deleteRow(*list, 0);
    EXPECT_THAT(rows(*list), ElementsAre("F:B"));
    EXPECT_THAT(storedFolders(), ElementsAre("B", "B/A", "A/Kept"));
    EXPECT_THAT(storedBookmarks(), IsEmpty());
}

TEST_F(BookmarkEditTest, RowsThatWentWithTheDeletedFolderLeaveTheListToo) {
    // Listed by name, the "A" level shows the contents of both folders named "A", so deleting
    // the inner one takes rows of this very level with it.
    auto outer = folder("A");
    auto inner = folder("A", outer);
    folder("Sub", inner);
    bookmark("Own", "own.tld", outer);
    bookmark("Nested", "nested.tld", inner);
    save();

    auto list = showBookmarks();
    tapRow(*list, 0);
    auto level = top<BookmarksController>();
    ASSERT_THAT(rows(*level), ElementsAre("F:A", "F:Sub", "B:Own", "B:Nested"));
    ASSERT_TRUE(barItem(*level->toolbar(), "Edit")->simulateTap());
    deleteRow(*level, 0);
    EXPECT_THAT(rows(*level), ElementsAre("B:Own"));
    EXPECT_THAT(storedFolders(), ElementsAre("A"));
    EXPECT_THAT(storedBookmarks(), ElementsAre("A/Own"));
}

TEST_F(BookmarkEditTest, AnOpenConfirmationStaysWithItsObjectAcrossAReload) {
    bookmark("News", "news.tld");
    bookmark("Wiki", "wiki.tld");
    bookmark("Mail", "mail.tld");
    save();
    auto list = editBookmarks();
    auto wikiCell = cellAt(*list, 1);
    ASSERT_TRUE(wikiCell->deleteCircle()->simulateTap());
    ASSERT_FALSE(wikiCell->deleteConfirmation()->isHidden());

    // Another screen adds a folder, and the list comes back: every row moves down one.
    folder("Work");
    save();
    navigation->pushViewController(ui::ViewController::create(), false);
    settle();
    navigation->popViewControllerAnimated(false);
    settle();
    ASSERT_THAT(rows(*list), ElementsAre("F:Work", "B:News", "B:Wiki", "B:Mail"));

    // Only Wiki's row shows the confirmation, whichever cell shows it now.
    for (std::size_t row = 0; row < 4; ++row)
        EXPECT_EQ(cellAt(*list, row)->deleteConfirmation()->isHidden(), row != 2) << row;
    // The cell that showed Wiki before offers no confirmation for the row it shows now. It was
    // the middle one of three, and the reload hands the three out again in order or in
    // reverse: it shows News now, not Wiki.
    const auto wikiCellRow = list->tableView()->indexPathForCell(*wikiCell);
    ASSERT_TRUE(wikiCellRow) << "the reload left Wiki's old cell out of the table";
    ASSERT_NE(wikiCellRow->row, 2u) << "the reload gave Wiki's old cell back to Wiki";
    EXPECT_FALSE(wikiCell->deleteConfirmation()->simulateTap());
    EXPECT_THAT(storedBookmarks(), ElementsAre("News", "Wiki", "Mail"));

    ASSERT_TRUE(cellAt(*list, 2)->deleteConfirmation()->simulateTap());
    settle();
    EXPECT_THAT(rows(*list), ElementsAre("F:Work", "B:News", "B:Mail"));
    EXPECT_THAT(storedBookmarks(), ElementsAre("News", "Mail"));
    EXPECT_THAT(storedFolders(), ElementsAre("Work"));
}

TEST_F(BookmarkEditTest, AConfirmationForARowThatIsGoneDeletesNothing) {
    bookmark("News", "news.tld");
    bookmark("Wiki", "wiki.tld");
    save();
    auto list = editBookmarks();
    auto newsCell = cellAt(*list, 0);
    ASSERT_TRUE(newsCell->deleteCircle()->simulateTap());

    // News goes elsewhere; the list has not read the store again yet.
    auto news = objectOf(list->bookmarks()[0]);
    context->deleteObject(news);
    save();
    ASSERT_TRUE(newsCell->deleteConfirmation()->simulateTap());
    settle();
    EXPECT_THAT(storedBookmarks(), ElementsAre("Wiki"));
    EXPECT_TRUE(newsCell->deleteConfirmation()->isHidden());
    EXPECT_EQ(list->bookmarks().size(), 2u);
}

TEST_F(BookmarkEditTest, ADeletionTheStoreRefusesIsUndoneAndReported) {
    auto work = folder("Work");
    bookmark("Wiki", "wiki.tld", work);
    bookmark("News", "news.tld");
    save();
    refuseWrites("Bookmark", "DELETE");

    auto list = editBookmarks();
    deleteRow(*list, 0);
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Could Not Delete");
    EXPECT_THAT(alert->message(), ::testing::HasSubstr("refused by the test"));
    // Nothing deleted, in the store, the context or the list.
    EXPECT_FALSE(context->hasChanges());
    EXPECT_THAT(storedFolders(), ElementsAre("Work"));
    EXPECT_THAT(storedBookmarks(), ElementsAre("Work/Wiki", "News"));
    EXPECT_THAT(rows(*list), ElementsAre("F:Work", "B:News"));
    EXPECT_FALSE(objectOf(list->bookmarks()[0])->isDeleted());
    EXPECT_TRUE(cellAt(*list, 0)->deleteConfirmation()->isHidden());
}

// A row knows its list only as a BookmarkList: its buttons ask the list to edit or delete the
// object it shows, and a deletion the list turns down closes the row's confirmation.
class RecordingList : public BookmarkList {
public:
    const std::shared_ptr<store::Object>& currentFolder() const override { return folder; }
    std::shared_ptr<store::Object> selectedObject() const override { return nullptr; }
    void reloadTable() override {}
    bool isDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object) const override {
        return object == open;
    }
    void setDeleteConfirmationOpen(const std::shared_ptr<store::Object>& object,
                                   bool isOpen) override {
        open = isOpen ? object : nullptr;
    }
    void editObject(const std::shared_ptr<store::Object>& object) override {
        edited.push_back(object);
    }
    bool deleteObject(const std::shared_ptr<store::Object>& object) override {
        deleted.push_back(object);
        return accepts;
    }

    std::shared_ptr<store::Object> folder;
    std::shared_ptr<store::Object> open;
    std::vector<std::shared_ptr<store::Object>> edited;
    std::vector<std::shared_ptr<store::Object>> deleted;
    bool accepts = false;
};

TEST_F(BookmarkEditTest, ARowAsksItsListToDeleteOrEditTheObjectItShows) {
    auto news = bookmark("News", "news.tld");
    auto list = std::make_shared<RecordingList>();
    auto cell = BookmarkItem::loadFromInterfaceFile();
    cell->setList(list);
    cell->setObject(news);
    cell->enableEdit();

    ASSERT_TRUE(cell->deleteCircle()->simulateTap());
    EXPECT_TRUE(cell->isDeleteConfirmationShown());
    EXPECT_EQ(list->open, news);
    ASSERT_TRUE(cell->deleteConfirmation()->simulateTap());
    EXPECT_THAT(list->deleted, ElementsAre(news));
    // Turned down: the confirmation closes and the object is untouched.
    EXPECT_FALSE(cell->isDeleteConfirmationShown());
    EXPECT_FALSE(news->isDeleted());

    ASSERT_TRUE(cell->editButton()->simulateTap());
    EXPECT_THAT(list->edited, ElementsAre(news));

    // Without a list, the buttons do nothing.
    list.reset();
    ASSERT_TRUE(cell->deleteCircle()->simulateTap());
    ASSERT_TRUE(cell->deleteConfirmation()->simulateTap());
    EXPECT_FALSE(news->isDeleted());
}

} // namespace
