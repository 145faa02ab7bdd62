#pragma once
// ManagedObjectContext's inside, shared by the files that implement it:
//   ManagedObjectContext.cpp         loading, changes, save, rollback, fetches
//   ManagedObjectContextReading.cpp  tables read on demand: rows, sets, pages
//   ManagedObjectContextRowCache.cpp the bound on rows read on demand held in memory
// Internal: only those files include this header.

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/objectstore/ManagedObjectContext.h"
#include "Platform/objectstore/PersistentStore.h"

namespace tallo {

// Objects are owned per root entity (one table each), in primary-key order,
// which is creation order. Changes are tracked by lists of inserted,
// changed (snapshotted) and deleted objects, so save, rollback and
// hasChanges cost in proportion to what changed, never to the whole store.
// Where a fetch looks: one inverse set, or (set == nullptr) the whole table.
struct FetchCandidates {
    const ObjectSet* set = nullptr;
    bool setIsWholePredicate = false;  // every object of the set matches
    bool noneCanMatch = false;
};

struct ManagedObjectContext::Impl {
    struct Table {
        std::map<int64_t, std::unique_ptr<ManagedObject>> objects;  // by primary key
        int64_t nextPrimaryKey = 1;
        // Read on demand: rows are objects only once something needed them;
        // `complete` once every row was read.
        bool onDemand = false;
        bool complete = true;
        size_t hollowCount = 0;  // objects whose values were dropped
    };

    ManagedObjectContext* owner = nullptr;
    ObjectFactory factory;
    std::unique_ptr<PersistentStore> store;
    std::map<const EntityDescription*, Table> tables;  // root entity → table
    std::vector<ManagedObject*> inserted;
    std::vector<ManagedObject*> changed;  // saved objects with a snapshot
    std::vector<ManagedObject*> pendingDeletes;
    // Objects whose deletion is being processed, across nested processing (a
    // deletion hook that fetches processes pending deletions inside the
    // outer run): each is processed, and its hook run, once.
    std::set<ManagedObject*> beingDeleted;
    int deletionDepth = 0;
    std::vector<ManagedObject*> deleted;  // processed deletions
    std::set<const EntityDescription*> changedEntities;
    std::map<int, ChangeListener> listeners;
    std::map<int, ObjectChangeListener> objectListeners;
    std::set<ObjectKey> changedObjects;  // collected only for objectListeners
    bool changedEverything = false;
    int nextListener = 1;
    bool loading = false;
    std::vector<std::string> onDemandNames;

    // The rows read on demand whose values are held, oldest first (keys, not
    // pointers: a row freed since is skipped when its turn comes).
    std::deque<ObjectKey> heldRows;
    size_t cleanRowLimit = kDefaultCleanRowLimit;
    std::weak_ptr<void> trimTicket;  // alive while a trim waits on the run loop
    // A row read on demand now holds its values: it joins heldRows, and a
    // trim is posted once they are over the limit.
    void noteHeld(ManagedObject& object);
    void postTrimIfOver();
    // Puts a row's stored values back into an object whose values were dropped.
    void fillValues(ManagedObject& object, std::vector<Value>& values);
    // Reads the values of those of `objects` that were dropped, in one pass
    // per table.
    void refill(const std::vector<ManagedObject*>& objects);
    void refillCandidates(const FetchCandidates& candidates, const EntityDescription& entity);

    // Reading on demand (RowReader below).
    bool isOnDemand(const EntityDescription* root) const {
        auto table = tables.find(root);
        return table != tables.end() && table->second.onDemand && !table->second.complete;
    }
    // The objects of the rows the query names, read where they were not yet.
    std::vector<ManagedObject*> readRows(const StoreRowQuery& query);
    void completeTable(const EntityDescription* root);
    void completeAllTables();
    // A page of `key == object` in a sortable order, read from the store
    // while the object's set is unread; false when the request is not one.
    bool pageFromStore(const FetchRequest& request, const EntityDescription& entity, std::vector<ManagedObject*>* page);

    Table& tableOf(const EntityDescription& entity) { return tables[entity.rootEntity()]; }

    // The first two steps of a fetch.
    FetchCandidates candidates(const FetchRequest& request, const EntityDescription& entity) const;
    std::vector<ManagedObject*> filter(const FetchRequest& request, const EntityDescription& entity,
                                       const FetchCandidates& candidates) const;
    // The last two: the sort (only as much of it as the window needs) and
    // the window of offset and limit.
    static void sort(std::vector<ManagedObject*>& result, const FetchRequest& request, const EntityDescription& entity);
    static void applyWindow(std::vector<ManagedObject*>& result, size_t offset, size_t limit);
    static std::optional<std::vector<double>> dateKeys(const std::vector<ManagedObject*>& objects, int slot);
    static std::vector<Value> sortKeys(const std::vector<ManagedObject*>& objects,
                                       const std::vector<SortDescriptor>& descriptors, const std::vector<int>& slots);

    // A new object of the entity's class, its attributes at their defaults
    // and its relationships empty.
    std::unique_ptr<ManagedObject> make(const EntityDescription& entity, int64_t primaryKey, bool withDefaults) {
        std::unique_ptr<ManagedObject> object = factory(entity);
        object->entity_ = &entity;
        object->context_ = owner;
        object->primaryKey_ = primaryKey;
        object->values_.resize(static_cast<size_t>(entity.attributeCount()));
        if (withDefaults) {
            for (const AttributeDescription* attribute : entity.attributes()) {
                if (attribute->defaultValue) {
                    object->values_[static_cast<size_t>(entity.storageIndex(attribute->slot))] = *attribute->defaultValue;
                }
            }
        }
        object->toOnes_.resize(static_cast<size_t>(entity.toOneCount()));
        object->sets_.resize(static_cast<size_t>(entity.setSlotCount()));
        return object;
    }

    // A to-one of a row read from the store, by the key of the row it names:
    // resolved once the rows it may name are in.
    struct StoredKey {
        ManagedObject* object;
        int slot;
        int64_t targetKey;
    };

    // A saved object made from a stored row of `entity`: its attributes in
    // place, each to-one key added to `keys`. Answers nullptr, saying why in
    // `error`, when the row has the wrong number of values.
    std::unique_ptr<ManagedObject> objectFromRow(const EntityDescription& entity, int64_t primaryKey,
                                                 std::vector<Value>& values, std::vector<StoredKey>& keys,
                                                 std::string* error) {
        if (values.size() != static_cast<size_t>(entity.valueSlotCount())) {
            if (error != nullptr) *error = entity.name() + " row " + std::to_string(primaryKey) + " has the wrong number of values";
            return nullptr;
        }
        auto object = make(entity, primaryKey, false);
        object->state_ = ManagedObject::State::Saved;
        for (int slot = 0; slot < entity.valueSlotCount(); ++slot) {
            Value& value = values[static_cast<size_t>(slot)];
            if (!entity.isToOneSlot(slot)) {
                object->values_[static_cast<size_t>(entity.storageIndex(slot))] = std::move(value);
            } else if (auto key = value.asInteger()) {
                keys.push_back({object.get(), slot, *key});
            }
        }
        return object;
    }

    ManagedObject* find(const EntityDescription* root, int64_t primaryKey) {
        auto table = tables.find(root);
        if (table == tables.end()) return nullptr;
        auto found = table->second.objects.find(primaryKey);
        return found == table->second.objects.end() ? nullptr : found->second.get();
    }

    // Frees the given objects and removes them from their tables.
    // An object may be listed twice (a deletion hook that fetches processes
    // the pending deletions again), so each is freed once.
    void discard(const std::vector<ManagedObject*>& doomed) {
        std::set<ManagedObject*> gone;
        for (ManagedObject* object : doomed) {
            if (!gone.insert(object).second) continue;
            auto table = tables.find(object->entity().rootEntity());
            if (table == tables.end()) continue;
            if (object->hollow_) --table->second.hollowCount;
            table->second.objects.erase(object->primaryKey());
        }
    }

    // The sets of an object read from a table read on demand, and the sets
    // of any object that point into such a table, start unread.
    uint64_t unreadSetsOf(const EntityDescription& entity, bool objectIsOnDemand) const {
        uint64_t unread = 0;
        for (const RelationshipDescription* relationship : entity.relationships()) {
            if (!relationship->isToMany || relationship->isManyToMany()) continue;
            if (objectIsOnDemand || isOnDemand(relationship->destination->rootEntity())) unread |= uint64_t{1} << relationship->slot;
        }
        return unread;
    }

    void noteObject(const ManagedObject& object) {
        if (!objectListeners.empty()) changedObjects.insert({object.entity().rootEntity(), object.primaryKey()});
    }

    void notify() {
        if (changedEntities.empty() && changedObjects.empty() && !changedEverything) return;
        Changes changes;
        changes.entities.swap(changedEntities);
        changes.objects.swap(changedObjects);
        changes.everything = changedEverything;
        changedEverything = false;
        if (changes.everything) changes.objects.clear();
        auto copy = listeners;
        for (auto& [token, listener] : copy) {
            if (listeners.count(token) != 0 && !changes.entities.empty()) listener(changes.entities);
        }
        auto objectCopy = objectListeners;
        for (auto& [token, listener] : objectCopy) {
            if (objectListeners.count(token) != 0) listener(changes);
        }
    }
};

}  // namespace tallo
