#include "platform/store/StoreSchema.h"

#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StoreError.h"

#include <set>
#include <sqlite3.h>
#include <vector>

namespace store {

namespace {

std::string_view columnType(AttributeType type) {
    switch (type) {
    case AttributeType::String:
        return "TEXT";
    case AttributeType::Integer:
    case AttributeType::Bool:
        return "INTEGER";
    case AttributeType::Double:
    case AttributeType::Date:
        return "REAL";
    case AttributeType::Data:
        return "BLOB";
    }
    return "BLOB";
}

std::string addColumn(const Model::Entity& entity, std::string_view column, std::string_view type) {
    return "ALTER TABLE " + StoreSchema::quote(entity.name) + " ADD COLUMN " +
           StoreSchema::quote(column) + " " + std::string(type);
}

// A dot cannot appear in a model name, so "Entity.relationship" names no other index.
std::string createIndex(const Model::Entity& entity, const Model::Relationship& relationship) {
    return "CREATE INDEX " + StoreSchema::quote(entity.name + "." + relationship.name) + " ON " +
           StoreSchema::quote(entity.name) + " (" + StoreSchema::quote(relationship.name) + ")";
}

void appendCreateEntity(const Model::Entity& entity, std::vector<std::string>& steps) {
    std::string sql = "CREATE TABLE " + StoreSchema::quote(entity.name) + " (" +
                      StoreSchema::quote(StoreSchema::primaryKey) +
                      " INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const auto& attribute : entity.attributes)
        sql += ", " + StoreSchema::quote(attribute.name) + " " +
               std::string(columnType(attribute.type));
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany)
            sql += ", " + StoreSchema::quote(relationship.name) + " INTEGER";
    }
    steps.push_back(sql + ")");
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany)
            steps.push_back(createIndex(entity, relationship));
    }
}

bool isCorruption(int code) {
    int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

base::Error openError(const SQLiteDatabase& database, const base::Error& error) {
    auto found = error.userInfo.find(SQLiteErrorCodeKey);
    int code = found == error.userInfo.end() ? 0 : int(found->second.integerValue());
    if (isCorruption(code))
        return storeError(FileReadCorruptFileError,
                          "The store file " + database.path().string() +
                              " is damaged or is not a database: " + error.localizedDescription(),
                          database.path(), code);
    return storeErrorWithContext(error, PersistentStoreOpenError,
                                 "The store file " + database.path().string() +
                                     " cannot be opened");
}

// Runs a query and hands each row to `row`.
template <class Row>
base::Result<void> eachRow(const SQLiteDatabase& database, std::string_view sql, Row row) {
    auto statement = database.prepare(sql);
    if (!statement)
        return statement.error();
    while (true) {
        int result = statement->step();
        if (result == SQLITE_DONE)
            return {};
        if (result != SQLITE_ROW)
            return database.error(result, "reading the store");
        row(*statement);
    }
}

base::Result<void> checkIntegrity(const SQLiteDatabase& database) {
    std::vector<std::string> problems;
    auto checked = eachRow(database, "PRAGMA quick_check",
                           [&](const SQLiteStatement& row) { problems.push_back(row.text(0)); });
    if (!checked)
        return openError(database, checked.error());
    if (problems.size() != 1 || problems.front() != "ok") {
        std::string details = problems.empty() ? std::string("no answer") : problems.front();
        return storeError(FileReadCorruptFileError,
                          "The store file " + database.path().string() + " is damaged: " + details,
                          database.path(), SQLITE_CORRUPT);
    }
    return {};
}

base::Error incompatible(const SQLiteDatabase& database, const std::string& why) {
    return storeError(PersistentStoreIncompatibleVersionHashError,
                      "The store file " + database.path().string() +
                          " cannot be opened with this model: " + why,
                      database.path());
}

// The steps that take a file from the stored model to the new one, or why there are none.
base::Result<std::vector<std::string>> migrationSteps(const SQLiteDatabase& database,
                                                      const Model& stored, const Model& model) {
    if (stored.version() > model.version())
        return incompatible(
            database, "it was written with model version " + std::to_string(stored.version()) +
                          ", newer than this model's version " + std::to_string(model.version()));
    std::vector<std::string> steps;
    for (const auto& old : stored.entities()) {
        const Model::Entity* entity = model.entity(old.name);
        if (!entity)
            return incompatible(database, "the entity " + old.name + " is missing from the model");
        for (const auto& attribute : old.attributes) {
            auto index = entity->attributeIndex(attribute.name);
            if (!index)
                return incompatible(database, "the attribute " + old.name + "." + attribute.name +
                                                  " is missing from the model");
            if (entity->attributes[*index].type != attribute.type)
                return incompatible(
                    database, "the attribute " + old.name + "." + attribute.name +
                                  " changes from " + std::string(Model::typeName(attribute.type)) +
                                  " to " +
                                  std::string(Model::typeName(entity->attributes[*index].type)));
        }
        for (const auto& relationship : old.relationships) {
            auto index = entity->relationshipIndex(relationship.name);
            if (!index)
                return incompatible(database, "the relationship " + old.name + "." +
                                                  relationship.name + " is missing from the model");
            const auto& now = entity->relationships[*index];
            if (now.destination != relationship.destination || now.toMany != relationship.toMany)
                return incompatible(database, "the relationship " + old.name + "." +
                                                  relationship.name +
                                                  " changes its destination or its kind");
        }
        for (const auto& attribute : entity->attributes) {
            if (!old.attributeIndex(attribute.name))
                steps.push_back(addColumn(*entity, attribute.name, columnType(attribute.type)));
        }
        for (const auto& relationship : entity->relationships) {
            if (relationship.toMany || old.relationshipIndex(relationship.name))
                continue;
            steps.push_back(addColumn(*entity, relationship.name, "INTEGER"));
            steps.push_back(createIndex(*entity, relationship));
        }
    }
    for (const auto& entity : model.entities()) {
        if (!stored.entity(entity.name))
            appendCreateEntity(entity, steps);
    }
    return steps;
}

// Runs the steps and records the model, inside the caller's transaction.
base::Result<void> writeSteps(const SQLiteDatabase& database, const std::vector<std::string>& steps,
                              const Model& model, bool createMetadata) {
    if (createMetadata) {
        auto created =
            database.execute("CREATE TABLE " + StoreSchema::quote(StoreSchema::metadataTable) +
                             " (\"key\" TEXT PRIMARY KEY NOT NULL, \"value\" TEXT NOT NULL)");
        if (!created)
            return created;
    }
    for (const std::string& step : steps) {
        if (auto done = database.execute(step); !done)
            return done;
    }
    auto record = database.prepare("INSERT OR REPLACE INTO " +
                                   StoreSchema::quote(StoreSchema::metadataTable) +
                                   " (\"key\", \"value\") VALUES ('model', ?)");
    if (!record)
        return record.error();
    record->bind(1, base::Value(model.toJSON()));
    if (int result = record->step(); result != SQLITE_DONE)
        return database.error(result, "recording the model");
    // The version is a number from the model, not text from outside.
    return database.execute("PRAGMA user_version = " + std::to_string(model.version()));
}

// Runs the steps and records the model, all or nothing.
base::Result<void> apply(const SQLiteDatabase& database, const std::vector<std::string>& steps,
                         const Model& model) {
    auto run = [&]() -> base::Result<void> {
        if (auto begun = database.execute("BEGIN IMMEDIATE"); !begun)
            return begun;
        if (auto written = writeSteps(database, steps, model, false); !written)
            return written;
        return database.execute("COMMIT");
    };
    auto result = run();
    if (!result && database.inTransaction())
        (void)database.execute("ROLLBACK");
    return result;
}

base::Result<std::set<std::string>> tableNames(const SQLiteDatabase& database) {
    std::set<std::string> tables;
    auto listed = eachRow(database,
                          "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                          "'sqlite\\_%' ESCAPE '\\'",
                          [&](const SQLiteStatement& row) { tables.insert(row.text(0)); });
    if (!listed)
        return listed.error();
    return tables;
}

// Every table and column the model needs is there.
base::Result<void> verifyTables(const SQLiteDatabase& database, const Model& model) {
    for (const auto& entity : model.entities()) {
        std::set<std::string> columns;
        auto read = eachRow(database, "PRAGMA table_info(" + StoreSchema::quote(entity.name) + ")",
                            [&](const SQLiteStatement& row) { columns.insert(row.text(1)); });
        if (!read)
            return openError(database, read.error());
        std::vector<std::string> expected{StoreSchema::primaryKey};
        for (const auto& attribute : entity.attributes)
            expected.push_back(attribute.name);
        for (const auto& relationship : entity.relationships) {
            if (!relationship.toMany)
                expected.push_back(relationship.name);
        }
        for (const auto& column : expected) {
            if (!columns.count(column))
                return storeError(
                    FileReadCorruptFileError,
                    "The store file " + database.path().string() + " is damaged: " +
                        (columns.empty() ? "the table " + entity.name + " is missing"
                                         : "the table " + entity.name + " has no column " + column),
                    database.path());
        }
    }
    return {};
}

} // namespace

std::string StoreSchema::quote(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string StoreSchema::selectColumns(const Model::Entity& entity, std::string_view alias) {
    std::string prefix = std::string(alias) + ".";
    std::string columns = prefix + quote(primaryKey);
    for (const auto& attribute : entity.attributes)
        columns += ", " + prefix + quote(attribute.name);
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany)
            columns += ", " + prefix + quote(relationship.name);
    }
    return columns;
}

base::Result<bool> StoreSchema::hasTables(const SQLiteDatabase& database) {
    auto tables = tableNames(database);
    if (!tables)
        return openError(database, tables.error());
    return !tables->empty();
}

base::Result<void> StoreSchema::create(const SQLiteDatabase& database, const Model& model) {
    std::vector<std::string> steps;
    for (const auto& entity : model.entities())
        appendCreateEntity(entity, steps);
    if (auto created = writeSteps(database, steps, model, true); !created)
        return storeErrorWithContext(created.error(), PersistentStoreOpenError,
                                     "Creating the store " + database.path().string());
    return {};
}

base::Result<bool> StoreSchema::prepare(const SQLiteDatabase& database, const Model& model) {
    if (auto intact = checkIntegrity(database); !intact)
        return intact.error();

    auto tables = tableNames(database);
    if (!tables)
        return openError(database, tables.error());
    if (tables->empty())
        return false;

    if (!tables->count(metadataTable))
        return storeError(PersistentStoreInvalidTypeError,
                          "The file " + database.path().string() +
                              " is a database, but not a store file",
                          database.path());

    std::optional<std::string> storedText;
    auto read = eachRow(
        database, "SELECT \"value\" FROM " + quote(metadataTable) + " WHERE \"key\" = 'model'",
        [&](const SQLiteStatement& row) { storedText = row.text(0); });
    if (!read)
        return openError(database, read.error());
    if (!storedText)
        return storeError(FileReadCorruptFileError,
                          "The store file " + database.path().string() +
                              " is damaged: it does not record its model",
                          database.path());
    auto stored = Model::fromJSON(*storedText);
    if (!stored)
        return storeError(FileReadCorruptFileError,
                          "The store file " + database.path().string() +
                              " is damaged: its recorded model cannot be read (" +
                              stored.error().localizedDescription() + ")",
                          database.path());

    auto steps = migrationSteps(database, **stored, model);
    if (!steps)
        return steps.error();
    if (!steps->empty() || (*stored)->toJSON() != model.toJSON()) {
        if (auto migrated = apply(database, *steps, model); !migrated)
            return storeErrorWithContext(migrated.error(), MigrationError,
                                         "Migrating the store " + database.path().string() +
                                             " from model version " +
                                             std::to_string((*stored)->version()) + " to " +
                                             std::to_string(model.version()));
    }
    if (auto verified = verifyTables(database, model); !verified)
        return verified.error();
    return true;
}

} // namespace store
