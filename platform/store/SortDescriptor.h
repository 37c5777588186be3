#pragma once

#include <string>

namespace store {

// One sort key of a fetch: an attribute, or a key path through to-one relationships ending in
// an attribute. Null sorts before any value.
struct SortDescriptor {
    std::string key;
    bool ascending = true;
};

} // namespace store
