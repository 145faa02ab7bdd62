#pragma once
// PersistentStore: where a context's objects are kept between runs. The
// context loads the store when it is built and hands each save's changes
// over as one unit: a store applies all of them or none. A store that can
// read rows on demand lets the context leave its large tables unread at the
// load and ask for their rows as fetches and relationships need them.

#include <cstdint>
#include <functional>
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
    // Asked before a row's values are read: true when the sink holds that
    // row already, and the store then neither reads its values nor calls
    // loadRow for it.
    virtual bool knowsRow(const EntityDescription& entity, int64_t primaryKey) {
        (void)entity;
        (void)primaryKey;
        return false;
    }
    // A table left unread by loadDeferring: its largest primary key (0 when
    // it is empty), so new rows get keys never used before.
    virtual void deferredTable(const EntityDescription& root, int64_t largestKey) {
        (void)root;
        (void)largestKey;
    }
};

// Which rows of one table (a root entity's) a read on demand feeds: in
// primary-key order, or for a foreign-key or matching read optionally in the
// order of `orderBy` (nil first when ascending, last when descending, ties by
// primary key), `offset` rows skipped and no more than `limit` of them (0:
// all). Those reads also keep only the rows whose text attribute contains a
// text (the stored text and `text` folded alike by foldText with the term's
// options; a row without text left out), and whose attributes lie within the
// bounds (a row without the value left out); skipping and the limit count
// the rows kept. A store may hand over the rows of such a read that its
// sink does not know (knowsRow) after those it knows, in key order.
struct StoreRowQuery {
    struct Order {
        const AttributeDescription* attribute;  // a date, integer, boolean or double
        bool ascending;
    };
    struct Contains {
        const AttributeDescription* attribute;  // a string
        std::string text;                       // as written
        bool foldCase = false;
        bool foldDiacritics = false;
    };
    struct Bound {
        const AttributeDescription* attribute;  // a date, integer or double
        Value value;                            // of the attribute's type
        bool lower = false;                     // the attribute is above it (else below)
        bool inclusive = false;
    };
    enum class Kind {
        AllRows,
        PrimaryKeys,  // the rows whose keys are in `keys`
        ForeignKey,   // the rows whose to-one `toOne` names an object whose key is in `keys`
        Matching,     // the rows within `contains` and `bounds` (and `toOne`, when given)
    };
    Kind kind = Kind::AllRows;
    const EntityDescription* root = nullptr;
    std::vector<int64_t> keys;
    const RelationshipDescription* toOne = nullptr;
    std::vector<Order> orderBy;
    std::vector<Contains> contains;
    std::vector<Bound> bounds;
    size_t offset = 0;
    size_t limit = 0;
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

// A read of a few saved values of every row of one table (a root entity's),
// for a sum over the whole table without an object per row. Each key path is
// an attribute or to-one of the root entity, or a to-one then an attribute or
// to-one of its destination ("transaction.type"), or "self" after a to-one
// (the target row's key, nil when no such row exists); a to-one reads as its
// target's key (an integer), and a missing value or target as nil. `row`
// gets the row's key and the values in the order of the key paths, in key
// order. A store may read a span of keys at a time, so another connection's
// save need not wait for the whole table: a row saved meanwhile may then be
// seen as it was before or after that save.
struct StoreValueScan {
    using Row = std::function<void(int64_t primaryKey, const std::vector<Value>& values)>;
    const EntityDescription* root = nullptr;
    std::vector<std::string> keyPaths;
};

class PersistentStore {
public:
    virtual ~PersistentStore() = default;
    virtual bool load(StoreLoadSink& sink, std::string* error) = 0;

    // Reading on demand. A store that cannot (the default) answers false to
    // canReadOnDemand, and the context loads it whole.
    virtual bool canReadOnDemand() const { return false; }
    // As load, but the tables of `deferredRoots` are not read: each is
    // reported to the sink's deferredTable instead. Their many-to-many pairs
    // must not exist (the context defers only tables without any).
    virtual bool loadDeferring(StoreLoadSink& sink, const std::vector<const EntityDescription*>& deferredRoots,
                               std::string* error) {
        (void)deferredRoots;
        return load(sink, error);
    }
    // Feeds the rows the query asks for, from the last saved state.
    virtual bool loadRows(const StoreRowQuery& query, StoreLoadSink& sink, std::string* error) {
        (void)query;
        (void)sink;
        if (error != nullptr) *error = "this store cannot read rows on demand";
        return false;
    }
    // Hands `row` some saved values of every row of one table, making no
    // objects (see StoreValueScan). A store that cannot answers false.
    virtual bool scanValues(const StoreValueScan& scan, const StoreValueScan::Row& row, std::string* error) {
        (void)scan;
        (void)row;
        if (error != nullptr) *error = "this store cannot scan values";
        return false;
    }
    // All or nothing: on failure the store is as it was before the call.
    virtual bool save(const StoreChanges& changes, std::string* error) = 0;
};

}  // namespace tallo
