// SqliteStore, values in and out of columns: each attribute type's column
// type, read back with the checks a file from elsewhere needs.

#include <cstdint>
#include <limits>

#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/SqliteStoreInternal.h"

namespace tallo::sqlite_store_detail {

namespace {

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

// Whether `number` fits the attribute's integer type, both ways: a column
// written by another program may hold 40000 for an Integer16 attribute
// (which holds -32768 to 32767), and a value set in memory may too.
bool checkIntegerRange(AttributeType type, long long number, std::string* problem) {
    long long limit = type == AttributeType::Integer16   ? std::numeric_limits<int16_t>::max()
                      : type == AttributeType::Integer32 ? std::numeric_limits<int32_t>::max()
                                                         : std::numeric_limits<int64_t>::max();
    if (number > limit || number < -limit - 1) {
        return fail(problem, std::to_string(number) + " does not fit " + attributeTypeName(type));
    }
    return true;
}

// A decimal column holds exact text ("12.50"); an integer there is read as
// that whole number.
bool readDecimal(sqlite3_stmt* statement, int column, Value* out, std::string* problem) {
    if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
        *out = Value(Decimal(static_cast<long long>(sqlite3_column_int64(statement, column))));
        return true;
    }
    std::string text = columnText(statement, column);
    std::string why;
    auto decimal = Decimal::fromString(text, &why);
    if (!decimal) return fail(problem, excerpt(text) + " is not a decimal number (" + why + ")");
    *out = Value(std::move(*decimal));
    return true;
}

// An empty blob must stay data: binding a null pointer would store NULL.
int bindBytes(sqlite3_stmt* statement, int index, const Bytes& bytes) {
    if (bytes.empty()) return sqlite3_bind_zeroblob(statement, index, 0);
    return sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

// A value that is not nil, bound as its attribute type's column type.
bool bindAttribute(sqlite3_stmt* statement, int index, AttributeType type, const Value& value, std::string* problem) {
    auto wrongKind = [&](const char* expected) {
        return fail(problem, "value " + value.description() + " is not " + expected);
    };
    int rc = SQLITE_OK;
    switch (type) {
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
            if (!checkIntegerRange(type, *number, problem)) return false;
            rc = sqlite3_bind_int64(statement, index, *number);
            break;
        }
        case AttributeType::Data: {
            const Bytes* bytes = value.asData();
            if (bytes == nullptr) return wrongKind("data");
            rc = bindBytes(statement, index, *bytes);
            break;
        }
    }
    if (rc != SQLITE_OK) return fail(problem, "cannot be bound (SQLite error " + std::to_string(rc) + ")");
    return true;
}

}  // namespace

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
        case AttributeType::Decimal:
            if (type != SQLITE_INTEGER && type != SQLITE_TEXT) return wrongKind("an exact decimal");
            return readDecimal(statement, column, out, problem);
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
            if (!checkIntegerRange(field.attribute->type, number, problem)) return false;
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
    if (field.toOne != nullptr) {
        ManagedObject* target = value.asObject();
        if (target == nullptr) return fail(problem, "value " + value.description() + " is not an object");
        return sqlite3_bind_int64(statement, index, target->primaryKey()) == SQLITE_OK;
    }
    return bindAttribute(statement, index, field.attribute->type, value, problem);
}

}  // namespace tallo::sqlite_store_detail
