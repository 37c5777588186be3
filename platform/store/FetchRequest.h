#pragma once

#include "platform/store/Predicate.h"
#include "platform/store/SortDescriptor.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace store {

// What to fetch: the objects of one entity that meet the condition (all of them when there is
// none), in the order of the sort descriptors, then in the order they were first saved, with
// objects inserted and not yet saved after them in the order of insertion; at most fetchLimit
// of them when it is not 0.
struct FetchRequest {
    explicit FetchRequest(std::string entityName, std::optional<Predicate> predicate = {})
        : entityName(std::move(entityName))
        , predicate(std::move(predicate)) {}

    std::string entityName;
    std::optional<Predicate> predicate;
    std::vector<SortDescriptor> sortDescriptors;
    std::size_t fetchLimit = 0;
};

} // namespace store
