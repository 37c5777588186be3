#pragma once

#include "platform/base/Value.h"
#include "platform/store/Model.h"
#include "platform/store/ObjectID.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class Context;

// One object of a store, as its context holds it: the values of its entity's attributes and
// the destinations of its to-one relationships, read and written by key. Changes stay in the
// context until it saves them. A context hands out one Object per stored row, so the same row
// fetched twice is the same Object.
//
// Keys that the entity does not have, and values an attribute cannot hold, are programming
// errors and throw std::invalid_argument. An attribute takes null or its own kind of value;
// numbers convert between integer, double and bool attributes where nothing is lost
// (an integer attribute refuses 1.5).
class Object : public std::enable_shared_from_this<Object> {
    // Only a context makes objects.
    class Key {
        friend class Context;
        Key() = default;
    };
    struct RowKey;

public:
    // A new object with the context's temporary number.
    Object(Key, std::weak_ptr<Context> context, std::shared_ptr<const Model> model,
           const Model::Entity& entity, std::int64_t temporaryNumber);
    // An object read from a row: values and links as the context read them.
    Object(Key, std::weak_ptr<Context> context, std::shared_ptr<const Model> model,
           const Model::Entity& entity, std::int64_t row, std::vector<base::Value> values,
           std::vector<std::optional<RowKey>> links);

    const std::string& entityName() const { return entity_->name; }
    const Model::Entity& entity() const { return *entity_; }
    // Temporary until the object's first save.
    ObjectID objectID() const;
    // The context it belongs to; null once that context is gone.
    std::shared_ptr<Context> context() const { return context_.lock(); }

    // Attributes. The reference holds until the value is next set.
    const base::Value& value(std::string_view key) const;
    void setValue(std::string_view key, base::Value value);

    // To-one relationships: the destination object, or null. Setting one to an object of
    // another context, of the wrong entity, or deleted throws std::invalid_argument.
    std::shared_ptr<Object> relatedObject(std::string_view key) const;
    void setRelatedObject(std::string_view key, const std::shared_ptr<Object>& destination);

    // Inserted and not yet saved.
    bool isInserted() const { return state_ == State::Inserted; }
    // Deleted in its context: waiting for the save that removes its row, or already removed
    // (saved, or inserted and then deleted or rolled back). rollback() brings back an object
    // whose deletion was not saved yet.
    bool isDeleted() const { return state_ == State::Deleted || state_ == State::Removed; }
    // A saved object whose values differ from the saved ones.
    bool isUpdated() const;
    // Something its context would write on save: inserted, deleted (not yet saved) or updated.
    bool hasChanges() const;

    // `<Bookmark x-store:///Bookmark/p3> { name = "News"; url = "…"; Folder = x-store:///Folder/p1
    // }`
    std::string description() const;

private:
    friend class Context;
    friend class FetchQuery;

    enum class State {
        Inserted, // new in the context
        Saved,    // has a row; maybe with changes
        Deleted,  // has a row that the next save removes
        Removed,  // no longer in its context
    };

    // Identity inside a context: the entity by its index in the model, then the row or the
    // temporary number. Links between objects are kept this way; it compares faster than an
    // ObjectID and names the same object.
    struct RowKey {
        std::size_t entity = 0;
        bool temporary = false;
        std::int64_t number = 0;
        friend auto operator<=>(const RowKey&, const RowKey&) = default;
        friend bool operator==(const RowKey&, const RowKey&) = default;
    };

    const RowKey& rowKey() const { return key_; }
    std::string uri(const RowKey& key) const;
    std::size_t attributeIndex(std::string_view key) const;
    std::size_t toOneIndex(std::string_view key) const;
    void willChange();

    std::weak_ptr<Context> context_;
    std::shared_ptr<const Model> model_;
    const Model::Entity* entity_;
    // Its identity, from which its ObjectID is made when asked for (sharing the entity's name
    // with the model rather than copying it into every object).
    RowKey key_;
    State state_ = State::Saved;

    // Current values. Relationship slots hold the destination of to-one relationships; to-many
    // slots stay empty.
    std::vector<base::Value> values_;
    std::vector<std::optional<RowKey>> links_;
    // The values of the row as last read or saved, copied at the first change after that
    // (until then the current values are the saved ones).
    bool hasSnapshot_ = false;
    std::vector<base::Value> savedValues_;
    std::vector<std::optional<RowKey>> savedLinks_;
};

} // namespace store
