#pragma once
// TLDatabase: the one store of the application — the model, the SQLite store
// "Documents/TalloMobile2.sqlite" of the current application home and the
// single context over them, built on first use. Every fetch, insert, delete
// and save of the application goes through it. Main thread only.
//
// A store file that cannot be opened (not a store of this model, damaged) is
// never overwritten: the context then works without a store, and the first
// save that has something to write ends the process with status −1, as any
// failed save does.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/FetchRequest.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

class TLAccount;
class TLCategory;
class TLSecurityInfo;

class TLDatabase {
public:
    static TLDatabase& sharedDatabase();
    // Tests only: forgets the singleton, so the next use starts afresh from
    // the current application home.
    static void resetSharedDatabase();

    // Nothing when the model cannot be loaded.
    ManagedObjectContext* context();
    std::shared_ptr<const Model> managedObjectModel();
    // Whether the store file was opened (false: the context works in memory
    // and the first save ends the process); the reason in storeError().
    bool hasPersistentStore();
    const std::string& storeError() const { return storeError_; }

    std::string applicationDocumentsDirectory() const;
    std::string urlToSqliteFile() const;
    std::string urlToFastSyncStore() const;
    std::string urlToCurrentModel() const;

    // A new object of the entity, its insertion defaults run.
    ManagedObject* createObjectForEntity(const std::string& entityName);
    // Deletes and processes pending changes at once, so deletion hooks and
    // relationship clean-up have happened when it returns.
    void deleteObject(ManagedObject* object);
    // Saves when there is something to save; a failed save ends the process
    // with status −1.
    void save();
    // Every unsaved insertion, change and deletion is discarded.
    void rollback();
    // Drops the context, model and store, so the next use reads the file
    // again (after sync replaced it); then runs the reload hooks.
    void reloadData();
    // Called by reloadData after the stack was dropped (the rates cache).
    void addReloadHook(std::function<void()> hook);

    std::vector<ManagedObject*> fetchEntityCustom(const std::string& entityName,
                                                  std::shared_ptr<const Predicate> predicate = nullptr,
                                                  std::vector<SortDescriptor> sort = {}, size_t fetchLimit = 0,
                                                  size_t fetchOffset = 0);
    std::vector<ManagedObject*> getAllObjectsWithEntityName(const std::string& entityName);
    // Accounts for every list and choice: "type != 20", by "order".
    std::vector<TLAccount*> getAccounts();
    // The first account of getAccounts that is not an investment or loan account.
    TLAccount* getDefaultAccount();
    // The last category whose name is like[cd] `name` (* and ? wildcards).
    TLCategory* getCategoryWithName(const std::string& name);
    // The one SecurityInfo object: the last stored one, or a new one.
    TLSecurityInfo* securityInfo();
    void setSecurityInfo(TLSecurityInfo* info) { securityInfo_ = info; }

private:
    TLDatabase() = default;
    void build();

    std::shared_ptr<const Model> model_;
    std::unique_ptr<ManagedObjectContext> context_;
    bool hasStore_ = false;
    std::string storeError_;
    TLSecurityInfo* securityInfo_ = nullptr;
    std::vector<std::function<void()>> reloadHooks_;
};

}  // namespace tallo
