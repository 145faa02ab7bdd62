#pragma once
// ManagedObjectContext: the one place objects live. It loads the store when
// built (an identity map: one object per row), inserts and deletes, answers
// fetches from memory (seeing unsaved changes, never deleted objects), saves
// only the changed rows as one unit, and rolls back to the last saved state.
//
// Tables named by readOnDemand (the large ones: transactions, splits) are
// not read by load when the store can read rows on demand. Their rows are
// read when something needs them, and become objects like any other:
//   - a to-one naming such a row reads that row (and what its own to-ones
//     name) as soon as the naming object is read;
//   - a to-many into such a table reads its rows by the indexed foreign key
//     when it is first used, then takes the unsaved changes into account;
//   - a fetch that is answered from such a to-many (`key == object`) reads
//     only that set; any other fetch of the table reads the table whole,
//     once, and fills every set pointing into it in one pass.
// An object read this way is never read again, except for the values of a
// clean one that were dropped to keep memory bounded (setCleanRowLimit): its
// in-memory state, changed or not, is what every fetch and relationship sees.
//
//   insert      runs the class's awakeFromInsert
//   delete      marks the object; processPendingChanges (called by save,
//               fetches and TLDatabase::deleteObject) runs prepareForDeletion
//               and the delete rules: cascade deletes the targets, nullify
//               removes the object from its inverses, deny refuses the save
//   save        writes inserts, updates, deletions and join-table pairs in
//               one store transaction; on failure nothing is written and the
//               context keeps its changes
//   rollback    every object back to its last saved state: inserted objects
//               gone (freed), deleted ones back, attributes, relationships and
//               inverses as they were
//   reset       forgets every object (all are freed) and loads again
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/objectstore/FetchRequest.h"
#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/PersistentStore.h"

namespace tallo {

class ManagedObjectContext {
public:
    // Makes the object of an entity's class (the generated class registry).
    using ObjectFactory = std::function<std::unique_ptr<ManagedObject>(const EntityDescription&)>;
    using ChangeListener = std::function<void(const std::set<const EntityDescription*>& changedEntities)>;
    // An object named by its table (root entity) and primary key: it may be
    // gone (deleted, or an insert rolled back) by the time a listener hears of it.
    struct ObjectKey {
        const EntityDescription* root = nullptr;
        int64_t primaryKey = 0;
        auto operator<=>(const ObjectKey&) const = default;
    };
    // What one batch of changes touched: every object inserted, changed,
    // deleted or put back by a rollback; `everything` when the store was
    // read again (reset), and then `objects` says nothing.
    struct Changes {
        std::set<const EntityDescription*> entities;
        std::set<ObjectKey> objects;
        bool everything = false;
    };
    using ObjectChangeListener = std::function<void(const Changes& changes)>;

    // Without a store the context lives in memory only and save always succeeds.
    ManagedObjectContext(std::shared_ptr<const Model> model, ObjectFactory factory,
                         std::unique_ptr<PersistentStore> store = nullptr);
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    // Loads every row of the store. False (and `error`) when the store cannot
    // be read; the context is then empty.
    bool load(std::string* error = nullptr);
    // The root entities whose tables load leaves to be read on demand (see
    // above); takes effect at the next load. Tables that take part in a
    // many-to-many relationship are always loaded whole.
    void readOnDemand(std::vector<std::string> rootEntityNames);

    const Model& model() const { return *model_; }

    // Nothing for an unknown entity name.
    ManagedObject* insertNewObjectForEntityForName(std::string_view entityName);
    void deleteObject(ManagedObject* object);
    void processPendingChanges();
    bool hasChanges() const;
    bool save(std::string* error = nullptr);
    void rollback();
    void reset();

    std::vector<ManagedObject*> executeFetchRequest(const FetchRequest& request);
    size_t countForFetchRequest(const FetchRequest& request);
    // Reads the `key` to-many sets of `owners` that are still unread, in a
    // few passes through the store rather than one each (the splits of a
    // month's transactions). Sets already read get back the values of
    // their rows that were dropped, likewise; unknown keys are left.
    void prefetchToMany(const std::vector<ManagedObject*>& owners, std::string_view key);

    // Hands `row` the saved values of `keyPaths` (see StoreValueScan) of
    // every row of the entity's table, making no objects: for sums over a
    // whole table. Only while the context holds no unsaved change, when each
    // object says what its row says; false (nothing handed) when it holds
    // some, or the store cannot scan, and the caller reads objects instead.
    bool scanSavedValues(std::string_view entityName, std::vector<std::string> keyPaths, const StoreValueScan::Row& row,
                         std::string* error = nullptr);

    // Memory. The clean rows of tables read on demand keep their values in
    // memory, up to a limit of rows. Past it, at the next turn of the main
    // run loop (never inside a caller's work), the rows least recently used
    // have their values dropped until no more than 7/8 of the limit are held.
    // A dropped row is read again from the store when one of its values is
    // next used, and a fetch reads the dropped rows it looks at in one pass.
    // The object stays (one object per row, its relationships kept), so a
    // dropped row still costs its object. A row with an unsaved change (new,
    // changed or deleted) keeps its values, and so does any transient value.
    static constexpr size_t kDefaultCleanRowLimit = 50000;
    // A lower limit than the rows held takes effect at the next turn.
    void setCleanRowLimit(size_t rows);
    size_t cleanRowLimit() const;
    // The rows read on demand whose values are in memory now.
    size_t cleanRowsHeld() const;
    // Drops values down to the limit now; answers how many rows dropped
    // theirs. Only where no caller holds a reference into an object's values.
    size_t trimCleanRows();

    // Called after changes to objects of the named entities were processed,
    // saved or rolled back (fetched-results controllers refetch on it).
    int addChangeListener(ChangeListener listener);
    // The same, naming the objects too (kept totals adjust for just those).
    // Objects are collected only while such a listener exists.
    int addChangeListener(ObjectChangeListener listener);
    void removeChangeListener(int token);
    // The live object of the table of `root` with `primaryKey`, if the
    // context holds it (nothing for a deleted object or a row never read).
    ManagedObject* registeredObject(const EntityDescription& root, int64_t primaryKey) const;

    // Alive as long as the context: holders of a weak_ptr to it can tell
    // whether the context still exists before touching it.
    std::shared_ptr<void> lifetimeToken() const { return lifetime_; }

    // A number that grows with every change of any object, insertion,
    // deletion, rollback or reset: a value computed from the objects stays
    // good while this number (and the context) stay the same.
    uint64_t changeGeneration() const { return changeGeneration_; }

    // Every live object, for dumps and checks: in entity order, then creation order.
    std::vector<ManagedObject*> allObjects() const;

private:
    friend class ManagedObject;
    friend class ContextLoader;
    friend class RowReader;
    // Reads the values of a row that were dropped (see setCleanRowLimit).
    void refillValues(ManagedObject* object);
    // Reads an object's to-many set that was left unread.
    void readSet(ManagedObject* owner, int setSlot);
    // Reads the set at `setSlot` of each of `owners` (all of one entity, each
    // set unread).
    void readSets(const std::vector<ManagedObject*>& owners, int setSlot);
    // Called by an object before it changes: takes its snapshot at the first
    // change after a save and remembers which entity changed.
    void noteChange(ManagedObject* object);
    struct Impl;
    std::shared_ptr<const Model> model_;
    std::unique_ptr<Impl> impl_;
    std::shared_ptr<void> lifetime_ = std::make_shared<int>(0);
    uint64_t changeGeneration_ = 0;
};

}  // namespace tallo
