#pragma once
// FetchRequest: which objects to fetch — an entity (with its sub-entities),
// an optional predicate, sort descriptors, a limit and an offset (0 = none).
// Without sort descriptors the result is in creation order.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/Predicate.h"
#include "Platform/objectstore/SortDescriptor.h"

namespace tallo {

struct FetchRequest {
    std::string entityName;
    std::shared_ptr<const Predicate> predicate;
    std::vector<SortDescriptor> sortDescriptors;
    size_t fetchLimit = 0;
    size_t fetchOffset = 0;
    bool includesSubentities = true;
};

}  // namespace tallo
