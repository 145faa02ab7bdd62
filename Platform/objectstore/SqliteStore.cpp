#include "Platform/objectstore/SqliteStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/foundation/AtomicFile.h"
#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/ObjectStoreAccess.h"

namespace tallo {

namespace {

constexpr const char* kMetadataTable = "Z_METADATA";
constexpr const char* kPrimaryKeyColumn = "Z_PK";
constexpr const char* kEntityColumn = "Z_ENT";
constexpr const char* kOwnerColumn = "Z_OWNER";
constexpr const char* kTargetColumn = "Z_TARGET";

// ---- the C API, owned ----

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

struct ConnectionDeleter {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionDeleter>;

// Resets a statement when a use of it ends, however it ends, so it holds no
// read lock and can be stepped again.
class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementUse() { sqlite3_reset(statement_); }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

private:
    sqlite3_stmt* statement_;
};

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

Statement prepare(sqlite3* db, const std::string& sql, std::string* error, bool persistent = false) {
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

// Hardening for files from elsewhere: no schema-defined SQL may run with
// more rights than plain data access, and the schema cannot be written as a
// table.
void harden(sqlite3* db) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
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
    harden(raw);
    return db;
}

// ---- the layout: which table and column holds what ----

enum class Storage { Text, Real, Integer, Blob };

const char* sqlType(Storage storage) {
    switch (storage) {
        case Storage::Text: return "TEXT";
        case Storage::Real: return "REAL";
        case Storage::Integer: return "INTEGER";
        case Storage::Blob: return "BLOB";
    }
    return "";
}

Storage storageOf(AttributeType type) {
    switch (type) {
        case AttributeType::String:
        case AttributeType::Decimal: return Storage::Text;
        case AttributeType::Date:
        case AttributeType::Double: return Storage::Real;
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Boolean: return Storage::Integer;
        case AttributeType::Data: return Storage::Blob;
    }
    return Storage::Text;
}

struct ColumnLayout {
    std::string name;
    Storage storage;
    bool indexed = false;  // the foreign-key columns
};

// One stored property of an entity: where its value comes from (slot) and
// where it goes (column of the entity's table).
struct Field {
    size_t column;
    int slot;
    const AttributeDescription* attribute = nullptr;  // nullptr: a to-one relationship
    const RelationshipDescription* toOne = nullptr;
    std::string propertyName() const { return attribute != nullptr ? attribute->name : toOne->name; }
};

struct EntityLayout {
    const EntityDescription* entity;
    size_t table;
    std::vector<Field> fields;
    Statement insert;  // prepared on first use, kept
    Statement update;
};

struct TableLayout {
    std::string name;
    const EntityDescription* root;
    std::vector<ColumnLayout> columns;
    std::vector<size_t> entities;  // into StoreLayout::entities
    Statement select;
    Statement remove;
};

struct JoinLayout {
    std::string name;
    const RelationshipDescription* relationship;  // the stored side: Z_OWNER holds its owner's key
    size_t ownerTable;
    size_t targetTable;
    Statement select;
    Statement insert;
    Statement remove;
    Statement removeOwner;
    Statement removeTarget;
};

std::string indexName(const std::string& table, const std::string& column) { return table + "_" + column + "_INDEX"; }

// A many-to-many pair is kept from one side: the relationship whose owner
// entity name sorts first, or within one entity, whose name does. The context
// reports join changes from the same side; the other side is accepted too.
bool isStoredSide(const RelationshipDescription& relationship) {
    const RelationshipDescription& inverse = *relationship.inverse;
    if (relationship.owner->name() != inverse.owner->name()) return relationship.owner->name() < inverse.owner->name();
    return relationship.name <= inverse.name;
}

struct StoreLayout {
    std::vector<TableLayout> tables;
    std::vector<EntityLayout> entities;
    std::vector<JoinLayout> joins;
    std::unordered_map<const EntityDescription*, size_t> entityIndex;
    std::unordered_map<const EntityDescription*, size_t> tableOfRoot;
    std::unordered_map<const RelationshipDescription*, size_t> joinOf;  // both sides of each pair

    bool build(const Model& model, std::string* error);

private:
    bool addEntity(const EntityDescription* entity, size_t table, const std::vector<Field>& inherited, std::string* error);
    size_t columnFor(TableLayout& table, const std::vector<Field>& taken, const EntityDescription& entity,
                     const std::string& property, Storage storage);
    std::set<std::string> tableNames_;
};

// A column for one property: Z<NAME>, shared with a same-named property of
// another entity of the hierarchy when both store the same type; otherwise
// Z<ENTITY>_<NAME> (numbered further if even that is taken).
size_t StoreLayout::columnFor(TableLayout& table, const std::vector<Field>& taken, const EntityDescription& entity,
                              const std::string& property, Storage storage) {
    auto usable = [&](const std::string& name, size_t* index) -> int {  // 1 use existing, 0 free, -1 taken
        if (name == kPrimaryKeyColumn || name == kEntityColumn) return -1;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            if (table.columns[i].name != name) continue;
            bool usedByThisEntity = false;
            for (const Field& field : taken) usedByThisEntity = usedByThisEntity || field.column == i;
            if (usedByThisEntity || table.columns[i].storage != storage) return -1;
            *index = i;
            return 1;
        }
        return 0;
    };
    std::string candidates[] = {"Z" + upper(property), "Z" + upper(entity.name()) + "_" + upper(property)};
    for (int attempt = 0;; ++attempt) {
        std::string name = attempt < 2 ? candidates[attempt] : candidates[1] + std::to_string(attempt);
        size_t index = 0;
        int verdict = usable(name, &index);
        if (verdict == 1) return index;
        if (verdict == 0) {
            table.columns.push_back({name, storage, false});
            return table.columns.size() - 1;
        }
    }
}

bool StoreLayout::addEntity(const EntityDescription* entity, size_t tableIndex, const std::vector<Field>& inherited,
                            std::string* error) {
    const EntityDescription* parent = entity->superentity();
    size_t firstAttribute = parent != nullptr ? parent->attributes().size() : 0;
    size_t firstRelationship = parent != nullptr ? parent->relationships().size() : 0;
    EntityLayout entry{entity, tableIndex, inherited, nullptr, nullptr};
    TableLayout& table = tables[tableIndex];
    for (size_t i = firstAttribute; i < entity->attributes().size(); ++i) {
        const AttributeDescription* attribute = entity->attributes()[i];
        if (attribute->isTransient) continue;
        size_t column = columnFor(table, entry.fields, *entity, attribute->name, storageOf(attribute->type));
        entry.fields.push_back({column, attribute->slot, attribute, nullptr});
    }
    for (size_t i = firstRelationship; i < entity->relationships().size(); ++i) {
        const RelationshipDescription* relationship = entity->relationships()[i];
        if (relationship->isToMany) {
            if (!relationship->isManyToMany() || !isStoredSide(*relationship)) continue;
            JoinLayout join{"Z_" + upper(entity->name()) + "_" + upper(relationship->name), relationship, 0, 0,
                          nullptr, nullptr, nullptr, nullptr, nullptr};
            if (!tableNames_.insert(join.name).second) return fail(error, "two tables would be named " + join.name);
            joinOf[relationship] = joins.size();
            joinOf[relationship->inverse] = joins.size();
            joins.push_back(std::move(join));
            continue;
        }
        size_t column = columnFor(table, entry.fields, *entity, relationship->name, Storage::Integer);
        table.columns[column].indexed = true;
        entry.fields.push_back({column, relationship->slot, nullptr, relationship});
    }
    std::vector<Field> fields = entry.fields;
    entityIndex[entity] = entities.size();
    table.entities.push_back(entities.size());
    entities.push_back(std::move(entry));
    for (const EntityDescription* child : entity->subentities()) {
        if (!addEntity(child, tableIndex, fields, error)) return false;
    }
    return true;
}

bool StoreLayout::build(const Model& model, std::string* error) {
    tableNames_ = {kMetadataTable};
    for (const auto& entity : model.entities()) {
        if (entity->superentity() != nullptr) continue;
        TableLayout table{"Z" + upper(entity->name()), entity.get(), {}, {}, nullptr, nullptr};
        if (!tableNames_.insert(table.name).second) return fail(error, "two tables would be named " + table.name);
        tableOfRoot[entity.get()] = tables.size();
        tables.push_back(std::move(table));
        if (!addEntity(entity.get(), tables.size() - 1, {}, error)) return false;
    }
    for (JoinLayout& join : joins) {
        join.ownerTable = tableOfRoot.at(join.relationship->owner->rootEntity());
        join.targetTable = tableOfRoot.at(join.relationship->destination->rootEntity());
    }
    return true;
}

// ---- the schema in a file, compared with the layout ----

struct SchemaPlan {
    std::vector<std::string> statements;  // what must be added, in order
    bool writeMetadata = false;
    bool empty() const { return statements.empty() && !writeMetadata; }
};

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

void rollbackIfOpen(sqlite3* db) {
    if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
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

bool checkExistingFile(const std::string& path, const Model& model, const StoreLayout& layout,
                       SqliteStoreOptions::IntegrityCheck check, bool recover, std::string* error,
                       bool completeSchema = false) {
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

// ---- values in and out of columns ----

std::string kindOfColumn(int type) {
    switch (type) {
        case SQLITE_INTEGER: return "an integer";
        case SQLITE_FLOAT: return "a floating-point number";
        case SQLITE_TEXT: return "text";
        case SQLITE_BLOB: return "data";
        default: return "nothing";
    }
}

std::string excerpt(const std::string& text) {
    return "'" + (text.size() <= 40 ? text : text.substr(0, 40) + "…") + "'";
}

bool readField(sqlite3_stmt* statement, int column, const Field& field, Value* out, std::string* problem) {
    int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_NULL) return true;
    auto wrongKind = [&](const char* expected) { return fail(problem, "holds " + kindOfColumn(type) + ", not " + expected); };
    if (field.toOne != nullptr) {
        if (type != SQLITE_INTEGER) return wrongKind("a primary key");
        *out = Value(static_cast<long long>(sqlite3_column_int64(statement, column)));
        return true;
    }
    switch (field.attribute->type) {
        case AttributeType::String:
            if (type != SQLITE_TEXT) return wrongKind("text");
            *out = Value(columnText(statement, column));
            return true;
        case AttributeType::Decimal: {
            if (type == SQLITE_INTEGER) {
                *out = Value(Decimal(static_cast<long long>(sqlite3_column_int64(statement, column))));
                return true;
            }
            if (type != SQLITE_TEXT) return wrongKind("an exact decimal");
            std::string text = columnText(statement, column);
            std::string why;
            auto decimal = Decimal::fromString(text, &why);
            if (!decimal) return fail(problem, excerpt(text) + " is not a decimal number (" + why + ")");
            *out = Value(std::move(*decimal));
            return true;
        }
        case AttributeType::Date:
            if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return wrongKind("a date (seconds since 1970)");
            *out = Value(Date(sqlite3_column_double(statement, column)));
            return true;
        case AttributeType::Double:
            if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return wrongKind("a number");
            *out = Value(sqlite3_column_double(statement, column));
            return true;
        case AttributeType::Boolean:
            if (type != SQLITE_INTEGER) return wrongKind("a boolean");
            *out = Value(sqlite3_column_int64(statement, column) != 0);
            return true;
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64: {
            if (type != SQLITE_INTEGER) return wrongKind("an integer");
            long long number = sqlite3_column_int64(statement, column);
            long long limit = field.attribute->type == AttributeType::Integer16   ? std::numeric_limits<int16_t>::max()
                              : field.attribute->type == AttributeType::Integer32 ? std::numeric_limits<int32_t>::max()
                                                                                  : std::numeric_limits<int64_t>::max();
            if (number > limit || number < -limit - 1) {
                return fail(problem, std::to_string(number) + " does not fit " + attributeTypeName(field.attribute->type));
            }
            *out = Value(number);
            return true;
        }
        case AttributeType::Data: {
            if (type != SQLITE_BLOB) return wrongKind("data");
            auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, column));
            int size = sqlite3_column_bytes(statement, column);
            *out = Value(bytes != nullptr ? Bytes(bytes, bytes + size) : Bytes());
            return true;
        }
    }
    return fail(problem, "has an unknown type");
}

bool bindField(sqlite3_stmt* statement, int index, const Field& field, const Value& value, std::string* problem) {
    if (value.isNull()) return sqlite3_bind_null(statement, index) == SQLITE_OK;
    auto wrongKind = [&](const char* expected) {
        return fail(problem, "value " + value.description() + " is not " + expected);
    };
    if (field.toOne != nullptr) {
        ManagedObject* target = value.asObject();
        if (target == nullptr) return wrongKind("an object");
        return sqlite3_bind_int64(statement, index, target->primaryKey()) == SQLITE_OK;
    }
    int rc = SQLITE_OK;
    switch (field.attribute->type) {
        case AttributeType::String: {
            const std::string* text = value.asString();
            if (text == nullptr) return wrongKind("text");
            rc = sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
            break;
        }
        case AttributeType::Decimal: {
            auto decimal = value.asDecimal();
            if (!decimal) return wrongKind("a decimal number");
            std::string text = decimal->toString();
            rc = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
        case AttributeType::Date: {
            auto date = value.asDate();
            if (!date) return wrongKind("a date");
            rc = sqlite3_bind_double(statement, index, date->timeIntervalSince1970());
            break;
        }
        case AttributeType::Double: {
            auto number = value.asDouble();
            if (!number) return wrongKind("a number");
            rc = sqlite3_bind_double(statement, index, *number);
            break;
        }
        case AttributeType::Boolean: {
            auto flag = value.asBool();
            if (!flag) return wrongKind("a boolean");
            rc = sqlite3_bind_int(statement, index, *flag ? 1 : 0);
            break;
        }
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64: {
            auto number = value.asInteger();
            if (!number) return wrongKind("an integer");
            long long limit = field.attribute->type == AttributeType::Integer16   ? std::numeric_limits<int16_t>::max()
                              : field.attribute->type == AttributeType::Integer32 ? std::numeric_limits<int32_t>::max()
                                                                                  : std::numeric_limits<int64_t>::max();
            if (*number > limit || *number < -limit - 1) {
                return fail(problem, std::to_string(*number) + " does not fit " + attributeTypeName(field.attribute->type));
            }
            rc = sqlite3_bind_int64(statement, index, *number);
            break;
        }
        case AttributeType::Data: {
            const Bytes* bytes = value.asData();
            if (bytes == nullptr) return wrongKind("data");
            // An empty blob must stay data: binding a null pointer would store NULL.
            rc = bytes->empty() ? sqlite3_bind_zeroblob(statement, index, 0)
                                : sqlite3_bind_blob(statement, index, bytes->data(), static_cast<int>(bytes->size()), SQLITE_STATIC);
            break;
        }
    }
    if (rc != SQLITE_OK) return fail(problem, "cannot be bound (SQLite error " + std::to_string(rc) + ")");
    return true;
}

// ---- loading and saving ----

// Feeds every row of one entity table, in primary-key order.
bool loadTable(sqlite3* db, const std::string& path, StoreLayout& layout, TableLayout& table, StoreLoadSink& sink,
               std::string* error) {
    if (!table.select) {
        std::string sql = "SELECT " + quoted(kPrimaryKeyColumn) + ", " + quoted(kEntityColumn);
        for (const ColumnLayout& column : table.columns) sql += ", " + quoted(column.name);
        sql += " FROM " + quoted(table.name) + " ORDER BY " + quoted(kPrimaryKeyColumn);
        table.select = prepare(db, sql, error, true);
        if (!table.select) return false;
    }
    sqlite3_stmt* statement = table.select.get();
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

}  // namespace

// SQLite writes its rollback journal beside the file: without a writable
// folder no save can succeed, whatever the file's own permissions.
bool folderIsWritable(const std::string& path) {
    std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// ---- the store ----

struct SqliteStore::Layout : StoreLayout {};

SqliteStore::SqliteStore(std::string path, std::shared_ptr<const Model> model, std::unique_ptr<Layout> layout, sqlite3* db)
    : path_(std::move(path)), model_(std::move(model)), layout_(std::move(layout)), db_(db) {}

SqliteStore::~SqliteStore() {
    layout_.reset();  // finalizes the cached statements before the connection closes
    sqlite3_close_v2(db_);
}

std::unique_ptr<SqliteStore> SqliteStore::open(const std::string& path, std::shared_ptr<const Model> model,
                                               std::string* error, SqliteStoreOptions options) {
    auto layout = std::make_unique<Layout>();
    std::string why;
    if (!layout->build(*model, &why)) {
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
    } else if (!checkExistingFile(path, *model, *layout, options.integrityCheck, true, error)) {
        return nullptr;
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
    auto store = std::unique_ptr<SqliteStore>(new SqliteStore(path, std::move(model), std::move(layout), db.release()));
    store->readOnly_ = readOnly;
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
        return fail(error, path_ + ": cannot save: " + why);
    }
    return true;
}


bool SqliteStore::applyChanges(const StoreChanges& changes, std::string* error) {
    sqlite3* db = db_;
    StoreLayout& layout = *layout_;
    auto failed = [&](const std::string& what) { return fail(error, path_ + ": cannot save " + what); };

    auto joinPair = [&](const StoreJoinChange& change, bool add) -> bool {
        auto found = layout.joinOf.find(change.relationship);
        if (found == layout.joinOf.end()) return failed(change.relationship->name + ": not a many-to-many relationship");
        JoinLayout& join = layout.joins[found->second];
        bool storedSide = change.relationship == join.relationship;
        std::string why;
        sqlite3_stmt* statement =
            add ? cached(db, join.insert, "INSERT OR IGNORE INTO " + quoted(join.name) + " (Z_OWNER, Z_TARGET) VALUES (?1, ?2)", &why)
                : cached(db, join.remove, "DELETE FROM " + quoted(join.name) + " WHERE Z_OWNER = ?1 AND Z_TARGET = ?2", &why);
        if (statement == nullptr) return failed(join.name + ": " + why);
        sqlite3_bind_int64(statement, 1, storedSide ? change.ownerKey : change.targetKey);
        sqlite3_bind_int64(statement, 2, storedSide ? change.targetKey : change.ownerKey);
        if (!step(db, statement, &why)) return failed(join.name + ": " + why);
        return true;
    };

    for (const StoreJoinChange& change : changes.joinsRemoved) {
        if (!joinPair(change, false)) return false;
    }
    for (const StoreDeletion& deletion : changes.deleted) {
        auto found = layout.tableOfRoot.find(deletion.entity->rootEntity());
        if (found == layout.tableOfRoot.end()) return failed(deletion.entity->name() + ": not an entity of this store");
        size_t tableIndex = found->second;
        TableLayout& table = layout.tables[tableIndex];
        std::string what = table.name + " row " + std::to_string(deletion.primaryKey) + ": ";
        std::string why;
        sqlite3_stmt* statement =
            cached(db, table.remove, "DELETE FROM " + quoted(table.name) + " WHERE " + quoted(kPrimaryKeyColumn) + " = ?1", &why);
        if (statement == nullptr) return failed(what + why);
        sqlite3_bind_int64(statement, 1, deletion.primaryKey);
        if (!step(db, statement, &why)) return failed(what + why);
        // Pairs of a deleted row never outlive it, whatever the context reported.
        for (JoinLayout& join : layout.joins) {
            for (bool ownerSide : {true, false}) {
                if ((ownerSide ? join.ownerTable : join.targetTable) != tableIndex) continue;
                const char* column = ownerSide ? kOwnerColumn : kTargetColumn;
                statement = cached(db, ownerSide ? join.removeOwner : join.removeTarget,
                                   "DELETE FROM " + quoted(join.name) + " WHERE " + quoted(column) + " = ?1", &why);
                if (statement == nullptr) return failed(what + why);
                sqlite3_bind_int64(statement, 1, deletion.primaryKey);
                if (!step(db, statement, &why)) return failed(what + why);
            }
        }
    }
    for (bool insert : {true, false}) {
        for (const ManagedObject* object : insert ? changes.inserted : changes.updated) {
            auto found = layout.entityIndex.find(&object->entity());
            if (found == layout.entityIndex.end()) return failed(object->objectIDString() + ": not an entity of this store");
            std::string why;
            if (!writeRow(db, layout, layout.entities[found->second], *object, insert, &why)) return failed(why);
        }
    }
    for (const StoreJoinChange& change : changes.joinsAdded) {
        if (!joinPair(change, true)) return false;
    }
    return true;
}

}  // namespace tallo
