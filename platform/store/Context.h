#pragma once

#include "platform/base/Result.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Model.h"
#include "platform/store/Object.h"
#include "platform/store/ObjectID.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StatementCache.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store {

// The objects of one store file, and the changes made to them since the last save. Used on
// one thread only (the main thread in the browser).
//
// Identity: a context hands out one Object per row for as long as anyone holds it, so fetching
// the same row twice gives the same Object (with its unsaved changes). Objects with unsaved
// changes are held by the context until they are saved or rolled back.
//
// Unsaved changes and fetches: a fetch answers as if the unsaved changes were saved. Inserted
// objects that meet the condition are in the answer, deleted ones are not, and changed values
// (including those reached through key paths, such as a renamed folder for "Folder.name") are
// tested with their new values. When no object of an entity the fetch reads has unsaved
// changes, the fetch runs entirely in SQLite; otherwise it reads those entities' rows and
// tests them in memory.
//
// Deleting applies the relationships' delete rules at once, so fetches and rollback see their
// effect: for each relationship of the deleted object, a "cascade" rule deletes the objects at
// the other end and a "nullify" rule clears the other end's to-one link to it.
class Context : public std::enable_shared_from_this<Context> {
    class Key {
        friend class Context;
        Key() = default;
    };

public:
    Context(Key, SQLiteDatabase database, std::shared_ptr<const Model> model, bool hasTables);
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Opens the store file at `path` for the model: creates the file when it is missing (its
    // tables are written by the first save, in the same transaction as its objects), migrates a
    // file written with an older compatible model, and refuses a damaged or incompatible file with
    // an error that says why (see StoreSchema::prepare). The folder must exist.
    static base::Result<std::shared_ptr<Context>> open(const std::filesystem::path& path,
                                                       std::shared_ptr<const Model> model);

    const Model& model() const { return *model_; }
    const std::filesystem::path& path() const { return database_.path(); }

    // A new object of the entity, with null values, inserted into the context (saved by the
    // next save). An entity the model does not have throws std::invalid_argument.
    std::shared_ptr<Object> insertNewObject(std::string_view entityName);

    // The objects the request asks for. Fails when the request does not fit the model
    // (unknown entity or key, a relationship compared with a value) or the file cannot be read.
    base::Result<std::vector<std::shared_ptr<Object>>> fetch(const FetchRequest& request);

    // Marks the object deleted (an inserted object simply leaves the context) and applies the
    // delete rules. Deleting a deleted object does nothing; an object of another context throws
    // std::invalid_argument.
    void deleteObject(const std::shared_ptr<Object>& object);

    // Writes every change in one SQLite transaction: all of it or, on failure, none of it. A
    // failed save (a read-only or full disk, a vanished folder) returns the error and keeps
    // every change in the context for the next save. Saving without changes touches nothing.
    base::Result<void> save();

    // Forgets every unsaved change: inserted objects leave the context, deleted objects come
    // back, changed values return to their saved ones.
    void rollback();

    bool hasChanges() const;

    // `<store::Context /path/to/Browser.sqlite>`, for logs.
    std::string description() const;

private:
    friend class Object;

    // Object bookkeeping.
    using RowKey = Object::RowKey;
    void objectWillChange(const std::shared_ptr<Object>& object);
    std::shared_ptr<Object> registered(const RowKey& key) const;
    void registerObject(const std::shared_ptr<Object>& object);
    // Forgets objects nobody holds any more, now and then, so the registry stays the size of
    // what is in use.
    void sweepRegistry();
    std::shared_ptr<Object> objectWithKey(const RowKey& key);
    base::Result<std::shared_ptr<Object>> loadObject(const RowKey& key);
    struct RowKeyHash {
        std::size_t operator()(const RowKey& key) const {
            return std::hash<std::int64_t>()(key.number) ^
                   (key.entity << 1 | std::size_t(key.temporary)) * 0x9E3779B97F4A7C15ull;
        }
    };
    using Registry = std::unordered_map<RowKey, std::weak_ptr<Object>, RowKeyHash>;
    // The object of the row the statement stands on (columns as StoreSchema::selectColumns),
    // refreshed from the row unless it has unsaved changes.
    std::shared_ptr<Object> materialize(const Model::Entity& entity,
                                        const SQLiteStatement& statement);
    base::Result<std::vector<std::shared_ptr<Object>>>
    runQuery(const Model::Entity& entity, const std::string& sql,
             const std::vector<base::Value>& bindings);
    // Whether the file has its tables: a new file gets them with its first save, unless
    // another context on the same file has written them since.
    base::Result<bool> tablesWritten();
    // Inside the save's transaction: the tables, for a file that has none yet.
    base::Result<void> writeTablesIfNeeded();

    // Deletion.
    void markDeleted(const std::shared_ptr<Object>& object);
    base::Result<void> propagateDeletion(const std::shared_ptr<Object>& object);
    base::Result<std::vector<std::shared_ptr<Object>>>
    objectsLinkingTo(const Model::Entity& source, std::size_t relationship, const RowKey& key);

    // Fetching with unsaved changes.
    bool hasChangesIn(const std::set<std::size_t>& entities) const;

    // What a save writes, sorted out in one walk over the pending objects.
    struct Changes {
        // Inserted objects by entity, each entity's in the order of insertion.
        std::map<std::size_t, std::vector<const Object*>> inserted;
        std::vector<const Object*> updated;
        std::vector<const Object*> deleted;
    };
    static std::vector<const Object*> insertionOrder(const Changes& changes);
    // The rows given to inserted objects, by their temporary numbers.
    using NewRows = std::unordered_map<std::int64_t, std::int64_t>;
    base::Result<void> writeChanges(const Changes& changes, NewRows& newRows);

    SQLiteDatabase database_;
    // Prepared once per SQL text; forgotten when the tables change.
    StatementCache statements_{database_};
    std::shared_ptr<const Model> model_;
    bool hasTables_ = false;
    // Every object handed out and still held somewhere.
    Registry registry_;
    std::size_t registrySizeAfterSweep_ = 0;
    // Inserted objects, held until save or rollback: by entity, each entity's in the order of
    // insertion (and so of temporary numbers). An inserted object deleted again leaves a null.
    struct Inserted {
        std::vector<std::shared_ptr<Object>> objects;
        std::size_t live = 0;
    };
    std::vector<Inserted> inserted_;
    // Saved objects with unsaved changes (or that had some), held until save or rollback.
    std::map<RowKey, std::shared_ptr<Object>> pending_;
    // Deleted objects whose delete rules could not be applied yet (the file could not be
    // read); save applies them first.
    std::vector<std::shared_ptr<Object>> unpropagated_;
    std::int64_t nextTemporaryNumber_ = 1;
};

} // namespace store
