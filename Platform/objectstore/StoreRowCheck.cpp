#include "Platform/objectstore/StoreRowCheck.h"

#include "Platform/objectstore/Model.h"

namespace tallo {

bool StoreRowCheck::checkEveryRow(PersistentStore& store, std::string* error) {
    StoreRowCheck check;
    return store.load(check, error);
}

bool StoreRowCheck::loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                            std::string* error) {
    auto [last, first] = lastKey_.try_emplace(entity.rootEntity(), primaryKey);
    if (!first && last->second >= primaryKey) {
        if (error != nullptr) *error = entity.name() + " rows are not in key order at " + std::to_string(primaryKey);
        return false;
    }
    last->second = primaryKey;
    if (values.size() != static_cast<size_t>(entity.valueSlotCount())) {
        if (error != nullptr) *error = entity.name() + " row " + std::to_string(primaryKey) + " has the wrong number of values";
        return false;
    }
    ++rows_;
    return true;
}

// Pairs are two keys each, which the store has already read as integers.
bool StoreRowCheck::loadPair(const RelationshipDescription&, int64_t, int64_t, std::string*) { return true; }

}  // namespace tallo
