#pragma once
// ObjectStoreAccess: what the stores of this layer read from an object when
// they write it. Not for use above Platform/objectstore.

#include "Platform/objectstore/ManagedObject.h"

namespace tallo {

class ObjectStoreAccess {
public:
    static const Value& value(const ManagedObject& object, int slot) { return object.values_[static_cast<size_t>(slot)]; }
    static const ObjectSet& set(const ManagedObject& object, int slot) { return object.sets_[static_cast<size_t>(slot)]; }
};

}  // namespace tallo
