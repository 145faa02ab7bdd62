#pragma once
// Value: what a stored property holds, read and written by key — nothing
// (nil), a boolean, an integer, a double, an exact Decimal, text, a Date,
// bytes, one object (a to-one relationship) or a list of objects (a to-many
// relationship, in creation order).
//
// Numbers compare by value across their kinds (YES == 1, 1 == 1.0 == the
// Decimal 1), so predicates written against boxed numbers work whatever
// the attribute's declared type. Text compares by bytes (folding is the
// predicate's business), dates by instant, objects by identity.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class ManagedObject;

using Bytes = std::vector<uint8_t>;
using ObjectList = std::vector<ManagedObject*>;

class Value {
public:
    enum class Kind { Null, Bool, Integer, Double, Decimal, String, Date, Data, Object, Objects };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool value) : v_(value) {}
    Value(int value) : v_(static_cast<long long>(value)) {}
    Value(long value) : v_(static_cast<long long>(value)) {}
    Value(long long value) : v_(value) {}
    Value(double value) : v_(value) {}
    Value(Decimal value) : v_(std::move(value)) {}
    Value(std::string value) : v_(std::move(value)) {}
    Value(const char* value) : v_(std::string(value)) {}
    Value(Date value) : v_(value) {}
    Value(Bytes value) : v_(std::move(value)) {}
    Value(ManagedObject* value) { if (value != nullptr) v_ = value; }
    Value(ObjectList value) : v_(std::move(value)) {}
    template <typename T>
    Value(const std::optional<T>& value) { if (value) *this = Value(*value); }

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isNumber() const;

    // Typed reads; nothing when the value is of another kind (numbers convert
    // among themselves: asInteger of 2.9 is 2, asDecimal of YES is 1).
    std::optional<bool> asBool() const;
    std::optional<long long> asInteger() const;
    std::optional<double> asDouble() const;
    std::optional<Decimal> asDecimal() const;
    // Pointers into the value: only on a value that outlives them, so
    // `object->valueForKey("name").asString()` (a pointer into a temporary)
    // does not compile; keep the Value in a variable first.
    const std::string* asString() const& { return std::get_if<std::string>(&v_); }
    const std::string* asString() const&& = delete;
    std::optional<Date> asDate() const;
    const Bytes* asData() const& { return std::get_if<Bytes>(&v_); }
    const Bytes* asData() const&& = delete;
    ManagedObject* asObject() const;
    const ObjectList* asObjects() const& { return std::get_if<ObjectList>(&v_); }
    const ObjectList* asObjects() const&& = delete;

    // Canonical text for dumps and failure messages: nil, YES/NO, 12, 1.5,
    // "text", @2011-03-15T12:00:00Z, <00ff>, Entity#pk, [Entity#1, Entity#2].
    std::string description() const;

    friend bool operator==(const Value& a, const Value& b);

private:
    std::variant<std::monostate, bool, long long, double, Decimal, std::string, Date, Bytes, ManagedObject*, ObjectList> v_;
};

// Order of two values: numbers by value, text by bytes, dates by time;
// nothing when they cannot be ordered (nil, objects, different kinds).
std::optional<std::strong_ordering> compareValues(const Value& a, const Value& b);

}  // namespace tallo
