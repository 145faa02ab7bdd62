// A store file from elsewhere (a sync restore, a copied file) is checked,
// opened and loaded: whatever its bytes, that must end in a refusal with a
// reason or in rows the context can use, never in a crash.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "Platform/objectstore/SqliteStore.h"

namespace {

// The model of the saved corpus files: every attribute type, a sub-entity,
// a to-one/to-many pair and a many-to-many pair.
constexpr const char* kModel = R"(
model StoreFuzz version 2
entity Account TLAccount
  name          string
  balance       decimal
  order         integer16
  kind          integer32
  serial        integer64
  closed        boolean
  ratio         double
  opened        date
  picture       data
  transactions  ->> Transaction.account   cascade
  budgets       ->> Budget.accounts       nullify
entity Transaction TLTransaction
  amount        decimal
  account       -> Account.transactions   nullify
entity InvestmentTransaction TLInvestmentTransaction : Transaction
  shares        decimal
entity Budget TLBudget
  name          string
  accounts      ->> Account.budgets       nullify
)";

// Holds the store to what it promises a context: one value per slot and
// rows in key order within each table.
class CheckingSink : public tallo::StoreLoadSink {
public:
    bool loadRow(const tallo::EntityDescription& entity, int64_t primaryKey, std::vector<tallo::Value> values,
                 std::string*) override {
        if (values.size() != static_cast<size_t>(entity.valueSlotCount())) std::abort();
        auto [last, fresh] = lastKey_.emplace(entity.rootEntity(), primaryKey);
        if (!fresh) {
            if (last->second >= primaryKey) std::abort();
            last->second = primaryKey;
        }
        return true;
    }
    bool loadPair(const tallo::RelationshipDescription& relationship, int64_t, int64_t, std::string*) override {
        if (!relationship.isManyToMany()) std::abort();
        return true;
    }

private:
    std::map<const tallo::EntityDescription*, int64_t> lastKey_;
};

// One scratch folder for the run, removed at exit.
struct ScratchFolder {
    ScratchFolder() {
        path = (std::filesystem::temp_directory_path() / "tallo-storefuzz-XXXXXX").string();
        if (::mkdtemp(path.data()) == nullptr) std::abort();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::shared_ptr<const tallo::Model> model = tallo::Model::parseDeclaration(kModel);
    if (!model) std::abort();
    static ScratchFolder folder;
    std::string path = folder.path + "/input.sqlite";
    std::filesystem::remove(path + "-journal");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    std::string error;
    if (!tallo::SqliteStore::checkStoreFile(path, *model, &error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    tallo::SqliteStoreOptions options;
    options.integrityCheck = tallo::SqliteStoreOptions::IntegrityCheck::None;  // just checked in full
    auto store = tallo::SqliteStore::open(path, model, &error, options);
    if (!store) {
        if (error.empty()) std::abort();
        return 0;
    }
    CheckingSink sink;
    error.clear();
    if (!store->load(sink, &error) && error.empty()) std::abort();
    return 0;
}
