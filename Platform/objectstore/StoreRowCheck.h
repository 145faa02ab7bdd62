#pragma once
// StoreRowCheck: reads every row of a store the way a context's load would —
// each value decoded as its attribute's type by the store, each row with one
// value per slot of its entity, each table's rows in key order — without
// making objects of them, so a whole store file is known to load in the time
// of reading it and in the memory of one row.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Platform/objectstore/PersistentStore.h"

namespace tallo {

class StoreRowCheck : public StoreLoadSink {
public:
    // Feeds every row of `store` through the check; false with the first
    // problem otherwise.
    static bool checkEveryRow(PersistentStore& store, std::string* error);

    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values,
                 std::string* error) override;
    bool loadPair(const RelationshipDescription& relationship, int64_t ownerKey, int64_t targetKey,
                  std::string* error) override;

    // How many rows were read.
    uint64_t rows() const { return rows_; }

private:
    std::map<const EntityDescription*, int64_t> lastKey_;  // per root entity
    uint64_t rows_ = 0;
};

}  // namespace tallo
