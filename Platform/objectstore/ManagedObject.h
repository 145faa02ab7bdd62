#pragma once
// ManagedObject: one stored record, owned by its context (one object per row).
//
// Properties are read and written by typed slot accessors (used by the
// generated accessor classes) and by key (valueForKey, for generic copying,
// predicates and sort descriptors). Every relationship change keeps the
// inverse in step, from either side: setting a split's `transaction` adds the
// split to that transaction's `splits` and removes it from the old one's.
//
// A to-many relationship whose objects live in a table the context reads on
// demand is read when it is first used (toMany), so an account's
// transactions cost nothing until something asks for them.
//
// The values of a clean row read on demand may be dropped by the context to
// keep memory within its bound (ManagedObjectContext::setCleanRowLimit); the
// object stays, and its values are read again from the store at first use.
//
// Objects live until the context frees them: a deleted object when its
// deletion is saved (or the context is reset), every object when its context
// is destroyed. A pointer kept past that is dangling — AddressSanitizer
// reports its use.
//
// Main thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/ObjectSet.h"
#include "Platform/objectstore/Value.h"

namespace tallo {

class ManagedObjectContext;

class ManagedObject {
public:
    virtual ~ManagedObject();
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const EntityDescription& entity() const { return *entity_; }
    ManagedObjectContext* managedObjectContext() const { return context_; }
    // Row number in the entity's table; also the order of creation.
    int64_t primaryKey() const { return primaryKey_; }
    bool isInserted() const { return state_ == State::Inserted; }
    bool isDeleted() const { return deleted_; }
    bool isUpdated() const { return snapshot_ != nullptr && state_ == State::Saved; }
    bool hasChanges() const { return isInserted() || isDeleted() || isUpdated(); }

    // Attributes, to-one (an object) and to-many (the list of objects).
    // Unknown keys read as nil.
    Value valueForKey(std::string_view key) const;
    // "account.currency.code": each step but the last must be to-one; a nil
    // on the way gives nil. "@count" after a to-many key gives its size.
    Value valueForKeyPath(std::string_view keyPath) const;
    // Sets an attribute (converting numbers to the declared type), a to-one
    // (an object or nil) or a to-many (the new list of objects). Unknown keys
    // and values of the wrong kind are refused: false, nothing changed.
    bool setValueForKey(const Value& value, std::string_view key);

    // "Entity#pk" — for dumps and messages.
    std::string objectIDString() const;

protected:
    ManagedObject();

    // Hooks for the entity classes.
    virtual void awakeFromInsert() {}
    virtual void awakeFromFetch() {}
    virtual void prepareForDeletion() {}

    // Typed slot access for the generated accessor classes.
    const Value& attributeValue(int slot) const {
        if (hollow_) refill();
        used_ = true;
        return values_[static_cast<size_t>(entity_->storageIndex(slot))];
    }
    void setAttributeValue(int slot, Value value);
    std::optional<std::string> stringAt(int slot) const;
    std::optional<Decimal> decimalAt(int slot) const;
    std::optional<Date> dateAt(int slot) const;
    std::optional<long long> integerAt(int slot) const;
    std::optional<bool> boolAt(int slot) const;
    std::optional<double> doubleAt(int slot) const;
    std::optional<Bytes> dataAt(int slot) const;

    ManagedObject* toOne(int slot) const { return toOnes_[static_cast<size_t>(entity_->storageIndex(slot))]; }
    void setToOne(const RelationshipDescription& relationship, ManagedObject* target);
    const ObjectSet& toMany(int setSlot) const {
        if (unreadSets_ != 0 && ((unreadSets_ >> setSlot) & 1U) != 0) readSet(setSlot);
        return sets_[static_cast<size_t>(setSlot)];
    }
    void addToMany(const RelationshipDescription& relationship, ManagedObject* object);
    void removeToMany(const RelationshipDescription& relationship, ManagedObject* object);

private:
    // The steps of setValueForKey, by kind of property.
    bool setAttributeForKey(const AttributeDescription& attribute, const Value& value);
    bool setToOneForKey(const RelationshipDescription& relationship, const Value& value);
    bool setToManyForKey(const RelationshipDescription& relationship, const Value& value);
    bool fitsRelationship(const RelationshipDescription& relationship, const ManagedObject* object) const;
    friend class ManagedObjectContext;
    friend class ObjectStoreAccess;
    friend class ContextLoader;
    friend class RowReader;
    enum class State { Inserted, Saved };
    struct Snapshot {
        std::vector<Value> values;
        std::vector<ManagedObject*> toOnes;
        std::vector<ObjectSet> sets;
        uint64_t unreadSets;
    };

    void willChange();
    // Reads the values dropped from a hollow object again (through the context).
    void refill() const;
    // Reads a to-many set that was left unread (through the context).
    void readSet(int setSlot) const;
    bool isSetUnread(int setSlot) const { return ((unreadSets_ >> setSlot) & 1U) != 0; }
    // One side of a relationship change, without touching the inverse.
    void linkOneSide(const RelationshipDescription& relationship, ManagedObject* target);
    void unlinkOneSide(const RelationshipDescription& relationship, ManagedObject* target);

    const EntityDescription* entity_ = nullptr;
    ManagedObjectContext* context_ = nullptr;
    int64_t primaryKey_ = 0;
    State state_ = State::Inserted;
    bool deleted_ = false;
    bool hollow_ = false;                 // values dropped; read again at first use
    mutable bool used_ = false;           // a value was read since the context last looked
    std::vector<Value> values_;           // attributes, by EntityDescription::storageIndex
    std::vector<ManagedObject*> toOnes_;  // to-one targets, likewise
    std::vector<ObjectSet> sets_;
    uint64_t unreadSets_ = 0;             // bit per set slot: not read from the store yet
    std::unique_ptr<Snapshot> snapshot_;  // the last saved state, taken at the first change after a save
};

}  // namespace tallo
