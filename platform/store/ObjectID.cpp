#include "platform/store/ObjectID.h"

namespace store {

const std::string& ObjectID::entityName() const {
    static const std::string none;
    return entityName_ ? *entityName_ : none;
}

std::string ObjectID::uriRepresentation() const {
    return "x-store:///" + entityName() + (temporary_ ? "/t" : "/p") + std::to_string(number_);
}

std::strong_ordering operator<=>(const ObjectID& left, const ObjectID& right) {
    if (auto order = left.entityName().compare(right.entityName()); order != 0)
        return order < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    if (auto order = left.temporary_ <=> right.temporary_; order != 0)
        return order;
    return left.number_ <=> right.number_;
}

} // namespace store
