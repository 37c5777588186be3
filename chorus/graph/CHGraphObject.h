#pragma once

#include "platform/base/Value.h"

#include <string>
#include <string_view>
#include <vector>

// One object of the server's data (a user, for one): a dictionary of the answer's fields, with
// typed accessors for the fields the client reads.
class CHGraphObject {
public:
    CHGraphObject() = default;
    explicit CHGraphObject(base::Value::Dictionary fields)
        : fields_(std::move(fields)) {}

    const base::Value::Dictionary& dictionary() const { return fields_; }
    // The field's value; null when absent.
    const base::Value& objectForKey(std::string_view key) const;

    // A user's identifier: the "id" field as text (a number in the answer reads as its
    // decimal digits); empty when there is none.
    std::string id() const;
    // A user's display name: the "name" field; empty when it is not text.
    std::string name() const;

    // The users of a list answer, {"data": [{"id": …, "name": …}, …]}, in the answer's order.
    // Entries that are not objects or have no identifier are left out: nobody could pick them.
    static std::vector<CHGraphObject> usersFromListResult(const base::Value& result);

    bool operator==(const CHGraphObject&) const = default;

private:
    base::Value::Dictionary fields_;
};
