#include "platform/store/FetchQuery.h"

#include "platform/store/AttributeValue.h"
#include "platform/store/Object.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreSchema.h"

#include <map>

namespace store {

namespace {

base::Error invalidRequest(const FetchRequest& request, const std::string& what) {
    return storeError(PersistentStoreOperationError,
                      "The fetch of " + request.entityName + " is not valid: " + what);
}

std::vector<std::string> splitKeyPath(const std::string& keyPath) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = keyPath.find('.', start);
        parts.push_back(keyPath.substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos)
            return parts;
        start = dot + 1;
    }
}

} // namespace

// Resolves key paths against the model and writes the SQL, one LEFT JOIN per distinct walk
// through relationships. Every identifier in the SQL text comes from the model; what the
// request names is only used to look the model up.
class FetchQuery::Builder {
public:
    Builder(const Model& model, const FetchRequest& request, FetchQuery& query)
        : model_(model)
        , request_(request)
        , query_(query) {}

    base::Result<KeyPath> keyPath(const std::string& text, bool forSorting) {
        const Model::Entity* entity = query_.entity_;
        std::string alias = "t";
        std::vector<std::size_t> walked;
        KeyPath path;
        auto parts = splitKeyPath(text);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::string& key = parts[i];
            bool last = i + 1 == parts.size();
            if (last) {
                if (auto attribute = entity->attributeIndex(key)) {
                    path.index = *attribute;
                    path.type = entity->attributes[*attribute].type;
                    path.column =
                        alias + "." + StoreSchema::quote(entity->attributes[*attribute].name);
                    return path;
                }
            }
            auto relationship = entity->relationshipIndex(key);
            if (!relationship)
                return invalidRequest(request_, "the key path \"" + text + "\" names \"" + key +
                                                    "\", which " + entity->name +
                                                    (last ? " has as neither attribute nor "
                                                            "relationship"
                                                          : " has as no relationship"));
            const Model::Relationship& step = entity->relationships[*relationship];
            if (step.toMany)
                return invalidRequest(request_, "the key path \"" + text +
                                                    "\" goes through the to-many relationship " +
                                                    entity->name + "." + step.name);
            if (last) {
                if (forSorting)
                    return invalidRequest(request_,
                                          "the sort key \"" + text + "\" must end in an attribute");
                path.endsInRelationship = true;
                path.index = *relationship;
                path.column = alias + "." + StoreSchema::quote(step.name);
                return path;
            }
            path.steps.push_back(*relationship);
            walked.push_back(*relationship);
            alias = join(walked, alias, step);
            entity = &model_.entities()[step.destinationIndex];
            query_.entitiesRead_.insert(entity->index);
        }
        return invalidRequest(request_, "empty key path");
    }

    base::Result<Node> condition(const Predicate& predicate) {
        Node node;
        node.kind = predicate.kind();
        switch (predicate.kind()) {
        case Predicate::Kind::Comparison: {
            auto path = keyPath(predicate.keyPath(), false);
            if (!path)
                return path.error();
            node.path = std::move(*path);
            node.equal = predicate.comparisonOperator() == Predicate::Operator::Equal;
            node.value = predicate.value();
            std::string test = node.path.column + (node.equal ? " IS " : " IS NOT ");
            if (node.path.endsInRelationship) {
                if (!node.value.isNull())
                    return invalidRequest(request_, "the relationship \"" + predicate.keyPath() +
                                                        "\" can only be compared with nil");
                where_ += test + "NULL";
            } else {
                if (!isComparable(node.path.type, node.value))
                    return invalidRequest(
                        request_, "the " + std::string(Model::typeName(node.path.type)) + " at \"" +
                                      predicate.keyPath() + "\" cannot be compared with " +
                                      node.value.description());
                where_ += test + "?";
                query_.bindings_.push_back(node.value);
            }
            return node;
        }
        case Predicate::Kind::Not: {
            where_ += "NOT (";
            auto child = condition(predicate.subpredicates().front());
            if (!child)
                return child;
            where_ += ")";
            node.children.push_back(std::move(*child));
            return node;
        }
        case Predicate::Kind::And:
        case Predicate::Kind::Or: {
            const auto& subpredicates = predicate.subpredicates();
            if (subpredicates.empty()) {
                where_ += predicate.kind() == Predicate::Kind::And ? "1" : "0";
                return node;
            }
            where_ += "(";
            for (std::size_t i = 0; i < subpredicates.size(); ++i) {
                if (i)
                    where_ += predicate.kind() == Predicate::Kind::And ? " AND " : " OR ";
                auto child = condition(subpredicates[i]);
                if (!child)
                    return child;
                node.children.push_back(std::move(*child));
            }
            where_ += ")";
            return node;
        }
        }
        return node;
    }

    std::string sql(bool hasCondition) const {
        std::string sql = "SELECT " + StoreSchema::selectColumns(*query_.entity_, "t") + " FROM " +
                          StoreSchema::quote(query_.entity_->name) + " AS t" + joins_;
        if (hasCondition)
            sql += " WHERE " + where_;
        sql += " ORDER BY ";
        for (const Sort& sort : query_.sorts_)
            sql += sort.path.column + (sort.ascending ? " ASC, " : " DESC, ");
        sql += "t." + StoreSchema::quote(StoreSchema::primaryKey);
        if (query_.fetchLimit_)
            sql += " LIMIT ?";
        return sql;
    }

private:
    std::string join(const std::vector<std::size_t>& walked, const std::string& from,
                     const Model::Relationship& step) {
        auto found = aliases_.find(walked);
        if (found != aliases_.end())
            return found->second;
        std::string alias = "j";
        alias += std::to_string(aliases_.size() + 1);
        aliases_.emplace(walked, alias);
        const Model::Entity& destination = model_.entities()[step.destinationIndex];
        joins_ += " LEFT JOIN " + StoreSchema::quote(destination.name) + " AS " + alias + " ON " +
                  alias + "." + StoreSchema::quote(StoreSchema::primaryKey) + " = " + from + "." +
                  StoreSchema::quote(step.name);
        return alias;
    }

    const Model& model_;
    const FetchRequest& request_;
    FetchQuery& query_;
    std::map<std::vector<std::size_t>, std::string> aliases_;
    std::string joins_;
    std::string where_;
};

base::Result<FetchQuery> FetchQuery::compile(const Model& model, const FetchRequest& request) {
    FetchQuery query;
    query.model_ = &model;
    query.entity_ = model.entity(request.entityName);
    if (!query.entity_)
        return storeError(PersistentStoreOperationError, "The fetch names the entity \"" +
                                                             request.entityName +
                                                             "\", which the model does not have");
    query.entitiesRead_.insert(query.entity_->index);
    query.fetchLimit_ = request.fetchLimit;

    Builder builder(model, request, query);
    if (request.predicate) {
        auto condition = builder.condition(*request.predicate);
        if (!condition)
            return condition.error();
        query.condition_ = std::move(*condition);
    }
    for (const SortDescriptor& descriptor : request.sortDescriptors) {
        auto path = builder.keyPath(descriptor.key, true);
        if (!path)
            return path.error();
        query.sorts_.push_back(Sort{std::move(*path), descriptor.ascending});
    }
    query.sql_ = builder.sql(query.condition_.has_value());
    if (query.fetchLimit_)
        query.bindings_.push_back(base::Value(static_cast<unsigned long long>(query.fetchLimit_)));
    return query;
}

base::Value FetchQuery::valueAt(const KeyPath& path, const Object& object,
                                const Resolver& resolve) const {
    const Object* current = &object;
    std::shared_ptr<Object> holder;
    for (std::size_t step : path.steps) {
        const auto& link = current->links_[step];
        if (!link)
            return base::Value();
        holder = resolve(*link);
        if (!holder)
            return base::Value();
        current = holder.get();
    }
    if (path.endsInRelationship)
        return current->links_[path.index] ? base::Value(true) : base::Value();
    return current->values_[path.index];
}

bool FetchQuery::evaluate(const Node& node, const Object& object, const Resolver& resolve) const {
    switch (node.kind) {
    case Predicate::Kind::Comparison: {
        base::Value value = valueAt(node.path, object, resolve);
        bool same = value.isNull() || node.value.isNull() ? value.isNull() == node.value.isNull()
                                                          : value == node.value;
        return same == node.equal;
    }
    case Predicate::Kind::Not:
        return !evaluate(node.children.front(), object, resolve);
    case Predicate::Kind::And:
        for (const Node& child : node.children) {
            if (!evaluate(child, object, resolve))
                return false;
        }
        return true;
    case Predicate::Kind::Or:
        for (const Node& child : node.children) {
            if (evaluate(child, object, resolve))
                return true;
        }
        return false;
    }
    return false;
}

bool FetchQuery::matches(const Object& object, const Resolver& resolve) const {
    return !condition_ || evaluate(*condition_, object, resolve);
}

int FetchQuery::compare(const Object& left, const Object& right, const Resolver& resolve) const {
    for (const Sort& sort : sorts_) {
        int order = compareAttributeValues(valueAt(sort.path, left, resolve),
                                           valueAt(sort.path, right, resolve));
        if (order != 0)
            return sort.ascending ? order : -order;
    }
    return 0;
}

} // namespace store
