#pragma once
// ObjectStoreAccess: what the stores of this layer read from an object when
// they write it. Not for use above Platform/objectstore.

#include "Platform/objectstore/ManagedObject.h"

namespace tallo {

class ObjectStoreAccess {
public:
    // The value of an attribute slot, in place (text binds without a copy).
    static const Value& attribute(const ManagedObject& object, int slot) {
        if (object.hollow_) object.refill();
        return object.values_[static_cast<size_t>(object.entity_->storageIndex(slot))];
    }
    // The target of a to-one slot, or nullptr.
    static ManagedObject* toOne(const ManagedObject& object, int slot) {
        return object.toOnes_[static_cast<size_t>(object.entity_->storageIndex(slot))];
    }
    static const ObjectSet& set(const ManagedObject& object, int slot) { return object.sets_[static_cast<size_t>(slot)]; }
};

}  // namespace tallo
