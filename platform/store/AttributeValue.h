#pragma once

#include "platform/base/Value.h"
#include "platform/store/Model.h"

#include <optional>

namespace store {

class SQLiteStatement;

// How attribute values are kept in memory and in SQLite columns.
//   string  ↔ TEXT       integer ↔ INTEGER     double ↔ REAL
//   bool    ↔ INTEGER 0/1                      date   ↔ REAL seconds since 1970
//   data    ↔ BLOB       null    ↔ NULL

// Turns the value into what an attribute of the type holds: null, or the type's own kind of
// value; numbers convert between integer, double and bool when nothing is lost. False, and the
// value left as it was, when the attribute cannot hold it.
bool makeAttributeValue(AttributeType type, base::Value& value);

// Whether a condition may compare an attribute of the type with the value: null, or a value
// of the same family (any number for integer, double and bool attributes).
bool isComparable(AttributeType type, const base::Value& value);

// Reads a column as an attribute of the type.
base::Value columnValue(AttributeType type, const SQLiteStatement& statement, int column);

// Orders two values of one attribute as SQLite orders its columns: null first, then numbers by
// value, text and bytes byte for byte, dates by time. Negative, zero or positive.
int compareAttributeValues(const base::Value& left, const base::Value& right);

} // namespace store
