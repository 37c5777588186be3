#include "platform/base/AppHome.h"
#include "platform/store/Context.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreSchema.h"
#include "platform/testing/PlatformTest.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using store::Context;
using store::FetchRequest;
using store::Model;
using store::Predicate;

// The first release of a small bookmark model...
const char* const version1 = R"({"version": 1, "entities": [
    {"name": "Folder", "attributes": [{"name": "name", "type": "string"}],
     "relationships": [{"name": "bookmarks", "destination": "Bookmark", "toMany": true,
                        "inverse": "Folder", "deleteRule": "cascade"}]},
    {"name": "Bookmark",
     "attributes": [{"name": "name", "type": "string"}, {"name": "url", "type": "string"}],
     "relationships": [{"name": "Folder", "destination": "Folder", "inverse": "bookmarks"}]}]})";

// ...and the next: new attributes, a new relationship pair, a new entity.
const char* const version2 = R"({"version": 2, "entities": [
    {"name": "Folder", "attributes": [{"name": "name", "type": "string"}],
     "relationships": [
        {"name": "bookmarks", "destination": "Bookmark", "toMany": true, "inverse": "Folder",
         "deleteRule": "cascade"},
        {"name": "Parent", "destination": "Folder", "inverse": "subfolders"},
        {"name": "subfolders", "destination": "Folder", "toMany": true, "inverse": "Parent",
         "deleteRule": "cascade"}]},
    {"name": "Bookmark",
     "attributes": [{"name": "name", "type": "string"}, {"name": "url", "type": "string"},
                    {"name": "visits", "type": "integer"}, {"name": "added", "type": "date"}],
     "relationships": [{"name": "Folder", "destination": "Folder", "inverse": "bookmarks"}]},
    {"name": "Tab", "attributes": [{"name": "title", "type": "string"}]}]})";

class StoreSchemaTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        path_ = base::AppHome::libraryDirectory() / "Browser.sqlite";
    }

    static std::shared_ptr<const Model> model(const std::string& json) {
        auto model = Model::fromJSON(json);
        EXPECT_TRUE(model) << (model ? "" : model.error().localizedDescription());
        return model ? *model : nullptr;
    }

    base::Result<std::shared_ptr<Context>> open(const std::string& json) {
        return Context::open(path_, model(json));
    }

    // A version 1 store with one folder and one bookmark in it.
    void writeVersion1Store() {
        auto context = open(version1);
        ASSERT_TRUE(context) << context.error().localizedDescription();
        auto work = (*context)->insertNewObject("Folder");
        work->setValue("name", "Work");
        auto intranet = (*context)->insertNewObject("Bookmark");
        intranet->setValue("name", "Intranet");
        intranet->setValue("url", "https://intranet.example");
        intranet->setRelatedObject("Folder", work);
        ASSERT_TRUE((*context)->save());
    }

    base::Data fileBytes() const { return base::readFile(path_).valueOr(base::Data()); }

    std::int64_t userVersion() const {
        auto raw = store::SQLiteDatabase::open(path_);
        EXPECT_TRUE(raw);
        auto statement = raw->prepare("PRAGMA user_version");
        EXPECT_TRUE(statement);
        EXPECT_EQ(statement->step(), SQLITE_ROW);
        return statement->int64(0);
    }

    void expectRefused(const std::string& json, long code, const std::string& mention) {
        auto before = fileBytes();
        auto context = open(json);
        ASSERT_FALSE(context);
        EXPECT_EQ(context.error().code, code) << context.error().localizedDescription();
        EXPECT_NE(context.error().localizedDescription().find(mention), std::string::npos)
            << context.error().localizedDescription();
        EXPECT_EQ(fileBytes(), before) << "a refused open changed the file";
    }

    std::filesystem::path path_;
};

TEST_F(StoreSchemaTest, NewerCompatibleModelMigratesAnOlderFileInPlace) {
    writeVersion1Store();
    EXPECT_EQ(userVersion(), 1);
    {
        auto context = open(version2);
        ASSERT_TRUE(context) << context.error().localizedDescription();
        auto bookmarks =
            (*context)->fetch(FetchRequest("Bookmark", Predicate::equal("Folder.name", "Work")));
        ASSERT_TRUE(bookmarks);
        ASSERT_EQ(bookmarks->size(), 1u);
        auto intranet = bookmarks->front();
        EXPECT_EQ(intranet->value("url"), base::Value("https://intranet.example"));
        EXPECT_TRUE(intranet->value("visits").isNull());
        intranet->setValue("visits", 3);
        intranet->setValue("added", base::Date(1000));
        auto work = intranet->relatedObject("Folder");
        ASSERT_TRUE(work);
        auto sub = (*context)->insertNewObject("Folder");
        sub->setValue("name", "Sub");
        sub->setRelatedObject("Parent", work);
        (*context)->insertNewObject("Tab")->setValue("title", "a tab");
        auto saved = (*context)->save();
        ASSERT_TRUE(saved) << saved.error().localizedDescription();
    }
    EXPECT_EQ(userVersion(), 2);

    // Opening again with the same model changes nothing in the file.
    auto before = fileBytes();
    auto context = open(version2);
    ASSERT_TRUE(context);
    EXPECT_EQ(fileBytes(), before);
    auto intranet = (*context)->fetch(FetchRequest("Bookmark"));
    ASSERT_TRUE(intranet);
    ASSERT_EQ(intranet->size(), 1u);
    EXPECT_EQ(intranet->front()->value("visits"), base::Value(3));
    auto sub = (*context)->fetch(FetchRequest("Folder", Predicate::equal("Parent.name", "Work")));
    ASSERT_TRUE(sub);
    ASSERT_EQ(sub->size(), 1u);
    EXPECT_EQ(sub->front()->value("name"), base::Value("Sub"));
    auto tabs = (*context)->fetch(FetchRequest("Tab"));
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->size(), 1u);
    context = base::Error();

    // The older model cannot take the newer file back.
    expectRefused(version1, store::PersistentStoreIncompatibleVersionHashError, "version 2");
}

TEST_F(StoreSchemaTest, ChangesThatWouldLoseDataAreRefusedAndTheFileKept) {
    writeVersion1Store();
    std::string json = version1;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string changed = json;
        changed.replace(changed.find(from), from.size(), to);
        changed.replace(changed.find("\"version\": 1"), 12, "\"version\": 2");
        return changed;
    };
    expectRefused(
        replaced(R"({"name": "url", "type": "string"})", R"({"name": "url", "type": "data"})"),
        store::PersistentStoreIncompatibleVersionHashError, "Bookmark.url");
    expectRefused(replaced(R"(, {"name": "url", "type": "string"})", ""),
                  store::PersistentStoreIncompatibleVersionHashError, "Bookmark.url");
    expectRefused(replaced(R"({"name": "name", "type": "string"}],
     "relationships": [{"name": "bookmarks")",
                           R"({"name": "title", "type": "string"}],
     "relationships": [{"name": "bookmarks")"),
                  store::PersistentStoreIncompatibleVersionHashError, "Folder.name");

    // The file still opens with its own model, data and all.
    auto context = open(version1);
    ASSERT_TRUE(context);
    auto bookmarks = (*context)->fetch(FetchRequest("Bookmark"));
    ASSERT_TRUE(bookmarks);
    EXPECT_EQ(bookmarks->size(), 1u);
}

TEST_F(StoreSchemaTest, DamagedAndForeignFilesAreRefused) {
    {
        std::ofstream(path_) << "These are notes, not a database. They are long enough to hold a "
                                "header's worth of bytes, which SQLite reads first.";
    }
    expectRefused(version1, store::FileReadCorruptFileError, path_.string());

    std::filesystem::remove(path_);
    {
        auto raw = store::SQLiteDatabase::open(path_);
        ASSERT_TRUE(raw);
        ASSERT_TRUE(raw->execute("CREATE TABLE notes (text TEXT)"));
        ASSERT_TRUE(raw->execute("INSERT INTO notes VALUES ('keep me')"));
    }
    expectRefused(version1, store::PersistentStoreInvalidTypeError, "not a store");

    // A store that no longer says what it holds.
    std::filesystem::remove(path_);
    writeVersion1Store();
    {
        auto raw = store::SQLiteDatabase::open(path_);
        ASSERT_TRUE(raw);
        ASSERT_TRUE(raw->execute("DELETE FROM _store_metadata"));
    }
    expectRefused(version1, store::FileReadCorruptFileError, "model");

    auto missing =
        Context::open(homeDirectory() / "no such folder" / "Browser.sqlite", model(version1));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, store::PersistentStoreOpenError);
}

TEST_F(StoreSchemaTest, DamagedPagesAreFoundOnOpen) {
    {
        auto context = open(version1);
        ASSERT_TRUE(context);
        for (int i = 0; i < 300; ++i) {
            auto bookmark = (*context)->insertNewObject("Bookmark");
            bookmark->setValue("name", "bookmark " + std::to_string(i));
            bookmark->setValue("url", "https://example.com/" + std::string(100, 'x'));
        }
        ASSERT_TRUE((*context)->save());
    }
    auto bytes = fileBytes();
    ASSERT_GT(bytes.size(), 4u * 4096);
    std::vector<std::uint8_t> damaged = bytes.vector();
    for (std::size_t i = 2 * 4096; i < 4 * 4096; ++i)
        damaged[i] = std::uint8_t(i * 7);
    ASSERT_TRUE(base::writeFileAtomically(path_, base::Data(damaged)));
    expectRefused(version1, store::FileReadCorruptFileError, "damaged");
}

// An empty or new file gets its tables with its first save, in the same transaction; other
// contexts opened on it before then find them, and their rows, once written.
TEST_F(StoreSchemaTest, EmptyFileBecomesAStoreWithItsFirstSave) {
    { std::ofstream touch(path_); }
    auto first = open(version1);
    ASSERT_TRUE(first) << first.error().localizedDescription();
    auto reader = open(version1);
    auto writer = open(version1);
    ASSERT_TRUE(reader && writer);
    ASSERT_TRUE((*reader)->fetch(FetchRequest("Folder")));
    EXPECT_TRUE(fileBytes().empty()) << "opening or fetching wrote to the file";

    (*first)->insertNewObject("Folder")->setValue("name", "Work");
    auto saved = (*first)->save();
    ASSERT_TRUE(saved) << saved.error().localizedDescription();
    EXPECT_EQ(userVersion(), 1);

    auto seen = (*reader)->fetch(FetchRequest("Folder"));
    ASSERT_TRUE(seen) << seen.error().localizedDescription();
    ASSERT_EQ(seen->size(), 1u);
    EXPECT_EQ(seen->front()->value("name"), base::Value("Work"));

    // This one still believes the file new when it saves.
    (*writer)->insertNewObject("Folder")->setValue("name", "Home");
    saved = (*writer)->save();
    ASSERT_TRUE(saved) << saved.error().localizedDescription();
    auto reopened = open(version1);
    ASSERT_TRUE(reopened);
    auto folders = (*reopened)->fetch(FetchRequest("Folder"));
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->size(), 2u);
}

TEST(StoreSchema, QuotesIdentifiers) {
    EXPECT_EQ(store::StoreSchema::quote("Folder"), "\"Folder\"");
    EXPECT_EQ(store::StoreSchema::quote("a\"b"), "\"a\"\"b\"");
}

} // namespace
