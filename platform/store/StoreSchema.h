#pragma once

#include "platform/base/Result.h"
#include "platform/store/Model.h"

#include <string>
#include <string_view>

namespace store {

class SQLiteDatabase;

// How a model lies in an SQLite file, and bringing a file up to a model.
//
// Each entity is a table named after it, with the row number "_id" (never reused), a column
// per attribute and a column per to-one relationship holding the destination's "_id" (with an
// index, since deletes and key paths look rows up by it). To-many relationships have no column.
// The table "_store_metadata" keeps the model the file was last written with, in the model
// file format, and PRAGMA user_version repeats its version number for tools.
class StoreSchema {
public:
    StoreSchema() = delete;

    static constexpr const char* primaryKey = "_id";
    static constexpr const char* metadataTable = "_store_metadata";

    // Makes the file ready for the model; true when it has the model's tables, false for a
    // file with no tables at all (new or empty), which create() fills in later:
    // - a file written with an earlier or equal version of a compatible model gains the tables
    //   and columns of new entities, attributes and to-one relationships, in one transaction;
    // - anything else fails and leaves the file as it was: a damaged file or one that is not a
    //   database (FileReadCorruptFileError), a database this store did not write
    //   (PersistentStoreInvalidTypeError), a file written with a newer model version, or with
    //   entities, attributes or relationships that the model removes or changes
    //   (PersistentStoreIncompatibleVersionHashError), a migration the database refuses
    //   (MigrationError, for instance on a read-only file).
    static base::Result<bool> prepare(const SQLiteDatabase& database, const Model& model);
    // Writes the model's tables into a file that has none, inside the caller's transaction.
    static base::Result<void> create(const SQLiteDatabase& database, const Model& model);
    // Whether the file has any table (another connection may have created them since).
    static base::Result<bool> hasTables(const SQLiteDatabase& database);

    // A name as an SQL identifier. Model names are plain (letters, digits, underscores), so
    // quoting cannot be escaped from; the doubling of quotes is there all the same.
    static std::string quote(std::string_view name);

    // `alias."_id", alias."attribute"…, alias."toOne"…`: the columns an object is read from, in
    // the order attributes and then to-one relationships appear in the entity.
    static std::string selectColumns(const Model::Entity& entity, std::string_view alias);
};

} // namespace store
