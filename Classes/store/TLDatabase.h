#pragma once
// TLDatabase: the one store of the application — the model, the SQLite store
// "Documents/TalloMobile2.sqlite" of the current application home and the
// single context over them, built on first use. Every fetch, insert, delete
// and save of the application goes through it. Main thread only.
//
// A store file that cannot be opened (not a store of this model, damaged) is
// never overwritten. When a store kept from before the last sync lies beside
// it ("TalloMobile2.sqlite.previous") and loads, the unloadable file is moved
// aside as "TalloMobile2.sqlite.refused" and the kept one is opened in its
// place (a sync cut off between putting a store in place and loading it);
// recoveryNote() says so. Otherwise the context works without a store, and
// the first save that has something to write ends the process with status
// −1, as any failed save does.
//
// A store file the program may read but not write (its permissions, or its
// folder's) is opened read-only: isReadOnly() is true, and save() discards
// the changes instead of ending the process.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/FetchRequest.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

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
    // Whether the store was opened read-only (see above).
    bool isReadOnly();
    // What the opening had to do to find a loadable store ("" when nothing):
    // the previous store put back in place of one that does not load.
    const std::string& recoveryNote() const { return recoveryNote_; }

    // Whether the store file at `path` — not the one in use — opens (with its
    // quick check) and loads with `model` (this program's): every row read and
    // decoded as a load would (StoreRowCheck), without making objects. The
    // shared store is untouched. False with the reason otherwise.
    static bool storeFileLoads(const std::string& path, std::shared_ptr<const Model> model, std::string* error);

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
    // The one SecurityInfo object: the last stored one, or a new one.
    TLSecurityInfo* securityInfo();
    void setSecurityInfo(TLSecurityInfo* info) { securityInfo_ = info; }

private:
    TLDatabase() = default;
    void build();
    // Opens the store file and loads it into a new context; false (and no
    // context) when it does not load.
    bool openAndLoad(std::string* error);
    // The store does not load: put the previous store in its place when one
    // is kept and loads.
    bool recoverFromPreviousStore(const std::string& why);

    std::shared_ptr<const Model> model_;
    std::unique_ptr<ManagedObjectContext> context_;
    bool hasStore_ = false;
    bool readOnly_ = false;
    std::string storeError_;
    std::string recoveryNote_;
    TLSecurityInfo* securityInfo_ = nullptr;
    std::vector<std::function<void()>> reloadHooks_;
};

}  // namespace tallo
