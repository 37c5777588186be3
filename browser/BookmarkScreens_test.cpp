#include "browser/BookmarkScreens.h"
#include "browser/BookmarksTest.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using BookmarkScreensTest = BookmarksTest;

TEST_F(BookmarkScreensTest, TheObjectBelowIsTheSelectedRowOfTheListJustBelowWhenOfTheEntity) {
    auto work = folder("Work");
    auto news = bookmark("News", "news.tld");
    save();
    auto list = showBookmarks();
    ASSERT_THAT(rows(*list), ElementsAre("F:Work", "B:News"));
    auto above = std::make_shared<ui::ViewController>(std::string());
    navigation->pushViewController(above, false);
    settle();

    EXPECT_EQ(controllerBelow(*above), list);
    EXPECT_EQ(controllerBelow(*list), screen);
    EXPECT_EQ(controllerBelow(*screen), nullptr);                           // the root
    EXPECT_EQ(controllerBelow(ui::ViewController(std::string())), nullptr); // on no stack

    EXPECT_EQ(selectedObjectInListBelow(*above, "Folder"), nullptr); // nothing selected
    list->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(0), false,
                                            ui::TableViewScrollPosition::None);
    EXPECT_EQ(selectedObjectInListBelow(*above, "Folder"), work);
    EXPECT_EQ(selectedObjectInListBelow(*above, "Bookmark"), nullptr);
    list->tableView()->selectRowAtIndexPath(ui::IndexPath::forRow(1), false,
                                            ui::TableViewScrollPosition::None);
    EXPECT_EQ(selectedObjectInListBelow(*above, "Bookmark"), news);
    // Only the list just below counts.
    EXPECT_EQ(selectedObjectInListBelow(*list, "Bookmark"), nullptr);
    // A selection the rows no longer reach gives nothing.
    list->setBookmarks({});
    EXPECT_EQ(selectedObjectInListBelow(*above, "Bookmark"), nullptr);
}

TEST_F(BookmarkScreensTest, AScreenWithoutAContextTakesTheDelegatesAndKeepsItsOwnOtherwise) {
    std::shared_ptr<store::Context> none;
    takeDelegateContextIfNone(none);
    EXPECT_EQ(none, context);
    EXPECT_TRUE(logged("After managedObjectContext: " + context->description()));

    auto own = store::Context::open(
        std::filesystem::path(context->path()).replace_filename("Other.sqlite"),
        delegate->managedObjectModel());
    ASSERT_TRUE(own);
    auto handed = *own;
    takeDelegateContextIfNone(handed);
    EXPECT_EQ(handed, *own);

    // No browser delegate: still none, and the console says so.
    ui::Application::shared().setDelegate(nullptr);
    std::shared_ptr<store::Context> orphan;
    takeDelegateContextIfNone(orphan);
    EXPECT_EQ(orphan, nullptr);
    EXPECT_TRUE(logged("After managedObjectContext: (null)"));
}

TEST_F(BookmarkScreensTest, ARefusedSaveIsUndoneAndReportedAndAGoodOneIsNot) {
    auto kept = folder("Kept");
    EXPECT_TRUE(saveOrReport(*context, "Could Not Save"));
    EXPECT_FALSE(shownAlert());
    EXPECT_THAT(storedFolders(), ElementsAre("Kept"));
    EXPECT_EQ(textValue(*kept, "name"), "Kept");

    refuseWrites("Folder", "INSERT");
    folder("Refused");
    kept->setValue("name", base::Value("Renamed"));
    EXPECT_FALSE(saveOrReport(*context, "Could Not Save"));
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Could Not Save");
    EXPECT_THAT(alert->message(), ::testing::HasSubstr("refused by the test"));
    // Every unsaved change is gone, so the next save does not write it after all.
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(textValue(*kept, "name"), "Kept");
    EXPECT_TRUE(saveOrReport(*context, "Could Not Save"));
    EXPECT_THAT(storedFolders(), ElementsAre("Kept"));
    EXPECT_THAT(storedBookmarks(), IsEmpty());
    // An attribute without text reads as empty.
    EXPECT_EQ(textValue(*context->insertNewObject("Bookmark"), "url"), "");
}

} // namespace
