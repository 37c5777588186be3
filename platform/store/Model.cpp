#include "platform/store/Model.h"

#include "platform/base/AppHome.h"
#include "platform/base/JSON.h"
#include "platform/base/Strings.h"
#include "platform/store/StoreError.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace store {

namespace {

using Dictionary = base::Value::Dictionary;

struct TypeName {
    AttributeType type;
    std::string_view name;
};

constexpr TypeName typeNames[] = {
    {AttributeType::String, "string"}, {AttributeType::Integer, "integer"},
    {AttributeType::Double, "double"}, {AttributeType::Bool, "bool"},
    {AttributeType::Date, "date"},     {AttributeType::Data, "data"},
};

// Names become SQL identifiers, so only plain ones are accepted.
bool isValidName(std::string_view name) {
    if (name.empty() || name.size() > 128 || !std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return base::lowercaseASCII(name.substr(0, 6)) != "sqlite";
}

const base::Value* member(const Dictionary& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &found->second;
}

base::Error invalid(const std::string& where, const std::string& what) {
    return storeError(FileReadCorruptFileError,
                      "The model is not valid: " + where + (where.empty() ? "" : ": ") + what);
}

std::optional<std::string> unknownMember(const Dictionary& object,
                                         std::initializer_list<std::string_view> known) {
    for (const auto& [key, value] : object) {
        if (key == "comment")
            continue;
        if (std::find(known.begin(), known.end(), key) == known.end())
            return key;
    }
    return std::nullopt;
}

// Reads the "name" member of an entity, attribute or relationship.
std::optional<std::string> readName(const Dictionary& object) {
    const base::Value* name = member(object, "name");
    if (!name || !name->string() || !isValidName(*name->string()))
        return std::nullopt;
    return *name->string();
}

std::optional<base::Error> readAttribute(const base::Value& value, const std::string& where,
                                         Model::Attribute& attribute) {
    const Dictionary* object = value.dictionary();
    if (!object)
        return invalid(where, "an attribute must be an object");
    if (auto unknown = unknownMember(*object, {"name", "type"}))
        return invalid(where, "unknown member \"" + *unknown + "\"");
    auto name = readName(*object);
    if (!name)
        return invalid(where, "an attribute needs a plain name (a letter, then letters, digits "
                              "or underscores)");
    attribute.name = *name;
    const base::Value* type = member(*object, "type");
    if (!type || !type->string())
        return invalid(where + "." + attribute.name, "the attribute has no type");
    auto found = std::find_if(std::begin(typeNames), std::end(typeNames),
                              [&](const TypeName& entry) { return entry.name == *type->string(); });
    if (found == std::end(typeNames))
        return invalid(where + "." + attribute.name, "unknown type \"" + *type->string() + "\"");
    attribute.type = found->type;
    return std::nullopt;
}

std::optional<base::Error> readRelationship(const base::Value& value, const std::string& where,
                                            Model::Relationship& relationship) {
    const Dictionary* object = value.dictionary();
    if (!object)
        return invalid(where, "a relationship must be an object");
    if (auto unknown =
            unknownMember(*object, {"name", "destination", "inverse", "toMany", "deleteRule"}))
        return invalid(where, "unknown member \"" + *unknown + "\"");
    auto name = readName(*object);
    if (!name)
        return invalid(where, "a relationship needs a plain name");
    relationship.name = *name;
    std::string here = where + "." + relationship.name;
    const base::Value* destination = member(*object, "destination");
    if (!destination || !destination->string())
        return invalid(here, "the relationship has no destination");
    relationship.destination = *destination->string();
    const base::Value* inverse = member(*object, "inverse");
    if (!inverse || !inverse->string())
        return invalid(here, "the relationship has no inverse");
    relationship.inverse = *inverse->string();
    if (const base::Value* toMany = member(*object, "toMany")) {
        if (!toMany->isBool())
            return invalid(here, "\"toMany\" must be true or false");
        relationship.toMany = toMany->boolValue();
    }
    if (const base::Value* rule = member(*object, "deleteRule")) {
        if (rule->string() && *rule->string() == "nullify")
            relationship.deleteRule = DeleteRule::Nullify;
        else if (rule->string() && *rule->string() == "cascade")
            relationship.deleteRule = DeleteRule::Cascade;
        else
            return invalid(here, "\"deleteRule\" must be \"nullify\" or \"cascade\"");
    }
    return std::nullopt;
}

std::optional<base::Error> readEntity(const base::Value& value, std::size_t index,
                                      Model::Entity& entity) {
    std::string where = "entity " + std::to_string(index);
    const Dictionary* object = value.dictionary();
    if (!object)
        return invalid(where, "an entity must be an object");
    if (auto unknown = unknownMember(*object, {"name", "attributes", "relationships"}))
        return invalid(where, "unknown member \"" + *unknown + "\"");
    auto name = readName(*object);
    if (!name)
        return invalid(where, "an entity needs a plain name not starting with \"sqlite\"");
    entity.name = *name;
    entity.index = index;
    where = entity.name;

    std::set<std::string> seen;
    auto claim = [&](const std::string& property) {
        return seen.insert(base::lowercaseASCII(property)).second;
    };

    if (const base::Value* attributes = member(*object, "attributes")) {
        if (!attributes->array())
            return invalid(where, "\"attributes\" must be an array");
        for (const base::Value& item : *attributes->array()) {
            Model::Attribute attribute;
            if (auto error = readAttribute(item, where, attribute))
                return error;
            if (!claim(attribute.name))
                return invalid(where, "the name \"" + attribute.name + "\" is used twice");
            entity.attributes.push_back(std::move(attribute));
        }
    }
    if (const base::Value* relationships = member(*object, "relationships")) {
        if (!relationships->array())
            return invalid(where, "\"relationships\" must be an array");
        for (const base::Value& item : *relationships->array()) {
            Model::Relationship relationship;
            if (auto error = readRelationship(item, where, relationship))
                return error;
            if (!claim(relationship.name))
                return invalid(where, "the name \"" + relationship.name + "\" is used twice");
            entity.relationships.push_back(std::move(relationship));
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::size_t> Model::Entity::attributeIndex(std::string_view name) const {
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        if (attributes[i].name == name)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> Model::Entity::relationshipIndex(std::string_view name) const {
    for (std::size_t i = 0; i < relationships.size(); ++i) {
        if (relationships[i].name == name)
            return i;
    }
    return std::nullopt;
}

base::Result<std::shared_ptr<const Model>> Model::fromFile(const std::filesystem::path& path) {
    auto data = base::readFile(path);
    if (!data) {
        return storeError(FileReadNoSuchFileError,
                          "The model file " + path.string() +
                              " cannot be read: " + data.error().localizedDescription(),
                          path);
    }
    auto model = fromJSON(data->toString());
    if (!model) {
        base::Error error = model.error();
        error.userInfo[FilePathErrorKey] = base::Value(path.string());
        error.userInfo[base::Error::localizedDescriptionKey] =
            base::Value(path.string() + ": " + model.error().localizedDescription());
        return error;
    }
    return model;
}

base::Result<std::shared_ptr<const Model>> Model::fromJSON(std::string_view text) {
    auto parsed = base::parseJSON(text);
    if (!parsed)
        return invalid("", parsed.error().localizedDescription());
    const Dictionary* root = parsed->dictionary();
    if (!root)
        return invalid("", "the model must be a JSON object");
    if (auto unknown = unknownMember(*root, {"version", "entities"}))
        return invalid("", "unknown member \"" + *unknown + "\"");

    auto model = std::make_shared<Model>();
    const base::Value* version = member(*root, "version");
    if (!version ||
        (version->type() != base::Value::Type::Integer &&
         version->type() != base::Value::Type::Unsigned) ||
        version->integerValue() < 1)
        return invalid("", "\"version\" must be a positive integer");
    model->version_ = version->integerValue();

    const base::Value* entities = member(*root, "entities");
    if (!entities || !entities->array())
        return invalid("", "\"entities\" must be an array");
    std::set<std::string> entityNames;
    for (const base::Value& item : *entities->array()) {
        Entity entity;
        if (auto error = readEntity(item, model->entities_.size(), entity))
            return *error;
        if (!entityNames.insert(base::lowercaseASCII(entity.name)).second)
            return invalid(entity.name, "the entity is defined twice");
        model->entities_.push_back(std::move(entity));
    }

    // Relationships come in pairs: one to-one side holding the row, one to-many side.
    for (Entity& entity : model->entities_) {
        for (Relationship& relationship : entity.relationships) {
            std::string here = entity.name + "." + relationship.name;
            const Entity* destination = model->entity(relationship.destination);
            if (!destination)
                return invalid(here, "unknown destination \"" + relationship.destination + "\"");
            auto inverseIndex = destination->relationshipIndex(relationship.inverse);
            if (!inverseIndex)
                return invalid(here, "the inverse \"" + relationship.inverse +
                                         "\" is not a relationship of " + destination->name);
            const Relationship& inverse = destination->relationships[*inverseIndex];
            if (inverse.destination != entity.name || inverse.inverse != relationship.name)
                return invalid(here, "its inverse " + destination->name + "." + inverse.name +
                                         " does not point back to it");
            if (inverse.toMany == relationship.toMany)
                return invalid(here, "one side of a relationship must be to-one and the other "
                                     "to-many");
            relationship.destinationIndex = destination->index;
            relationship.inverseIndex = *inverseIndex;
        }
    }
    return std::shared_ptr<const Model>(std::move(model));
}

const Model::Entity* Model::entity(std::string_view name) const {
    for (const Entity& entity : entities_) {
        if (entity.name == name)
            return &entity;
    }
    return nullptr;
}

std::string Model::toJSON() const {
    base::Value::Array entities;
    for (const Entity& entity : entities_) {
        base::Value::Array attributes;
        for (const Attribute& attribute : entity.attributes) {
            attributes.push_back(Dictionary{{"name", attribute.name},
                                            {"type", std::string(typeName(attribute.type))}});
        }
        base::Value::Array relationships;
        for (const Relationship& relationship : entity.relationships) {
            relationships.push_back(Dictionary{
                {"name", relationship.name},
                {"destination", relationship.destination},
                {"inverse", relationship.inverse},
                {"toMany", relationship.toMany},
                {"deleteRule",
                 relationship.deleteRule == DeleteRule::Cascade ? "cascade" : "nullify"}});
        }
        entities.push_back(Dictionary{{"name", entity.name},
                                      {"attributes", std::move(attributes)},
                                      {"relationships", std::move(relationships)}});
    }
    base::Value root(Dictionary{{"version", version_}, {"entities", std::move(entities)}});
    // Every member has a JSON form, so writing cannot fail.
    return base::toJSON(root).valueOr("{}");
}

std::string_view Model::typeName(AttributeType type) {
    for (const TypeName& entry : typeNames) {
        if (entry.type == type)
            return entry.name;
    }
    return "string";
}

} // namespace store
