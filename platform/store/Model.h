#pragma once

#include "platform/base/Result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

enum class AttributeType { String, Integer, Double, Bool, Date, Data };

// What deleting an object does to the objects at the other end of one of its relationships.
enum class DeleteRule {
    Nullify, // they stay, and no longer point at the deleted object
    Cascade, // they are deleted too, by their own rules in turn
};

// The entities of a store, read from a JSON model file:
//
//   { "version": 2,
//     "entities": [
//       { "name": "Folder",
//         "attributes": [ { "name": "name", "type": "string" } ],
//         "relationships": [
//           { "name": "Parent", "destination": "Folder", "inverse": "subfolders",
//             "deleteRule": "nullify" },
//           { "name": "subfolders", "destination": "Folder", "toMany": true,
//             "inverse": "Parent", "deleteRule": "cascade" } ] } ] }
//
// "version" is a positive integer that grows with each release of the model; a store file
// remembers the version and the entities it was written with. Attribute types are "string",
// "integer", "double", "bool", "date" and "data"; every attribute may be null. Each
// relationship names its inverse, and of the two one is to-one (stored as a column holding the
// destination's row) and the other to-many ("toMany": true, stored nowhere: it is the set of
// rows pointing back). "deleteRule" ("nullify" when absent, or "cascade") says what deleting the
// owner does to the destination objects. A "comment" member may appear in any object and is
// ignored; any other unknown member is an error, so a misspelt key cannot pass unnoticed.
// Names start with a letter and hold letters, digits and underscores; they become table and
// column names, so two names that differ only in letter case are refused.
class Model {
public:
    struct Attribute {
        std::string name;
        AttributeType type = AttributeType::String;
    };

    struct Relationship {
        std::string name;
        std::string destination;
        std::string inverse;
        bool toMany = false;
        DeleteRule deleteRule = DeleteRule::Nullify;
        // Resolved when the model is loaded: the destination entity and, within it, the
        // inverse relationship.
        std::size_t destinationIndex = 0;
        std::size_t inverseIndex = 0;
    };

    struct Entity {
        std::string name;
        std::size_t index = 0;
        std::vector<Attribute> attributes;
        std::vector<Relationship> relationships;

        std::optional<std::size_t> attributeIndex(std::string_view name) const;
        std::optional<std::size_t> relationshipIndex(std::string_view name) const;
    };

    static base::Result<std::shared_ptr<const Model>> fromFile(const std::filesystem::path& path);
    static base::Result<std::shared_ptr<const Model>> fromJSON(std::string_view text);

    std::int64_t version() const { return version_; }
    const std::vector<Entity>& entities() const { return entities_; }
    const Entity* entity(std::string_view name) const;

    // The model in the file format, without comments: what a store file keeps to know later
    // what it holds.
    std::string toJSON() const;

    static std::string_view typeName(AttributeType type);

private:
    std::int64_t version_ = 0;
    std::vector<Entity> entities_;
};

} // namespace store
