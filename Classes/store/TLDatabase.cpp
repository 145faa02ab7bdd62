#include "Classes/store/TLDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

// The typed finders answer accounts and categories: the entity classes are
// one model (the generated factory makes every one of them), so the store
// sees their declarations, never their ledger logic.
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/store/TLSecurityInfo.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/objectstore/SqliteStore.h"

namespace tallo {

// Generated with the accessor classes from the same declaration.
std::unique_ptr<ManagedObject> makeEntityObject(const EntityDescription& entity);
extern const char* const kGeneratedModelHash;

namespace {

std::mutex gCreation;
std::unique_ptr<TLDatabase> gShared;

std::shared_ptr<const Predicate> constantPredicate(const char* format) {
    std::string error;
    auto predicate = Predicate::parse(format, {}, &error);
    if (!predicate) InternalError::report(std::string("bad predicate ") + format + ": " + error);
    return predicate;
}

}  // namespace

TLDatabase& TLDatabase::sharedDatabase() {
    std::lock_guard lock(gCreation);
    if (!gShared) gShared.reset(new TLDatabase());
    return *gShared;
}

void TLDatabase::resetSharedDatabase() {
    std::lock_guard lock(gCreation);
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
    std::filesystem::create_directories(applicationDocumentsDirectory());
    auto store = SqliteStore::open(urlToSqliteFile(), model_, &error);
    hasStore_ = store != nullptr;
    storeError_ = hasStore_ ? "" : error;
    if (!hasStore_) std::fprintf(stderr, "tallo: the store cannot be opened and is left as it is: %s\n", error.c_str());
    context_ = std::make_unique<ManagedObjectContext>(model_, makeEntityObject, std::move(store));
    if (!context_->load(&error)) {
        std::fprintf(stderr, "tallo: the store cannot be read and is left as it is: %s\n", error.c_str());
        hasStore_ = false;
        storeError_ = error;
        context_ = std::make_unique<ManagedObjectContext>(model_, makeEntityObject);
    }
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
    storeError_.clear();
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

std::vector<TLAccount*> TLDatabase::getAccounts() {
    static const auto listed = constantPredicate("type != 20");
    std::vector<TLAccount*> accounts;
    for (ManagedObject* object : fetchEntityCustom("Account", listed, {{"order", true}})) {
        accounts.push_back(static_cast<TLAccount*>(object));
    }
    return accounts;
}

TLAccount* TLDatabase::getDefaultAccount() {
    for (TLAccount* account : getAccounts()) {
        if (!account->isNotSupported()) return account;
    }
    return nullptr;
}

TLCategory* TLDatabase::getCategoryWithName(const std::string& name) {
    auto predicate = Predicate::parse("name like[cd] %@", {Value(name)});
    std::vector<ManagedObject*> found = fetchEntityCustom("Category", predicate);
    return found.empty() ? nullptr : static_cast<TLCategory*>(found.back());
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
