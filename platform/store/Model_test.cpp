#include "platform/base/Bundle.h"
#include "platform/store/Model.h"
#include "platform/store/StoreError.h"

#include <gtest/gtest.h>

namespace {

using store::DeleteRule;
using store::Model;

base::Error modelError(const std::string& json) {
    auto model = Model::fromJSON(json);
    EXPECT_FALSE(model) << json;
    return model ? base::Error() : model.error();
}

// Two entities whose relationships the cases below vary.
std::string pair(const std::string& groupRelationship, const std::string& itemRelationship) {
    return R"({"version": 1, "entities": [
        {"name": "Group", "attributes": [{"name": "title", "type": "string"}],
         "relationships": [)" +
           groupRelationship + R"(]},
        {"name": "Item", "relationships": [)" +
           itemRelationship + "]}]}";
}

TEST(Model, BrowserModelLinksItsEntitiesWithTheirDeleteRules) {
    auto loaded = Model::fromFile(base::Bundle::defaultResourcesDirectory() / "BrowserModel.json");
    ASSERT_TRUE(loaded) << loaded.error().localizedDescription();
    const Model& model = **loaded;
    EXPECT_GE(model.version(), 1);

    const Model::Entity* folder = model.entity("Folder");
    const Model::Entity* bookmark = model.entity("Bookmark");
    const Model::Entity* tab = model.entity("Tab");
    ASSERT_TRUE(folder && bookmark && tab);

    auto parent = folder->relationshipIndex("Parent");
    ASSERT_TRUE(parent);
    const auto& parentRelationship = folder->relationships[*parent];
    EXPECT_FALSE(parentRelationship.toMany);
    EXPECT_EQ(parentRelationship.destination, "Folder");

    auto bookmarkFolder = bookmark->relationshipIndex("Folder");
    ASSERT_TRUE(bookmarkFolder);
    const auto& folderRelationship = bookmark->relationships[*bookmarkFolder];
    EXPECT_FALSE(folderRelationship.toMany);
    EXPECT_EQ(folderRelationship.destinationIndex, folder->index);

    // Deleting a folder takes its bookmarks and sub-folders with it.
    const auto& bookmarks = folder->relationships[folderRelationship.inverseIndex];
    EXPECT_TRUE(bookmarks.toMany);
    EXPECT_EQ(bookmarks.deleteRule, DeleteRule::Cascade);
    const auto& subfolders = folder->relationships[parentRelationship.inverseIndex];
    EXPECT_TRUE(subfolders.toMany);
    EXPECT_EQ(subfolders.deleteRule, DeleteRule::Cascade);
    // Deleting a bookmark or a sub-folder leaves the folder alone.
    EXPECT_EQ(folderRelationship.deleteRule, DeleteRule::Nullify);
    EXPECT_EQ(parentRelationship.deleteRule, DeleteRule::Nullify);
}

TEST(Model, WrittenFormReadsBackToTheSameModel) {
    auto loaded = Model::fromFile(base::Bundle::defaultResourcesDirectory() / "BrowserModel.json");
    ASSERT_TRUE(loaded);
    auto again = Model::fromJSON((*loaded)->toJSON());
    ASSERT_TRUE(again) << again.error().localizedDescription();
    EXPECT_EQ((*again)->toJSON(), (*loaded)->toJSON());
    EXPECT_EQ((*again)->version(), (*loaded)->version());
    EXPECT_EQ((*again)->entities().size(), 3u);
}

TEST(Model, EveryAttributeTypeIsRead) {
    auto model = Model::fromJSON(R"({"version": 3, "entities": [{"name": "Sample", "attributes": [
        {"name": "s", "type": "string"}, {"name": "i", "type": "integer"},
        {"name": "d", "type": "double"}, {"name": "b", "type": "bool"},
        {"name": "t", "type": "date"}, {"name": "x", "type": "data"}]}]})");
    ASSERT_TRUE(model) << model.error().localizedDescription();
    const auto& attributes = (*model)->entity("Sample")->attributes;
    ASSERT_EQ(attributes.size(), 6u);
    EXPECT_EQ(attributes[0].type, store::AttributeType::String);
    EXPECT_EQ(attributes[1].type, store::AttributeType::Integer);
    EXPECT_EQ(attributes[2].type, store::AttributeType::Double);
    EXPECT_EQ(attributes[3].type, store::AttributeType::Bool);
    EXPECT_EQ(attributes[4].type, store::AttributeType::Date);
    EXPECT_EQ(attributes[5].type, store::AttributeType::Data);
    EXPECT_EQ((*model)->version(), 3);
}

TEST(Model, MalformedModelsAreRefusedWithAReason) {
    const std::string items =
        R"({"name": "items", "destination": "Item", "toMany": true, "inverse": "group"})";
    const std::string group = R"({"name": "group", "destination": "Group", "inverse": "items"})";
    ASSERT_TRUE(Model::fromJSON(pair(items, group)));

    EXPECT_EQ(modelError("not json").code, store::FileReadCorruptFileError);
    modelError(R"({"entities": []})");                                             // no version
    modelError(R"({"version": 0, "entities": []})");                               // not positive
    modelError(R"({"version": 1.5, "entities": []})");                             // not an integer
    modelError(R"({"version": 1, "entities": [{"name": "A", "attributes": [
        {"name": "x", "type": "text"}]}]})");                                      // unknown type
    modelError(R"({"version": 1, "entities": [{"name": "A", "atributes": []}]})"); // misspelt
    modelError(R"({"version": 1, "entities": [{"name": "A"}, {"name": "a"}]})");   // same table
    modelError(R"({"version": 1, "entities": [{"name": "A", "attributes": [
        {"name": "x", "type": "string"}, {"name": "X", "type": "integer"}]}]})");  // same column
    modelError(R"({"version": 1, "entities": [{"name": "sqlite_master"}]})");
    modelError(R"({"version": 1, "entities": [{"name": "_hidden"}]})");

    // Names are SQL identifiers: nothing but letters, digits and underscores gets in.
    auto error = modelError(R"({"version": 1, "entities": [{"name": "A", "attributes": [
        {"name": "x\" TEXT); DROP TABLE A; --", "type": "string"}]}]})");
    EXPECT_NE(error.localizedDescription().find("plain name"), std::string::npos)
        << error.localizedDescription();
    modelError(R"({"version": 1, "entities": [{"name": "Book mark"}]})");

    // Relationships must pair up: one to-one side, one to-many side, naming each other.
    modelError(pair(items, ""));
    modelError(pair(R"({"name": "items", "destination": "Nowhere", "toMany": true,
                        "inverse": "group"})",
                    group));
    modelError(pair(items, R"({"name": "group", "destination": "Group", "inverse": "title"})"));
    modelError(pair(R"({"name": "items", "destination": "Item", "inverse": "group"})",
                    group)); // one-to-one
    modelError(pair(R"({"name": "items", "destination": "Item", "toMany": true,
                        "inverse": "group", "deleteRule": "deny"})",
                    group));
}

TEST(Model, MissingModelFileNamesThePath) {
    auto model = Model::fromFile("/nonexistent/Model.json");
    ASSERT_FALSE(model);
    EXPECT_EQ(model.error().code, store::FileReadNoSuchFileError);
    EXPECT_NE(model.error().localizedDescription().find("/nonexistent/Model.json"),
              std::string::npos);
}

} // namespace
