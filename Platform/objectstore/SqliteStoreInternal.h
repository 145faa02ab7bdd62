#pragma once
// SqliteStore's inside, shared by the files that implement it:
//   SqliteStore.cpp         the C API, owned; open, load and save
//   SqliteStoreLayout.cpp   the layout: which table and column holds what
//   SqliteStoreSchema.cpp   the file's schema compared with the layout,
//                           migration, the read-only checks, creating a
//                           store file
//   SqliteStoreColumns.cpp  values in and out of columns
//   SqliteStoreReads.cpp    the reads on demand by conditions
//   SqliteStoreVerified.cpp the record of the file as the store left it
//
// Internal: only those SqliteStore*.cpp files include this header, which is
// why it may include sqlite3.h. Everything else sees SqliteStore.h alone.

#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/PersistentStore.h"
#include "Platform/objectstore/SqliteStore.h"
#include "Platform/objectstore/Value.h"

namespace tallo::sqlite_store_detail {

inline constexpr const char* kMetadataTable = "Z_METADATA";
inline constexpr const char* kPrimaryKeyColumn = "Z_PK";
inline constexpr const char* kEntityColumn = "Z_ENT";
inline constexpr const char* kOwnerColumn = "Z_OWNER";
inline constexpr const char* kTargetColumn = "Z_TARGET";

// ---- the C API, owned (SqliteStore.cpp) ----

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

// Sets `error` (when given) to `message`; false, for `return fail(...)`.
bool fail(std::string* error, const std::string& message);
std::string upper(std::string_view text);
// An identifier in double quotes, for SQL text.
std::string quoted(std::string_view identifier);
std::string sqliteMessage(sqlite3* db);
bool exec(sqlite3* db, const std::string& sql, std::string* error);
Statement prepare(sqlite3* db, const std::string& sql, std::string* error, bool persistent = false);
std::string columnText(sqlite3_stmt* statement, int column);
Connection openConnection(const std::string& path, int flags, std::string* error);
void rollbackIfOpen(sqlite3* db);

// ---- the layout: which table and column holds what (SqliteStoreLayout.cpp) ----

enum class Storage { Text, Real, Integer, Blob };

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
    Statement selectByKey;                      // one row by Z_PK
    Statement selectByKeys;                     // rows by a JSON list of Z_PKs
    std::map<std::string, Statement> selectWhere;  // rows by a foreign-key column, by their SQL
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

// An index of two columns of one table (SqliteStoreOptions::OrderedIndex).
struct OrderedIndexLayout {
    size_t table;
    std::string name;
    std::vector<std::string> columns;
};

struct StoreLayout {
    std::vector<TableLayout> tables;
    std::vector<OrderedIndexLayout> orderedIndexes;
    std::vector<EntityLayout> entities;
    std::vector<JoinLayout> joins;
    std::unordered_map<const EntityDescription*, size_t> entityIndex;
    std::unordered_map<const EntityDescription*, size_t> tableOfRoot;
    std::unordered_map<const RelationshipDescription*, size_t> joinOf;  // both sides of each pair

    bool build(const Model& model, std::string* error);
    // Adds the indexes `open` was asked for; false when one names an entity,
    // to-one or attribute the layout does not store.
    bool addOrderedIndexes(const std::vector<SqliteStoreOptions::OrderedIndex>& indexes, std::string* error);

private:
    bool addEntity(const EntityDescription* entity, size_t table, const std::vector<Field>& inherited, std::string* error);
    size_t columnFor(TableLayout& table, const std::vector<Field>& taken, const EntityDescription& entity,
                     const std::string& property, Storage storage);
    std::set<std::string> tableNames_;
};

// ---- the schema in a file, migration, the checks (SqliteStoreSchema.cpp) ----

struct SchemaPlan {
    std::vector<std::string> statements;  // what must be added, in order
    bool writeMetadata = false;
    bool empty() const { return statements.empty() && !writeMetadata; }
};

bool planSchema(sqlite3* db, const StoreLayout& layout, const Model& model, bool allowNew, SchemaPlan* plan,
                std::string* error);
bool migrate(sqlite3* db, const StoreLayout& layout, const Model& model, bool allowNew, std::string* error);
bool configureForWriting(sqlite3* db, const SqliteStoreOptions& options, std::string* error);
bool checkExistingFile(const std::string& path, const Model& model, const StoreLayout& layout,
                       SqliteStoreOptions::IntegrityCheck check, bool recover, std::string* error,
                       bool completeSchema = false);
bool createStoreFile(const std::string& path, const Model& model, const StoreLayout& layout, std::string* error);

// ---- the file as the store last left it (SqliteStoreVerified.cpp) ----

// Whether the file at `path` is exactly the one recordVerified last
// recorded (same device, inode, size, modification time and change count).
bool isUnchangedSinceVerified(const std::string& path);
// Records the file at `path` as it is now, as a file known to be sound.
void recordVerified(const std::string& path);
// Records `file` as the sound file at `path` (the file is to be renamed there).
void recordVerifiedAs(const std::string& file, const std::string& path);
// Drops the record: the next open checks the file.
void forgetVerified(const std::string& path);

// ---- values in and out of columns (SqliteStoreColumns.cpp) ----

// Reads the column into `out` (left alone for NULL); false, with the reason
// in `problem`, when the column holds what the field's type cannot be.
bool readField(sqlite3_stmt* statement, int column, const Field& field, Value* out, std::string* problem);
// Binds `value` as the field's column type; false, with the reason in
// `problem`, when the value is not of that type or out of its range.
bool bindField(sqlite3_stmt* statement, int index, const Field& field, const Value& value, std::string* problem);

// ---- the reads on demand by conditions (SqliteStoreReads.cpp) ----

// Lets the connection's SQL ask folded_contains(text, folded, options): does
// `text`, folded as `options` says (1 case, 2 diacritics), contain `folded`.
void addReadFunctions(sqlite3* db);
// The rows of a value scan (StoreValueScan), in one statement.
bool scanValues(sqlite3* db, const StoreLayout& layout, const StoreValueScan& scan, const StoreValueScan::Row& row,
                std::string* problem);
// What follows the table's SELECT in a foreign-key or matching read:
// " WHERE ... ORDER BY ... LIMIT ?2 OFFSET ?3". False, with the reason in
// `problem`, when the table cannot be read so (an order or bound on text).
bool rowQueryClauses(const StoreLayout& layout, const TableLayout& table, const StoreRowQuery& query, std::string* clauses,
                     std::string* problem);
// Binds the parameters of those clauses; false when a bound is not a value
// of its attribute's type.
bool bindRowQuery(sqlite3_stmt* statement, const StoreLayout& layout, const TableLayout& table, const StoreRowQuery& query,
                  std::string* problem);

}  // namespace tallo::sqlite_store_detail
