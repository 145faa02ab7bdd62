// SqliteStore: the C API owned, then opening a store file, loading it and
// saving changes to it. The layout, the schema and the column values are in
// the other SqliteStore*.cpp files (SqliteStoreInternal.h).

#include "Platform/objectstore/SqliteStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/ObjectStoreAccess.h"
#include "Platform/objectstore/SqliteStoreInternal.h"

namespace tallo {

namespace sqlite_store_detail {

// ---- the C API, owned ----

namespace {

// Hardening for files from elsewhere: no schema-defined SQL may run with
// more rights than plain data access, and the schema cannot be written as a
// table.
void harden(sqlite3* db) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

}  // namespace

bool fail(std::string* error, const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string quoted(std::string_view identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::string sqliteMessage(sqlite3* db) { return db != nullptr ? sqlite3_errmsg(db) : "out of memory"; }

bool exec(sqlite3* db, const std::string& sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    std::string text = message != nullptr ? message : sqliteMessage(db);
    sqlite3_free(message);
    return fail(error, text);
}

Statement prepare(sqlite3* db, const std::string& sql, std::string* error, bool persistent) {
    sqlite3_stmt* statement = nullptr;
    unsigned flags = persistent ? SQLITE_PREPARE_PERSISTENT : 0;
    if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), flags, &statement, nullptr) != SQLITE_OK) {
        fail(error, sqliteMessage(db) + " (in: " + sql + ")");
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

std::string columnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (text == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

Connection openConnection(const std::string& path, int flags, std::string* error) {
    sqlite3* raw = nullptr;
    // One connection serves one thread (the main thread), so SQLite's own
    // per-call locking is not needed: every column read would take a mutex.
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        fail(error, path + ": cannot be opened: " + sqliteMessage(raw));
        return nullptr;
    }
    sqlite3_extended_result_codes(raw, 1);
    // Another connection's save holds the file for a moment: a read waits
    // for it rather than failing (a writing connection sets its own wait).
    sqlite3_busy_timeout(raw, SqliteStoreOptions{}.busyTimeoutMilliseconds);
    harden(raw);
    addReadFunctions(raw);
    return db;
}

void rollbackIfOpen(sqlite3* db) {
    if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace sqlite_store_detail

using namespace sqlite_store_detail;

// ---- loading and saving ----

namespace {

// The columns every row read selects: the key, the entity name, then every
// column of the table in layout order.
std::string selectColumns(const TableLayout& table) {
    std::string sql = "SELECT " + quoted(kPrimaryKeyColumn) + ", " + quoted(kEntityColumn);
    for (const ColumnLayout& column : table.columns) sql += ", " + quoted(column.name);
    return sql + " FROM " + quoted(table.name);
}

// Feeds the rows a prepared select of selectColumns answers (its parameters
// bound), in the order it gives them.
bool feedRows(sqlite3* db, const std::string& path, StoreLayout& layout, TableLayout& table, sqlite3_stmt* statement,
              StoreLoadSink& sink, std::string* error) {
    StatementUse use(statement);
    const EntityLayout* last = nullptr;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        int64_t primaryKey = sqlite3_column_int64(statement, 0);
        auto where = [&] { return path + ": table " + table.name + ", row " + std::to_string(primaryKey); };
        // Rows of one entity come in runs, so the last match is tried first.
        auto name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        std::string_view entityName(name != nullptr ? name : "", static_cast<size_t>(sqlite3_column_bytes(statement, 1)));
        if (last == nullptr || last->entity->name() != entityName) {
            last = nullptr;
            for (size_t index : table.entities) {
                if (layout.entities[index].entity->name() == entityName) last = &layout.entities[index];
            }
            if (last == nullptr) {
                return fail(error, where() + ": the entity '" + std::string(entityName) + "' is not one of " + table.root->name() +
                                       " in this model");
            }
        }
        if (sink.knowsRow(*last->entity, primaryKey)) continue;
        std::vector<Value> values(static_cast<size_t>(last->entity->valueSlotCount()));
        for (const Field& field : last->fields) {
            std::string problem;
            if (!readField(statement, static_cast<int>(field.column) + 2, field, &values[static_cast<size_t>(field.slot)], &problem)) {
                return fail(error, where() + ", column " + table.columns[field.column].name + " (" + last->entity->name() + "." +
                                       field.propertyName() + "): " + problem);
            }
        }
        if (!sink.loadRow(*last->entity, primaryKey, std::move(values), error)) return false;
    }
    if (rc != SQLITE_DONE) return fail(error, path + ": reading " + table.name + ": " + sqliteMessage(db));
    return true;
}

// Feeds every row of one entity table, in primary-key order.
bool loadTable(sqlite3* db, const std::string& path, StoreLayout& layout, TableLayout& table, StoreLoadSink& sink,
               std::string* error) {
    if (!table.select) {
        table.select = prepare(db, selectColumns(table) + " ORDER BY " + quoted(kPrimaryKeyColumn), error, true);
        if (!table.select) return false;
    }
    return feedRows(db, path, layout, table, table.select.get(), sink, error);
}

// The largest primary key of a table, 0 when it is empty.
bool largestKey(sqlite3* db, const TableLayout& table, int64_t* key, std::string* error) {
    Statement statement = prepare(db, "SELECT MAX(" + quoted(kPrimaryKeyColumn) + ") FROM " + quoted(table.name), error);
    if (!statement) return false;
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW) return fail(error, table.name + ": " + sqliteMessage(db));
    *key = sqlite3_column_int64(statement.get(), 0);
    return true;
}

// Feeds every pair of one many-to-many relationship.
bool loadJoin(sqlite3* db, const std::string& path, JoinLayout& join, StoreLoadSink& sink, std::string* error) {
    if (!join.select) {
        join.select = prepare(db, "SELECT Z_OWNER, Z_TARGET FROM " + quoted(join.name) + " ORDER BY Z_OWNER, Z_TARGET", error, true);
        if (!join.select) return false;
    }
    sqlite3_stmt* statement = join.select.get();
    StatementUse use(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (sqlite3_column_type(statement, 0) != SQLITE_INTEGER || sqlite3_column_type(statement, 1) != SQLITE_INTEGER) {
            return fail(error, path + ": table " + join.name + " holds a pair that is not two primary keys");
        }
        if (!sink.loadPair(*join.relationship, sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1), error)) {
            return false;
        }
    }
    if (rc != SQLITE_DONE) return fail(error, path + ": reading " + join.name + ": " + sqliteMessage(db));
    return true;
}

// Runs a prepared write with its parameters bound; reset afterwards.
bool step(sqlite3* db, sqlite3_stmt* statement, std::string* error) {
    StatementUse use(statement);
    if (sqlite3_step(statement) == SQLITE_DONE) return true;
    return fail(error, sqliteMessage(db));
}

sqlite3_stmt* cached(sqlite3* db, Statement& slot, const std::string& sql, std::string* error) {
    if (!slot) slot = prepare(db, sql, error, true);
    return slot.get();
}

// Reads of more keys than this take them in one statement, in key order.
constexpr size_t kKeysOneByOne = 8;

// Feeds the rows whose keys are in `keys` (a JSON array), in key order.
bool feedRowsByKeys(sqlite3* db, const std::string& path, StoreLayout& layout, TableLayout& table, const std::string& keys,
                    StoreLoadSink& sink, std::string* error) {
    sqlite3_stmt* rows = cached(db, table.selectByKeys,
                                selectColumns(table) + " WHERE " + quoted(kPrimaryKeyColumn) +
                                    " IN (SELECT value FROM json_each(?1)) ORDER BY " + quoted(kPrimaryKeyColumn),
                                error);
    if (rows == nullptr) return false;
    sqlite3_bind_text(rows, 1, keys.data(), static_cast<int>(keys.size()), SQLITE_TRANSIENT);
    return feedRows(db, path, layout, table, rows, sink, error);
}

bool writeRow(sqlite3* db, const StoreLayout& layout, EntityLayout& entry, const ManagedObject& object, bool insert,
              std::string* error) {
    const TableLayout& table = layout.tables[entry.table];
    if (!insert && entry.fields.empty()) return true;  // nothing stored but the key
    sqlite3_stmt* statement = nullptr;
    if (insert) {
        std::string sql = "INSERT INTO " + quoted(table.name) + " (" + quoted(kPrimaryKeyColumn) + ", " + quoted(kEntityColumn);
        std::string parameters = "?1, ?2";
        for (size_t i = 0; i < entry.fields.size(); ++i) {
            sql += ", " + quoted(table.columns[entry.fields[i].column].name);
            parameters += ", ?" + std::to_string(i + 3);
        }
        statement = cached(db, entry.insert, sql + ") VALUES (" + parameters + ")", error);
        if (statement != nullptr) {
            sqlite3_bind_text(statement, 2, entry.entity->name().c_str(), static_cast<int>(entry.entity->name().size()), SQLITE_STATIC);
        }
    } else {
        std::string sql = "UPDATE " + quoted(table.name) + " SET ";
        for (size_t i = 0; i < entry.fields.size(); ++i) {
            sql += (i == 0 ? "" : ", ") + quoted(table.columns[entry.fields[i].column].name) + " = ?" + std::to_string(i + 3);
        }
        statement = cached(db, entry.update, sql + " WHERE " + quoted(kPrimaryKeyColumn) + " = ?1", error);
    }
    if (statement == nullptr) return false;
    sqlite3_bind_int64(statement, 1, object.primaryKey());
    for (size_t i = 0; i < entry.fields.size(); ++i) {
        const Field& field = entry.fields[i];
        std::string problem;
        // Attributes bind in place; a to-one binds its target (as an object value).
        Value target;
        if (field.toOne != nullptr) target = Value(ObjectStoreAccess::toOne(object, field.slot));
        const Value& value = field.toOne != nullptr ? target : ObjectStoreAccess::attribute(object, field.slot);
        if (!bindField(statement, static_cast<int>(i) + 3, field, value, &problem)) {
            sqlite3_clear_bindings(statement);
            return fail(error, object.objectIDString() + "." + field.propertyName() + ": " + problem);
        }
    }
    std::string why;
    if (!step(db, statement, &why)) return fail(error, object.objectIDString() + ": " + why);
    if (!insert && sqlite3_changes(db) != 1) {
        return fail(error, object.objectIDString() + ": its row is missing from " + table.name);
    }
    return true;
}

// Adds or removes one many-to-many pair, written from the stored side
// whichever side the change names. False, with what failed in `what`.
bool writePair(sqlite3* db, StoreLayout& layout, const StoreJoinChange& change, bool add, std::string* what) {
    auto found = layout.joinOf.find(change.relationship);
    if (found == layout.joinOf.end()) return fail(what, change.relationship->name + ": not a many-to-many relationship");
    JoinLayout& join = layout.joins[found->second];
    bool storedSide = change.relationship == join.relationship;
    std::string why;
    sqlite3_stmt* statement =
        add ? cached(db, join.insert, "INSERT OR IGNORE INTO " + quoted(join.name) + " (Z_OWNER, Z_TARGET) VALUES (?1, ?2)", &why)
            : cached(db, join.remove, "DELETE FROM " + quoted(join.name) + " WHERE Z_OWNER = ?1 AND Z_TARGET = ?2", &why);
    if (statement == nullptr) return fail(what, join.name + ": " + why);
    sqlite3_bind_int64(statement, 1, storedSide ? change.ownerKey : change.targetKey);
    sqlite3_bind_int64(statement, 2, storedSide ? change.targetKey : change.ownerKey);
    if (!step(db, statement, &why)) return fail(what, join.name + ": " + why);
    return true;
}

// Deletes one row and every pair that names it. False, with what failed in
// `what`.
bool deleteRow(sqlite3* db, StoreLayout& layout, const StoreDeletion& deletion, std::string* what) {
    auto found = layout.tableOfRoot.find(deletion.entity->rootEntity());
    if (found == layout.tableOfRoot.end()) return fail(what, deletion.entity->name() + ": not an entity of this store");
    size_t tableIndex = found->second;
    TableLayout& table = layout.tables[tableIndex];
    std::string row = table.name + " row " + std::to_string(deletion.primaryKey) + ": ";
    std::string why;
    sqlite3_stmt* statement =
        cached(db, table.remove, "DELETE FROM " + quoted(table.name) + " WHERE " + quoted(kPrimaryKeyColumn) + " = ?1", &why);
    if (statement == nullptr) return fail(what, row + why);
    sqlite3_bind_int64(statement, 1, deletion.primaryKey);
    if (!step(db, statement, &why)) return fail(what, row + why);
    // Pairs of a deleted row never outlive it, whatever the context reported.
    for (JoinLayout& join : layout.joins) {
        for (bool ownerSide : {true, false}) {
            if ((ownerSide ? join.ownerTable : join.targetTable) != tableIndex) continue;
            const char* column = ownerSide ? kOwnerColumn : kTargetColumn;
            statement = cached(db, ownerSide ? join.removeOwner : join.removeTarget,
                               "DELETE FROM " + quoted(join.name) + " WHERE " + quoted(column) + " = ?1", &why);
            if (statement == nullptr) return fail(what, row + why);
            sqlite3_bind_int64(statement, 1, deletion.primaryKey);
            if (!step(db, statement, &why)) return fail(what, row + why);
        }
    }
    return true;
}

// SQLite writes its rollback journal beside the file: without a writable
// folder no save can succeed, whatever the file's own permissions.
bool folderIsWritable(const std::string& path) {
    std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

// ---- the store ----

struct SqliteStore::Layout : StoreLayout {};

SqliteStore::SqliteStore(std::string path, std::shared_ptr<const Model> model, std::unique_ptr<Layout> layout, sqlite3* db)
    : path_(std::move(path)), model_(std::move(model)), layout_(std::move(layout)), db_(db) {}

SqliteStore::~SqliteStore() {
    layout_.reset();  // finalizes the cached statements before the connection closes
    sqlite3_close_v2(db_);
}

void SqliteStore::recordCheckedFile(const std::string& checkedFile, const std::string& storePath) {
    recordVerifiedAs(checkedFile, storePath);
}

bool SqliteStore::isUnchangedSinceChecked(const std::string& path) { return isUnchangedSinceVerified(path); }

std::unique_ptr<SqliteStore> SqliteStore::open(const std::string& path, std::shared_ptr<const Model> model,
                                               std::string* error, SqliteStoreOptions options) {
    auto layout = std::make_unique<Layout>();
    std::string why;
    if (!layout->build(*model, &why) || !layout->addOrderedIndexes(options.orderedIndexes, &why)) {
        fail(error, path + ": the model " + model->name() + " cannot be stored: " + why);
        return nullptr;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            fail(error, path + ": " + std::strerror(errno));
            return nullptr;
        }
        if (!createStoreFile(path, *model, *layout, error)) return nullptr;
    } else {
        SqliteStoreOptions::IntegrityCheck check = options.integrityCheck;
        if (options.skipCheckOfUnchangedFile && isUnchangedSinceVerified(path)) check = SqliteStoreOptions::IntegrityCheck::None;
        if (!checkExistingFile(path, *model, *layout, check, true, error)) {
            forgetVerified(path);
            return nullptr;
        }
    }

    Connection db = openConnection(path, SQLITE_OPEN_READWRITE, error);
    if (!db) return nullptr;
    SchemaPlan plan;
    bool ok = configureForWriting(db.get(), options, &why) && planSchema(db.get(), *layout, *model, false, &plan, &why) &&
              (plan.empty() || migrate(db.get(), *layout, *model, false, &why));
    if (!ok) {
        fail(error, path + ": " + why);
        return nullptr;
    }
    bool readOnly = sqlite3_db_readonly(db.get(), "main") == 1 || !folderIsWritable(path);
    // The ordered indexes only make reads faster: a file that cannot take
    // them (read-only) is used without them.
    for (const OrderedIndexLayout& index : layout->orderedIndexes) {
        if (readOnly) break;
        std::string columns;
        for (const std::string& column : index.columns) columns += (columns.empty() ? "" : ", ") + quoted(column);
        exec(db.get(),
             "CREATE INDEX IF NOT EXISTS " + quoted(index.name) + " ON " + quoted(layout->tables[index.table].name) + " (" +
                 columns + ")",
             &why);
    }
    auto store = std::unique_ptr<SqliteStore>(new SqliteStore(path, std::move(model), std::move(layout), db.release()));
    store->readOnly_ = readOnly;
    store->recordsVerified_ = options.skipCheckOfUnchangedFile && !readOnly;
    if (store->recordsVerified_) recordVerified(path);
    return store;
}

bool SqliteStore::checkStoreFile(const std::string& path, const Model& model, std::string* error,
                                 SqliteStoreOptions::IntegrityCheck check) {
    StoreLayout layout;
    std::string why;
    if (!layout.build(model, &why)) return fail(error, path + ": the model " + model.name() + " cannot be stored: " + why);
    return checkExistingFile(path, model, layout, check, false, error, true);
}

bool SqliteStore::load(StoreLoadSink& sink, std::string* error) {
    // One read transaction: every table is read from the same committed state.
    std::string why;
    if (!exec(db_, "BEGIN", &why)) return fail(error, path_ + ": cannot be read: " + why);
    bool ok = true;
    for (size_t i = 0; ok && i < layout_->tables.size(); ++i) ok = loadTable(db_, path_, *layout_, layout_->tables[i], sink, error);
    for (size_t i = 0; ok && i < layout_->joins.size(); ++i) ok = loadJoin(db_, path_, layout_->joins[i], sink, error);
    rollbackIfOpen(db_);  // ends the read; nothing was written
    return ok;
}

bool SqliteStore::loadDeferring(StoreLoadSink& sink, const std::vector<const EntityDescription*>& deferredRoots,
                                std::string* error) {
    std::string why;
    if (!exec(db_, "BEGIN", &why)) return fail(error, path_ + ": cannot be read: " + why);
    auto deferred = [&](const TableLayout& table) {
        return std::find(deferredRoots.begin(), deferredRoots.end(), table.root) != deferredRoots.end();
    };
    bool ok = true;
    for (size_t i = 0; ok && i < layout_->tables.size(); ++i) {
        TableLayout& table = layout_->tables[i];
        if (!deferred(table)) {
            ok = loadTable(db_, path_, *layout_, table, sink, error);
            continue;
        }
        int64_t largest = 0;
        ok = largestKey(db_, table, &largest, &why);
        if (!ok) fail(error, path_ + ": cannot be read: " + why);
        if (ok) sink.deferredTable(*table.root, largest);
    }
    for (size_t i = 0; ok && i < layout_->joins.size(); ++i) {
        JoinLayout& join = layout_->joins[i];
        if (deferred(layout_->tables[join.ownerTable]) || deferred(layout_->tables[join.targetTable])) {
            ok = fail(error, path_ + ": " + join.name + " joins a table that is read on demand");
        } else {
            ok = loadJoin(db_, path_, join, sink, error);
        }
    }
    rollbackIfOpen(db_);
    return ok;
}

bool SqliteStore::loadRows(const StoreRowQuery& query, StoreLoadSink& sink, std::string* error) {
    return runRowQuery(query, &sink, nullptr, error);
}

bool SqliteStore::scanValues(const StoreValueScan& scan, const StoreValueScan::Row& row, std::string* error) {
    std::string why;
    if (!sqlite_store_detail::scanValues(db_, *layout_, scan, row, &why)) return fail(error, path_ + ": " + why);
    return true;
}

std::string SqliteStore::queryPlan(const StoreRowQuery& query) {
    std::string plan, error;
    if (!runRowQuery(query, nullptr, &plan, &error)) return error;
    return plan;
}

bool SqliteStore::runRowQuery(const StoreRowQuery& query, StoreLoadSink* sink, std::string* plan, std::string* error) {
    auto found = layout_->tableOfRoot.find(query.root);
    if (found == layout_->tableOfRoot.end()) return fail(error, path_ + ": no table holds " + query.root->name());
    TableLayout& table = layout_->tables[found->second];
    if (query.kind == StoreRowQuery::Kind::AllRows || query.kind == StoreRowQuery::Kind::PrimaryKeys) {
        if (plan != nullptr) return fail(error, path_ + ": only a foreign-key or matching read has a plan to show");
    }
    if (query.kind == StoreRowQuery::Kind::AllRows) return loadTable(db_, path_, *layout_, table, *sink, error);
    if (query.kind == StoreRowQuery::Kind::PrimaryKeys && query.keys.size() > kKeysOneByOne) {
        std::string keys;
        for (int64_t key : query.keys) keys += (keys.empty() ? "[" : ",") + std::to_string(key);
        keys += "]";
        return feedRowsByKeys(db_, path_, *layout_, table, keys, *sink, error);
    }
    if (query.kind == StoreRowQuery::Kind::PrimaryKeys) {
        sqlite3_stmt* statement =
            cached(db_, table.selectByKey, selectColumns(table) + " WHERE " + quoted(kPrimaryKeyColumn) + " = ?1", error);
        if (statement == nullptr) return false;
        for (int64_t key : query.keys) {
            sqlite3_bind_int64(statement, 1, key);
            if (!feedRows(db_, path_, *layout_, table, statement, *sink, error)) return false;
        }
        return true;
    }
    std::string clauses, why;
    if (!rowQueryClauses(*layout_, table, query, &clauses, &why)) return fail(error, path_ + ": " + why);
    // Without a text to search, the conditions and the order are all in an
    // index: the keys come from the index alone, and only the rows the sink
    // does not hold yet are read from the table.
    bool keysFirst = plan == nullptr && query.contains.empty();
    std::string sql = (keysFirst ? "SELECT " + quoted(kPrimaryKeyColumn) + " FROM " + quoted(table.name) : selectColumns(table)) +
                      clauses;
    // The plan is asked of a statement of its own, bound as the read would be.
    Statement explained;
    sqlite3_stmt* statement = plan != nullptr ? cached(db_, explained, "EXPLAIN QUERY PLAN " + sql, error)
                                              : cached(db_, table.selectWhere[sql], sql, error);
    if (statement == nullptr) return false;
    if (!bindRowQuery(statement, *layout_, table, query, &why)) {
        sqlite3_clear_bindings(statement);
        return fail(error, path_ + ": " + why);
    }
    if (plan != nullptr) {
        // One line a step: its detail ("SEARCH ZTRANSACTION USING INDEX ...").
        StatementUse use(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) *plan += columnText(statement, 3) + "\n";
        return true;
    }
    if (!keysFirst) return feedRows(db_, path_, *layout_, table, statement, *sink, error);
    std::string unknown;
    {
        StatementUse use(statement);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            int64_t key = sqlite3_column_int64(statement, 0);
            if (!sink->knowsRow(*table.root, key)) unknown += (unknown.empty() ? "[" : ",") + std::to_string(key);
        }
        if (rc != SQLITE_DONE) return fail(error, path_ + ": reading " + table.name + ": " + sqliteMessage(db_));
    }
    if (unknown.empty()) return true;
    unknown += "]";
    return feedRowsByKeys(db_, path_, *layout_, table, unknown, *sink, error);
}


bool SqliteStore::save(const StoreChanges& changes, std::string* error) {
    if (changes.empty()) return true;
    std::string why;
    if (!exec(db_, "BEGIN IMMEDIATE", &why)) return fail(error, path_ + ": cannot save: " + why);
    if (!applyChanges(changes, error)) {
        rollbackIfOpen(db_);
        return false;
    }
    if (!exec(db_, "COMMIT", &why)) {
        rollbackIfOpen(db_);
        if (recordsVerified_) forgetVerified(path_);
        return fail(error, path_ + ": cannot save: " + why);
    }
    // The file is this store's own commit on a file known sound.
    if (recordsVerified_) recordVerified(path_);
    return true;
}

// Pairs removed, rows deleted (with every pair naming them), rows inserted,
// rows updated, pairs added: a pair added for a new row comes after the row.
bool SqliteStore::applyChanges(const StoreChanges& changes, std::string* error) {
    StoreLayout& layout = *layout_;
    std::string what;
    auto failed = [&] { return fail(error, path_ + ": cannot save " + what); };
    for (const StoreJoinChange& change : changes.joinsRemoved) {
        if (!writePair(db_, layout, change, false, &what)) return failed();
    }
    for (const StoreDeletion& deletion : changes.deleted) {
        if (!deleteRow(db_, layout, deletion, &what)) return failed();
    }
    for (bool insert : {true, false}) {
        for (const ManagedObject* object : insert ? changes.inserted : changes.updated) {
            auto found = layout.entityIndex.find(&object->entity());
            if (found == layout.entityIndex.end()) {
                what = object->objectIDString() + ": not an entity of this store";
                return failed();
            }
            if (!writeRow(db_, layout, layout.entities[found->second], *object, insert, &what)) return failed();
        }
    }
    for (const StoreJoinChange& change : changes.joinsAdded) {
        if (!writePair(db_, layout, change, true, &what)) return failed();
    }
    return true;
}

}  // namespace tallo
