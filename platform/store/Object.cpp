#include "platform/store/Object.h"

#include "platform/store/AttributeValue.h"
#include "platform/store/Context.h"

#include <stdexcept>

namespace store {

Object::Object(Key, std::weak_ptr<Context> context, std::shared_ptr<const Model> model,
               const Model::Entity& entity, std::int64_t temporaryNumber)
    : context_(std::move(context))
    , model_(std::move(model))
    , entity_(&entity)
    , key_{entity.index, true, temporaryNumber}
    , values_(entity.attributes.size())
    , links_(entity.relationships.size()) {}

Object::Object(Key, std::weak_ptr<Context> context, std::shared_ptr<const Model> model,
               const Model::Entity& entity, std::int64_t row, std::vector<base::Value> values,
               std::vector<std::optional<RowKey>> links)
    : context_(std::move(context))
    , model_(std::move(model))
    , entity_(&entity)
    , key_{entity.index, false, row}
    , values_(std::move(values))
    , links_(std::move(links)) {}

ObjectID Object::objectID() const {
    return ObjectID(std::shared_ptr<const std::string>(model_, &entity_->name), key_.number,
                    key_.temporary);
}

std::string Object::uri(const RowKey& key) const {
    return ObjectID(
               std::shared_ptr<const std::string>(model_, &model_->entities()[key.entity].name),
               key.number, key.temporary)
        .uriRepresentation();
}

std::size_t Object::attributeIndex(std::string_view key) const {
    auto index = entity_->attributeIndex(key);
    if (!index)
        throw std::invalid_argument("The entity " + entity_->name + " has no attribute \"" +
                                    std::string(key) + "\"");
    return *index;
}

std::size_t Object::toOneIndex(std::string_view key) const {
    auto index = entity_->relationshipIndex(key);
    if (!index || entity_->relationships[*index].toMany)
        throw std::invalid_argument("The entity " + entity_->name +
                                    " has no to-one relationship \"" + std::string(key) + "\"");
    return *index;
}

void Object::willChange() {
    // A new object is held by its context until it is saved anyway, and has no saved values to
    // keep.
    if (state_ == State::Inserted)
        return;
    if (auto context = context_.lock())
        context->objectWillChange(shared_from_this());
}

const base::Value& Object::value(std::string_view key) const {
    return values_[attributeIndex(key)];
}

void Object::setValue(std::string_view key, base::Value value) {
    std::size_t index = attributeIndex(key);
    const Model::Attribute& attribute = entity_->attributes[index];
    if (!makeAttributeValue(attribute.type, value))
        throw std::invalid_argument("The attribute " + entity_->name + "." + attribute.name + " (" +
                                    std::string(Model::typeName(attribute.type)) +
                                    ") cannot hold " + value.description());
    willChange();
    values_[index] = std::move(value);
}

std::shared_ptr<Object> Object::relatedObject(std::string_view key) const {
    const auto& link = links_[toOneIndex(key)];
    if (!link)
        return nullptr;
    auto context = context_.lock();
    return context ? context->objectWithKey(*link) : nullptr;
}

void Object::setRelatedObject(std::string_view key, const std::shared_ptr<Object>& destination) {
    std::size_t index = toOneIndex(key);
    const Model::Relationship& relationship = entity_->relationships[index];
    if (destination) {
        auto context = context_.lock();
        if (!context || destination->context_.lock() != context)
            throw std::invalid_argument("The destination of " + entity_->name + "." +
                                        relationship.name + " belongs to another context");
        if (destination->entity_->index != relationship.destinationIndex)
            throw std::invalid_argument(
                "The destination of " + entity_->name + "." + relationship.name + " must be a " +
                relationship.destination + ", not a " + destination->entity_->name);
        if (destination->isDeleted())
            throw std::invalid_argument("The destination of " + entity_->name + "." +
                                        relationship.name + " has been deleted");
    }
    willChange();
    links_[index] = destination ? std::optional<RowKey>(destination->rowKey()) : std::nullopt;
}

bool Object::isUpdated() const {
    return state_ == State::Saved && hasSnapshot_ &&
           (values_ != savedValues_ || links_ != savedLinks_);
}

bool Object::hasChanges() const {
    return state_ == State::Inserted || state_ == State::Deleted || isUpdated();
}

std::string Object::description() const {
    std::string text = "<" + entity_->name + " " + objectID().uriRepresentation() + ">";
    if (state_ == State::Removed || state_ == State::Deleted)
        return text + " (deleted)";
    text += " {";
    for (std::size_t i = 0; i < entity_->attributes.size(); ++i) {
        const base::Value& value = values_[i];
        text += " " + entity_->attributes[i].name + " = " +
                (value.isNull()     ? std::string("nil")
                 : value.isString() ? "\"" + *value.string() + "\""
                                    : value.description()) +
                ";";
    }
    for (std::size_t i = 0; i < entity_->relationships.size(); ++i) {
        if (entity_->relationships[i].toMany)
            continue;
        text += " " + entity_->relationships[i].name + " = " +
                (links_[i] ? uri(*links_[i]) : std::string("nil")) + ";";
    }
    return text + " }";
}

} // namespace store
