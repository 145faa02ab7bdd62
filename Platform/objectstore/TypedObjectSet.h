#pragma once
// TypedObjectSet<T>: a to-many relationship seen as objects of its entity
// class — `for (TLSplit* split : transaction->splits())` — without copying.
// Valid until the relationship changes.

#include <cstddef>
#include <iterator>
#include <vector>

#include "Platform/objectstore/ObjectSet.h"

namespace tallo {

template <typename T>
class TypedObjectSet {
public:
    class iterator {
    public:
        using Base = ObjectList::const_iterator;
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T**;
        using reference = T*;
        iterator() = default;
        explicit iterator(Base base) : base_(base) {}
        T* operator*() const { return static_cast<T*>(*base_); }
        iterator& operator++() {
            ++base_;
            return *this;
        }
        bool operator==(const iterator& other) const { return base_ == other.base_; }
        bool operator!=(const iterator& other) const { return base_ != other.base_; }

    private:
        Base base_{};
    };

    explicit TypedObjectSet(const ObjectSet& set) : set_(&set) {}
    iterator begin() const { return iterator(set_->begin()); }
    iterator end() const { return iterator(set_->end()); }
    size_t size() const { return set_->size(); }
    bool empty() const { return set_->empty(); }
    bool contains(const T* object) const { return set_->contains(object); }
    const ObjectSet& objects() const { return *set_; }
    // The objects as a list of T, for callers that keep or sort them.
    std::vector<T*> toVector() const { return std::vector<T*>(begin(), end()); }

private:
    const ObjectSet* set_;
};

}  // namespace tallo
