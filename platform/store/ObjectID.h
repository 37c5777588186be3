#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace store {

// Names one object of a store: its entity and its row. An object inserted and not yet saved
// has a temporary ID (a number private to its context) until its first successful save gives
// it its row.
class ObjectID {
public:
    ObjectID() = default;
    ObjectID(std::string entityName, std::int64_t number, bool temporary)
        : entityName_(std::move(entityName))
        , temporary_(temporary)
        , number_(number) {}

    const std::string& entityName() const { return entityName_; }
    bool isTemporaryID() const { return temporary_; }
    // The row for a saved object; the context's serial number for a temporary ID.
    std::int64_t number() const { return number_; }

    // "x-store:///Folder/p12" (saved) or "x-store:///Folder/t3" (temporary).
    std::string uriRepresentation() const;

    friend auto operator<=>(const ObjectID&, const ObjectID&) = default;
    friend bool operator==(const ObjectID&, const ObjectID&) = default;

private:
    std::string entityName_;
    bool temporary_ = false;
    std::int64_t number_ = 0;
};

} // namespace store
