#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/store/Context.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StoreError.h"
#include "platform/testing/PlatformTest.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using store::Context;
using store::FetchRequest;
using store::Object;
using store::Predicate;
using ObjectList = std::vector<std::shared_ptr<Object>>;
using Names = std::vector<std::string>;

class ContextTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        auto model =
            store::Model::fromFile(base::Bundle::defaultResourcesDirectory() / "BrowserModel.json");
        ASSERT_TRUE(model) << model.error().localizedDescription();
        model_ = *model;
        path_ = base::AppHome::libraryDirectory() / "Browser.sqlite";
    }

    std::shared_ptr<Context> open() {
        auto context = Context::open(path_, model_);
        EXPECT_TRUE(context) << (context ? "" : context.error().localizedDescription());
        return context ? *context : nullptr;
    }

    static ObjectList fetch(Context& context, FetchRequest request) {
        auto result = context.fetch(request);
        EXPECT_TRUE(result) << (result ? "" : result.error().localizedDescription());
        return result ? *result : ObjectList{};
    }

    static ObjectList fetch(Context& context, const std::string& entity,
                            const std::string& condition = "",
                            std::vector<base::Value> arguments = {}) {
        FetchRequest request(entity);
        if (!condition.empty()) {
            auto predicate = Predicate::parse(condition, std::move(arguments));
            EXPECT_TRUE(predicate) << condition;
            if (predicate)
                request.predicate = *predicate;
        }
        return fetch(context, std::move(request));
    }

    static Names names(const ObjectList& objects, const char* key = "name") {
        Names result;
        for (const auto& object : objects) {
            base::Value value = object->value(key);
            result.push_back(value.string() ? *value.string() : "<nil>");
        }
        return result;
    }

    static std::shared_ptr<Object> folder(Context& context, const std::string& name,
                                          const std::shared_ptr<Object>& parent = nullptr) {
        auto folder = context.insertNewObject("Folder");
        folder->setValue("name", name);
        folder->setRelatedObject("Parent", parent);
        return folder;
    }

    static std::shared_ptr<Object> bookmark(Context& context, const std::string& name,
                                            const std::shared_ptr<Object>& folder = nullptr) {
        auto bookmark = context.insertNewObject("Bookmark");
        bookmark->setValue("name", name);
        bookmark->setValue("url", "https://example.com/" + name);
        bookmark->setRelatedObject("Folder", folder);
        return bookmark;
    }

    base::Data fileBytes() const {
        auto data = base::readFile(path_);
        EXPECT_TRUE(data);
        return data ? *data : base::Data();
    }

    std::shared_ptr<const store::Model> model_;
    std::filesystem::path path_;
};

TEST_F(ContextTest, FirstOpenCreatesAnEmptyStore) {
    ASSERT_FALSE(std::filesystem::exists(path_));
    auto context = open();
    ASSERT_TRUE(context);
    EXPECT_TRUE(std::filesystem::exists(path_));
    EXPECT_TRUE(fetch(*context, "Folder", "Parent == nil").empty());
    EXPECT_TRUE(fetch(*context, "Bookmark", "Folder.name == %@", {base::Value()}).empty());
    EXPECT_TRUE(fetch(*context, "Tab").empty());
    EXPECT_FALSE(context->hasChanges());
    EXPECT_NE(context->description().find("Browser.sqlite"), std::string::npos);
}

TEST_F(ContextTest, BrowserListingsAgreeBeforeSavingAfterSavingAndAfterReopening) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto projects = folder(*context, "Projects", work);
    auto home = folder(*context, "Home");
    auto homeWork = folder(*context, "Work", home);
    bookmark(*context, "Intranet", work);
    bookmark(*context, "Roadmap", projects);
    bookmark(*context, "Payslips", homeWork);
    bookmark(*context, "News");

    auto expectListings = [&](Context& context, const char* when) {
        SCOPED_TRACE(when);
        // Top level.
        EXPECT_EQ(names(fetch(context, "Folder", "Parent == nil")), (Names{"Work", "Home"}));
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.name == %@", {base::Value()})),
                  (Names{"News"}));
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder == nil")), (Names{"News"}));
        // A folder's level goes by name: both folders named "Work" list their children.
        EXPECT_EQ(names(fetch(context, "Folder", "Parent.name == %@", {"Work"})),
                  (Names{"Projects"}));
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.name == %@", {"Work"})),
                  (Names{"Intranet", "Payslips"}));
        EXPECT_EQ(names(fetch(context, "Folder", "Parent.name == %@", {"Home"})), (Names{"Work"}));
        EXPECT_TRUE(fetch(context, "Bookmark", "Folder.name == %@", {"Home"}).empty());
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.name == %@", {"Projects"})),
                  (Names{"Roadmap"}));
        // Letter case counts.
        EXPECT_TRUE(fetch(context, "Bookmark", "Folder.name == %@", {"work"}).empty());
        // The folder picker: every folder.
        EXPECT_EQ(names(fetch(context, "Folder")), (Names{"Work", "Projects", "Home", "Work"}));
        // Two steps and the combinations.
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.Parent.name == %@", {"Home"})),
                  (Names{"Payslips"}));
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.Parent == nil AND Folder != nil")),
                  (Names{"Intranet"}));
        EXPECT_EQ(names(fetch(context, "Folder", "NOT (Parent == nil) OR name == %@", {"Home"})),
                  (Names{"Projects", "Home", "Work"}));
        EXPECT_EQ(names(fetch(context, "Bookmark", "Folder.name != %@", {"Work"})),
                  (Names{"Roadmap", "News"}));
    };

    expectListings(*context, "unsaved");
    auto saved = context->save();
    ASSERT_TRUE(saved) << saved.error().localizedDescription();
    EXPECT_FALSE(context->hasChanges());
    expectListings(*context, "saved");
    context.reset();
    work = projects = home = homeWork = nullptr;
    auto reopened = open();
    ASSERT_TRUE(reopened);
    expectListings(*reopened, "reopened");
}

TEST_F(ContextTest, LinksBetweenNewObjectsSurviveAnyOrderOfInsertion) {
    auto context = open();
    ASSERT_TRUE(context);
    // A sub-folder made before its parent, a bookmark before its folder, and two folders that
    // contain each other.
    auto child = context->insertNewObject("Folder");
    child->setValue("name", "child");
    auto early = context->insertNewObject("Bookmark");
    early->setValue("name", "early");
    auto parent = folder(*context, "parent");
    child->setRelatedObject("Parent", parent);
    early->setRelatedObject("Folder", child);
    auto ping = folder(*context, "ping");
    auto pong = folder(*context, "pong", ping);
    ping->setRelatedObject("Parent", pong);
    ASSERT_TRUE(context->save());
    EXPECT_EQ(child->relatedObject("Parent"), parent);
    EXPECT_EQ(ping->relatedObject("Parent"), pong);

    context.reset();
    child = early = parent = ping = pong = nullptr;
    auto reopened = open();
    ASSERT_TRUE(reopened);
    // Rows keep the order of insertion.
    EXPECT_EQ(names(fetch(*reopened, "Folder")), (Names{"child", "parent", "ping", "pong"}));
    EXPECT_EQ(names(fetch(*reopened, "Folder", "Parent.name == %@", {"parent"})), (Names{"child"}));
    EXPECT_EQ(names(fetch(*reopened, "Bookmark", "Folder.Parent.name == %@", {"parent"})),
              (Names{"early"}));
    EXPECT_EQ(names(fetch(*reopened, "Folder", "Parent.name == %@", {"pong"})), (Names{"ping"}));
    EXPECT_EQ(names(fetch(*reopened, "Folder", "Parent.Parent.name == %@", {"pong"})),
              (Names{"pong"}));
}

TEST_F(ContextTest, NamesWithQuotesAndSQLAreOnlyValues) {
    const Names tricky{"O'Brien \"x\"",
                       "x' OR '1'='1",
                       "\"; DROP TABLE Bookmark; --",
                       "Robert'); DROP TABLE Folder;--",
                       "%@",
                       ""};
    auto context = open();
    ASSERT_TRUE(context);
    for (std::size_t i = 0; i < tricky.size(); ++i) {
        auto parent = folder(*context, tricky[i]);
        folder(*context, "child " + std::to_string(i), parent);
        bookmark(*context, "in " + std::to_string(i), parent);
    }
    auto expectEachListsItsOwn = [&](const char* when) {
        SCOPED_TRACE(when);
        for (std::size_t i = 0; i < tricky.size(); ++i) {
            EXPECT_EQ(names(fetch(*context, "Folder", "Parent.name == %@", {tricky[i]})),
                      (Names{"child " + std::to_string(i)}))
                << tricky[i];
            EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {tricky[i]})),
                      (Names{"in " + std::to_string(i)}))
                << tricky[i];
            EXPECT_EQ(
                names(fetch(*context, FetchRequest("Folder", Predicate::equal("name", tricky[i])))),
                (Names{tricky[i]}));
        }
        EXPECT_EQ(fetch(*context, "Folder").size(), 2 * tricky.size());
        EXPECT_EQ(fetch(*context, "Bookmark").size(), tricky.size());
    };
    expectEachListsItsOwn("unsaved");
    ASSERT_TRUE(context->save());
    expectEachListsItsOwn("saved");

    // Names from a request never reach the SQL unchecked.
    auto refused = [&](FetchRequest request) {
        auto result = context->fetch(request);
        EXPECT_FALSE(result) << request.entityName;
        if (!result) {
            EXPECT_EQ(result.error().code, store::PersistentStoreOperationError);
        }
    };
    refused(FetchRequest("Folder\" WHERE 1=1; DROP TABLE \"Bookmark"));
    refused(FetchRequest("Folder", Predicate::equal("name\" OR 1=1 --", "x")));
    refused(FetchRequest("Bookmark", Predicate::equal("Folder.name\" IS NOT NULL --", "x")));
    FetchRequest sorted("Folder");
    sorted.sortDescriptors.push_back({"name; DROP TABLE Folder", true});
    refused(sorted);
    EXPECT_EQ(fetch(*context, "Bookmark").size(), tricky.size());
}

TEST_F(ContextTest, SavedTabsSortLimitAndDelete) {
    auto context = open();
    ASSERT_TRUE(context);
    const std::vector<std::pair<std::string, int>> tabs{{"third", 2}, {"first", 0}, {"second", 1}};
    for (const auto& [title, order] : tabs) {
        auto tab = context->insertNewObject("Tab");
        tab->setValue("title", title);
        tab->setValue("url", "https://" + title + ".example");
        tab->setValue("order", order);
    }
    auto expectOrder = [&](const char* when) {
        SCOPED_TRACE(when);
        FetchRequest ascending("Tab");
        ascending.sortDescriptors.push_back({"order", true});
        EXPECT_EQ(names(fetch(*context, ascending), "title"), (Names{"first", "second", "third"}));
        FetchRequest descending("Tab");
        descending.sortDescriptors.push_back({"order", false});
        EXPECT_EQ(names(fetch(*context, descending), "title"), (Names{"third", "second", "first"}));
        ascending.fetchLimit = 2;
        EXPECT_EQ(names(fetch(*context, ascending), "title"), (Names{"first", "second"}));
        // Without sort descriptors: the order of insertion.
        EXPECT_EQ(names(fetch(*context, "Tab"), "title"), (Names{"third", "first", "second"}));
    };
    expectOrder("unsaved");
    ASSERT_TRUE(context->save());
    expectOrder("saved");

    auto saved = fetch(*context, "Tab");
    EXPECT_EQ(saved.front()->value("order"), base::Value(2));
    EXPECT_EQ(saved.front()->value("url"), base::Value("https://third.example"));
    for (const auto& tab : saved)
        context->deleteObject(tab);
    EXPECT_TRUE(fetch(*context, "Tab").empty());
    ASSERT_TRUE(context->save());
    context.reset();
    auto reopened = open();
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(fetch(*reopened, "Tab").empty());
}

TEST_F(ContextTest, OneObjectPerRow) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto intranet = bookmark(*context, "Intranet", work);
    EXPECT_TRUE(intranet->objectID().isTemporaryID());
    EXPECT_EQ(fetch(*context, "Bookmark").front(), intranet);
    ASSERT_TRUE(context->save());
    EXPECT_FALSE(intranet->objectID().isTemporaryID());
    EXPECT_EQ(intranet->objectID().entityName(), "Bookmark");

    auto first = fetch(*context, "Bookmark");
    auto second = fetch(*context, "Bookmark", "Folder.name == %@", {"Work"});
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(first.front(), intranet);
    EXPECT_EQ(second.front(), intranet);
    EXPECT_EQ(intranet->relatedObject("Folder"), work);
    EXPECT_EQ(fetch(*context, "Folder").front(), work);

    // An object nobody holds any more is read again from its row.
    auto id = work->objectID();
    intranet->setValue("name", "Intranet 2");
    ASSERT_TRUE(context->save());
    intranet.reset();
    work.reset();
    first.clear();
    second.clear();
    auto again = fetch(*context, "Bookmark");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again.front()->value("name"), base::Value("Intranet 2"));
    auto folderAgain = again.front()->relatedObject("Folder");
    ASSERT_TRUE(folderAgain);
    EXPECT_EQ(folderAgain->objectID(), id);
    EXPECT_EQ(folderAgain->value("name"), base::Value("Work"));
}

TEST_F(ContextTest, FetchesSeeUnsavedChanges) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto home = folder(*context, "Home");
    auto intranet = bookmark(*context, "Intranet", work);
    ASSERT_TRUE(context->save());

    // A renamed folder changes what its bookmarks match, through the key path.
    work->setValue("name", "Office");
    EXPECT_TRUE(fetch(*context, "Bookmark", "Folder.name == %@", {"Work"}).empty());
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Office"})),
              (Names{"Intranet"}));
    // A moved bookmark.
    intranet->setRelatedObject("Folder", home);
    EXPECT_TRUE(fetch(*context, "Bookmark", "Folder.name == %@", {"Office"}).empty());
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Home"})),
              (Names{"Intranet"}));
    // An inserted one, and a deleted one.
    auto draft = bookmark(*context, "Draft", home);
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Home"})),
              (Names{"Intranet", "Draft"}));
    context->deleteObject(intranet);
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Home"})), (Names{"Draft"}));
    EXPECT_EQ(names(fetch(*context, "Bookmark")), (Names{"Draft"}));
    // Deleting a bookmark leaves its folder.
    EXPECT_EQ(names(fetch(*context, "Folder")), (Names{"Office", "Home"}));

    ASSERT_TRUE(context->save());
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Home"})), (Names{"Draft"}));
    EXPECT_TRUE(fetch(*context, "Bookmark", "Folder.name == %@", {"Office"}).empty());
    EXPECT_EQ(names(fetch(*context, "Folder")), (Names{"Office", "Home"}));
}

TEST_F(ContextTest, DeletingAFolderTakesItsContentAlong) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto projects = folder(*context, "Projects", work);
    auto deep = folder(*context, "Deep", projects);
    auto home = folder(*context, "Home");
    std::vector<std::shared_ptr<Object>> inside{bookmark(*context, "Intranet", work),
                                                bookmark(*context, "Roadmap", projects),
                                                bookmark(*context, "Notes", deep)};
    auto news = bookmark(*context, "News");
    auto recipes = bookmark(*context, "Recipes", home);
    ASSERT_TRUE(context->save());

    context->deleteObject(work);
    for (const auto& object : {work, projects, deep})
        EXPECT_TRUE(object->isDeleted()) << object->description();
    for (const auto& object : inside)
        EXPECT_TRUE(object->isDeleted()) << object->description();
    EXPECT_FALSE(news->isDeleted());
    EXPECT_FALSE(recipes->isDeleted());
    EXPECT_EQ(names(fetch(*context, "Folder")), (Names{"Home"}));
    EXPECT_EQ(names(fetch(*context, "Bookmark")), (Names{"News", "Recipes"}));

    ASSERT_TRUE(context->save());
    EXPECT_TRUE(work->isDeleted());
    EXPECT_FALSE(work->hasChanges());
    context.reset();
    auto reopened = open();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(names(fetch(*reopened, "Folder")), (Names{"Home"}));
    EXPECT_EQ(names(fetch(*reopened, "Bookmark")), (Names{"News", "Recipes"}));
    EXPECT_EQ(names(fetch(*reopened, "Bookmark", "Folder.name == %@", {"Home"})),
              (Names{"Recipes"}));
}

TEST_F(ContextTest, NullifyRuleUnlinksInsteadOfDeleting) {
    auto model = store::Model::fromJSON(R"({"version": 1, "entities": [
        {"name": "Group", "attributes": [{"name": "title", "type": "string"}],
         "relationships": [{"name": "items", "destination": "Item", "toMany": true,
                            "inverse": "group", "deleteRule": "nullify"}]},
        {"name": "Item", "attributes": [{"name": "name", "type": "string"}],
         "relationships": [{"name": "group", "destination": "Group", "inverse": "items"}]}]})");
    ASSERT_TRUE(model) << model.error().localizedDescription();
    auto path = base::AppHome::libraryDirectory() / "Groups.sqlite";
    auto opened = Context::open(path, *model);
    ASSERT_TRUE(opened);
    auto context = *opened;
    auto group = context->insertNewObject("Group");
    auto saved = context->insertNewObject("Item");
    saved->setValue("name", "saved");
    saved->setRelatedObject("group", group);
    ASSERT_TRUE(context->save());
    auto unsaved = context->insertNewObject("Item");
    unsaved->setValue("name", "unsaved");
    unsaved->setRelatedObject("group", group);

    context->deleteObject(group);
    EXPECT_FALSE(saved->isDeleted());
    EXPECT_FALSE(unsaved->isDeleted());
    EXPECT_EQ(saved->relatedObject("group"), nullptr);
    EXPECT_EQ(unsaved->relatedObject("group"), nullptr);
    EXPECT_TRUE(saved->isUpdated());
    ASSERT_TRUE(context->save());

    context.reset();
    saved = unsaved = group = nullptr;
    auto reopened = Context::open(path, *model);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(names(fetch(**reopened, "Item", "group == nil")), (Names{"saved", "unsaved"}));
    EXPECT_TRUE(fetch(**reopened, "Group").empty());
}

TEST_F(ContextTest, RollbackForgetsEveryUnsavedChange) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto intranet = bookmark(*context, "Intranet", work);
    auto tab = context->insertNewObject("Tab");
    tab->setValue("title", "a");
    tab->setValue("order", 0);
    ASSERT_TRUE(context->save());
    auto bytes = fileBytes();

    tab->setValue("title", "b");
    EXPECT_TRUE(tab->isUpdated());
    auto fresh = folder(*context, "New");
    auto draft = bookmark(*context, "Draft", fresh);
    context->deleteObject(work); // and Intranet with it
    EXPECT_TRUE(intranet->isDeleted());
    EXPECT_TRUE(context->hasChanges());

    context->rollback();
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(tab->value("title"), base::Value("a"));
    EXPECT_FALSE(tab->hasChanges());
    EXPECT_FALSE(fresh->isInserted());
    EXPECT_TRUE(fresh->isDeleted());
    EXPECT_TRUE(draft->isDeleted());
    EXPECT_FALSE(work->isDeleted());
    EXPECT_FALSE(intranet->isDeleted());
    EXPECT_EQ(intranet->relatedObject("Folder"), work);
    EXPECT_EQ(names(fetch(*context, "Folder")), (Names{"Work"}));
    EXPECT_EQ(names(fetch(*context, "Bookmark", "Folder.name == %@", {"Work"})),
              (Names{"Intranet"}));

    // Nothing left to write: saving leaves the file as it is.
    ASSERT_TRUE(context->save());
    EXPECT_EQ(fileBytes(), bytes);
}

TEST_F(ContextTest, ObjectStatesFollowInsertChangeSaveAndDelete) {
    auto context = open();
    ASSERT_TRUE(context);
    auto tab = context->insertNewObject("Tab");
    EXPECT_TRUE(tab->isInserted());
    EXPECT_TRUE(tab->hasChanges());
    EXPECT_EQ(tab->context(), context);
    EXPECT_TRUE(tab->value("title").isNull());
    tab->setValue("title", "a");
    ASSERT_TRUE(context->save());
    EXPECT_FALSE(tab->isInserted());
    EXPECT_FALSE(tab->hasChanges());

    tab->setValue("title", "b");
    EXPECT_TRUE(tab->isUpdated());
    EXPECT_TRUE(context->hasChanges());
    tab->setValue("title", "a");
    EXPECT_FALSE(tab->isUpdated());
    EXPECT_FALSE(context->hasChanges());

    context->deleteObject(tab);
    EXPECT_TRUE(tab->isDeleted());
    EXPECT_TRUE(tab->hasChanges());
    context->deleteObject(tab); // a second time changes nothing
    ASSERT_TRUE(context->save());
    EXPECT_TRUE(tab->isDeleted());
    EXPECT_FALSE(tab->hasChanges());
    EXPECT_FALSE(context->hasChanges());

    // Inserted and deleted before any save: never written.
    auto fleeting = context->insertNewObject("Tab");
    context->deleteObject(fleeting);
    EXPECT_TRUE(fleeting->isDeleted());
    EXPECT_FALSE(context->hasChanges());
    EXPECT_TRUE(fetch(*context, "Tab").empty());
}

TEST_F(ContextTest, FailedSaveWritesNothingAndKeepsTheChanges) {
    auto context = open();
    ASSERT_TRUE(context);
    auto work = folder(*context, "Work");
    auto intranet = bookmark(*context, "Intranet", work);
    auto news = bookmark(*context, "News");
    ASSERT_TRUE(context->save());

    // The file refuses one row of the save, after others were already written in it.
    {
        auto raw = store::SQLiteDatabase::open(path_);
        ASSERT_TRUE(raw);
        ASSERT_TRUE(
            raw->execute("CREATE TRIGGER refuse BEFORE INSERT ON Bookmark "
                         "WHEN NEW.name = 'refused' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    auto bytes = fileBytes();

    auto archive = folder(*context, "Archive");
    intranet->setValue("name", "Intranet (old)");
    context->deleteObject(news);
    bookmark(*context, "kept", archive);
    bookmark(*context, "refused", archive);
    auto saved = context->save();
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().code, store::PersistentStoreSaveError);
    EXPECT_NE(saved.error().localizedDescription().find("refused"), std::string::npos)
        << saved.error().localizedDescription();
    EXPECT_EQ(fileBytes(), bytes);

    // The context still has every change, as it was.
    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(archive->isInserted());
    EXPECT_TRUE(archive->objectID().isTemporaryID());
    EXPECT_TRUE(news->isDeleted());
    EXPECT_EQ(intranet->value("name"), base::Value("Intranet (old)"));
    EXPECT_EQ(names(fetch(*context, "Bookmark")), (Names{"Intranet (old)", "kept", "refused"}));

    // Another context on the file sees the last good save.
    {
        auto other = open();
        ASSERT_TRUE(other);
        EXPECT_EQ(names(fetch(*other, "Bookmark")), (Names{"Intranet", "News"}));
        EXPECT_EQ(names(fetch(*other, "Folder")), (Names{"Work"}));
    }

    {
        auto raw = store::SQLiteDatabase::open(path_);
        ASSERT_TRUE(raw);
        ASSERT_TRUE(raw->execute("DROP TRIGGER refuse"));
    }
    auto retried = context->save();
    ASSERT_TRUE(retried) << retried.error().localizedDescription();
    EXPECT_FALSE(context->hasChanges());
    context.reset();
    auto reopened = open();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(names(fetch(*reopened, "Bookmark")), (Names{"Intranet (old)", "kept", "refused"}));
    EXPECT_EQ(names(fetch(*reopened, "Bookmark", "Folder.name == %@", {"Archive"})),
              (Names{"kept", "refused"}));
}

TEST_F(ContextTest, SaveFailsWhileTheStoreFolderIsGoneAndSucceedsLater) {
    auto context = open();
    ASSERT_TRUE(context);
    folder(*context, "Work");
    ASSERT_TRUE(context->save());

    // The journal cannot be written beside the store, as on a read-only or vanished disk.
    auto library = path_.parent_path();
    auto away = library.parent_path() / "Library-away";
    std::filesystem::rename(library, away);
    auto news = bookmark(*context, "News");
    auto saved = context->save();
    std::filesystem::rename(away, library);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().code, store::PersistentStoreSaveError);
    EXPECT_TRUE(news->isInserted());
    EXPECT_TRUE(context->hasChanges());

    ASSERT_TRUE(context->save());
    context.reset();
    auto reopened = open();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(names(fetch(*reopened, "Bookmark")), (Names{"News"}));
}

TEST_F(ContextTest, RequestsThatDoNotFitTheModelFail) {
    auto context = open();
    ASSERT_TRUE(context);
    auto expectRefused = [&](FetchRequest request, const char* why) {
        auto result = context->fetch(request);
        EXPECT_FALSE(result) << why;
        if (!result) {
            EXPECT_EQ(result.error().code, store::PersistentStoreOperationError) << why;
            EXPECT_FALSE(result.error().localizedDescription().empty());
        }
    };
    expectRefused(FetchRequest("Nothing"), "unknown entity");
    expectRefused(FetchRequest("Folder", Predicate::equal("title", "x")), "unknown attribute");
    expectRefused(FetchRequest("Folder", Predicate::equal("Parent", "x")),
                  "a relationship compared with a value");
    expectRefused(FetchRequest("Folder", Predicate::equal("name", 5)), "a string with a number");
    expectRefused(FetchRequest("Tab", Predicate::equal("order", "1")), "a number with a string");
    expectRefused(FetchRequest("Folder", Predicate::equal("subfolders.name", {})),
                  "a to-many step");
    expectRefused(FetchRequest("Folder", Predicate::equal("name.length", {})),
                  "a step through an attribute");
    FetchRequest byRelationship("Folder");
    byRelationship.sortDescriptors.push_back({"Parent", true});
    expectRefused(byRelationship, "sorting by a relationship");
}

TEST_F(ContextTest, MisuseOfObjectsThrows) {
    auto context = open();
    ASSERT_TRUE(context);
    EXPECT_THROW(context->insertNewObject("Nothing"), std::invalid_argument);
    auto work = folder(*context, "Work");
    auto news = bookmark(*context, "News");
    auto tab = context->insertNewObject("Tab");
    EXPECT_THROW(news->value("title"), std::invalid_argument);
    EXPECT_THROW(news->setValue("title", "x"), std::invalid_argument);
    EXPECT_THROW(news->setValue("name", 3), std::invalid_argument);
    EXPECT_THROW(tab->setValue("order", 1.5), std::invalid_argument);
    EXPECT_THROW(news->setRelatedObject("Folder", tab), std::invalid_argument);
    EXPECT_THROW(news->setRelatedObject("name", work), std::invalid_argument);
    EXPECT_THROW(work->relatedObject("bookmarks"), std::invalid_argument);
    EXPECT_THROW(news->value("Folder"), std::invalid_argument);

    tab->setValue("order", 2.0); // a whole number is kept as an integer
    EXPECT_EQ(tab->value("order").type(), base::Value::Type::Integer);

    auto gone = folder(*context, "Gone");
    context->deleteObject(gone);
    EXPECT_THROW(news->setRelatedObject("Folder", gone), std::invalid_argument);

    auto other = open();
    ASSERT_TRUE(other);
    auto foreign = other->insertNewObject("Folder");
    EXPECT_THROW(news->setRelatedObject("Folder", foreign), std::invalid_argument);
    EXPECT_THROW(context->deleteObject(foreign), std::invalid_argument);
    // None of it changed the objects.
    EXPECT_EQ(news->relatedObject("Folder"), nullptr);
    EXPECT_EQ(news->value("name"), base::Value("News"));
}

TEST_F(ContextTest, EveryAttributeTypeSurvivesTheFile) {
    auto model = store::Model::fromJSON(R"({"version": 1, "entities": [{"name": "Sample",
        "attributes": [{"name": "s", "type": "string"}, {"name": "i", "type": "integer"},
                       {"name": "d", "type": "double"}, {"name": "b", "type": "bool"},
                       {"name": "t", "type": "date"}, {"name": "x", "type": "data"}]}]})");
    ASSERT_TRUE(model);
    auto path = base::AppHome::libraryDirectory() / "Samples.sqlite";
    const base::Data bytes(std::vector<std::uint8_t>{0, 1, 2, 255});
    const base::Date when(1234567890.5);
    const std::int64_t big = std::int64_t(1) << 53;
    {
        auto context = Context::open(path, *model);
        ASSERT_TRUE(context);
        auto full = (*context)->insertNewObject("Sample");
        full->setValue("s", "héllo\n\"x\"");
        full->setValue("i", big + 1);
        full->setValue("d", 1.25);
        full->setValue("b", true);
        full->setValue("t", when);
        full->setValue("x", bytes);
        auto empty = (*context)->insertNewObject("Sample");
        empty->setValue("s", "");
        empty->setValue("x", base::Data());
        empty->setValue("b", 0); // 0 and 1 read as booleans
        EXPECT_THROW(empty->setValue("b", 2), std::invalid_argument);
        EXPECT_THROW(empty->setValue("d", std::nan("")), std::invalid_argument);
        (*context)->insertNewObject("Sample"); // all null
        ASSERT_TRUE((*context)->save());
    }
    auto context = Context::open(path, *model);
    ASSERT_TRUE(context);
    auto samples = fetch(**context, "Sample");
    ASSERT_EQ(samples.size(), 3u);
    const auto& full = samples[0];
    EXPECT_EQ(full->value("s"), base::Value("héllo\n\"x\""));
    EXPECT_EQ(full->value("i").integerValue(), big + 1);
    EXPECT_EQ(full->value("d"), base::Value(1.25));
    EXPECT_EQ(full->value("b"), base::Value(true));
    EXPECT_EQ(full->value("b").type(), base::Value::Type::Bool);
    ASSERT_TRUE(full->value("t").isDate());
    EXPECT_EQ(*full->value("t").date(), when);
    EXPECT_EQ(full->value("x"), base::Value(bytes));
    const auto& empty = samples[1];
    EXPECT_EQ(empty->value("s"), base::Value(""));
    ASSERT_TRUE(empty->value("x").isData());
    EXPECT_TRUE(empty->value("x").data()->empty());
    EXPECT_EQ(empty->value("b"), base::Value(false));
    for (const char* key : {"s", "i", "d", "b", "t", "x"})
        EXPECT_TRUE(samples[2]->value(key).isNull()) << key;

    auto only = [&](Predicate predicate) {
        auto found = fetch(**context, FetchRequest("Sample", std::move(predicate)));
        return found.size() == 1 ? found.front() : nullptr;
    };
    EXPECT_EQ(only(Predicate::equal("i", big + 1)), full);
    EXPECT_EQ(only(Predicate::equal("b", true)), full);
    EXPECT_EQ(only(Predicate::equal("b", false)), empty);
    EXPECT_EQ(only(Predicate::equal("t", when)), full);
    EXPECT_EQ(only(Predicate::equal("x", bytes)), full);
    EXPECT_EQ(only(Predicate::equal("x", base::Data())), empty);
    EXPECT_EQ(only(Predicate::equal("s", "")), empty);
    EXPECT_EQ(only(Predicate::equal("d", 1.25)), full);

    FetchRequest byDate("Sample");
    byDate.sortDescriptors.push_back({"t", false});
    auto sorted = fetch(**context, byDate);
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted.front(), full); // nulls sort first, so last when descending
}

} // namespace
