#include "Classes/store/TLDatabase.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>

#include "Classes/store/TLSecurityInfo.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/AtomicFile.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/SharedInstance.h"
#include "Platform/objectstore/SqliteStore.h"
#include "Platform/objectstore/StoreRowCheck.h"

namespace tallo {

// Generated with the accessor classes from the same declaration.
std::unique_ptr<ManagedObject> makeEntityObject(const EntityDescription& entity);
extern const char* const kGeneratedModelHash;

namespace {

SharedInstance<TLDatabase> gShared;

}  // namespace

TLDatabase& TLDatabase::sharedDatabase() {
    return gShared.get([] { return new TLDatabase(); });
}

void TLDatabase::resetSharedDatabase() {
    gShared.reset();
}

std::string TLDatabase::applicationDocumentsDirectory() const { return ApplicationHome::current().documentsPath(); }

std::string TLDatabase::urlToSqliteFile() const {
    return (std::filesystem::path(applicationDocumentsDirectory()) / "TalloMobile2.sqlite").string();
}

std::string TLDatabase::urlToFastSyncStore() const {
    return (std::filesystem::path(applicationDocumentsDirectory()) / "TalloMobile2.fastsyncstore").string();
}

std::string TLDatabase::urlToCurrentModel() const { return Bundle::pathForResource("Database2", "mom").value_or(""); }

void TLDatabase::build() {
    if (context_) return;
    std::string error;
    if (!model_) {
        model_ = Model::loadFile(urlToCurrentModel(), &error);
        if (!model_) {
            InternalError::report("cannot load the model: " + error);
            return;
        }
        if (model_->versionHash() != kGeneratedModelHash) {
            InternalError::report("the model file does not match the program's classes");
            model_.reset();
            return;
        }
    }
    std::error_code ignored;
    std::filesystem::create_directories(applicationDocumentsDirectory(), ignored);
    // A received store still under its temporary name was cut off before it
    // was checked: it is never used.
    std::filesystem::remove(urlToSqliteFile() + ".received", ignored);
    if (openAndLoad(&error) || recoverFromPreviousStore(error)) return;
    std::fprintf(stderr, "tallo: the store cannot be opened and is left as it is: %s\n", error.c_str());
    hasStore_ = false;
    storeError_ = error;
    context_ = std::make_unique<ManagedObjectContext>(model_, makeEntityObject);
}

bool TLDatabase::openAndLoad(std::string* error) {
    // A register and its search read an account's transactions newest first;
    // a budget month or a report reads the transactions of a span of days.
    SqliteStoreOptions options;
    options.orderedIndexes = {{"Transaction", "account", "transactionDate"}, {"Transaction", "", "transactionDate"}};
    // The file as this program left it was checked then; any other is checked now.
    options.skipCheckOfUnchangedFile = true;
    auto store = SqliteStore::open(urlToSqliteFile(), model_, error, options);
    if (!store) return false;
    bool readOnly = store->isReadOnly();
    auto context = std::make_unique<ManagedObjectContext>(model_, makeEntityObject, std::move(store));
    // The tables that grow with the book are read as screens need their rows,
    // so opening costs what the first screen reads.
    context->readOnDemand({"Transaction", "Split", "TransactionRate"});
    if (!context->load(error)) return false;
    context_ = std::move(context);
    hasStore_ = true;
    readOnly_ = readOnly;
    storeError_.clear();
    if (readOnly_) std::fprintf(stderr, "tallo: %s cannot be written to: changes are not saved\n", urlToSqliteFile().c_str());
    return true;
}

bool TLDatabase::recoverFromPreviousStore(const std::string& why) {
    const std::string store = urlToSqliteFile();
    const std::string previous = store + ".previous";
    const std::string refused = store + ".refused";
    std::error_code missing;
    if (!std::filesystem::is_regular_file(previous, missing)) return false;
    std::string error;
    if (!storeFileLoads(previous, model_, &error)) {
        std::fprintf(stderr, "tallo: the kept store %s does not load either: %s\n", previous.c_str(), error.c_str());
        return false;
    }
    // The unloadable file is kept under its own name, never deleted: it may
    // still hold what a person wants back.
    if (std::rename(store.c_str(), refused.c_str()) != 0 || std::rename(previous.c_str(), store.c_str()) != 0) {
        std::fprintf(stderr, "tallo: cannot put %s back in place: %s\n", previous.c_str(), std::strerror(errno));
        return false;
    }
    syncFolder(applicationDocumentsDirectory());
    if (!openAndLoad(&error)) return false;
    recoveryNote_ = "The store did not load (" + why + "). It is kept as " + refused +
                    "; the store from before the last sync is in use.";
    std::fprintf(stderr, "tallo: %s\n", recoveryNote_.c_str());
    return true;
}

bool TLDatabase::storeFileLoads(const std::string& path, std::shared_ptr<const Model> model, std::string* error) {
    // Opened as the store would be (with its quick check), so a kept store
    // put back by the recovery is one the opening will take.
    auto store = SqliteStore::open(path, model, error);
    return store && StoreRowCheck::checkEveryRow(*store, error);
}

ManagedObjectContext* TLDatabase::context() {
    build();
    return context_.get();
}

std::shared_ptr<const Model> TLDatabase::managedObjectModel() {
    build();
    return model_;
}

bool TLDatabase::hasPersistentStore() {
    build();
    return hasStore_;
}

bool TLDatabase::isReadOnly() {
    build();
    return readOnly_;
}

ManagedObject* TLDatabase::createObjectForEntity(const std::string& entityName) {
    ManagedObjectContext* c = context();
    return c != nullptr ? c->insertNewObjectForEntityForName(entityName) : nullptr;
}

void TLDatabase::deleteObject(ManagedObject* object) {
    ManagedObjectContext* c = context();
    if (c == nullptr || object == nullptr) return;
    c->deleteObject(object);
    c->processPendingChanges();
}

void TLDatabase::save() {
    if (!context_ || !context_->hasChanges()) return;
    // A read-only store keeps its changes in memory for this run only; the
    // page told the person so when the store opened.
    if (readOnly_) return;
    std::string error = storeError_;
    if (!hasStore_ || !context_->save(&error)) {
        // Nothing is retried and nothing is shown: the process ends, and the
        // file keeps its last saved state.
        std::fprintf(stderr, "tallo: saving the store failed: %s\n", error.c_str());
        std::fflush(stderr);
        std::_Exit(-1);
    }
}

void TLDatabase::rollback() {
    if (context_) context_->rollback();
}

void TLDatabase::reloadData() {
    securityInfo_ = nullptr;
    context_.reset();
    model_.reset();
    hasStore_ = false;
    readOnly_ = false;
    storeError_.clear();
    recoveryNote_.clear();
    for (const auto& hook : reloadHooks_) hook();
}

void TLDatabase::addReloadHook(std::function<void()> hook) { reloadHooks_.push_back(std::move(hook)); }

std::vector<ManagedObject*> TLDatabase::fetchEntityCustom(const std::string& entityName,
                                                          std::shared_ptr<const Predicate> predicate,
                                                          std::vector<SortDescriptor> sort, size_t fetchLimit,
                                                          size_t fetchOffset) {
    ManagedObjectContext* c = context();
    if (c == nullptr) return {};
    FetchRequest request{entityName, std::move(predicate), std::move(sort), fetchLimit, fetchOffset};
    return c->executeFetchRequest(request);
}

std::vector<ManagedObject*> TLDatabase::getAllObjectsWithEntityName(const std::string& entityName) {
    return fetchEntityCustom(entityName);
}

TLSecurityInfo* TLDatabase::securityInfo() {
    if (securityInfo_ != nullptr) return securityInfo_;
    std::vector<ManagedObject*> all = getAllObjectsWithEntityName("SecurityInfo");
    if (!all.empty()) {
        securityInfo_ = static_cast<TLSecurityInfo*>(all.back());
    } else {
        securityInfo_ = static_cast<TLSecurityInfo*>(createObjectForEntity("SecurityInfo"));
    }
    return securityInfo_;
}

}  // namespace tallo
