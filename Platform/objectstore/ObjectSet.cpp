#include "Platform/objectstore/ObjectSet.h"

#include "Platform/objectstore/ManagedObject.h"

namespace tallo {

namespace {

bool before(const ManagedObject* a, const ManagedObject* b) {
    // Creation order; objects of one set all come from one table.
    return a->primaryKey() < b->primaryKey();
}

}  // namespace

ObjectList::const_iterator ObjectSet::find(const ManagedObject* object) const {
    auto found = std::lower_bound(objects_.begin(), objects_.end(), object, before);
    if (found != objects_.end() && *found == object) return found;
    return objects_.end();
}

bool ObjectSet::contains(const ManagedObject* object) const { return find(object) != objects_.end(); }

bool ObjectSet::insert(ManagedObject* object) {
    if (objects_.empty() || before(objects_.back(), object)) {
        objects_.push_back(object);  // the usual case: the newest object
        return true;
    }
    auto position = std::lower_bound(objects_.begin(), objects_.end(), object, before);
    if (position != objects_.end() && *position == object) return false;
    objects_.insert(position, object);
    return true;
}

bool ObjectSet::erase(const ManagedObject* object) {
    auto found = find(object);
    if (found == objects_.end()) return false;
    objects_.erase(found);
    return true;
}

}  // namespace tallo
