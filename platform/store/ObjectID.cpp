#include "platform/store/ObjectID.h"

namespace store {

std::string ObjectID::uriRepresentation() const {
    return "x-store:///" + entityName_ + (temporary_ ? "/t" : "/p") + std::to_string(number_);
}

} // namespace store
