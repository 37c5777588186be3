#include "browser/BookmarkStoreFixture.h"
#include "browser/BrowserDelegate.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/store/FetchRequest.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

namespace {

class BookmarkStoreTest : public testing_support::PlatformTest, protected BookmarkStoreFixture {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(openStore());
    }

    // A bookmark whose address is made from its name.
    std::shared_ptr<store::Object> bookmark(const std::string& name,
                                            const std::shared_ptr<store::Object>& in = nullptr) {
        return BookmarkStoreFixture::bookmark(name, "http://" + name + ".tld/", in);
    }
    static std::vector<std::string>
    names(const std::vector<std::shared_ptr<store::Object>>& objects) {
        std::vector<std::string> out;
        for (const auto& object : objects)
            out.push_back(object->entityName() + ":" + object->value("name").string()->c_str());
        return out;
    }
    std::vector<std::string> allFolders() {
        return names(*context->fetch(store::FetchRequest("Folder")));
    }
};

TEST_F(BookmarkStoreTest, TheStoreIsBrowserSqliteInTheLibraryFolderAndStartsEmpty) {
    const auto path = base::AppHome::libraryDirectory() / "Browser.sqlite";
    EXPECT_EQ(delegate->applicationLibraryDirectory(), base::AppHome::libraryDirectory());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(context->path(), path);
    EXPECT_TRUE(BrowserDelegate::topLevelItems(*context).empty());
    // One context for the life of the process.
    EXPECT_EQ(delegate->managedObjectContext(), context);
    EXPECT_EQ(delegate->managedObjectModel(), delegate->managedObjectModel());
    EXPECT_TRUE(delegate->managedObjectModel()->entity("Tab"));
}

TEST_F(BookmarkStoreTest, TheTopLevelListsFoldersWithoutParentThenBookmarksWithoutFolder) {
    auto work = folder("Work");
    folder("Inner", work);
    bookmark("news");
    bookmark("wiki", work);
    auto home = folder("Home");
    ASSERT_TRUE(context->save());
    EXPECT_THAT(names(BrowserDelegate::topLevelItems(*context)),
                ElementsAre("Folder:Work", "Folder:Home", "Bookmark:news"));
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "Work")),
                ElementsAre("Folder:Inner", "Bookmark:wiki"));
    EXPECT_TRUE(BrowserDelegate::folderItems(*context, "Home").empty());

    // Unsaved changes list as if saved, and the store keeps them across a new delegate.
    bookmark("later", home);
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "Home")),
                ElementsAre("Bookmark:later"));
    ASSERT_TRUE(context->save());
    auto again = std::make_shared<BrowserDelegate>();
    EXPECT_THAT(names(BrowserDelegate::folderItems(*again->managedObjectContext(), "Home")),
                ElementsAre("Bookmark:later"));
}

// --- Deleting by folder name: the store owner's rule, which matches folders by name as the
// listings do. The bookmark screens delete through the Parent relationship instead (see the
// bookmark cell's tests).

TEST_F(BookmarkStoreTest, NamesWithQuotesAndConditionLikeTextListAndDeleteByNameLikeAnyOther) {
    auto quoted = folder("Bob's \"best\" links");
    auto tricky = folder("x' OR '1'='1");
    bookmark("one", quoted);
    folder("sub", quoted);
    bookmark("two", tricky);
    ASSERT_TRUE(context->save());
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "Bob's \"best\" links")),
                ElementsAre("Folder:sub", "Bookmark:one"));
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "x' OR '1'='1")),
                ElementsAre("Bookmark:two"));

    BrowserDelegate::deleteObjectByFolderName(*context, quoted);
    ASSERT_TRUE(context->save());
    EXPECT_THAT(allFolders(), ElementsAre("Folder:x' OR '1'='1"));
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "x' OR '1'='1")),
                ElementsAre("Bookmark:two"));
}

TEST_F(BookmarkStoreTest, DeletingByNameTakesTheSubFoldersOfEveryFolderOfThatName) {
    auto top = folder("Music");
    auto other = folder("Other");
    auto nested = folder("Music", other);
    folder("Jazz", top);
    folder("Rock", nested);
    auto deep = folder("Deep", nested);
    folder("Deeper", deep);
    ASSERT_TRUE(context->save());
    EXPECT_THAT(names(BrowserDelegate::folderItems(*context, "Music")),
                ElementsAre("Folder:Jazz", "Folder:Rock", "Folder:Deep"));

    BrowserDelegate::deleteObjectByFolderName(*context, top);
    ASSERT_TRUE(context->save());
    // The sub-folders of both "Music" folders went; the nested "Music" itself stays.
    EXPECT_THAT(allFolders(), UnorderedElementsAre("Folder:Other", "Folder:Music"));
}

TEST_F(BookmarkStoreTest, DeletingByNameEndsForAFolderInsideOneOfItsOwnName) {
    auto outer = folder("Bookmarks");
    auto inner = folder("Bookmarks", outer);
    folder("Bookmarks", inner);
    auto kept = folder("Kept");
    bookmark("inside", inner);
    bookmark("outside", kept);
    ASSERT_TRUE(context->save());

    BrowserDelegate::deleteObjectByFolderName(*context, outer);
    ASSERT_TRUE(context->save());
    EXPECT_THAT(allFolders(), ElementsAre("Folder:Kept"));
    // Bookmarks go with their folder (the model's cascade rule); others stay.
    EXPECT_THAT(names(*context->fetch(store::FetchRequest("Bookmark"))),
                ElementsAre("Bookmark:outside"));
}

TEST_F(BookmarkStoreTest, DeletingANamelessFolderByNameDoesNotTakeEveryTopLevelFolder) {
    auto nameless = context->insertNewObject("Folder");
    folder("Child", nameless);
    folder("Work");
    folder("Home");
    ASSERT_TRUE(context->save());

    BrowserDelegate::deleteObjectByFolderName(*context, nameless);
    ASSERT_TRUE(context->save());
    EXPECT_THAT(allFolders(), ElementsAre("Folder:Work", "Folder:Home"));
}

// --- A store that cannot be opened.

class BrokenStoreTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        const auto path = base::AppHome::libraryDirectory() / BrowserDelegate::storeFileName;
        ASSERT_TRUE(base::writeFileAtomically(
            path, base::Data::fromString(std::string(4096, 'x') + "not a database")));
    }
};

TEST_F(BrokenStoreTest, TheFailureIsLoggedAndTheProcessStopped) {
    std::vector<std::string> lines;
    auto delegate = std::make_shared<BrowserDelegate>();
    int stops = 0;
    delegate->setTerminator([&] { ++stops; });
    {
        testing_support::LogCapture log;
        EXPECT_FALSE(delegate->managedObjectContext());
        lines = log.lines();
    }

    EXPECT_EQ(stops, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], StartsWith("Unresolved error Error Domain=PlatformErrorDomain Code="));
    EXPECT_THAT(lines[0], HasSubstr("Browser.sqlite"));
    // Nothing is retried and no screen sees a half-made store.
    EXPECT_FALSE(delegate->managedObjectContext());
    EXPECT_EQ(stops, 1);
}

TEST_F(BrokenStoreTest, WithoutAReplacementTheProcessReallyStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            BrowserDelegate delegate;
            delegate.managedObjectContext();
        },
        "Unresolved error Error Domain=PlatformErrorDomain");
}

class MissingModelTest : public testing_support::PlatformTest {};

TEST_F(MissingModelTest, AMissingModelStopsTheProcessToo) {
    const auto empty = homeDirectory() / "no-resources";
    std::filesystem::create_directories(empty);
    auto previous = base::Bundle::install(std::make_shared<base::Bundle>(empty));
    auto delegate = std::make_shared<BrowserDelegate>();
    bool stopped = false;
    delegate->setTerminator([&] { stopped = true; });
    EXPECT_FALSE(delegate->managedObjectContext());
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(std::filesystem::exists(base::AppHome::libraryDirectory() / "Browser.sqlite"));
    base::Bundle::install(previous);
}

} // namespace
