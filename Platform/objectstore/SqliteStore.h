#pragma once
// SqliteStore: the persistent store of the object store, one SQLite file.
//
// Layout of the file (every name upper-case, so a person can read it with
// the sqlite3 shell):
//
//   Z<ROOT>          one table per entity hierarchy, e.g. ZTRANSACTION for
//                    Transaction and its sub-entity InvestmentTransaction:
//                      Z_PK   INTEGER PRIMARY KEY  the object's primary key
//                      Z_ENT  TEXT                 the row's entity name
//                      Z<NAME>                     one column per stored
//                                                  attribute of the root and
//                                                  of every sub-entity, and
//                                                  one INTEGER per to-one
//                                                  relationship (the target's
//                                                  Z_PK), each of those indexed
//                    Sub-entities whose properties share a name but not a
//                    column type get Z<ENTITY>_<NAME> for the later one.
//   Z_<OWNER>_<REL>  one table per many-to-many pair, kept from the side the
//                    context writes (owner entity name first, then
//                    relationship name): Z_OWNER, Z_TARGET (the two primary
//                    keys), the pair being the key, Z_TARGET indexed.
//   Z_METADATA       Z_KEY / Z_VALUE: modelName, modelVersion, versionHash.
//
// Column types: decimals TEXT in exact plain notation ("12.50"), dates REAL
// seconds since 1970, booleans and integers INTEGER, doubles REAL, strings
// TEXT, data BLOB, nil NULL. Transient attributes have no column.
//
// The file keeps a rollback journal (journal_mode DELETE, never WAL) and is
// synced fully at every commit, so the file alone is always a complete,
// consistent store — the file that sync sends — and a process killed in the
// middle of a save leaves the last saved state (SQLite rolls the journal back
// at the next open). Foreign keys are not enforced by SQLite: the context
// keeps the relationships consistent.
//
// Main thread only (one store, one connection).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/PersistentStore.h"

struct sqlite3;

namespace tallo {

struct SqliteStoreOptions {
    enum class IntegrityCheck {
        Full,   // PRAGMA integrity_check: every page, every index against its table
        Quick,  // PRAGMA quick_check: every page and record, not index contents
        None,   // only the header, the metadata and the schema
    };
    // How thoroughly `open` reads an existing file before trusting it. Quick
    // by default: it finds torn and truncated files at a fifth of the full
    // check's cost (a 100k-transaction store: about 70 ms against 370 ms).
    // checkStoreFile runs Full unless asked otherwise.
    IntegrityCheck integrityCheck = IntegrityCheck::Quick;
    // Skips that check for a file exactly as this store last left it. The
    // store then records the file (device, inode, size, modification time
    // and SQLite's change counter, in "<file>-verified") after opening and
    // after every save; a file that differs in any of them — a save cut off
    // by a crash, a copy, a replacement, a change by another program — is
    // checked. What the skip cannot see is damage by the medium that leaves
    // all of them alone; SQLite still refuses pages it cannot read.
    bool skipCheckOfUnchangedFile = false;
    // How long a save waits for another connection's lock before failing.
    int busyTimeoutMilliseconds = 1000;
    // Indexes of a to-one's key then an attribute, for the reads that ask
    // for one object's rows in that attribute's order (an account's
    // transactions by date), or of an attribute alone (toOne ""), for the
    // reads of a range of its values (a month's transactions): `open` adds
    // the missing ones (named Z<ROOT>_Z<TOONE>_Z<ATTRIBUTE>_INDEX, or
    // Z<ROOT>_Z<ATTRIBUTE>_INDEX). They are the program's own: a file lacking
    // them is not incomplete, so checkStoreFile never asks for them.
    struct OrderedIndex {
        std::string entity;
        std::string toOne;
        std::string attribute;
    };
    std::vector<OrderedIndex> orderedIndexes;
};

class SqliteStore final : public PersistentStore {
public:
    // Opens the store at `path`, creating it with the model's schema when no
    // file is there (the file appears complete or not at all, readable by its
    // owner only; the folder must exist).
    //
    // An existing file is first opened read-only and refused — left byte for
    // byte as it was — when it is not SQLite, fails the integrity check,
    // holds triggers or views, lacks our metadata, names another model, was
    // written by a newer version of this model, or has a column whose type
    // this model reads differently. The one write that may come before these
    // checks is SQLite's own rollback of an interrupted save (a hot journal
    // beside the file), which restores the last committed state.
    //
    // A store written by another version of the same model is migrated in one
    // transaction: missing tables, columns and indexes are added, every row
    // is kept (new columns read as nil), and the metadata is updated. Columns
    // of properties the model no longer has are left in place, unread.
    //
    // Answers nothing and sets `error` (naming the file) on failure.
    static std::unique_ptr<SqliteStore> open(const std::string& path, std::shared_ptr<const Model> model,
                                             std::string* error = nullptr, SqliteStoreOptions options = {});

    // The read-only checks of `open`, with the integrity check asked for, for
    // a file received from elsewhere before it replaces the store. Stricter
    // than `open` in two ways: a file with an interrupted transaction (hot
    // journal) is refused, and so is one that lacks any table, column or
    // index of the model (open would add them; a received file like that is
    // incomplete, not old). Writes nothing.
    static bool checkStoreFile(const std::string& path, const Model& model, std::string* error = nullptr,
                               SqliteStoreOptions::IntegrityCheck check = SqliteStoreOptions::IntegrityCheck::Full);
    // Records `checkedFile`, which the caller has just checked in full, as a
    // file the store at `storePath` may open without its check
    // (skipCheckOfUnchangedFile) once it is renamed there: a rename keeps
    // everything the record names.
    static void recordCheckedFile(const std::string& checkedFile, const std::string& storePath);
    // Whether the file at `path` is exactly the one last recorded for it
    // (by a store that skips the check of an unchanged file, or by
    // recordCheckedFile): the opening will not check it.
    static bool isUnchangedSinceChecked(const std::string& path);

    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Feeds every row of every table, in primary-key order per table, then
    // every many-to-many pair. A stored value that cannot be read as its
    // attribute's type (a decimal column holding "abc", a row whose entity
    // the model does not know) stops the load with an error naming table,
    // row and column.
    bool load(StoreLoadSink& sink, std::string* error) override;
    // Reading on demand: a table left unread at the load is read by key, by
    // a foreign-key column (indexed) or whole, from the last committed state.
    bool canReadOnDemand() const override { return true; }
    bool loadDeferring(StoreLoadSink& sink, const std::vector<const EntityDescription*>& deferredRoots,
                       std::string* error) override;
    bool loadRows(const StoreRowQuery& query, StoreLoadSink& sink, std::string* error) override;
    bool scanValues(const StoreValueScan& scan, const StoreValueScan::Row& row, std::string* error) override;
    // How SQLite would run a foreign-key or matching read: the details of
    // EXPLAIN QUERY PLAN, a line a step ("SEARCH ZTRANSACTION USING INDEX
    // ..."), or why the read cannot be made.
    std::string queryPlan(const StoreRowQuery& query);
    // One transaction: deleted rows (and their many-to-many pairs) go, inserted
    // rows are added, updated rows get every stored column rewritten, pairs
    // are removed and added. Its cost follows the changed rows, not the store
    // size. On any failure nothing is written and `error` has SQLite's reason.
    bool save(const StoreChanges& changes, std::string* error) override;

    const std::string& path() const { return path_; }
    // The file (or its folder) may be read but not written by this process:
    // every save will fail. Open still succeeds, so the data can be shown.
    bool isReadOnly() const { return readOnly_; }

private:
    struct Layout;
    SqliteStore(std::string path, std::shared_ptr<const Model> model, std::unique_ptr<Layout> layout, sqlite3* db);
    bool applyChanges(const StoreChanges& changes, std::string* error);
    // A read's rows into `sink`, or with `plan` its query plan instead.
    bool runRowQuery(const StoreRowQuery& query, StoreLoadSink* sink, std::string* plan, std::string* error);

    std::string path_;
    std::shared_ptr<const Model> model_;
    std::unique_ptr<Layout> layout_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    bool recordsVerified_ = false;  // keeps "<file>-verified" (skipCheckOfUnchangedFile)
};

}  // namespace tallo
