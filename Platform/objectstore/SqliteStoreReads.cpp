// SqliteStore's reads on demand by conditions: the clauses of a foreign-key
// or matching read (StoreRowQuery) after the table's SELECT, their
// parameters, and the SQL function that searches folded text.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/PersistentStore.h"
#include "Platform/objectstore/SqliteStoreInternal.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo::sqlite_store_detail {

namespace {

// folded_contains(text, folded, options): whether `text`, folded as
// `options` says (1 case, 2 diacritics; foldText), contains `folded`, which
// the caller folded alike. Not text: false. The predicates' own test, so a
// read narrowed by it keeps exactly the rows they would keep.
void foldedContains(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) != SQLITE_TEXT || sqlite3_value_type(arguments[1]) != SQLITE_TEXT) {
        sqlite3_result_int(context, 0);
        return;
    }
    auto text = [](sqlite3_value* value) {
        return std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                static_cast<size_t>(sqlite3_value_bytes(value)));
    };
    int options = sqlite3_value_int(arguments[2]);
    std::string folded = foldText(text(arguments[0]), (options & 1) != 0, (options & 2) != 0);
    sqlite3_result_int(context, folded.find(text(arguments[1])) != std::string::npos ? 1 : 0);
}

}  // namespace

void addReadFunctions(sqlite3* db) {
    sqlite3_create_function(db, "folded_contains", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            foldedContains, nullptr, nullptr);
}

namespace {

// The field of `attribute` among the fields of the table's entities.
const Field* fieldOf(const StoreLayout& layout, const TableLayout& table, const AttributeDescription* attribute) {
    for (size_t index : table.entities) {
        for (const Field& candidate : layout.entities[index].fields) {
            if (candidate.attribute == attribute) return &candidate;
        }
    }
    return nullptr;
}

// A column SQLite compares and sorts as the context does: a number.
const ColumnLayout* numberColumn(const StoreLayout& layout, const TableLayout& table, const AttributeDescription* attribute) {
    const Field* field = fieldOf(layout, table, attribute);
    if (field == nullptr) return nullptr;
    const ColumnLayout& column = table.columns[field->column];
    return column.storage == Storage::Text || column.storage == Storage::Blob ? nullptr : &column;
}

bool byForeignKey(const StoreRowQuery& query) {
    return query.kind == StoreRowQuery::Kind::ForeignKey || query.toOne != nullptr;
}

}  // namespace

// Parameters: ?1 the owner's key (or a JSON list of keys), ?2 the limit, ?3
// the offset, then two a text to contain and one a bound.
bool rowQueryClauses(const StoreLayout& layout, const TableLayout& table, const StoreRowQuery& query, std::string* clauses,
                     std::string* problem) {
    std::vector<std::string> conditions;
    if (byForeignKey(query)) {
        // Rows naming one object through a to-one: the column of that to-one
        // in the layout of the relationship's own entity (indexed).
        if (query.toOne == nullptr || query.keys.empty()) return fail(problem, "a foreign-key read needs a to-one and a key");
        auto entry = layout.entityIndex.find(query.toOne->owner);
        if (entry == layout.entityIndex.end()) return fail(problem, "no table holds " + query.toOne->owner->name());
        const Field* field = nullptr;
        for (const Field& candidate : layout.entities[entry->second].fields) {
            if (candidate.toOne == query.toOne) field = &candidate;
        }
        if (field == nullptr) return fail(problem, query.toOne->name + " has no column");
        // Several owners at once: their keys as one JSON list.
        conditions.push_back(quoted(table.columns[field->column].name) +
                             (query.keys.size() == 1 ? " = ?1" : " IN (SELECT value FROM json_each(?1))"));
    }
    // The order's columns, each an attribute of the table's entities stored
    // as a number (text would sort by bytes, not as the context compares).
    std::string order;
    for (const StoreRowQuery::Order& by : query.orderBy) {
        const ColumnLayout* column = numberColumn(layout, table, by.attribute);
        if (column == nullptr) return fail(problem, table.name + " cannot be ordered by " + by.attribute->name);
        order += quoted(column->name) + (by.ascending ? " ASC, " : " DESC, ");
    }
    int parameter = 4;
    for (const StoreRowQuery::Contains& term : query.contains) {
        const Field* field = fieldOf(layout, table, term.attribute);
        if (field == nullptr || table.columns[field->column].storage != Storage::Text) {
            return fail(problem, table.name + " cannot search " + term.attribute->name);
        }
        conditions.push_back("folded_contains(" + quoted(table.columns[field->column].name) + ", ?" +
                             std::to_string(parameter) + ", ?" + std::to_string(parameter + 1) + ")");
        parameter += 2;
    }
    for (const StoreRowQuery::Bound& bound : query.bounds) {
        const ColumnLayout* column = numberColumn(layout, table, bound.attribute);
        if (column == nullptr) return fail(problem, table.name + " cannot bound " + bound.attribute->name);
        std::string comparison = bound.lower ? (bound.inclusive ? " >= ?" : " > ?") : (bound.inclusive ? " <= ?" : " < ?");
        conditions.push_back(quoted(column->name) + comparison + std::to_string(parameter++));
    }
    std::string where;
    for (const std::string& condition : conditions) where += (where.empty() ? " WHERE " : " AND ") + condition;
    *clauses = where + " ORDER BY " + order + quoted(kPrimaryKeyColumn) + " LIMIT ?2 OFFSET ?3";
    return true;
}

bool bindRowQuery(sqlite3_stmt* statement, const StoreLayout& layout, const TableLayout& table, const StoreRowQuery& query,
                  std::string* problem) {
    if (byForeignKey(query) && query.keys.size() == 1) {
        sqlite3_bind_int64(statement, 1, query.keys[0]);
    } else if (byForeignKey(query)) {
        std::string keys;
        for (int64_t key : query.keys) keys += (keys.empty() ? "[" : ",") + std::to_string(key);
        keys += "]";
        sqlite3_bind_text(statement, 1, keys.data(), static_cast<int>(keys.size()), SQLITE_TRANSIENT);
    }
    sqlite3_bind_int64(statement, 2, query.limit == 0 ? -1 : static_cast<sqlite3_int64>(query.limit));
    sqlite3_bind_int64(statement, 3, static_cast<sqlite3_int64>(query.offset));
    int parameter = 4;
    for (const StoreRowQuery::Contains& term : query.contains) {
        std::string folded = foldText(term.text, term.foldCase, term.foldDiacritics);
        sqlite3_bind_text(statement, parameter, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, parameter + 1, (term.foldCase ? 1 : 0) | (term.foldDiacritics ? 2 : 0));
        parameter += 2;
    }
    for (const StoreRowQuery::Bound& bound : query.bounds) {
        const Field* field = fieldOf(layout, table, bound.attribute);
        std::string why;
        if (field == nullptr || bound.value.isNull() || !bindField(statement, parameter++, *field, bound.value, &why)) {
            return fail(problem, bound.attribute->name + " cannot be bounded by " + bound.value.description());
        }
    }
    return true;
}

namespace {

// The field a property of the table's entities is stored in, by name.
const Field* fieldNamed(const StoreLayout& layout, const TableLayout& table, std::string_view name) {
    for (size_t index : table.entities) {
        for (const Field& candidate : layout.entities[index].fields) {
            if (candidate.propertyName() == name) return &candidate;
        }
    }
    return nullptr;
}

// The SELECT of a value scan, reading the key then each key path's column
// (joining each to-one stepped through once), and the field of each column.
bool scanSelect(const StoreLayout& layout, const TableLayout& table, const StoreValueScan& scan, std::string* select,
                std::vector<const Field*>* fields, std::string* problem) {
    std::string columns = "r." + quoted(kPrimaryKeyColumn);
    std::string joins;
    std::vector<std::string> joined;  // the first steps joined, by alias number
    for (const std::string& path : scan.keyPaths) {
        size_t dot = path.find('.');
        const Field* field = fieldNamed(layout, table, std::string_view(path).substr(0, dot));
        if (field == nullptr) return fail(problem, table.name + " stores no " + path);
        std::string column = "r." + quoted(table.columns[field->column].name);
        if (dot != std::string::npos) {
            if (field->toOne == nullptr) return fail(problem, path + ": " + field->propertyName() + " is not a to-one");
            auto target = layout.tableOfRoot.find(field->toOne->destination->rootEntity());
            if (target == layout.tableOfRoot.end()) return fail(problem, "no table holds " + path);
            const TableLayout& destination = layout.tables[target->second];
            // "self": the target row's own key, nil when the row is missing.
            bool self = path.substr(dot + 1) == "self";
            const Field* second = self ? field : fieldNamed(layout, destination, std::string_view(path).substr(dot + 1));
            if (second == nullptr) return fail(problem, destination.name + " stores no " + path.substr(dot + 1));
            std::string step = path.substr(0, dot);
            size_t alias = std::find(joined.begin(), joined.end(), step) - joined.begin();
            if (alias == joined.size()) {
                joined.push_back(step);
                joins += " LEFT JOIN " + quoted(destination.name) + " j" + std::to_string(alias) + " ON j" +
                         std::to_string(alias) + "." + quoted(kPrimaryKeyColumn) + " = " + column;
            }
            column = "j" + std::to_string(alias) + "." + quoted(self ? kPrimaryKeyColumn : destination.columns[second->column].name);
            field = second;
        }
        columns += ", " + column;
        fields->push_back(field);
    }
    *select = "SELECT " + columns + " FROM " + quoted(table.name) + " r" + joins + " WHERE r." + quoted(kPrimaryKeyColumn) +
              " BETWEEN ?1 AND ?2 ORDER BY r." + quoted(kPrimaryKeyColumn);
    return true;
}

}  // namespace

bool scanValues(sqlite3* db, const StoreLayout& layout, const StoreValueScan& scan, const StoreValueScan::Row& row,
                std::string* problem) {
    auto found = layout.tableOfRoot.find(scan.root);
    if (found == layout.tableOfRoot.end()) return fail(problem, "no table holds " + scan.root->name());
    const TableLayout& table = layout.tables[found->second];
    std::string select;
    std::vector<const Field*> fields;
    if (!scanSelect(layout, table, scan, &select, &fields, problem)) return false;
    // A span of keys per statement: each holds the read lock only for its
    // rows, so a save by another connection never waits long.
    constexpr int64_t kKeysPerRead = 20000;
    Statement span = prepare(db, "SELECT min(" + quoted(kPrimaryKeyColumn) + "), max(" + quoted(kPrimaryKeyColumn) + ") FROM " +
                                     quoted(table.name),
                             problem);
    if (!span) return false;
    if (sqlite3_step(span.get()) != SQLITE_ROW) return fail(problem, table.name + ": " + sqliteMessage(db));
    if (sqlite3_column_type(span.get(), 0) == SQLITE_NULL) return true;  // no rows
    int64_t first = sqlite3_column_int64(span.get(), 0);
    int64_t last = sqlite3_column_int64(span.get(), 1);
    span.reset();
    Statement statement = prepare(db, select, problem);
    if (!statement) return false;
    std::vector<Value> values(fields.size());
    while (true) {
        int64_t end = 0;
        if (__builtin_add_overflow(first, kKeysPerRead - 1, &end) || end > last) end = last;
        sqlite3_reset(statement.get());
        sqlite3_bind_int64(statement.get(), 1, first);
        sqlite3_bind_int64(statement.get(), 2, end);
        int rc;
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            int64_t key = sqlite3_column_int64(statement.get(), 0);
            for (size_t i = 0; i < fields.size(); ++i) {
                values[i] = Value();
                std::string why;
                if (!readField(statement.get(), static_cast<int>(i) + 1, *fields[i], &values[i], &why)) {
                    return fail(problem, table.name + ", row " + std::to_string(key) + ", " + scan.keyPaths[i] + ": " + why);
                }
            }
            row(key, values);
        }
        if (rc != SQLITE_DONE) return fail(problem, table.name + ": " + sqliteMessage(db));
        if (end == last) return true;
        first = end + 1;
    }
}

}  // namespace tallo::sqlite_store_detail
