#include "Platform/objectstore/ManagedObjectContext.h"

#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>

#include "Platform/foundation/InternalError.h"
#include "Platform/objectstore/ManagedObjectContextInternal.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

// Reads rows from a store into objects, then resolves keys to objects.
class ContextLoader : public StoreLoadSink {
    using Key = ManagedObjectContext::Impl::StoredKey;

public:
    explicit ContextLoader(ManagedObjectContext::Impl& impl) : impl_(impl) {}

    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                 std::string* error) override {
        auto& table = impl_.tableOf(entity);
        if (!table.objects.empty() && table.objects.rbegin()->first >= primaryKey) {
            if (error != nullptr) *error = entity.name() + " rows are not in key order at " + std::to_string(primaryKey);
            return false;
        }
        // Attributes go to their places; to-one keys wait for every row to be in.
        auto object = impl_.objectFromRow(entity, primaryKey, values, keys_, error);
        if (object == nullptr) return false;
        table.nextPrimaryKey = primaryKey + 1;
        table.objects.emplace_hint(table.objects.end(), primaryKey, std::move(object));
        return true;
    }

    void deferredTable(const EntityDescription& root, int64_t largestKey) override {
        auto& table = impl_.tableOf(root);
        table.onDemand = true;
        table.complete = false;
        table.nextPrimaryKey = largestKey + 1;
    }

    bool loadPair(const RelationshipDescription& relationship, int64_t ownerKey, int64_t targetKey,
                  std::string* error) override {
        pairs_.push_back({&relationship, ownerKey, targetKey});
        (void)error;
        return true;
    }

    // Turns to-one keys into objects and fills the inverse sets.
    bool resolve(std::string* error) {
        // Keys are dense row numbers, so a table of objects by key makes each
        // lookup one read instead of a binary search through the table.
        std::map<const EntityDescription*, std::vector<ManagedObject*>> byKey;
        for (auto& [root, table] : impl_.tables) {
            if (table.objects.empty()) continue;
            int64_t largest = table.objects.rbegin()->first;
            if (largest < 0 || static_cast<uint64_t>(largest) > 4 * table.objects.size() + 1024) continue;
            std::vector<ManagedObject*>& index = byKey[root];
            index.assign(static_cast<size_t>(largest) + 1, nullptr);
            for (auto& [key, object] : table.objects) index[static_cast<size_t>(key)] = object.get();
        }
        // Sets pointing into tables read on demand wait until they are used.
        for (auto& [root, table] : impl_.tables) {
            for (auto& [key, object] : table.objects) object->unreadSets_ = impl_.unreadSetsOf(object->entity(), false);
        }
        auto find = [&](const EntityDescription* root, int64_t key) -> ManagedObject* {
            auto index = byKey.find(root);
            if (index == byKey.end()) return impl_.find(root, key);
            if (key < 0 || static_cast<uint64_t>(key) >= index->second.size()) return nullptr;
            return index->second[static_cast<size_t>(key)];
        };
        // Rows named from here in tables read on demand are read now, all at once.
        std::map<const EntityDescription*, StoreRowQuery> named;
        for (const Key& key : keys_) {
            const RelationshipDescription* relationship = key.object->entity().toOneAtSlot(key.slot);
            const EntityDescription* root = relationship != nullptr ? relationship->destination->rootEntity() : nullptr;
            if (root == nullptr || !impl_.isOnDemand(root)) continue;
            StoreRowQuery& query = named[root];
            query.kind = StoreRowQuery::Kind::PrimaryKeys;
            query.root = root;
            query.keys.push_back(key.targetKey);
        }
        for (auto& [root, query] : named) impl_.readRows(query);
        for (const Key& key : keys_) {
            const EntityDescription& entity = key.object->entity();
            const RelationshipDescription* relationship = entity.toOneAtSlot(key.slot);
            if (relationship == nullptr) continue;
            const EntityDescription* targetRoot = relationship->destination->rootEntity();
            ManagedObject* target = impl_.isOnDemand(targetRoot) ? impl_.find(targetRoot, key.targetKey)
                                                                 : find(targetRoot, key.targetKey);
            // A dangling key reads as no target, as a missing object reads as nil.
            if (target == nullptr || !target->entity().isKindOfEntity(relationship->destination)) continue;
            key.object->toOnes_[static_cast<size_t>(entity.storageIndex(key.slot))] = target;
            // A one-to-one is stored on both sides, and each side loads its own.
            if (relationship->inverse->isToMany && !target->isSetUnread(relationship->inverse->slot)) {
                target->sets_[static_cast<size_t>(relationship->inverse->slot)].insert(key.object);
            }
        }
        keys_.clear();
        for (const Pair& pair : pairs_) {
            ManagedObject* ownerObject = impl_.find(pair.relationship->owner->rootEntity(), pair.ownerKey);
            ManagedObject* target = impl_.find(pair.relationship->destination->rootEntity(), pair.targetKey);
            if (ownerObject == nullptr || target == nullptr) continue;
            ownerObject->sets_[static_cast<size_t>(pair.relationship->slot)].insert(target);
            target->sets_[static_cast<size_t>(pair.relationship->inverse->slot)].insert(ownerObject);
        }
        (void)error;
        return true;
    }

private:
    struct Pair {
        const RelationshipDescription* relationship;
        int64_t ownerKey;
        int64_t targetKey;
    };
    ManagedObjectContext::Impl& impl_;
    std::vector<Pair> pairs_;
    std::vector<Key> keys_;
};

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<const Model> model, ObjectFactory factory,
                                           std::unique_ptr<PersistentStore> store)
    : model_(std::move(model)), impl_(std::make_unique<Impl>()) {
    impl_->owner = this;
    impl_->factory = std::move(factory);
    impl_->store = std::move(store);
}

ManagedObjectContext::~ManagedObjectContext() = default;

namespace {

// Whether the entity's table (root or any sub-entity) is part of a join table.
bool takesPartInManyToMany(const EntityDescription& root) {
    std::vector<const EntityDescription*> pending{&root};
    while (!pending.empty()) {
        const EntityDescription* entity = pending.back();
        pending.pop_back();
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (relationship->isManyToMany()) return true;
        }
        pending.insert(pending.end(), entity->subentities().begin(), entity->subentities().end());
    }
    return false;
}

}  // namespace

bool ManagedObjectContext::load(std::string* error) {
    ++changeGeneration_;
    impl_->tables.clear();
    impl_->heldRows.clear();
    impl_->inserted.clear();
    impl_->changed.clear();
    impl_->pendingDeletes.clear();
    impl_->deleted.clear();
    if (!impl_->store) return true;
    std::vector<const EntityDescription*> deferred;
    if (impl_->store->canReadOnDemand()) {
        for (const std::string& name : impl_->onDemandNames) {
            const EntityDescription* entity = model_->entityNamed(name);
            if (entity == nullptr || entity->superentity() != nullptr || takesPartInManyToMany(*entity)) continue;
            deferred.push_back(entity);
        }
    }
    ContextLoader loader(*impl_);
    impl_->loading = true;
    bool ok = (deferred.empty() ? impl_->store->load(loader, error) : impl_->store->loadDeferring(loader, deferred, error)) &&
              loader.resolve(error);
    impl_->loading = false;
    if (!ok) {
        impl_->tables.clear();
        return false;
    }
    for (auto& [root, table] : impl_->tables) {
        if (table.onDemand) continue;  // read rows were woken as they came
        for (auto& [key, object] : table.objects) object->awakeFromFetch();
    }
    return true;
}

void ManagedObjectContext::readOnDemand(std::vector<std::string> rootEntityNames) {
    impl_->onDemandNames = std::move(rootEntityNames);
}

void ManagedObjectContext::noteChange(ManagedObject* object) {
    ++changeGeneration_;
    if (impl_->loading) return;
    impl_->changedEntities.insert(&object->entity());
    impl_->noteObject(*object);
    if (object->state_ == ManagedObject::State::Saved && object->snapshot_ == nullptr) {
        object->snapshot_ = std::make_unique<ManagedObject::Snapshot>(
            ManagedObject::Snapshot{object->values_, object->toOnes_, object->sets_, object->unreadSets_});
        impl_->changed.push_back(object);
    }
}

ManagedObject* ManagedObjectContext::insertNewObjectForEntityForName(std::string_view entityName) {
    const EntityDescription* entity = model_->entityNamed(entityName);
    if (entity == nullptr) {
        InternalError::report("no entity named " + std::string(entityName));
        return nullptr;
    }
    auto& table = impl_->tableOf(*entity);
    int64_t key = table.nextPrimaryKey++;
    auto object = impl_->make(*entity, key, true);
    ManagedObject* raw = object.get();
    table.objects.emplace_hint(table.objects.end(), key, std::move(object));
    impl_->inserted.push_back(raw);
    impl_->changedEntities.insert(entity);
    impl_->noteObject(*raw);
    raw->awakeFromInsert();
    return raw;
}

void ManagedObjectContext::deleteObject(ManagedObject* object) {
    ++changeGeneration_;
    if (object == nullptr || object->deleted_ || object->context_ != this) return;
    if (impl_->beingDeleted.count(object) != 0) return;  // its deletion is under way
    if (std::find(impl_->pendingDeletes.begin(), impl_->pendingDeletes.end(), object) != impl_->pendingDeletes.end()) return;
    impl_->pendingDeletes.push_back(object);
    impl_->changedEntities.insert(&object->entity());
    impl_->noteObject(*object);
}

void ManagedObjectContext::processPendingChanges() {
    // Two phases: first every object to delete (following cascades) runs its
    // hook while the whole graph is still intact, so a transaction deleted
    // with its account still sees that account; then every relationship of
    // the deleted objects is cut on both sides.
    std::vector<ManagedObject*> closure;
    std::set<ManagedObject*>& inClosure = impl_->beingDeleted;
    ++impl_->deletionDepth;
    while (!impl_->pendingDeletes.empty()) {
        ManagedObject* object = impl_->pendingDeletes.front();
        impl_->pendingDeletes.erase(impl_->pendingDeletes.begin());
        if (object->deleted_ || inClosure.count(object) != 0) continue;
        bool denied = false;
        for (const RelationshipDescription* relationship : object->entity().relationships()) {
            if (relationship->deleteRule != DeleteRule::Deny) continue;
            bool hasTargets = relationship->isToMany ? !object->toMany(relationship->slot).empty()
                                                     : object->toOne(relationship->slot) != nullptr;
            if (hasTargets) denied = true;
        }
        if (denied) {
            InternalError::report("deletion of " + object->objectIDString() + " denied: it still has related objects");
            continue;
        }
        inClosure.insert(object);
        closure.push_back(object);
        object->prepareForDeletion();
        for (const RelationshipDescription* relationship : object->entity().relationships()) {
            if (relationship->deleteRule != DeleteRule::Cascade) continue;
            if (relationship->isToMany) {
                for (ManagedObject* target : object->toMany(relationship->slot)) impl_->pendingDeletes.push_back(target);
            } else if (ManagedObject* target = object->toOne(relationship->slot)) {
                impl_->pendingDeletes.push_back(target);
            }
        }
    }
    for (ManagedObject* object : closure) {
        object->willChange();
        object->deleted_ = true;
        for (const RelationshipDescription* relationship : object->entity().relationships()) {
            ObjectList targets;
            if (relationship->isToMany) {
                targets = object->toMany(relationship->slot).objects();
            } else if (ManagedObject* target = object->toOne(relationship->slot)) {
                targets.push_back(target);
            }
            for (ManagedObject* target : targets) {
                object->unlinkOneSide(*relationship, target);
                target->unlinkOneSide(*relationship->inverse, object);
            }
        }
        impl_->deleted.push_back(object);
    }
    if (--impl_->deletionDepth == 0) impl_->beingDeleted.clear();
    impl_->notify();
}

bool ManagedObjectContext::hasChanges() const {
    auto isReal = [](const ManagedObject* o) { return !o->deleted_; };
    if (!impl_->pendingDeletes.empty()) return true;
    if (std::any_of(impl_->inserted.begin(), impl_->inserted.end(), isReal)) return true;
    if (!impl_->changed.empty()) return true;
    // Objects inserted and then deleted before a save are no change.
    return std::any_of(impl_->deleted.begin(), impl_->deleted.end(),
                       [](const ManagedObject* o) { return o->state_ == ManagedObject::State::Saved; });
}

namespace {

// A many-to-many pair is stored from one side only: the relationship whose
// owner entity name sorts first (or, within one entity, whose name does).
bool isStoredSide(const RelationshipDescription& relationship) {
    const RelationshipDescription& inverse = *relationship.inverse;
    if (relationship.owner->name() != inverse.owner->name()) return relationship.owner->name() < inverse.owner->name();
    return relationship.name <= inverse.name;
}

void collectJoinChanges(const ManagedObject& object, const ObjectSet* before, const ObjectSet* after,
                        const RelationshipDescription& relationship, StoreChanges& changes) {
    if (before != nullptr) {
        for (ManagedObject* target : *before) {
            if (after == nullptr || !after->contains(target)) {
                changes.joinsRemoved.push_back({&relationship, object.primaryKey(), target->primaryKey()});
            }
        }
    }
    if (after != nullptr) {
        for (ManagedObject* target : *after) {
            if (before == nullptr || !before->contains(target)) {
                changes.joinsAdded.push_back({&relationship, object.primaryKey(), target->primaryKey()});
            }
        }
    }
}

}  // namespace

bool ManagedObjectContext::save(std::string* error) {
    processPendingChanges();
    StoreChanges changes;
    for (ManagedObject* object : impl_->inserted) {
        if (!object->deleted_) changes.inserted.push_back(object);
    }
    for (ManagedObject* object : impl_->changed) {
        if (!object->deleted_) changes.updated.push_back(object);
    }
    for (ManagedObject* object : impl_->deleted) {
        if (object->state_ == ManagedObject::State::Saved) {
            changes.deleted.push_back({object->entity().rootEntity(), object->primaryKey()});
        }
    }
    auto joins = [&](const ManagedObject* object, bool inserted) {
        for (const RelationshipDescription* relationship : object->entity().relationships()) {
            if (!relationship->isManyToMany() || !isStoredSide(*relationship)) continue;
            const ObjectSet* before = inserted || object->snapshot_ == nullptr
                                          ? nullptr
                                          : &object->snapshot_->sets[static_cast<size_t>(relationship->slot)];
            const ObjectSet* after = object->deleted_ ? nullptr : &object->toMany(relationship->slot);
            collectJoinChanges(*object, before, after, *relationship, changes);
        }
    };
    for (const ManagedObject* object : changes.inserted) joins(object, true);
    for (const ManagedObject* object : impl_->changed) joins(object, false);

    if (impl_->store && !changes.empty()) {
        if (!impl_->store->save(changes, error)) return false;
    }
    // Saved: the current state is the new last saved state.
    for (ManagedObject* object : impl_->inserted) {
        object->state_ = ManagedObject::State::Saved;
        // A new row of a table read on demand may lose its values like a read one.
        if (!object->deleted_ && impl_->tableOf(object->entity()).onDemand) impl_->noteHeld(*object);
    }
    for (ManagedObject* object : impl_->changed) object->snapshot_.reset();
    std::vector<ManagedObject*> doomed = impl_->deleted;
    impl_->inserted.clear();
    impl_->changed.clear();
    impl_->deleted.clear();
    impl_->discard(doomed);
    impl_->notify();
    return true;
}

void ManagedObjectContext::rollback() {
    ++changeGeneration_;
    impl_->pendingDeletes.clear();
    for (ManagedObject* object : impl_->changed) {
        impl_->changedEntities.insert(&object->entity());
        impl_->noteObject(*object);
        object->values_ = std::move(object->snapshot_->values);
        object->toOnes_ = std::move(object->snapshot_->toOnes);
        object->sets_ = std::move(object->snapshot_->sets);
        object->unreadSets_ = object->snapshot_->unreadSets;
        object->snapshot_.reset();
        object->deleted_ = false;
    }
    for (ManagedObject* object : impl_->deleted) {
        object->deleted_ = false;
        impl_->noteObject(*object);
    }
    for (ManagedObject* object : impl_->inserted) {
        impl_->changedEntities.insert(&object->entity());
        impl_->noteObject(*object);
    }
    std::vector<ManagedObject*> doomed = impl_->inserted;
    impl_->inserted.clear();
    impl_->changed.clear();
    impl_->deleted.clear();
    impl_->discard(doomed);
    // Primary keys of the discarded inserts are never reused: a key names one
    // row for the life of the context.
    impl_->notify();
}

void ManagedObjectContext::reset() {
    ++changeGeneration_;
    for (auto& [root, table] : impl_->tables) impl_->changedEntities.insert(root);
    impl_->changedEverything = true;
    std::string error;
    if (!load(&error)) InternalError::report("reloading the store failed: " + error);
    impl_->notify();
}

// A fetch in four steps: the candidates, the predicate over them, the sort,
// and the window of offset and limit.
std::vector<ManagedObject*> ManagedObjectContext::executeFetchRequest(const FetchRequest& request) {
    processPendingChanges();
    const EntityDescription* entity = model_->entityNamed(request.entityName);
    if (entity == nullptr) return {};
    std::vector<ManagedObject*> page;
    if (impl_->pageFromStore(request, *entity, &page)) return page;
    FetchCandidates candidates = impl_->candidates(request, *entity);
    if (candidates.noneCanMatch) return {};
    if (candidates.set == nullptr) impl_->completeTable(entity->rootEntity());
    // Whatever a fetch looks at is likely to be read next: dropped values
    // come back in one pass rather than a row at a time.
    impl_->refillCandidates(candidates, *entity);
    std::vector<ManagedObject*> result = impl_->filter(request, *entity, candidates);
    if (!request.sortDescriptors.empty()) Impl::sort(result, request, *entity);
    Impl::applyWindow(result, request.fetchOffset, request.fetchLimit);
    return result;
}

// ---- fetch steps ----

namespace {

// The rows of a fetch in the order of its sort descriptors (creation order
// breaks ties), only the first `wanted` of them put in order.

// nil sorts before everything; values that cannot be compared are equal.
std::strong_ordering compareKeys(const Value& x, const Value& y) {
    if (x.isNull() != y.isNull()) return x.isNull() ? std::strong_ordering::less : std::strong_ordering::greater;
    return compareValues(x, y).value_or(std::strong_ordering::equal);
}

template <typename Less>
std::vector<size_t> orderedRows(size_t count, size_t wanted, const Less& less) {
    std::vector<size_t> rows(count);
    for (size_t r = 0; r < count; ++r) rows[r] = r;
    if (wanted < count) {
        std::partial_sort(rows.begin(), rows.begin() + static_cast<long>(wanted), rows.end(), less);
        rows.resize(wanted);
    } else {
        std::sort(rows.begin(), rows.end(), less);
    }
    return rows;
}

}  // namespace

// One date attribute (a register by date) is read straight into plain
// seconds, nil first; nothing when a value is not a date.
std::optional<std::vector<double>> ManagedObjectContext::Impl::dateKeys(const std::vector<ManagedObject*>& objects, int slot) {
    std::vector<double> seconds;
    seconds.reserve(objects.size());
    for (ManagedObject* o : objects) {
        const Value& key = o->attributeValue(slot);
        if (key.isNull()) {
            seconds.push_back(-std::numeric_limits<double>::infinity());
        } else if (auto date = key.asDate()) {
            seconds.push_back(date->timeIntervalSince1970());
        } else {
            return std::nullopt;
        }
    }
    return seconds;
}

// Sort keys read once per object into one flat table (row i, column j at
// i * columns + j). A plain attribute of the entity is read straight from
// its slot (the same in every sub-entity); key paths go through
// valueForKeyPath.
std::vector<Value> ManagedObjectContext::Impl::sortKeys(const std::vector<ManagedObject*>& objects,
                                                       const std::vector<SortDescriptor>& descriptors,
                                                       const std::vector<int>& slots) {
    std::vector<Value> keys;
    keys.reserve(objects.size() * descriptors.size());
    for (ManagedObject* o : objects) {
        for (size_t c = 0; c < descriptors.size(); ++c) {
            const SortDescriptor& d = descriptors[c];
            Value v = slots[c] >= 0 ? o->attributeValue(slots[c]) : o->valueForKeyPath(d.keyPath);
            if (d.comparison == SortDescriptor::Comparison::CaseInsensitiveCompare && v.asString() != nullptr) {
                v = Value(foldText(*v.asString(), true, false));
            }
            keys.push_back(std::move(v));
        }
    }
    return keys;
}


FetchCandidates ManagedObjectContext::Impl::candidates(const FetchRequest& request, const EntityDescription& entity) const {
    // An inverse set when the predicate pins a to-one key to an object (the
    // smallest such set), every object of the table otherwise.
    FetchCandidates out;
    if (!request.predicate) return out;
    for (const auto& term : request.predicate->keyEqualsObjectTerms()) {
        const RelationshipDescription* relationship = entity.relationshipNamed(term.key);
        if (relationship == nullptr || relationship->isToMany || !relationship->inverse->isToMany) continue;
        if (term.object == nullptr || term.object->context_ != owner) continue;
        if (!term.object->entity().isKindOfEntity(relationship->destination)) {
            out.noneCanMatch = true;
            return out;
        }
        const ObjectSet& set = term.object->toMany(relationship->inverse->slot);
        if (out.set == nullptr || set.size() < out.set->size()) {
            out.set = &set;
            out.setIsWholePredicate = term.isWholePredicate;
        }
    }
    return out;
}

std::vector<ManagedObject*> ManagedObjectContext::Impl::filter(const FetchRequest& request, const EntityDescription& entity,
                                                                const FetchCandidates& candidates) const {
    std::vector<ManagedObject*> result;
    auto consider = [&](ManagedObject* o) {
        if (o->deleted_) return;
        if (request.includesSubentities ? !o->entity().isKindOfEntity(&entity) : &o->entity() != &entity) return;
        if (request.predicate && !candidates.setIsWholePredicate && !request.predicate->evaluate(o)) return;
        result.push_back(o);
    };
    if (candidates.set != nullptr) {
        for (ManagedObject* o : *candidates.set) consider(o);
    } else if (auto table = tables.find(entity.rootEntity()); table != tables.end()) {
        for (const auto& [key, o] : table->second.objects) consider(o.get());
    }
    return result;
}

void ManagedObjectContext::Impl::sort(std::vector<ManagedObject*>& result, const FetchRequest& request,
                                       const EntityDescription& entity) {
    const std::vector<SortDescriptor>& descriptors = request.sortDescriptors;
    const size_t columns = descriptors.size();
    std::vector<int> slots;
    for (const SortDescriptor& d : descriptors) {
        const AttributeDescription* attribute = entity.attributeNamed(d.keyPath);
        slots.push_back(attribute != nullptr ? attribute->slot : -1);
    }
    size_t wanted = request.fetchLimit == 0 ? result.size() : std::min(result.size(), request.fetchOffset + request.fetchLimit);
    auto byCreation = [&](size_t a, size_t b) { return result[a]->primaryKey() < result[b]->primaryKey(); };
    std::vector<size_t> rows;
    std::optional<std::vector<double>> seconds = columns == 1 && slots[0] >= 0 ? dateKeys(result, slots[0]) : std::nullopt;
    if (seconds) {
        bool ascending = descriptors[0].ascending;
        rows = orderedRows(result.size(), wanted, [&](size_t a, size_t b) {
            const std::vector<double>& s = *seconds;
            if (s[a] != s[b]) return ascending ? s[a] < s[b] : s[a] > s[b];
            return byCreation(a, b);
        });
    } else {
        std::vector<Value> keys = sortKeys(result, descriptors, slots);
        rows = orderedRows(result.size(), wanted, [&](size_t a, size_t b) {
            for (size_t c = 0; c < columns; ++c) {
                std::strong_ordering order = compareKeys(keys[a * columns + c], keys[b * columns + c]);
                if (order != 0) return descriptors[c].ascending ? order < 0 : order > 0;
            }
            return byCreation(a, b);
        });
    }
    std::vector<ManagedObject*> sorted;
    sorted.reserve(rows.size());
    for (size_t r : rows) sorted.push_back(result[r]);
    result = std::move(sorted);
}

void ManagedObjectContext::Impl::applyWindow(std::vector<ManagedObject*>& result, size_t offset, size_t limit) {
    if (offset > 0) {
        if (offset >= result.size()) {
            result.clear();
            return;
        }
        result.erase(result.begin(), result.begin() + static_cast<long>(offset));
    }
    if (limit > 0 && result.size() > limit) result.resize(limit);
}


size_t ManagedObjectContext::countForFetchRequest(const FetchRequest& request) {
    FetchRequest unsorted = request;
    unsorted.sortDescriptors.clear();
    return executeFetchRequest(unsorted).size();
}

bool ManagedObjectContext::scanSavedValues(std::string_view entityName, std::vector<std::string> keyPaths,
                                           const StoreValueScan::Row& row, std::string* error) {
    processPendingChanges();
    const EntityDescription* entity = model_->entityNamed(entityName);
    if (entity == nullptr || !impl_->store || hasChanges()) return false;
    StoreValueScan scan;
    scan.root = entity->rootEntity();
    scan.keyPaths = std::move(keyPaths);
    return impl_->store->scanValues(scan, row, error);
}

int ManagedObjectContext::addChangeListener(ChangeListener listener) {
    int token = impl_->nextListener++;
    impl_->listeners[token] = std::move(listener);
    return token;
}

int ManagedObjectContext::addChangeListener(ObjectChangeListener listener) {
    int token = impl_->nextListener++;
    impl_->objectListeners[token] = std::move(listener);
    return token;
}

void ManagedObjectContext::removeChangeListener(int token) {
    impl_->listeners.erase(token);
    impl_->objectListeners.erase(token);
    if (impl_->objectListeners.empty()) impl_->changedObjects.clear();
}

ManagedObject* ManagedObjectContext::registeredObject(const EntityDescription& root, int64_t primaryKey) const {
    auto table = impl_->tables.find(&root);
    if (table == impl_->tables.end()) return nullptr;
    auto found = table->second.objects.find(primaryKey);
    if (found == table->second.objects.end() || found->second->deleted_) return nullptr;
    return found->second.get();
}

std::vector<ManagedObject*> ManagedObjectContext::allObjects() const {
    impl_->completeAllTables();
    std::vector<ManagedObject*> all;
    for (const auto& entity : model_->entities()) {
        if (entity->superentity() != nullptr) continue;
        auto table = impl_->tables.find(entity.get());
        if (table == impl_->tables.end()) continue;
        for (const auto& [key, o] : table->second.objects) {
            if (!o->deleted_) all.push_back(o.get());
        }
    }
    return all;
}

}  // namespace tallo
