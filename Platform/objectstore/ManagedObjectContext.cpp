#include "Platform/objectstore/ManagedObjectContext.h"

#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>

#include "Platform/foundation/InternalError.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

// Objects are owned per root entity (one table each), in primary-key order,
// which is creation order. Changes are tracked by lists of inserted,
// changed (snapshotted) and deleted objects, so save, rollback and
// hasChanges cost in proportion to what changed, never to the whole store.
struct ManagedObjectContext::Impl {
    struct Table {
        std::vector<std::unique_ptr<ManagedObject>> objects;  // by primary key
        int64_t nextPrimaryKey = 1;
    };

    ManagedObjectContext* owner = nullptr;
    ObjectFactory factory;
    std::unique_ptr<PersistentStore> store;
    std::map<const EntityDescription*, Table> tables;  // root entity → table
    std::vector<ManagedObject*> inserted;
    std::vector<ManagedObject*> changed;  // saved objects with a snapshot
    std::vector<ManagedObject*> pendingDeletes;
    std::vector<ManagedObject*> deleted;  // processed deletions
    std::set<const EntityDescription*> changedEntities;
    std::map<int, ChangeListener> listeners;
    int nextListener = 1;
    bool loading = false;

    Table& tableOf(const EntityDescription& entity) { return tables[entity.rootEntity()]; }

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

    ManagedObject* find(const EntityDescription* root, int64_t primaryKey) {
        auto table = tables.find(root);
        if (table == tables.end()) return nullptr;
        auto& objects = table->second.objects;
        auto found = std::lower_bound(objects.begin(), objects.end(), primaryKey,
                                      [](const std::unique_ptr<ManagedObject>& o, int64_t key) { return o->primaryKey() < key; });
        if (found == objects.end() || (*found)->primaryKey() != primaryKey) return nullptr;
        return found->get();
    }

    // Frees the given objects and removes them from their tables.
    void discard(const std::vector<ManagedObject*>& doomed) {
        if (doomed.empty()) return;
        std::set<ManagedObject*> gone(doomed.begin(), doomed.end());
        for (auto& [root, table] : tables) {
            std::erase_if(table.objects, [&](const std::unique_ptr<ManagedObject>& o) { return gone.count(o.get()) != 0; });
        }
    }

    void notify() {
        if (changedEntities.empty()) return;
        std::set<const EntityDescription*> entities;
        entities.swap(changedEntities);
        auto copy = listeners;
        for (auto& [token, listener] : copy) {
            if (listeners.count(token) != 0) listener(entities);
        }
    }
};

// Reads rows from a store into objects, then resolves keys to objects.
class ContextLoader : public StoreLoadSink {
public:
    explicit ContextLoader(ManagedObjectContext::Impl& impl) : impl_(impl) {}

    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                 std::string* error) override {
        if (values.size() != static_cast<size_t>(entity.valueSlotCount())) {
            if (error != nullptr) *error = entity.name() + " row " + std::to_string(primaryKey) + " has the wrong number of values";
            return false;
        }
        auto& table = impl_.tableOf(entity);
        if (!table.objects.empty() && table.objects.back()->primaryKey() >= primaryKey) {
            if (error != nullptr) *error = entity.name() + " rows are not in key order at " + std::to_string(primaryKey);
            return false;
        }
        auto object = impl_.make(entity, primaryKey, false);
        object->state_ = ManagedObject::State::Saved;
        // Attributes go to their places; to-one keys wait for every row to be in.
        for (int slot = 0; slot < entity.valueSlotCount(); ++slot) {
            Value& value = values[static_cast<size_t>(slot)];
            if (!entity.isToOneSlot(slot)) {
                object->values_[static_cast<size_t>(entity.storageIndex(slot))] = std::move(value);
            } else if (auto key = value.asInteger()) {
                keys_.push_back({object.get(), slot, *key});
            }
        }
        table.nextPrimaryKey = primaryKey + 1;
        table.objects.push_back(std::move(object));
        return true;
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
            int64_t largest = table.objects.back()->primaryKey();
            if (largest < 0 || static_cast<uint64_t>(largest) > 4 * table.objects.size() + 1024) continue;
            std::vector<ManagedObject*>& index = byKey[root];
            index.assign(static_cast<size_t>(largest) + 1, nullptr);
            for (auto& object : table.objects) index[static_cast<size_t>(object->primaryKey())] = object.get();
        }
        auto find = [&](const EntityDescription* root, int64_t key) -> ManagedObject* {
            auto index = byKey.find(root);
            if (index == byKey.end()) return impl_.find(root, key);
            if (key < 0 || static_cast<uint64_t>(key) >= index->second.size()) return nullptr;
            return index->second[static_cast<size_t>(key)];
        };
        for (const Key& key : keys_) {
            const EntityDescription& entity = key.object->entity();
            const RelationshipDescription* relationship = entity.toOneAtSlot(key.slot);
            if (relationship == nullptr) continue;
            ManagedObject* target = find(relationship->destination->rootEntity(), key.targetKey);
            // A dangling key reads as no target, as a missing object reads as nil.
            if (target == nullptr || !target->entity().isKindOfEntity(relationship->destination)) continue;
            key.object->toOnes_[static_cast<size_t>(entity.storageIndex(key.slot))] = target;
            // A one-to-one is stored on both sides, and each side loads its own.
            if (relationship->inverse->isToMany) {
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
    struct Key {
        ManagedObject* object;
        int slot;
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

bool ManagedObjectContext::load(std::string* error) {
    ++changeGeneration_;
    impl_->tables.clear();
    impl_->inserted.clear();
    impl_->changed.clear();
    impl_->pendingDeletes.clear();
    impl_->deleted.clear();
    if (!impl_->store) return true;
    ContextLoader loader(*impl_);
    impl_->loading = true;
    bool ok = impl_->store->load(loader, error) && loader.resolve(error);
    impl_->loading = false;
    if (!ok) {
        impl_->tables.clear();
        return false;
    }
    for (auto& [root, table] : impl_->tables) {
        for (auto& object : table.objects) object->awakeFromFetch();
    }
    return true;
}

void ManagedObjectContext::noteChange(ManagedObject* object) {
    ++changeGeneration_;
    if (impl_->loading) return;
    impl_->changedEntities.insert(&object->entity());
    if (object->state_ == ManagedObject::State::Saved && object->snapshot_ == nullptr) {
        object->snapshot_ = std::make_unique<ManagedObject::Snapshot>(
            ManagedObject::Snapshot{object->values_, object->toOnes_, object->sets_});
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
    auto object = impl_->make(*entity, table.nextPrimaryKey++, true);
    ManagedObject* raw = object.get();
    table.objects.push_back(std::move(object));
    impl_->inserted.push_back(raw);
    impl_->changedEntities.insert(entity);
    raw->awakeFromInsert();
    return raw;
}

void ManagedObjectContext::deleteObject(ManagedObject* object) {
    ++changeGeneration_;
    if (object == nullptr || object->deleted_ || object->context_ != this) return;
    if (std::find(impl_->pendingDeletes.begin(), impl_->pendingDeletes.end(), object) != impl_->pendingDeletes.end()) return;
    impl_->pendingDeletes.push_back(object);
    impl_->changedEntities.insert(&object->entity());
}

void ManagedObjectContext::processPendingChanges() {
    // Two phases: first every object to delete (following cascades) runs its
    // hook while the whole graph is still intact, so a transaction deleted
    // with its account still sees that account; then every relationship of
    // the deleted objects is cut on both sides.
    std::vector<ManagedObject*> closure;
    std::set<ManagedObject*> inClosure;
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
    for (ManagedObject* object : impl_->inserted) object->state_ = ManagedObject::State::Saved;
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
        object->values_ = std::move(object->snapshot_->values);
        object->toOnes_ = std::move(object->snapshot_->toOnes);
        object->sets_ = std::move(object->snapshot_->sets);
        object->snapshot_.reset();
        object->deleted_ = false;
    }
    for (ManagedObject* object : impl_->deleted) object->deleted_ = false;
    for (ManagedObject* object : impl_->inserted) impl_->changedEntities.insert(&object->entity());
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
    std::string error;
    if (!load(&error)) InternalError::report("reloading the store failed: " + error);
    impl_->notify();
}

std::vector<ManagedObject*> ManagedObjectContext::executeFetchRequest(const FetchRequest& request) {
    processPendingChanges();
    const EntityDescription* entity = model_->entityNamed(request.entityName);
    if (entity == nullptr) return {};
    auto matchesEntity = [&](const ManagedObject* o) {
        return request.includesSubentities ? o->entity().isKindOfEntity(entity) : &o->entity() == entity;
    };

    // Candidates: an inverse set when the predicate pins a to-one key to an
    // object, every object of the table otherwise.
    const ObjectSet* narrowed = nullptr;
    bool narrowedIsWhole = false;
    if (request.predicate) {
        for (const auto& term : request.predicate->keyEqualsObjectTerms()) {
            const RelationshipDescription* relationship = entity->relationshipNamed(term.key);
            if (relationship == nullptr || relationship->isToMany || !relationship->inverse->isToMany) continue;
            if (term.object == nullptr || term.object->context_ != this) continue;
            if (!term.object->entity().isKindOfEntity(relationship->destination)) return {};
            const ObjectSet& set = term.object->toMany(relationship->inverse->slot);
            if (narrowed == nullptr || set.size() < narrowed->size()) {
                narrowed = &set;
                narrowedIsWhole = term.isWholePredicate;
            }
        }
    }
    std::vector<ManagedObject*> result;
    auto consider = [&](ManagedObject* o) {
        if (o->deleted_ || !matchesEntity(o)) return;
        if (request.predicate && !narrowedIsWhole && !request.predicate->evaluate(o)) return;
        result.push_back(o);
    };
    if (narrowed != nullptr) {
        for (ManagedObject* o : *narrowed) consider(o);
    } else {
        auto table = impl_->tables.find(entity->rootEntity());
        if (table != impl_->tables.end()) {
            for (auto& o : table->second.objects) consider(o.get());
        }
    }

    if (!request.sortDescriptors.empty()) {
        // Sort keys are read once per object into one flat table (row i,
        // column j at i * columns + j), then row numbers are sorted. A plain
        // attribute of the entity is read straight from its slot (the same in
        // every sub-entity); key paths go through valueForKeyPath.
        const size_t columns = request.sortDescriptors.size();
        std::vector<int> slots;
        for (const SortDescriptor& d : request.sortDescriptors) {
            const AttributeDescription* attribute = entity->attributeNamed(d.keyPath);
            slots.push_back(attribute != nullptr ? attribute->slot : -1);
        }
        // One date attribute (a register by date) is read straight into plain
        // seconds, nil first; anything else goes through Values.
        std::vector<double> seconds;
        bool datesOnly = columns == 1 && slots[0] >= 0;
        if (datesOnly) {
            seconds.reserve(result.size());
            for (ManagedObject* o : result) {
                const Value& key = o->attributeValue(slots[0]);
                if (key.isNull()) {
                    seconds.push_back(-std::numeric_limits<double>::infinity());
                } else if (auto date = key.asDate()) {
                    seconds.push_back(date->timeIntervalSince1970());
                } else {
                    datesOnly = false;
                    break;
                }
            }
        }
        std::vector<Value> keys;
        if (!datesOnly) {
            keys.reserve(result.size() * columns);
            for (ManagedObject* o : result) {
                for (size_t c = 0; c < columns; ++c) {
                    const SortDescriptor& d = request.sortDescriptors[c];
                    Value v = slots[c] >= 0 ? o->attributeValue(slots[c]) : o->valueForKeyPath(d.keyPath);
                    if (d.comparison == SortDescriptor::Comparison::CaseInsensitiveCompare && v.asString() != nullptr) {
                        v = Value(foldText(*v.asString(), true, false));
                    }
                    keys.push_back(std::move(v));
                }
            }
        }
        std::vector<size_t> rows(result.size());
        for (size_t r = 0; r < rows.size(); ++r) rows[r] = r;
        size_t wanted = request.fetchLimit == 0 ? rows.size() : std::min(rows.size(), request.fetchOffset + request.fetchLimit);
        if (datesOnly) {
            bool ascending = request.sortDescriptors[0].ascending;
            auto byDate = [&](size_t a, size_t b) {
                if (seconds[a] != seconds[b]) return ascending ? seconds[a] < seconds[b] : seconds[a] > seconds[b];
                return result[a]->primaryKey() < result[b]->primaryKey();
            };
            if (wanted < rows.size()) {
                std::partial_sort(rows.begin(), rows.begin() + static_cast<long>(wanted), rows.end(), byDate);
                rows.resize(wanted);
            } else {
                std::sort(rows.begin(), rows.end(), byDate);
            }
        }
        auto less = [&](size_t a, size_t b) {
            for (size_t c = 0; c < columns; ++c) {
                const Value& x = keys[a * columns + c];
                const Value& y = keys[b * columns + c];
                std::strong_ordering order = std::strong_ordering::equal;
                if (x.isNull() != y.isNull()) {
                    order = x.isNull() ? std::strong_ordering::less : std::strong_ordering::greater;
                } else if (auto compared = compareValues(x, y)) {
                    order = *compared;
                }
                if (order == 0) continue;
                return request.sortDescriptors[c].ascending ? order < 0 : order > 0;
            }
            return result[a]->primaryKey() < result[b]->primaryKey();  // creation order breaks ties
        };
        if (!datesOnly && wanted < rows.size()) {
            std::partial_sort(rows.begin(), rows.begin() + static_cast<long>(wanted), rows.end(), less);
            rows.resize(wanted);
        } else if (!datesOnly) {
            std::sort(rows.begin(), rows.end(), less);
        }
        std::vector<ManagedObject*> sorted;
        sorted.reserve(rows.size());
        for (size_t r : rows) sorted.push_back(result[r]);
        result = std::move(sorted);
    }
    if (request.fetchOffset > 0) {
        if (request.fetchOffset >= result.size()) return {};
        result.erase(result.begin(), result.begin() + static_cast<long>(request.fetchOffset));
    }
    if (request.fetchLimit > 0 && result.size() > request.fetchLimit) result.resize(request.fetchLimit);
    return result;
}

size_t ManagedObjectContext::countForFetchRequest(const FetchRequest& request) {
    FetchRequest unsorted = request;
    unsorted.sortDescriptors.clear();
    return executeFetchRequest(unsorted).size();
}

int ManagedObjectContext::addChangeListener(ChangeListener listener) {
    int token = impl_->nextListener++;
    impl_->listeners[token] = std::move(listener);
    return token;
}

void ManagedObjectContext::removeChangeListener(int token) { impl_->listeners.erase(token); }

std::vector<ManagedObject*> ManagedObjectContext::allObjects() const {
    std::vector<ManagedObject*> all;
    for (const auto& entity : model_->entities()) {
        if (entity->superentity() != nullptr) continue;
        auto table = impl_->tables.find(entity.get());
        if (table == impl_->tables.end()) continue;
        for (const auto& o : table->second.objects) {
            if (!o->deleted_) all.push_back(o.get());
        }
    }
    return all;
}

}  // namespace tallo
