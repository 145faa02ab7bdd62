#pragma once
// ObjectSet: the objects of a to-many relationship, kept in creation order
// (by primary key), without duplicates. Adding the newest object is O(1);
// membership is a binary search.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/objectstore/Value.h"

namespace tallo {

class ObjectSet {
public:
    bool contains(const ManagedObject* object) const;
    // False when already there / not there.
    bool insert(ManagedObject* object);
    bool erase(const ManagedObject* object);
    void clear() { objects_.clear(); }

    size_t size() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }
    auto begin() const { return objects_.begin(); }
    auto end() const { return objects_.end(); }
    const ObjectList& objects() const { return objects_; }

    friend bool operator==(const ObjectSet& a, const ObjectSet& b) { return a.objects_ == b.objects_; }

private:
    ObjectList::const_iterator find(const ManagedObject* object) const;
    ObjectList objects_;
};

}  // namespace tallo
