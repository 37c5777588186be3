#pragma once

#include "platform/base/Result.h"
#include "platform/base/Value.h"

#include <string>
#include <string_view>
#include <vector>

namespace store {

// A condition on the objects of a fetch. A comparison tests the value at a key path: an
// attribute ("name"), or a walk through to-one relationships ending in an attribute or a to-one
// relationship ("Folder.name", "Parent"). A walk that meets a missing relationship yields nil,
// so "Folder.name == nil" holds for a bookmark with no folder as well as for one whose folder
// has no name. Relationships themselves can only be compared with nil. Comparisons are exact:
// strings match byte for byte, with letter case. Values are always handed to the database as
// bound parameters; names are checked against the model when the fetch runs.
class Predicate {
public:
    enum class Kind { Comparison, And, Or, Not };
    enum class Operator { Equal, NotEqual };

    static Predicate equal(std::string keyPath, base::Value value);
    static Predicate notEqual(std::string keyPath, base::Value value);
    // All of them hold (true when there are none).
    static Predicate conjunction(std::vector<Predicate> subpredicates);
    // One of them holds (false when there are none).
    static Predicate disjunction(std::vector<Predicate> subpredicates);
    static Predicate negation(Predicate subpredicate);

    // Reads the condition text of the forms the browser writes, such as "Parent == nil",
    // "Folder.name == %@" and "Parent.name == %@ AND NOT (name != %@)": key paths, the
    // operators == (or =) and != (or <>), AND (&&), OR (||), NOT (!) and parentheses. A value
    // is nil (or NULL) or %@, which takes the next argument. Literal values are not accepted:
    // they belong in the arguments. Keywords are read in any letter case.
    static base::Result<Predicate> parse(std::string_view format,
                                         std::vector<base::Value> arguments = {});

    Kind kind() const { return kind_; }
    // Comparisons only.
    Operator comparisonOperator() const { return operator_; }
    const std::string& keyPath() const { return keyPath_; }
    const base::Value& value() const { return value_; }
    // And, Or, Not.
    const std::vector<Predicate>& subpredicates() const { return subpredicates_; }

    // The condition as text, for logs: `Folder.name == "Work"`, `Parent == nil`.
    std::string description() const;

    bool operator==(const Predicate&) const = default;

private:
    Kind kind_ = Kind::And;
    Operator operator_ = Operator::Equal;
    std::string keyPath_;
    base::Value value_;
    std::vector<Predicate> subpredicates_;
};

} // namespace store
