#pragma once
// PropertyList: a property list (XML or binary form) read into a plain tree
// of values, and written back in binary form. Used for bundle resources such
// as the default categories and for the user defaults file. The keyed
// archives of sync have their own reader and writer (KeyedArchiver over
// BinaryPlistReader and BinaryPlistWriter); KeyedArchiver comes here only for
// an archive that is not in the binary form.
//
// Reading outside data never crashes: text that is not a property list, or
// one nested deeper than kMaxDepth, is refused with a message.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/foundation/Date.h"

namespace tallo {

class PropertyList {
public:
    static constexpr int kMaxDepth = 256;

    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList>;
    using Data = std::vector<uint8_t>;
    // A unique identifier: a reference inside a keyed archive.
    struct Uid {
        uint64_t value;
        friend bool operator==(const Uid&, const Uid&) = default;
    };

    PropertyList() = default;  // an empty string
    PropertyList(bool value) : v_(value) {}
    PropertyList(long long value) : v_(value) {}
    PropertyList(int value) : v_(static_cast<long long>(value)) {}
    PropertyList(double value) : v_(value) {}
    PropertyList(std::string value) : v_(std::move(value)) {}
    PropertyList(const char* value) : v_(std::string(value)) {}
    PropertyList(Date value) : v_(value) {}
    PropertyList(Data value) : v_(std::move(value)) {}
    PropertyList(Uid value) : v_(value) {}
    PropertyList(Array value) : v_(std::move(value)) {}
    PropertyList(Dictionary value) : v_(std::move(value)) {}

    // Reads XML or binary property-list bytes; nothing (and `error`) on failure.
    static std::optional<PropertyList> parse(const std::vector<uint8_t>& bytes, std::string* error = nullptr);
    static std::optional<PropertyList> readFile(const std::string& path, std::string* error = nullptr);
    std::vector<uint8_t> binaryData() const;

    const bool* asBool() const& { return std::get_if<bool>(&v_); }
    const long long* asInteger() const& { return std::get_if<long long>(&v_); }
    const double* asReal() const& { return std::get_if<double>(&v_); }
    const std::string* asString() const& { return std::get_if<std::string>(&v_); }
    const Date* asDate() const& { return std::get_if<Date>(&v_); }
    const Data* asData() const& { return std::get_if<Data>(&v_); }
    const Uid* asUid() const& { return std::get_if<Uid>(&v_); }
    const Array* asArray() const& { return std::get_if<Array>(&v_); }
    const Dictionary* asDictionary() const& { return std::get_if<Dictionary>(&v_); }
    // A dictionary's entry, or nullptr (also when this is not a dictionary).
    const PropertyList* at(const std::string& key) const&;

    friend bool operator==(const PropertyList&, const PropertyList&) = default;

private:
    std::variant<std::string, bool, long long, double, Date, Data, Uid, Array, Dictionary> v_;
};

}  // namespace tallo
