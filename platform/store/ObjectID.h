#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>

namespace store {

// Names one object of a store: its entity and its row. An object inserted and not yet saved
// has a temporary ID (a number private to its context) until its first successful save gives
// it its row.
class ObjectID {
public:
    ObjectID() = default;
    ObjectID(std::string entityName, std::int64_t number, bool temporary)
        : ObjectID(std::make_shared<const std::string>(std::move(entityName)), number, temporary) {}
    // The entity's name shared with whoever keeps it alive (a model), rather than copied.
    ObjectID(std::shared_ptr<const std::string> entityName, std::int64_t number, bool temporary)
        : entityName_(std::move(entityName))
        , temporary_(temporary)
        , number_(number) {}

    const std::string& entityName() const;
    bool isTemporaryID() const { return temporary_; }
    // The row for a saved object; the context's serial number for a temporary ID.
    std::int64_t number() const { return number_; }

    // "x-store:///Folder/p12" (saved) or "x-store:///Folder/t3" (temporary).
    std::string uriRepresentation() const;

    // By entity name, then temporary or not, then number.
    friend std::strong_ordering operator<=>(const ObjectID& left, const ObjectID& right);
    friend bool operator==(const ObjectID& left, const ObjectID& right) {
        return (left <=> right) == 0;
    }

private:
    std::shared_ptr<const std::string> entityName_;
    bool temporary_ = false;
    std::int64_t number_ = 0;
};

} // namespace store
