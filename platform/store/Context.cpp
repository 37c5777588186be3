#include "platform/store/Context.h"

#include "platform/store/AttributeValue.h"
#include "platform/store/FetchQuery.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreSchema.h"

#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <stdexcept>

namespace store {

namespace {

std::string selectAll(const Model::Entity& entity, const std::string& condition) {
    return "SELECT " + StoreSchema::selectColumns(entity, "t") + " FROM " +
           StoreSchema::quote(entity.name) + " AS t" + condition + " ORDER BY t." +
           StoreSchema::quote(StoreSchema::primaryKey);
}

std::string insertSQL(const Model::Entity& entity) {
    std::string columns;
    std::string values;
    auto add = [&](const std::string& name) {
        columns += (columns.empty() ? "" : ", ") + StoreSchema::quote(name);
        values += values.empty() ? "?" : ", ?";
    };
    for (const auto& attribute : entity.attributes)
        add(attribute.name);
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany)
            add(relationship.name);
    }
    std::string table = "INSERT INTO " + StoreSchema::quote(entity.name);
    if (columns.empty())
        return table + " DEFAULT VALUES";
    return table + " (" + columns + ") VALUES (" + values + ")";
}

std::string updateSQL(const Model::Entity& entity) {
    std::string assignments;
    auto add = [&](const std::string& name) {
        assignments += (assignments.empty() ? "" : ", ") + StoreSchema::quote(name) + " = ?";
    };
    for (const auto& attribute : entity.attributes)
        add(attribute.name);
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany)
            add(relationship.name);
    }
    return "UPDATE " + StoreSchema::quote(entity.name) + " SET " + assignments + " WHERE " +
           StoreSchema::quote(StoreSchema::primaryKey) + " = ?";
}

} // namespace

Context::Context(Key, SQLiteDatabase database, std::shared_ptr<const Model> model, bool hasTables)
    : database_(std::move(database))
    , model_(std::move(model))
    , hasTables_(hasTables)
    , inserted_(model_->entities().size()) {}

base::Result<std::shared_ptr<Context>> Context::open(const std::filesystem::path& path,
                                                     std::shared_ptr<const Model> model) {
    if (!model)
        return storeError(PersistentStoreOpenError,
                          "The store file " + path.string() + " cannot be opened without a model",
                          path);
    auto database = SQLiteDatabase::open(path);
    if (!database)
        return database.error();
    auto ready = StoreSchema::prepare(*database, *model);
    if (!ready)
        return ready.error();
    return std::make_shared<Context>(Key{}, std::move(*database), std::move(model), *ready);
}

std::string Context::description() const {
    return "<store::Context " + path().string() + ">";
}

// MARK: - Objects

std::shared_ptr<Object> Context::registered(const RowKey& key) const {
    auto found = registry_.find(key);
    return found == registry_.end() ? nullptr : found->second.lock();
}

void Context::registerObject(const std::shared_ptr<Object>& object) {
    registry_[object->rowKey()] = object;
    sweepRegistry();
}

void Context::sweepRegistry() {
    if (registry_.size() > 2 * registrySizeAfterSweep_ + 64) {
        std::erase_if(registry_, [](const auto& entry) { return entry.second.expired(); });
        registrySizeAfterSweep_ = registry_.size();
    }
}

void Context::objectWillChange(const std::shared_ptr<Object>& object) {
    // An inserted object is held already, and has no saved values to keep.
    if (object->state_ == Object::State::Removed || object->state_ == Object::State::Inserted)
        return;
    if (!object->hasSnapshot_) {
        object->savedValues_ = object->values_;
        object->savedLinks_ = object->links_;
        object->hasSnapshot_ = true;
    }
    pending_[object->rowKey()] = object;
}

std::shared_ptr<Object> Context::insertNewObject(std::string_view entityName) {
    const Model::Entity* entity = model_->entity(entityName);
    if (!entity)
        throw std::invalid_argument("The model has no entity \"" + std::string(entityName) + "\"");
    auto object = std::make_shared<Object>(Object::Key{}, weak_from_this(), model_, *entity,
                                           nextTemporaryNumber_++);
    object->state_ = Object::State::Inserted;
    registry_.insert_or_assign(object->rowKey(), object);
    sweepRegistry();
    Inserted& inserted = inserted_[entity->index];
    inserted.objects.push_back(object);
    ++inserted.live;
    return object;
}

std::shared_ptr<Object> Context::materialize(const Model::Entity& entity,
                                             const SQLiteStatement& statement) {
    int column = 0;
    RowKey key{entity.index, false, statement.int64(column++)};
    std::vector<base::Value> values;
    values.reserve(entity.attributes.size());
    for (const auto& attribute : entity.attributes)
        values.push_back(columnValue(attribute.type, statement, column++));
    std::vector<std::optional<RowKey>> links(entity.relationships.size());
    for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
        const auto& relationship = entity.relationships[i];
        if (relationship.toMany)
            continue;
        if (!statement.isNull(column))
            links[i] = RowKey{relationship.destinationIndex, false, statement.int64(column)};
        ++column;
    }

    // The object already handed out for the row, or the place for a new one.
    auto [place, added] = registry_.try_emplace(key);
    if (!added) {
        if (auto existing = place->second.lock()) {
            // Unsaved changes win over the row; an object without any follows the row.
            if (existing->state_ == Object::State::Saved && !existing->isUpdated()) {
                existing->values_ = std::move(values);
                existing->links_ = std::move(links);
                existing->hasSnapshot_ = false;
                existing->savedValues_.clear();
                existing->savedLinks_.clear();
            }
            return existing;
        }
    }
    auto object = std::make_shared<Object>(Object::Key{}, weak_from_this(), model_, entity,
                                           key.number, std::move(values), std::move(links));
    place->second = object;
    return object;
}

base::Result<std::vector<std::shared_ptr<Object>>>
Context::runQuery(const Model::Entity& entity, const std::string& sql,
                  const std::vector<base::Value>& bindings) {
    auto tables = tablesWritten();
    if (!tables)
        return tables.error();
    if (!*tables)
        return std::vector<std::shared_ptr<Object>>();
    auto lease = statements_.statement(sql);
    if (!lease)
        return lease.error();
    SQLiteStatement* statement = &**lease;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (int result = statement->bind(int(i + 1), bindings[i]); result != SQLITE_OK)
            return database_.error(result, "binding a value");
    }
    // Now rather than while rows are read, which would find every object just read alive.
    sweepRegistry();
    std::vector<std::shared_ptr<Object>> objects;
    while (true) {
        int result = statement->step();
        if (result == SQLITE_DONE)
            break;
        if (result != SQLITE_ROW)
            return database_.error(result, "reading " + entity.name + " rows");
        objects.push_back(materialize(entity, *statement));
    }
    return objects;
}

base::Result<bool> Context::tablesWritten() {
    if (hasTables_)
        return true;
    auto exist = StoreSchema::hasTables(database_);
    if (!exist || !*exist)
        return exist;
    // Another context wrote them: check them as opening the file would have.
    statements_.clear();
    auto prepared = StoreSchema::prepare(database_, *model_);
    if (!prepared)
        return prepared.error();
    hasTables_ = *prepared;
    return hasTables_;
}

base::Result<void> Context::writeTablesIfNeeded() {
    if (hasTables_)
        return {};
    auto exist = StoreSchema::hasTables(database_);
    if (!exist)
        return exist.error();
    statements_.clear();
    if (!*exist)
        return StoreSchema::create(database_, *model_);
    // Another context wrote them since this one looked: check them (a migration needs a
    // transaction of its own), then start again.
    if (auto ended = database_.execute("ROLLBACK"); !ended)
        return ended;
    auto prepared = StoreSchema::prepare(database_, *model_);
    if (!prepared)
        return prepared.error();
    hasTables_ = *prepared;
    if (auto begun = database_.execute("BEGIN IMMEDIATE"); !begun)
        return begun;
    return hasTables_ ? base::Result<void>() : StoreSchema::create(database_, *model_);
}

base::Result<std::shared_ptr<Object>> Context::loadObject(const RowKey& key) {
    if (key.temporary || key.entity >= model_->entities().size())
        return std::shared_ptr<Object>();
    const Model::Entity& entity = model_->entities()[key.entity];
    auto rows = runQuery(
        entity,
        selectAll(entity, " WHERE t." + StoreSchema::quote(StoreSchema::primaryKey) + " = ?"),
        {base::Value(key.number)});
    if (!rows)
        return rows.error();
    return rows->empty() ? std::shared_ptr<Object>() : rows->front();
}

std::shared_ptr<Object> Context::objectWithKey(const RowKey& key) {
    if (auto object = registered(key))
        return object;
    // A link to a row that cannot be read counts as no link.
    auto loaded = loadObject(key);
    return loaded ? *loaded : nullptr;
}

// MARK: - Fetching

bool Context::hasChangesIn(const std::set<std::size_t>& entities) const {
    for (std::size_t entity : entities)
        if (inserted_[entity].live)
            return true;
    return std::any_of(pending_.begin(), pending_.end(), [&](const auto& entry) {
        return entities.count(entry.first.entity) && entry.second->hasChanges();
    });
}

base::Result<std::vector<std::shared_ptr<Object>>> Context::fetch(const FetchRequest& request) {
    auto query = FetchQuery::compile(*model_, request);
    if (!query)
        return query.error();
    const Model::Entity& entity = query->entity();
    if (!hasChangesIn(query->entitiesRead()))
        return runQuery(entity, query->sql(), query->bindings());

    // Unsaved changes can change the answer: read every row of the entities involved (held
    // here so that key paths find them) and test the objects as they are in memory.
    std::vector<std::shared_ptr<Object>> held;
    std::vector<std::shared_ptr<Object>> candidates;
    for (std::size_t index : query->entitiesRead()) {
        const Model::Entity& read = model_->entities()[index];
        auto rows = runQuery(read, selectAll(read, ""), {});
        if (!rows)
            return rows.error();
        if (index == entity.index)
            candidates = *rows;
        held.insert(held.end(), rows->begin(), rows->end());
    }
    // Inserted objects come after the saved ones, in the order of insertion (temporary numbers
    // grow with each insertion).
    for (const auto& object : inserted_[entity.index].objects)
        if (object)
            candidates.push_back(object);

    auto resolve = [this](const RowKey& key) { return objectWithKey(key); };
    std::vector<std::shared_ptr<Object>> results;
    for (const auto& object : candidates) {
        if (!object->isDeleted() && query->matches(*object, resolve))
            results.push_back(object);
    }
    std::stable_sort(results.begin(), results.end(), [&](const auto& left, const auto& right) {
        return query->compare(*left, *right, resolve) < 0;
    });
    if (query->fetchLimit() && results.size() > query->fetchLimit())
        results.resize(query->fetchLimit());
    return results;
}

// MARK: - Deleting

void Context::deleteObject(const std::shared_ptr<Object>& object) {
    if (!object)
        return;
    if (object->context_.lock().get() != this)
        throw std::invalid_argument("The object " + object->objectID().uriRepresentation() +
                                    " belongs to another context");
    if (object->isDeleted())
        return;
    markDeleted(object);
    if (!propagateDeletion(object))
        unpropagated_.push_back(object);
}

void Context::markDeleted(const std::shared_ptr<Object>& object) {
    if (object->state_ == Object::State::Inserted) {
        // Never saved: it simply leaves the context.
        Inserted& inserted = inserted_[object->key_.entity];
        auto place =
            std::lower_bound(inserted.objects.begin(), inserted.objects.end(), object->key_.number,
                             [](const auto& held, std::int64_t number) {
                                 return held && held->key_.number < number;
                             });
        // A null left by an earlier deletion counts as not less, so the search can stop short
        // of the object, never past it.
        while (place != inserted.objects.end() && *place != object)
            ++place;
        if (place != inserted.objects.end()) {
            place->reset();
            --inserted.live;
        }
        registry_.erase(object->rowKey());
        object->state_ = Object::State::Removed;
    } else {
        object->state_ = Object::State::Deleted;
        pending_[object->rowKey()] = object;
    }
}

base::Result<std::vector<std::shared_ptr<Object>>>
Context::objectsLinkingTo(const Model::Entity& source, std::size_t relationship,
                          const RowKey& key) {
    std::vector<std::shared_ptr<Object>> linking;
    std::set<RowKey> seen;
    auto consider = [&](const std::shared_ptr<Object>& object) {
        if (object->links_[relationship] == key && seen.insert(object->rowKey()).second)
            linking.push_back(object);
    };
    // Rows that point at it in the file (their objects may have been changed since)...
    if (!key.temporary) {
        auto rows = runQuery(
            source,
            selectAll(source, " WHERE t." +
                                  StoreSchema::quote(source.relationships[relationship].name) +
                                  " = ?"),
            {base::Value(key.number)});
        if (!rows)
            return rows.error();
        for (const auto& object : *rows)
            consider(object);
    }
    // ...and objects in memory that were pointed at it since the last save.
    std::vector<std::shared_ptr<Object>> inMemory;
    for (const auto& [key, weak] : registry_) {
        if (key.entity != source.index)
            continue;
        if (auto object = weak.lock())
            inMemory.push_back(std::move(object));
    }
    // In key order, as the rows come, so that deletes cascade in the same order every time.
    std::sort(inMemory.begin(), inMemory.end(),
              [](const auto& a, const auto& b) { return a->rowKey() < b->rowKey(); });
    for (const auto& object : inMemory)
        consider(object);
    return linking;
}

base::Result<void> Context::propagateDeletion(const std::shared_ptr<Object>& object) {
    const Model::Entity& entity = *object->entity_;
    for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
        const Model::Relationship& relationship = entity.relationships[i];
        if (!relationship.toMany) {
            // Deleting this side of a to-one leaves nothing pointing at a deleted row; only a
            // cascade reaches the destination.
            const auto& link = object->links_[i];
            if (relationship.deleteRule != DeleteRule::Cascade || !link)
                continue;
            auto destination = registered(*link);
            if (!destination) {
                auto loaded = loadObject(*link);
                if (!loaded)
                    return loaded.error();
                destination = *loaded;
            }
            if (destination)
                deleteObject(destination);
            continue;
        }
        const Model::Entity& source = model_->entities()[relationship.destinationIndex];
        auto linking = objectsLinkingTo(source, relationship.inverseIndex, object->rowKey());
        if (!linking)
            return linking.error();
        for (const auto& other : *linking) {
            if (other->isDeleted())
                continue;
            if (relationship.deleteRule == DeleteRule::Cascade) {
                deleteObject(other);
            } else {
                objectWillChange(other);
                other->links_[relationship.inverseIndex].reset();
            }
        }
    }
    return {};
}

// MARK: - Saving

bool Context::hasChanges() const {
    if (std::any_of(inserted_.begin(), inserted_.end(),
                    [](const Inserted& inserted) { return inserted.live > 0; }))
        return true;
    return std::any_of(pending_.begin(), pending_.end(),
                       [](const auto& entry) { return entry.second->hasChanges(); });
}

// Inserted objects, each entity's in the order of insertion (so rows keep that order), and the
// entities in an order that puts the destination of links between new objects first where
// possible, so those links can be written with the rows. Links that cannot be (links within an
// entity to a later object, or entities that link to each other) are set after all rows exist.
std::vector<const Object*> Context::insertionOrder(const Changes& changes) {
    const auto& byEntity = changes.inserted;
    // Which other entities' new objects each entity's new objects link to.
    std::map<std::size_t, std::set<std::size_t>> dependsOn;
    for (const auto& [entity, objects] : byEntity) {
        auto& targets = dependsOn[entity];
        for (const Object* object : objects) {
            for (const auto& link : object->links_) {
                if (link && link->temporary && link->entity != entity &&
                    byEntity.count(link->entity))
                    targets.insert(link->entity);
            }
        }
    }
    std::vector<const Object*> order;
    while (!dependsOn.empty()) {
        // The first entity with nothing left to wait for; the first of all when they wait on
        // each other.
        auto next = std::find_if(dependsOn.begin(), dependsOn.end(),
                                 [](const auto& entry) { return entry.second.empty(); });
        if (next == dependsOn.end())
            next = dependsOn.begin();
        std::size_t entity = next->first;
        dependsOn.erase(next);
        for (auto& [other, targets] : dependsOn)
            targets.erase(entity);
        const auto& objects = byEntity.at(entity);
        order.insert(order.end(), objects.begin(), objects.end());
    }
    return order;
}

base::Result<void> Context::writeChanges(const Changes& changes, NewRows& newRows) {
    if (auto begun = database_.execute("BEGIN IMMEDIATE"); !begun)
        return begun;
    if (auto tables = writeTablesIfNeeded(); !tables)
        return tables;

    // The row a link names; nullopt for an object that is no longer in the store.
    auto linkRow = [&](const RowKey& link) -> std::optional<std::int64_t> {
        if (!link.temporary)
            return link.number;
        auto found = newRows.find(link.number);
        if (found == newRows.end())
            return std::nullopt;
        return found->second;
    };
    auto lostLink = [&](const Object& object) {
        return storeError(PersistentStoreSaveError,
                          "The object " + object.objectID().uriRepresentation() +
                              " points at an object that is no longer in the store",
                          path());
    };

    // Inserted rows first, so that links between new objects can name their rows.
    struct Fixup {
        const Object* object;
        std::size_t relationship;
    };
    std::vector<Fixup> fixups;
    // Leases end (and their statements are reset) before the commit.
    std::map<std::size_t, StatementCache::Lease> inserts;
    for (const Object* object : insertionOrder(changes)) {
        const Model::Entity& entity = *object->entity_;
        auto statement = inserts.find(entity.index);
        if (statement == inserts.end()) {
            auto prepared = statements_.statement(insertSQL(entity));
            if (!prepared)
                return prepared.error();
            statement = inserts.emplace(entity.index, std::move(*prepared)).first;
        }
        SQLiteStatement& insert = *statement->second;
        insert.reset();
        int parameter = 1;
        // The objects' values stay as they are until the save is over.
        for (const base::Value& value : object->values_)
            insert.bindReferenced(parameter++, value);
        for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
            if (entity.relationships[i].toMany)
                continue;
            const auto& link = object->links_[i];
            auto row = link ? linkRow(*link) : std::nullopt;
            if (row) {
                insert.bindInt64(parameter++, *row);
            } else {
                insert.bindNull(parameter++);
                if (link)
                    fixups.push_back({object, i});
            }
        }
        if (int result = insert.step(); result != SQLITE_DONE)
            return database_.error(result, "inserting " + entity.name + " " +
                                               object->objectID().uriRepresentation());
        newRows[object->key_.number] = database_.lastInsertRowID();
    }

    // Links that ran in a circle among new objects are set once all of them have rows.
    std::map<std::pair<std::size_t, std::size_t>, StatementCache::Lease> linkUpdates;
    for (const Fixup& fixup : fixups) {
        const Model::Entity& entity = *fixup.object->entity_;
        auto row = linkRow(*fixup.object->links_[fixup.relationship]);
        if (!row)
            return lostLink(*fixup.object);
        auto statement = linkUpdates.find({entity.index, fixup.relationship});
        if (statement == linkUpdates.end()) {
            auto prepared = statements_.statement(
                "UPDATE " + StoreSchema::quote(entity.name) + " SET " +
                StoreSchema::quote(entity.relationships[fixup.relationship].name) + " = ? WHERE " +
                StoreSchema::quote(StoreSchema::primaryKey) + " = ?");
            if (!prepared)
                return prepared.error();
            statement =
                linkUpdates
                    .emplace(std::pair(entity.index, fixup.relationship), std::move(*prepared))
                    .first;
        }
        SQLiteStatement& update = *statement->second;
        update.reset();
        update.bindInt64(1, *row);
        update.bindInt64(2, newRows[fixup.object->key_.number]);
        if (int result = update.step(); result != SQLITE_DONE)
            return database_.error(result, "linking " + entity.name + " " +
                                               fixup.object->objectID().uriRepresentation());
    }

    for (const Object* object : changes.updated) {
        const Model::Entity& entity = *object->entity_;
        auto update = statements_.statement(updateSQL(entity));
        if (!update)
            return update.error();
        int parameter = 1;
        for (const base::Value& value : object->values_)
            (*update)->bind(parameter++, value);
        for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
            if (entity.relationships[i].toMany)
                continue;
            const auto& link = object->links_[i];
            if (!link) {
                (*update)->bindNull(parameter++);
                continue;
            }
            auto row = linkRow(*link);
            if (!row)
                return lostLink(*object);
            (*update)->bindInt64(parameter++, *row);
        }
        (*update)->bindInt64(parameter, object->key_.number);
        if (int result = (*update)->step(); result != SQLITE_DONE)
            return database_.error(result, "updating " + entity.name + " " +
                                               object->objectID().uriRepresentation());
        if (database_.changes() != 1)
            return storeError(PersistentStoreSaveError,
                              "The row of " + object->objectID().uriRepresentation() +
                                  " is no longer in the store file",
                              path());
    }

    for (const Object* object : changes.deleted) {
        auto remove =
            statements_.statement("DELETE FROM " + StoreSchema::quote(object->entity_->name) +
                                  " WHERE " + StoreSchema::quote(StoreSchema::primaryKey) + " = ?");
        if (!remove)
            return remove.error();
        (*remove)->bindInt64(1, object->key_.number);
        if (int result = (*remove)->step(); result != SQLITE_DONE)
            return database_.error(result, "deleting " + object->objectID().uriRepresentation());
    }

    inserts.clear();
    linkUpdates.clear();
    if (auto committed = database_.execute("COMMIT"); !committed)
        return committed;
    hasTables_ = true;
    return {};
}

base::Result<void> Context::save() {
    // Delete rules that could not be applied when the objects were deleted go first: saving
    // without them could leave rows pointing at deleted ones.
    while (!unpropagated_.empty()) {
        if (auto applied = propagateDeletion(unpropagated_.back()); !applied)
            return storeErrorWithContext(applied.error(), PersistentStoreSaveError,
                                         "Saving the store " + path().string());
        unpropagated_.pop_back();
    }
    // Objects changed and changed back have nothing to write.
    Changes changes;
    std::size_t insertedCount = 0;
    for (std::size_t entity = 0; entity < inserted_.size(); ++entity) {
        Inserted& inserted = inserted_[entity];
        if (!inserted.live) {
            inserted.objects.clear();
            continue;
        }
        auto& objects = changes.inserted[entity];
        objects.reserve(inserted.live);
        for (const auto& object : inserted.objects)
            if (object)
                objects.push_back(object.get());
        insertedCount += objects.size();
    }
    for (auto it = pending_.begin(); it != pending_.end();) {
        Object& object = *it->second;
        if (object.state_ == Object::State::Deleted) {
            changes.deleted.push_back(&object);
        } else if (object.isUpdated()) {
            changes.updated.push_back(&object);
        } else {
            object.hasSnapshot_ = false;
            object.savedValues_.clear();
            object.savedLinks_.clear();
            it = pending_.erase(it);
            continue;
        }
        ++it;
    }
    if (pending_.empty() && !insertedCount)
        return {};

    NewRows newRows;
    newRows.reserve(insertedCount);
    if (auto written = writeChanges(changes, newRows); !written) {
        if (database_.inTransaction())
            (void)database_.execute("ROLLBACK");
        return storeErrorWithContext(written.error(), PersistentStoreSaveError,
                                     "Saving the store " + path().string());
    }

    // Written: the objects take their rows, and the context forgets the changes.
    std::vector<std::shared_ptr<Object>> saved;
    saved.reserve(insertedCount + pending_.size());
    for (auto& inserted : inserted_) {
        for (auto& object : inserted.objects)
            if (object)
                saved.push_back(std::move(object));
        inserted.objects.clear();
        inserted.live = 0;
    }
    for (auto& [key, object] : pending_)
        saved.push_back(std::move(object));
    pending_.clear();
    for (const auto& object : saved) {
        if (object->state_ == Object::State::Inserted) {
            // The registry's entry moves to the row's key; its node is reused.
            auto entry = registry_.extract(object->rowKey());
            object->key_ = RowKey{object->key_.entity, false, newRows[object->key_.number]};
            object->state_ = Object::State::Saved;
            if (entry) {
                entry.key() = object->rowKey();
                registry_.insert(std::move(entry));
            } else {
                registerObject(object);
            }
        } else if (object->state_ == Object::State::Deleted) {
            registry_.erase(object->rowKey());
            object->state_ = Object::State::Removed;
        }
    }
    // Only objects with unsaved changes can point at a temporary number, and every one of those
    // was just saved.
    for (const auto& object : saved) {
        for (auto& link : object->links_) {
            if (link && link->temporary) {
                auto found = newRows.find(link->number);
                link = found == newRows.end()
                           ? std::nullopt
                           : std::optional<RowKey>(RowKey{link->entity, false, found->second});
            }
        }
        object->hasSnapshot_ = false;
        object->savedValues_.clear();
        object->savedLinks_.clear();
    }
    return {};
}

void Context::rollback() {
    unpropagated_.clear();
    std::vector<std::shared_ptr<Object>> changed;
    for (auto& inserted : inserted_) {
        for (auto& object : inserted.objects)
            if (object)
                changed.push_back(std::move(object));
        inserted.objects.clear();
        inserted.live = 0;
    }
    for (auto& [key, object] : pending_)
        changed.push_back(std::move(object));
    pending_.clear();
    for (const auto& object : changed) {
        if (object->state_ == Object::State::Inserted) {
            registry_.erase(object->rowKey());
            object->state_ = Object::State::Removed;
            continue;
        }
        object->state_ = Object::State::Saved;
        if (object->hasSnapshot_) {
            object->values_ = std::move(object->savedValues_);
            object->links_ = std::move(object->savedLinks_);
            object->hasSnapshot_ = false;
            object->savedValues_.clear();
            object->savedLinks_.clear();
        }
    }
}

} // namespace store
