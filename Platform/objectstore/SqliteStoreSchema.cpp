// SqliteStore, the schema: the schema a file has compared with the layout,
// the migration that adds what is missing, the read-only checks of a file,
// and a new store file.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Platform/foundation/AtomicFile.h"
#include "Platform/objectstore/SqliteStoreInternal.h"

namespace tallo::sqlite_store_detail {

// ---- the schema in a file, compared with the layout ----

namespace {

const char* sqlType(Storage storage) {
    switch (storage) {
        case Storage::Text: return "TEXT";
        case Storage::Real: return "REAL";
        case Storage::Integer: return "INTEGER";
        case Storage::Blob: return "BLOB";
    }
    return "";
}

std::string indexName(const std::string& table, const std::string& column) { return table + "_" + column + "_INDEX"; }

struct ColumnInfo {
    std::string type;
    int primaryKeyPosition;
};

bool tableColumns(sqlite3* db, const std::string& table, std::unordered_map<std::string, ColumnInfo>* out,
                  std::string* error) {
    Statement statement = prepare(db, "PRAGMA table_info(" + quoted(table) + ")", error);
    if (!statement) return false;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        (*out)[upper(columnText(statement.get(), 1))] = {upper(columnText(statement.get(), 2)),
                                                        sqlite3_column_int(statement.get(), 5)};
    }
    if (rc != SQLITE_DONE) return fail(error, sqliteMessage(db));
    return true;
}

std::string createTableSql(const TableLayout& table) {
    std::string sql = "CREATE TABLE " + quoted(table.name) + " (" + quoted(kPrimaryKeyColumn) + " INTEGER PRIMARY KEY, " +
                      quoted(kEntityColumn) + " TEXT NOT NULL";
    for (const ColumnLayout& column : table.columns) sql += ", " + quoted(column.name) + " " + sqlType(column.storage);
    return sql + ")";
}

std::string createJoinSql(const JoinLayout& join) {
    return "CREATE TABLE " + quoted(join.name) + " (" + quoted(kOwnerColumn) + " INTEGER NOT NULL, " + quoted(kTargetColumn) +
           " INTEGER NOT NULL, PRIMARY KEY (" + quoted(kOwnerColumn) + ", " + quoted(kTargetColumn) + ")) WITHOUT ROWID";
}

std::string createIndexSql(const std::string& table, const std::string& column) {
    return "CREATE INDEX " + quoted(indexName(table, column)) + " ON " + quoted(table) + " (" + quoted(column) + ")";
}

struct FileSchema {
    std::set<std::string> tables;   // upper-cased
    std::set<std::string> indexes;  // upper-cased
    size_t objectCount = 0;
};

bool readFileSchema(sqlite3* db, FileSchema* schema, std::string* error) {
    Statement statement = prepare(db, "SELECT type, name FROM sqlite_master", error);
    if (!statement) return false;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        std::string type = columnText(statement.get(), 0);
        std::string name = upper(columnText(statement.get(), 1));
        ++schema->objectCount;
        if (type == "table") schema->tables.insert(name);
        else if (type == "index") schema->indexes.insert(name);
        else return fail(error, "holds a " + type + " (" + name + "); stores of this program have none");
    }
    if (rc != SQLITE_DONE) return fail(error, sqliteMessage(db));
    return true;
}

bool readMetadata(sqlite3* db, std::unordered_map<std::string, std::string>* out, std::string* error) {
    Statement statement =
        prepare(db, "SELECT Z_KEY, Z_VALUE FROM " + std::string(kMetadataTable), error);
    if (!statement) return fail(error, "its metadata table cannot be read (" + (error ? *error : std::string()) + ")");
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        (*out)[columnText(statement.get(), 0)] = columnText(statement.get(), 1);
    }
    if (rc != SQLITE_DONE) return fail(error, sqliteMessage(db));
    return true;
}

// Lists the tables, columns and indexes of the layout that the file lacks;
// refuses tables it cannot be, and columns that keep another type.
bool planTables(sqlite3* db, const FileSchema& schema, const StoreLayout& layout, SchemaPlan* plan, std::string* error) {
    for (const TableLayout& table : layout.tables) {
        if (schema.tables.count(table.name) == 0) {
            plan->statements.push_back(createTableSql(table));
            for (const ColumnLayout& column : table.columns) {
                if (column.indexed) plan->statements.push_back(createIndexSql(table.name, column.name));
            }
            continue;
        }
        std::unordered_map<std::string, ColumnInfo> columns;
        if (!tableColumns(db, table.name, &columns, error)) return false;
        auto key = columns.find(kPrimaryKeyColumn);
        int keyColumns = 0;
        for (const auto& [name, info] : columns) keyColumns += info.primaryKeyPosition > 0 ? 1 : 0;
        if (key == columns.end() || key->second.type != "INTEGER" || key->second.primaryKeyPosition != 1 || keyColumns != 1 ||
            columns.count(kEntityColumn) == 0) {
            return fail(error, "has a table " + table.name + " that is not one of this store's tables");
        }
        for (const ColumnLayout& column : table.columns) {
            auto found = columns.find(column.name);
            if (found == columns.end()) {
                plan->statements.push_back("ALTER TABLE " + quoted(table.name) + " ADD COLUMN " + quoted(column.name) + " " +
                                           sqlType(column.storage));
            } else if (found->second.type != sqlType(column.storage)) {
                return fail(error, "keeps " + found->second.type + " in column " + column.name + " of " + table.name +
                                       ", where this model stores " + sqlType(column.storage));
            }
            if (column.indexed && schema.indexes.count(indexName(table.name, column.name)) == 0) {
                plan->statements.push_back(createIndexSql(table.name, column.name));
            }
        }
    }
    for (const JoinLayout& join : layout.joins) {
        if (schema.tables.count(join.name) == 0) {
            plan->statements.push_back(createJoinSql(join));
            plan->statements.push_back(createIndexSql(join.name, kTargetColumn));
            continue;
        }
        std::unordered_map<std::string, ColumnInfo> columns;
        if (!tableColumns(db, join.name, &columns, error)) return false;
        for (const char* name : {kOwnerColumn, kTargetColumn}) {
            auto found = columns.find(name);
            if (found == columns.end() || found->second.type != "INTEGER") {
                return fail(error, "has a table " + join.name + " that is not one of this store's tables");
            }
        }
        if (schema.indexes.count(indexName(join.name, kTargetColumn)) == 0) {
            plan->statements.push_back(createIndexSql(join.name, kTargetColumn));
        }
    }
    return true;
}

// A store of this model, by its metadata: same model name, a version not
// newer than ours. Another version or hash means the metadata is rewritten.
bool checkMetadata(sqlite3* db, const FileSchema& schema, const Model& model, SchemaPlan* plan, std::string* error) {
    if (schema.tables.count(kMetadataTable) == 0) return fail(error, "is not a store of this program (no metadata)");
    std::unordered_map<std::string, std::string> metadata;
    if (!readMetadata(db, &metadata, error)) return false;
    if (metadata["modelName"].empty()) return fail(error, "is not a store of this program (no model name)");
    if (metadata["modelName"] != model.name()) {
        return fail(error, "is a store of the model '" + metadata["modelName"] + "', not '" + model.name() + "'");
    }
    const std::string& versionText = metadata["modelVersion"];
    char* end = nullptr;
    long version = std::strtol(versionText.c_str(), &end, 10);
    if (versionText.empty() || *end != '\0') return fail(error, "has no readable model version");
    if (version > model.version()) {
        return fail(error, "was written by version " + versionText + " of " + model.name() +
                               "; this program knows versions up to " + std::to_string(model.version()));
    }
    plan->writeMetadata = version != model.version() || metadata["versionHash"] != model.versionHash();
    return true;
}

bool applyPlan(sqlite3* db, const SchemaPlan& plan, const Model& model, std::string* error) {
    for (const std::string& sql : plan.statements) {
        if (!exec(db, sql, error)) return false;
    }
    if (!plan.writeMetadata) return true;
    Statement statement = prepare(db, "INSERT OR REPLACE INTO " + std::string(kMetadataTable) + " (Z_KEY, Z_VALUE) VALUES (?, ?)", error);
    if (!statement) return false;
    const std::pair<const char*, std::string> entries[] = {
        {"modelName", model.name()}, {"modelVersion", std::to_string(model.version())}, {"versionHash", model.versionHash()}};
    for (const auto& [key, value] : entries) {
        sqlite3_bind_text(statement.get(), 1, key, -1, SQLITE_STATIC);
        sqlite3_bind_text(statement.get(), 2, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        int rc = sqlite3_step(statement.get());
        sqlite3_reset(statement.get());
        if (rc != SQLITE_DONE) return fail(error, sqliteMessage(db));
    }
    return true;
}

}  // namespace

// Compares the file's metadata and schema with the model's layout: refuses
// what cannot be this model's store, and lists what must be added. An empty
// file, when allowed, gets everything.
bool planSchema(sqlite3* db, const StoreLayout& layout, const Model& model, bool allowNew, SchemaPlan* plan,
                std::string* error) {
    FileSchema schema;
    if (!readFileSchema(db, &schema, error)) return false;
    if (schema.objectCount == 0 && allowNew) {
        plan->statements.push_back("CREATE TABLE " + std::string(kMetadataTable) + " (Z_KEY TEXT PRIMARY KEY, Z_VALUE)");
        plan->writeMetadata = true;
    } else if (!checkMetadata(db, schema, model, plan, error)) {
        return false;
    }
    return planTables(db, schema, layout, plan, error);
}

// Runs the plan inside one write transaction, planning again under the write
// lock so a change between the check and the lock cannot be missed.
bool migrate(sqlite3* db, const StoreLayout& layout, const Model& model, bool allowNew, std::string* error) {
    if (!exec(db, "BEGIN IMMEDIATE", error)) return false;
    SchemaPlan plan;
    bool ok = planSchema(db, layout, model, allowNew, &plan, error) && applyPlan(db, plan, model, error) &&
              exec(db, "COMMIT", error);
    if (!ok) rollbackIfOpen(db);
    return ok;
}

bool configureForWriting(sqlite3* db, const SqliteStoreOptions& options, std::string* error) {
    sqlite3_busy_timeout(db, options.busyTimeoutMilliseconds);
    Statement mode = prepare(db, "PRAGMA journal_mode=DELETE", error);
    if (!mode) return false;
    if (sqlite3_step(mode.get()) != SQLITE_ROW) return fail(error, sqliteMessage(db));
    std::string journal = columnText(mode.get(), 0);
    mode.reset();
    if (journal != "delete") return fail(error, "keeps journal mode '" + journal + "' and cannot leave it");
    return exec(db, "PRAGMA synchronous=FULL", error) && exec(db, "PRAGMA foreign_keys=OFF", error);
}

// ---- the read-only checks ----

namespace {

bool integrityCheck(sqlite3* db, SqliteStoreOptions::IntegrityCheck check, std::string* error) {
    if (check == SqliteStoreOptions::IntegrityCheck::None) return true;
    const char* sql = check == SqliteStoreOptions::IntegrityCheck::Full ? "PRAGMA integrity_check(10)" : "PRAGMA quick_check(10)";
    Statement statement = prepare(db, sql, error);
    if (!statement) return false;
    std::string problems;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        std::string line = columnText(statement.get(), 0);
        if (line == "ok") continue;
        std::replace(line.begin(), line.end(), '\n', ' ');
        problems += (problems.empty() ? "" : "; ") + line;
    }
    if (rc != SQLITE_DONE) return fail(error, "fails the integrity check: " + sqliteMessage(db));
    if (!problems.empty()) return fail(error, "fails the integrity check: " + problems);
    return true;
}

// The first read of the file: SQLite reads the header here, and notices a
// hot journal left by an interrupted write.
int probe(sqlite3* db) { return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr); }

bool isHotJournal(int rc) { return rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY_RECOVERY; }

// Lets SQLite roll back an interrupted write, which needs a writable handle.
bool recoverInterruptedWrite(const std::string& path, std::string* error) {
    Connection db = openConnection(path, SQLITE_OPEN_READWRITE, error);
    if (!db) return false;
    if (probe(db.get()) != SQLITE_OK) return fail(error, path + ": cannot recover an interrupted save: " + sqliteMessage(db.get()));
    return true;
}

// A plan that adds something means a table, column or index of the model
// is missing: such a file came from elsewhere incomplete, and opening it as
// the store would silently start the missing tables empty.
bool requireCompleteSchema(const SchemaPlan& plan, std::string* error) {
    if (plan.statements.empty()) return true;
    const std::string& first = plan.statements.front();
    return fail(error, "lacks part of this model's schema (" + std::to_string(plan.statements.size()) +
                           " additions needed, the first: " + first.substr(0, 120) + ")");
}

}  // namespace

bool checkExistingFile(const std::string& path, const Model& model, const StoreLayout& layout,
                       SqliteStoreOptions::IntegrityCheck check, bool recover, std::string* error,
                       bool completeSchema) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return fail(error, path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return fail(error, path + ": is not a regular file");
    if (info.st_size == 0) return fail(error, path + ": is empty, not a store");

    Connection db = openConnection(path, SQLITE_OPEN_READONLY, error);
    if (!db) return false;
    int rc = probe(db.get());
    if (isHotJournal(rc)) {
        if (!recover) return fail(error, path + ": has an interrupted transaction (a journal beside it)");
        db.reset();
        if (!recoverInterruptedWrite(path, error)) return false;
        db = openConnection(path, SQLITE_OPEN_READONLY, error);
        if (!db) return false;
        rc = probe(db.get());
    }
    if ((rc & 0xff) == SQLITE_NOTADB) return fail(error, path + ": is not a SQLite database");
    if ((rc & 0xff) == SQLITE_CORRUPT) return fail(error, path + ": fails the integrity check: " + sqliteMessage(db.get()));
    if (rc != SQLITE_OK) return fail(error, path + ": cannot be read: " + sqliteMessage(db.get()));

    std::string why;
    if (!integrityCheck(db.get(), check, &why)) return fail(error, path + ": " + why);
    SchemaPlan plan;
    if (!planSchema(db.get(), layout, model, false, &plan, &why)) return fail(error, path + ": " + why);
    if (completeSchema && !requireCompleteSchema(plan, &why)) return fail(error, path + ": " + why);
    return true;
}

// A new store is written under a temporary name and linked into place once
// complete, so a crash while creating it leaves no half-made store behind.
bool createStoreFile(const std::string& path, const Model& model, const StoreLayout& layout, std::string* error) {
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail(error, path + ": cannot create: " + std::strerror(errno));
    ::close(fd);
    bool ok = false;
    {
        std::string why;
        Connection db = openConnection(temporary, SQLITE_OPEN_READWRITE, &why);
        ok = db && configureForWriting(db.get(), {}, &why) && migrate(db.get(), layout, model, true, &why);
        if (!ok) fail(error, path + ": cannot create: " + why);
    }
    if (ok && ::link(temporary.c_str(), path.c_str()) != 0) {
        if (errno == EEXIST) {
            ok = checkExistingFile(path, model, layout, SqliteStoreOptions::IntegrityCheck::Quick, true, error);
        } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
            ok = fail(error, path + ": cannot create: " + std::strerror(errno));
        }
    }
    ::unlink(temporary.c_str());
    ::unlink((temporary + "-journal").c_str());
    if (ok) {
        syncFolder(path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1));
    }
    return ok;
}

}  // namespace tallo::sqlite_store_detail
