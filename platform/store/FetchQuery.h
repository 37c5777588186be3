#pragma once

#include "platform/base/Result.h"
#include "platform/base/Value.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Model.h"
#include "platform/store/Object.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace store {

// A fetch request checked against a model, ready to run either as SQL on the saved rows or in
// memory on objects. Both give the same answer for the same data: the SQL walks key paths
// with LEFT JOINs, so a missing relationship yields NULL just as the in-memory walk yields nil,
// and compares with IS / IS NOT, which treat NULL as a value just as the in-memory comparison
// does.
class FetchQuery {
public:
    // Fails with PersistentStoreOperationError when the entity, a key path or a sort key is not
    // in the model, a relationship is compared with something other than nil, or a value cannot
    // be compared with its attribute.
    static base::Result<FetchQuery> compile(const Model& model, const FetchRequest& request);

    const Model::Entity& entity() const { return *entity_; }
    // The entities whose objects the answer depends on: the fetched one and those that key
    // paths reach.
    const std::set<std::size_t>& entitiesRead() const { return entitiesRead_; }
    std::size_t fetchLimit() const { return fetchLimit_; }

    // SELECT of the entity's columns (StoreSchema::selectColumns) with the condition, the sort
    // order (then the row number) and the limit; values to bind in order.
    const std::string& sql() const { return sql_; }
    const std::vector<base::Value>& bindings() const { return bindings_; }

    // Finds the object a to-one relationship points at; null when there is none.
    using Resolver = std::function<std::shared_ptr<Object>(const Object::RowKey&)>;
    bool matches(const Object& object, const Resolver& resolve) const;
    // Sort order of two objects: negative, zero (same place) or positive.
    int compare(const Object& left, const Object& right, const Resolver& resolve) const;

private:
    struct KeyPath {
        // The to-one relationships walked, as indices in each entity along the way.
        std::vector<std::size_t> steps;
        // The last key: an attribute of the entity reached, or a to-one relationship.
        bool endsInRelationship = false;
        std::size_t index = 0;
        AttributeType type = AttributeType::String;
        // The SQL expression of the column.
        std::string column;
    };
    struct Node {
        Predicate::Kind kind = Predicate::Kind::And;
        bool equal = true;
        KeyPath path;
        base::Value value;
        std::vector<Node> children;
    };
    struct Sort {
        KeyPath path;
        bool ascending = true;
    };

    class Builder;

    bool evaluate(const Node& node, const Object& object, const Resolver& resolve) const;
    // The value at the end of the key path; for a relationship, whether it is set (a bool) or
    // null.
    base::Value valueAt(const KeyPath& path, const Object& object, const Resolver& resolve) const;

    const Model* model_ = nullptr;
    const Model::Entity* entity_ = nullptr;
    std::set<std::size_t> entitiesRead_;
    std::optional<Node> condition_;
    std::vector<Sort> sorts_;
    std::size_t fetchLimit_ = 0;
    std::string sql_;
    std::vector<base::Value> bindings_;
};

} // namespace store
