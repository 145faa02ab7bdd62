// ManagedObjectContext, the tables read on demand: rows read into objects
// (RowReader), a table read whole, a to-many set read by its foreign key, and
// a register or search page read in order from the store.

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "Platform/foundation/InternalError.h"
#include "Platform/objectstore/ManagedObjectContextInternal.h"

namespace tallo {

// Reads rows of tables read on demand into objects. A row whose object
// exists already is left alone (its in-memory state is the one that
// counts); a new row's to-ones are resolved once the read is done, reading
// the rows they name in turn, and each new object is woken last.
class RowReader : public StoreLoadSink {
public:
    // At least 256 keys, and more than a 64th of a table's rows: the table
    // is read whole.
    static constexpr size_t kWholeTableShare = 64;
    static constexpr size_t kWholeTableKeys = 256;

    explicit RowReader(ManagedObjectContext::Impl& impl) : impl_(impl) {}

    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                 std::string* error) override {
        if (values.size() != static_cast<size_t>(entity.valueSlotCount())) {
            if (error != nullptr) *error = entity.name() + " row " + std::to_string(primaryKey) + " has the wrong number of values";
            return false;
        }
        if (ManagedObject* known = impl_.find(entity.rootEntity(), primaryKey)) {
            if (firstQuery_) rows_.push_back(known);
            return true;
        }
        auto object = impl_.make(entity, primaryKey, false);
        object->state_ = ManagedObject::State::Saved;
        object->unreadSets_ = impl_.unreadSetsOf(entity, true);
        for (int slot = 0; slot < entity.valueSlotCount(); ++slot) {
            Value& value = values[static_cast<size_t>(slot)];
            if (!entity.isToOneSlot(slot)) {
                object->values_[static_cast<size_t>(entity.storageIndex(slot))] = std::move(value);
            } else if (auto key = value.asInteger()) {
                keys_.push_back({object.get(), slot, *key});
            }
        }
        ManagedObject* raw = object.get();
        impl_.tableOf(entity).objects.emplace(primaryKey, std::move(object));
        if (firstQuery_) rows_.push_back(raw);
        fresh_.push_back(raw);
        return true;
    }

    bool loadPair(const RelationshipDescription&, int64_t, int64_t, std::string* error) override {
        if (error != nullptr) *error = "a table read on demand has no many-to-many pairs";
        return false;
    }

    // Reads what the query names, then every row the new objects name.
    bool read(const StoreRowQuery& query, std::string* error) {
        firstQuery_ = true;
        bool ok = impl_.store->loadRows(query, *this, error);
        firstQuery_ = false;
        if (!ok) return false;
        while (true) {
            std::map<const EntityDescription*, StoreRowQuery> named;
            for (size_t k = resolved_; k < keys_.size(); ++k) {
                const Key& key = keys_[k];
                const EntityDescription* root = key.object->entity().toOneAtSlot(key.slot)->destination->rootEntity();
                if (!impl_.isOnDemand(root) || impl_.find(root, key.targetKey) != nullptr) continue;
                if (wholeTables_.count(root) != 0) continue;
                if (!asked_.insert({root, key.targetKey}).second) continue;  // missing from the store: stays nil
                StoreRowQuery& next = named[root];
                next.kind = StoreRowQuery::Kind::PrimaryKeys;
                next.root = root;
                next.keys.push_back(key.targetKey);
            }
            resolved_ = keys_.size();
            if (named.empty()) break;
            for (auto& [root, next] : named) {
                // Rows named by a good part of a table (a category's splits
                // naming their transactions) are cheaper read as the whole
                // table than one by one.
                if (next.keys.size() >= kWholeTableKeys &&
                    next.keys.size() * kWholeTableShare > static_cast<size_t>(impl_.tableOf(*root).nextPrimaryKey)) {
                    wholeTables_.insert(root);
                } else if (!impl_.store->loadRows(next, *this, error)) {
                    return false;
                }
            }
        }
        return true;
    }

    // Links the new objects' to-ones (not their inverse sets: a set that is
    // read already holds every row naming its owner) and wakes them. Tables
    // to be read whole are read then, once the new objects are linked, and
    // the to-ones into them linked last.
    void finish() {
        std::vector<Key> waiting;
        for (const Key& key : keys_) {
            const RelationshipDescription* relationship = key.object->entity().toOneAtSlot(key.slot);
            const EntityDescription* root = relationship->destination->rootEntity();
            if (wholeTables_.count(root) != 0 && impl_.find(root, key.targetKey) == nullptr) {
                waiting.push_back(key);
                continue;
            }
            link(key, false);
        }
        keys_.clear();
        std::vector<ManagedObject*> fresh = std::move(fresh_);
        fresh_.clear();
        for (ManagedObject* object : fresh) object->awakeFromFetch();
        for (const EntityDescription* root : wholeTables_) impl_.completeTable(root);
        // Sets the whole read filled did not see these links yet.
        for (const Key& key : waiting) link(key, true);
    }

    const std::vector<ManagedObject*>& rows() const { return rows_; }

private:
    struct Key;
    void link(const Key& key, bool intoReadSets) {
        const RelationshipDescription* relationship = key.object->entity().toOneAtSlot(key.slot);
        ManagedObject* target = impl_.find(relationship->destination->rootEntity(), key.targetKey);
        if (target == nullptr || !target->entity().isKindOfEntity(relationship->destination)) return;
        key.object->toOnes_[static_cast<size_t>(key.object->entity().storageIndex(key.slot))] = target;
        const RelationshipDescription* inverse = relationship->inverse;
        if (intoReadSets && inverse->isToMany && !target->isSetUnread(inverse->slot)) {
            target->sets_[static_cast<size_t>(inverse->slot)].insert(key.object);
        }
    }

    struct Key {
        ManagedObject* object;
        int slot;
        int64_t targetKey;
    };
    ManagedObjectContext::Impl& impl_;
    std::vector<ManagedObject*> rows_;   // the objects of the rows the first query named
    std::vector<ManagedObject*> fresh_;  // objects made by this read
    std::vector<Key> keys_;
    size_t resolved_ = 0;
    bool firstQuery_ = false;
    std::set<const EntityDescription*> wholeTables_;
    std::set<std::pair<const EntityDescription*, int64_t>> asked_;
};

std::vector<ManagedObject*> ManagedObjectContext::Impl::readRows(const StoreRowQuery& query) {
    RowReader reader(*this);
    std::string error;
    bool ok = reader.read(query, &error);
    reader.finish();
    if (!ok) InternalError::report("reading " + query.root->name() + " rows from the store failed: " + error);
    return reader.rows();
}

void ManagedObjectContext::Impl::completeTable(const EntityDescription* root) {
    auto found = tables.find(root);
    if (found == tables.end() || !found->second.onDemand || found->second.complete) return;
    StoreRowQuery query;
    query.root = root;
    readRows(query);
    found->second.complete = true;
    // Every set still unread that points into this table is filled in one
    // pass over the table, instead of one read per set.
    std::unordered_map<ManagedObject*, uint64_t> filled;
    for (auto& [otherRoot, table] : tables) {
        for (auto& [key, object] : table.objects) {
            if (object->unreadSets_ == 0) continue;
            for (const RelationshipDescription* relationship : object->entity().relationships()) {
                if (!relationship->isToMany || !object->isSetUnread(relationship->slot)) continue;
                if (relationship->destination->rootEntity() != root) continue;
                uint64_t bit = uint64_t{1} << relationship->slot;
                object->unreadSets_ &= ~bit;
                object->sets_[static_cast<size_t>(relationship->slot)].clear();
                filled[object.get()] |= bit;
            }
        }
    }
    if (filled.empty()) return;
    for (auto& [key, object] : found->second.objects) {
        if (object->deleted_) continue;
        for (const RelationshipDescription* relationship : object->entity().relationships()) {
            if (relationship->isToMany || relationship->inverse == nullptr || !relationship->inverse->isToMany) continue;
            ManagedObject* target = object->toOnes_[static_cast<size_t>(object->entity().storageIndex(relationship->slot))];
            if (target == nullptr) continue;
            auto mask = filled.find(target);
            if (mask == filled.end() || ((mask->second >> relationship->inverse->slot) & 1U) == 0) continue;
            target->sets_[static_cast<size_t>(relationship->inverse->slot)].insert(object.get());
        }
    }
}

void ManagedObjectContext::Impl::completeAllTables() {
    std::vector<const EntityDescription*> roots;
    for (auto& [root, table] : tables) {
        if (table.onDemand && !table.complete) roots.push_back(root);
    }
    for (const EntityDescription* root : roots) completeTable(root);
}

namespace {

bool sortsAsNumber(const AttributeDescription* attribute) {
    if (attribute == nullptr || attribute->isTransient) return false;
    switch (attribute->type) {
        case AttributeType::Date:
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Boolean:
        case AttributeType::Double: return true;
        default: return false;
    }
}

}  // namespace

// The store gives the owner's rows in the request's order, a chunk at a
// time. Rows whose objects changed (or were deleted) since the last save may
// stand anywhere in that order, so they are skipped there and every changed
// or new object is considered on its own; the unchanged rows are read only
// until the page has as many as it shows (offset + limit) that match the
// predicate — any later one sorts after those. The page is then made as any
// fetch is: sorted and windowed.
bool ManagedObjectContext::Impl::pageFromStore(const FetchRequest& request, const EntityDescription& entity,
                                               std::vector<ManagedObject*>* page) {
    if (request.fetchLimit == 0 || !request.predicate || !request.includesSubentities) return false;
    if (entity.superentity() != nullptr || !isOnDemand(&entity)) return false;
    const RelationshipDescription* relationship = nullptr;
    ManagedObject* target = nullptr;
    bool whole = false;
    for (const auto& term : request.predicate->keyEqualsObjectTerms()) {
        if (term.object == nullptr || term.object->context_ != owner) continue;
        const RelationshipDescription* candidate = entity.relationshipNamed(term.key);
        if (candidate == nullptr || candidate->isToMany || candidate->inverse == nullptr || !candidate->inverse->isToMany) continue;
        if (!term.object->entity().isKindOfEntity(candidate->destination)) continue;
        relationship = candidate;
        target = term.object;
        whole = term.isWholePredicate;
    }
    if (relationship == nullptr || !target->isSetUnread(relationship->inverse->slot) || target->isInserted()) return false;
    StoreRowQuery query;
    query.kind = StoreRowQuery::Kind::ForeignKey;
    query.root = &entity;
    query.keys = {target->primaryKey()};
    query.toOne = relationship;
    for (const SortDescriptor& descriptor : request.sortDescriptors) {
        const AttributeDescription* attribute = entity.attributeNamed(descriptor.keyPath);
        if (!sortsAsNumber(attribute) || descriptor.comparison != SortDescriptor::Comparison::Compare) return false;
        query.orderBy.push_back({attribute, descriptor.ascending});
    }
    const size_t shown = request.fetchOffset + request.fetchLimit;
    const size_t slot = static_cast<size_t>(entity.storageIndex(relationship->slot));
    auto changedSinceSave = [](const ManagedObject* object) {
        return object->deleted_ || object->snapshot_ != nullptr || object->isInserted();
    };
    auto matches = [&](ManagedObject* object) {
        if (object->deleted_ || object->toOnes_[slot] != target) return false;
        return whole || request.predicate->evaluate(object);
    };
    ObjectSet found;
    size_t unchangedMatches = 0;
    query.limit = whole ? shown : std::max<size_t>(4 * shown, 256);
    while (true) {
        std::vector<ManagedObject*> rows = readRows(query);
        for (ManagedObject* object : rows) {
            if (changedSinceSave(object) || !matches(object)) continue;
            found.insert(object);
            ++unchangedMatches;
        }
        if (unchangedMatches >= shown || rows.size() < query.limit) break;
        query.offset += rows.size();
        query.limit = std::min<size_t>(query.limit * 2, 16384);
    }
    for (const std::vector<ManagedObject*>* list : {&inserted, &changed}) {
        for (ManagedObject* object : *list) {
            if (object->entity().rootEntity() == &entity && matches(object)) found.insert(object);
        }
    }
    *page = found.objects();
    if (!request.sortDescriptors.empty()) sort(*page, request, entity);
    applyWindow(*page, request.fetchOffset, request.fetchLimit);
    return true;
}

// The set as the store has it, then as the unsaved changes make it: a row
// that now names another owner (or is deleted) leaves, a changed or new
// object that names this owner joins.
void ManagedObjectContext::readSet(ManagedObject* owner, int setSlot) {
    owner->unreadSets_ &= ~(uint64_t{1} << setSlot);
    const RelationshipDescription* relationship = nullptr;
    for (const RelationshipDescription* candidate : owner->entity().relationships()) {
        if (candidate->isToMany && candidate->slot == setSlot) relationship = candidate;
    }
    if (relationship == nullptr || relationship->inverse == nullptr || relationship->inverse->isToMany) return;
    const RelationshipDescription& inverse = *relationship->inverse;
    const EntityDescription* root = relationship->destination->rootEntity();
    StoreRowQuery query;
    query.kind = StoreRowQuery::Kind::ForeignKey;
    query.root = root;
    query.keys = {owner->primaryKey()};
    query.toOne = &inverse;
    std::vector<ManagedObject*> rows = impl_->readRows(query);
    ObjectSet& set = owner->sets_[static_cast<size_t>(setSlot)];
    set.clear();
    auto belongs = [&](ManagedObject* object) {
        if (object->deleted_ || !object->entity().isKindOfEntity(relationship->destination)) return false;
        return object->toOnes_[static_cast<size_t>(object->entity().storageIndex(inverse.slot))] == owner;
    };
    for (ManagedObject* object : rows) {
        if (belongs(object)) set.insert(object);
    }
    for (const std::vector<ManagedObject*>* list : {&impl_->inserted, &impl_->changed}) {
        for (ManagedObject* object : *list) {
            if (object->entity().rootEntity() == root && belongs(object)) set.insert(object);
        }
    }
}

}  // namespace tallo
