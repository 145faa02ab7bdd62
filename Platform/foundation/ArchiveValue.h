#pragma once
// ArchiveValue: one value of a keyed archive — a string, data, a date, an
// integer, a real, a boolean, an array or a dictionary with string keys.
// A plain tree: every value owns its children, and two trees are equal when
// they hold the same values in the same shape (an integer 1 is not the
// boolean true, nor the real 1.0).

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/foundation/Date.h"

namespace tallo {

class ArchiveValue;
using ArchiveArray = std::vector<ArchiveValue>;
using ArchiveDictionary = std::map<std::string, ArchiveValue>;

// Bytes owned elsewhere; see ArchiveValue.
struct BorrowedData {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    friend bool operator==(const BorrowedData& a, const BorrowedData& b) {
        return a.size == b.size && (a.size == 0 || std::memcmp(a.bytes, b.bytes, a.size) == 0);
    }
};

class ArchiveValue {
public:
    using Data = std::vector<uint8_t>;

    ArchiveValue() = default;  // an empty string
    ArchiveValue(std::string value) : v_(std::move(value)) {}
    ArchiveValue(const char* value) : v_(std::string(value)) {}
    ArchiveValue(Data value) : v_(std::move(value)) {}
    ArchiveValue(BorrowedData value) : v_(value) {}
    ArchiveValue(Date value) : v_(value) {}
    ArchiveValue(long long value) : v_(value) {}
    ArchiveValue(int value) : v_(static_cast<long long>(value)) {}
    ArchiveValue(double value) : v_(value) {}
    ArchiveValue(bool value) : v_(value) {}
    ArchiveValue(ArchiveArray value) : v_(std::move(value)) {}
    ArchiveValue(ArchiveDictionary value) : v_(std::move(value)) {}

    // The value as the kind asked for, or nullptr when it is another kind.
    const std::string* asString() const& { return std::get_if<std::string>(&v_); }
    const Data* asData() const& { return std::get_if<Data>(&v_); }  // owned data only
    // The bytes of data in either form; nothing for other kinds.
    std::optional<std::string_view> bytes() const {
        if (const Data* v = asData()) return std::string_view(reinterpret_cast<const char*>(v->data()), v->size());
        if (const BorrowedData* v = std::get_if<BorrowedData>(&v_)) {
            return std::string_view(reinterpret_cast<const char*>(v->bytes), v->size);
        }
        return std::nullopt;
    }
    const Date* asDate() const& { return std::get_if<Date>(&v_); }
    const long long* asInteger() const& { return std::get_if<long long>(&v_); }
    const double* asReal() const& { return std::get_if<double>(&v_); }
    const bool* asBool() const& { return std::get_if<bool>(&v_); }
    const ArchiveArray* asArray() const& { return std::get_if<ArchiveArray>(&v_); }
    const ArchiveDictionary* asDictionary() const& { return std::get_if<ArchiveDictionary>(&v_); }
    // For moving a large value out (a received store file) instead of copying it.
    Data* mutableData() & { return std::get_if<Data>(&v_); }
    ArchiveDictionary* mutableDictionary() & { return std::get_if<ArchiveDictionary>(&v_); }

    friend bool operator==(const ArchiveValue&, const ArchiveValue&) = default;

private:
    std::variant<std::string, Data, Date, long long, double, bool, ArchiveArray, ArchiveDictionary, BorrowedData> v_;
};

}  // namespace tallo
