#pragma once
// PersistentStore: where a context's objects are kept between runs. The
// context loads everything once when it is built and hands each save's
// changes over as one unit: a store applies all of them or none.

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/Value.h"

namespace tallo {

class ManagedObject;

// What a store feeds while loading: every row as an object with its stored
// attribute values and the primary keys of its to-one targets, then every
// pair of a many-to-many relationship. The context resolves keys to objects
// once all rows are in.
class StoreLoadSink {
public:
    virtual ~StoreLoadSink() = default;
    // `values` has one entry per value slot of `entity`: attribute values for
    // attribute slots; for a to-one slot the target's primary key as an
    // integer, or nil.
    virtual bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                         std::string* error) = 0;
    virtual bool loadPair(const RelationshipDescription& relationship, int64_t ownerKey, int64_t targetKey,
                          std::string* error) = 0;
};

struct StoreJoinChange {
    const RelationshipDescription* relationship;  // the side whose owner is `ownerKey`
    int64_t ownerKey;
    int64_t targetKey;
};

struct StoreDeletion {
    const EntityDescription* entity;
    int64_t primaryKey;
};

// One save: rows to insert, rows to update (every stored column is
// written), rows to delete, and pairs to add to or remove from join tables.
// Objects are read through ObjectStoreAccess.
struct StoreChanges {
    std::vector<const ManagedObject*> inserted;
    std::vector<const ManagedObject*> updated;
    std::vector<StoreDeletion> deleted;
    std::vector<StoreJoinChange> joinsAdded;
    std::vector<StoreJoinChange> joinsRemoved;

    bool empty() const {
        return inserted.empty() && updated.empty() && deleted.empty() && joinsAdded.empty() && joinsRemoved.empty();
    }
};

class PersistentStore {
public:
    virtual ~PersistentStore() = default;
    virtual bool load(StoreLoadSink& sink, std::string* error) = 0;
    // All or nothing: on failure the store is as it was before the call.
    virtual bool save(const StoreChanges& changes, std::string* error) = 0;
};

}  // namespace tallo
