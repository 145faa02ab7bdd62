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
    using Key = ManagedObjectContext::Impl::StoredKey;

public:
    // At least 256 keys, and more than a 64th of a table's rows: the table
    // is read whole.
    static constexpr size_t kWholeTableShare = 64;
    static constexpr size_t kWholeTableKeys = 256;

    explicit RowReader(ManagedObjectContext::Impl& impl) : impl_(impl) {}

    // A row whose object exists is left alone: its values are not even read,
    // unless they were dropped.
    bool knowsRow(const EntityDescription& entity, int64_t primaryKey) override {
        ManagedObject* known = impl_.find(entity.rootEntity(), primaryKey);
        if (known == nullptr || known->hollow_) return false;
        if (firstQuery_) rows_.push_back(known);
        return true;
    }

    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                 std::string* error) override {
        if (ManagedObject* known = impl_.find(entity.rootEntity(), primaryKey)) {
            if (known->hollow_) impl_.fillValues(*known, values);
            if (firstQuery_) rows_.push_back(known);
            return true;
        }
        auto object = impl_.objectFromRow(entity, primaryKey, values, keys_, error);
        if (object == nullptr) return false;
        object->unreadSets_ = impl_.unreadSetsOf(entity, true);
        ManagedObject* raw = object.get();
        impl_.tableOf(entity).objects.emplace(primaryKey, std::move(object));
        if (firstQuery_) rows_.push_back(raw);
        fresh_.push_back(raw);
        impl_.noteHeld(*raw);
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

void ManagedObjectContext::Impl::refill(const std::vector<ManagedObject*>& objects) {
    std::map<const EntityDescription*, StoreRowQuery> byTable;
    for (ManagedObject* object : objects) {
        if (!object->hollow_) continue;
        const EntityDescription* root = object->entity().rootEntity();
        StoreRowQuery& query = byTable[root];
        query.kind = StoreRowQuery::Kind::PrimaryKeys;
        query.root = root;
        query.keys.push_back(object->primaryKey());
    }
    for (auto& [root, query] : byTable) {
        // A good part of a table is read quicker whole: the rows that are
        // held are skipped without reading their values.
        if (query.keys.size() >= RowReader::kWholeTableKeys &&
            query.keys.size() * RowReader::kWholeTableShare > static_cast<size_t>(tableOf(*root).nextPrimaryKey)) {
            query.kind = StoreRowQuery::Kind::AllRows;
            query.keys.clear();
        }
        readRows(query);
    }
    for (ManagedObject* object : objects) {
        if (!object->hollow_) continue;
        // Its row is gone from the store behind the context's back: the
        // object reads as nil rather than as memory it does not have.
        InternalError::report("the row of " + object->objectIDString() + " is gone from the store");
        std::vector<Value> nils(static_cast<size_t>(object->entity().valueSlotCount()));
        fillValues(*object, nils);
    }
}

void ManagedObjectContext::Impl::refillCandidates(const FetchCandidates& candidates, const EntityDescription& entity) {
    auto table = tables.find(entity.rootEntity());
    if (table == tables.end() || table->second.hollowCount == 0) return;
    std::vector<ManagedObject*> hollow;
    if (candidates.set != nullptr) {
        for (ManagedObject* object : *candidates.set) {
            if (object->hollow_) hollow.push_back(object);
        }
    } else {
        for (const auto& [key, object] : table->second.objects) {
            if (object->hollow_) hollow.push_back(object.get());
        }
    }
    refill(hollow);
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

// A bound the store can compare as the predicate does: a date against a
// date column, a number against a 64-bit integer or double column.
bool boundsInStore(const AttributeDescription* attribute, const Value& value) {
    if (attribute == nullptr || attribute->isTransient) return false;
    switch (attribute->type) {
        case AttributeType::Date: return value.kind() == Value::Kind::Date;
        case AttributeType::Integer64: return value.kind() == Value::Kind::Integer;
        case AttributeType::Double: return value.kind() == Value::Kind::Double;
        default: return false;
    }
}

}  // namespace

// Two kinds of fetch read from the store what they show, no more:
// - a page of one owner's rows (`key == object` while the object's set is
//   unread, with a limit, in an order the store can give: a register page or
//   a search page);
// - the rows within bounds on attributes (`date >= from AND date <= to`):
//   a month's transactions.
// Texts the rows must contain and bounds narrow the read in the store; the
// whole predicate is still asked of each row read. Rows whose objects
// changed (or were deleted) since the last save may stand anywhere in the
// store's order, so they are skipped there and every changed or new object
// is considered on its own; a page reads the unchanged rows a chunk at a
// time, only until it has as many as it shows (offset + limit) that match
// -- any later one sorts after those. The result is then made as any fetch
// is: sorted and windowed.
bool ManagedObjectContext::Impl::pageFromStore(const FetchRequest& request, const EntityDescription& entity,
                                               std::vector<ManagedObject*>* page) {
    if (!request.predicate || !request.includesSubentities) return false;
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
    // An owner's set in memory answers a page unless some of its rows were
    // dropped: the store's index then gives the page without reading them.
    bool byKey = relationship != nullptr && !target->isInserted() &&
                 (target->isSetUnread(relationship->inverse->slot) || tableOf(entity).hollowCount != 0);
    StoreRowQuery query;
    query.root = &entity;
    for (const Predicate::KeyContainsText& term : request.predicate->keyContainsTextTerms()) {
        const AttributeDescription* attribute = entity.attributeNamed(term.key);
        if (attribute == nullptr || attribute->isTransient || attribute->type != AttributeType::String) continue;
        query.contains.push_back({attribute, term.text, term.foldCase, term.foldDiacritics});
    }
    for (const Predicate::KeyBound& term : request.predicate->keyBoundTerms()) {
        const AttributeDescription* attribute = entity.attributeNamed(term.key);
        if (boundsInStore(attribute, term.value)) query.bounds.push_back({attribute, term.value, term.lower, term.inclusive});
    }
    // A limit the store can apply needs its order.
    bool ordered = request.fetchLimit > 0;
    for (const SortDescriptor& descriptor : request.sortDescriptors) {
        const AttributeDescription* attribute = entity.attributeNamed(descriptor.keyPath);
        if (!sortsAsNumber(attribute) || descriptor.comparison != SortDescriptor::Comparison::Compare) ordered = false;
        query.orderBy.push_back({attribute, descriptor.ascending});
    }
    if (!ordered) query.orderBy.clear();
    if (byKey) {
        if (!ordered) return false;  // the owner's set, read once, answers it
        query.kind = StoreRowQuery::Kind::ForeignKey;
        query.keys = {target->primaryKey()};
        query.toOne = relationship;
    } else {
        // An owner whose set is in memory answers from that set. Otherwise,
        // read whole or not, the table's rows within bounds come quicker
        // from the store's index than from a look at every object.
        if (relationship != nullptr || query.bounds.empty()) return false;
        query.kind = StoreRowQuery::Kind::Matching;
    }
    const size_t shown = ordered ? request.fetchOffset + request.fetchLimit : 0;
    const size_t slot = relationship != nullptr ? static_cast<size_t>(entity.storageIndex(relationship->slot)) : 0;
    auto changedSinceSave = [](const ManagedObject* object) {
        return object->deleted_ || object->snapshot_ != nullptr || object->isInserted();
    };
    auto matches = [&](ManagedObject* object) {
        if (object->deleted_ || (relationship != nullptr && object->toOnes_[slot] != target)) return false;
        return whole || request.predicate->evaluate(object);
    };
    ObjectSet found;
    size_t unchangedMatches = 0;
    if (!ordered) {
        query.limit = 0;
    } else {
        query.limit = whole || !query.contains.empty() || !query.bounds.empty() ? shown : std::max<size_t>(4 * shown, 256);
    }
    while (true) {
        std::vector<ManagedObject*> rows = readRows(query);
        for (ManagedObject* object : rows) {
            if (changedSinceSave(object) || !matches(object)) continue;
            found.insert(object);
            ++unchangedMatches;
        }
        if (!ordered || unchangedMatches >= shown || rows.size() < query.limit) break;
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
void ManagedObjectContext::readSet(ManagedObject* owner, int setSlot) { readSets({owner}, setSlot); }

// Each set as the store has it, then as the unsaved changes make it: a row
// that now names another owner (or is deleted) leaves, a changed or new
// object that names its owner joins. Owners are asked for a few hundred at
// a time, in one query each.
void ManagedObjectContext::readSets(const std::vector<ManagedObject*>& owners, int setSlot) {
    if (owners.empty()) return;
    for (ManagedObject* owner : owners) owner->unreadSets_ &= ~(uint64_t{1} << setSlot);
    const RelationshipDescription* relationship = nullptr;
    for (const RelationshipDescription* candidate : owners.front()->entity().relationships()) {
        if (candidate->isToMany && candidate->slot == setSlot) relationship = candidate;
    }
    if (relationship == nullptr || relationship->inverse == nullptr || relationship->inverse->isToMany) return;
    const RelationshipDescription& inverse = *relationship->inverse;
    const EntityDescription* root = relationship->destination->rootEntity();
    std::unordered_map<ManagedObject*, ObjectSet*> sets;
    for (ManagedObject* owner : owners) {
        ObjectSet& set = owner->sets_[static_cast<size_t>(setSlot)];
        set.clear();
        sets.emplace(owner, &set);
    }
    // The owner an object names through the inverse, when it is one of these.
    auto ownerOf = [&](ManagedObject* object) -> ObjectSet* {
        if (object->deleted_ || !object->entity().isKindOfEntity(relationship->destination)) return nullptr;
        ManagedObject* named = object->toOnes_[static_cast<size_t>(object->entity().storageIndex(inverse.slot))];
        auto found = sets.find(named);
        return found == sets.end() ? nullptr : found->second;
    };
    constexpr size_t kOwnersAQuery = 500;
    for (size_t first = 0; first < owners.size(); first += kOwnersAQuery) {
        StoreRowQuery query;
        query.kind = StoreRowQuery::Kind::ForeignKey;
        query.root = root;
        query.toOne = &inverse;
        for (size_t i = first; i < std::min(owners.size(), first + kOwnersAQuery); ++i) query.keys.push_back(owners[i]->primaryKey());
        for (ManagedObject* object : impl_->readRows(query)) {
            if (ObjectSet* set = ownerOf(object)) set->insert(object);
        }
    }
    for (const std::vector<ManagedObject*>* list : {&impl_->inserted, &impl_->changed}) {
        for (ManagedObject* object : *list) {
            if (object->entity().rootEntity() != root) continue;
            if (ObjectSet* set = ownerOf(object)) set->insert(object);
        }
    }
}

void ManagedObjectContext::prefetchToMany(const std::vector<ManagedObject*>& owners, std::string_view key) {
    std::map<std::pair<const EntityDescription*, int>, std::vector<ManagedObject*>> unread;
    std::vector<ManagedObject*> hollow;  // members of sets read before whose values were dropped
    for (ManagedObject* owner : owners) {
        if (owner == nullptr || owner->context_ != this || owner->deleted_) continue;
        const RelationshipDescription* relationship = owner->entity().relationshipNamed(key);
        if (relationship == nullptr || !relationship->isToMany) continue;
        if (owner->isSetUnread(relationship->slot)) {
            unread[{&owner->entity(), relationship->slot}].push_back(owner);
        } else if (impl_->tableOf(*relationship->destination).hollowCount != 0) {
            for (ManagedObject* member : owner->sets_[static_cast<size_t>(relationship->slot)]) {
                if (member->hollow_) hollow.push_back(member);
            }
        }
    }
    for (const auto& [entityAndSlot, group] : unread) readSets(group, entityAndSlot.second);
    impl_->refill(hollow);
}

}  // namespace tallo
