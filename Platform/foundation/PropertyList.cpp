#include "Platform/foundation/PropertyList.h"

#include "Platform/foundation/PlistSupport.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

namespace tallo {

namespace {


std::optional<PropertyList> fromNode(plist_t node, int depth, std::string& error);

std::optional<PropertyList> scalarFromNode(plist_t node, std::string& error) {
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return PropertyList(value != 0);
        }
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            return PropertyList(static_cast<long long>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return PropertyList(value);
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return PropertyList(Date::fromReferenceDate(sec + usec / 1e6));
        }
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return PropertyList(PropertyList::Uid{value});
        }
        default:
            error = "an element of an unknown kind";
            return std::nullopt;
    }
}

std::optional<PropertyList> stringFromNode(plist_t node, std::string& error) {
    std::string text = plistString(node);
    if (!isValidUtf8(text)) {
        error = "text that is not UTF-8";
        return std::nullopt;
    }
    return PropertyList(std::move(text));
}

PropertyList dataFromNode(plist_t node) {
    char* bytes = nullptr;
    uint64_t length = 0;
    plist_get_data_val(node, &bytes, &length);
    PropertyList::Data value(bytes, bytes + length);
    std::free(bytes);
    return PropertyList(std::move(value));
}

std::optional<PropertyList> arrayFromNode(plist_t node, int depth, std::string& error) {
    PropertyList::Array items;
    uint32_t size = plist_array_get_size(node);
    items.reserve(size);
    for (uint32_t i = 0; i < size; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1, error);
        if (!item) return std::nullopt;
        items.push_back(std::move(*item));
    }
    return PropertyList(std::move(items));
}

std::optional<PropertyList> dictionaryFromNode(plist_t node, int depth, std::string& error) {
    PropertyList::Dictionary entries;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    std::unique_ptr<void, decltype(&std::free)> iterOwner(iter, &std::free);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (key == nullptr) break;
        std::string name = key;
        std::free(key);
        if (!isValidUtf8(name)) {
            error = "a key that is not UTF-8";
            return std::nullopt;
        }
        auto item = fromNode(value, depth + 1, error);
        if (!item) return std::nullopt;
        entries.emplace(std::move(name), std::move(*item));
    }
    return PropertyList(std::move(entries));
}

std::optional<PropertyList> fromNode(plist_t node, int depth, std::string& error) {
    if (depth > PropertyList::kMaxDepth) {
        error = "nested deeper than " + std::to_string(PropertyList::kMaxDepth) + " levels";
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
        case PLIST_STRING: return stringFromNode(node, error);
        case PLIST_DATA: return dataFromNode(node);
        case PLIST_ARRAY: return arrayFromNode(node, depth, error);
        case PLIST_DICT: return dictionaryFromNode(node, depth, error);
        default: return scalarFromNode(node, error);
    }
}

plist_t toNode(const PropertyList& value) {
    if (const bool* v = value.asBool()) return plist_new_bool(*v ? 1 : 0);
    if (const long long* v = value.asInteger()) return plist_new_uint(static_cast<uint64_t>(*v));
    if (const double* v = value.asReal()) return plist_new_real(*v);
    if (const std::string* v = value.asString()) return plist_new_string(v->c_str());
    if (const Date* v = value.asDate()) {
        double since = v->timeIntervalSinceReferenceDate();
        double whole = std::floor(since);
        return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>(std::lround((since - whole) * 1e6)));
    }
    if (const PropertyList::Data* v = value.asData()) return plist_new_data(reinterpret_cast<const char*>(v->data()), v->size());
    if (const PropertyList::Uid* v = value.asUid()) return plist_new_uid(v->value);
    if (const PropertyList::Array* v = value.asArray()) {
        plist_t array = plist_new_array();
        for (const PropertyList& item : *v) plist_array_append_item(array, toNode(item));
        return array;
    }
    plist_t dict = plist_new_dict();
    for (const auto& [key, item] : *value.asDictionary()) plist_dict_set_item(dict, key.c_str(), toNode(item));
    return dict;
}

}  // namespace

const PropertyList* PropertyList::at(const std::string& key) const& {
    const Dictionary* dict = asDictionary();
    if (dict == nullptr) return nullptr;
    auto found = dict->find(key);
    return found != dict->end() ? &found->second : nullptr;
}

std::optional<PropertyList> PropertyList::parse(const std::vector<uint8_t>& bytes, std::string* error) {
    auto fail = [&](const std::string& message) -> std::optional<PropertyList> {
        if (error != nullptr) *error = "not a property list: " + message;
        return std::nullopt;
    };
    if (bytes.empty()) return fail("no data");
    if (bytes.size() > UINT32_MAX) return fail("too large");
    if (binaryListHasStringWithNul(bytes.data(), bytes.size())) return fail("text with a NUL character");
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (root == nullptr) return fail("unreadable");
    std::string problem;
    auto value = fromNode(root, 0, problem);
    if (!value) return fail(problem);
    return value;
}

std::optional<PropertyList> PropertyList::readFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error != nullptr) *error = "cannot read " + path;
        return std::nullopt;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(bytes, error);
}

std::vector<uint8_t> PropertyList::binaryData() const {
    PlistPtr root(toNode(*this));
    char* encoded = nullptr;
    uint32_t length = 0;
    plist_to_bin(static_cast<plist_t>(root.get()), &encoded, &length);
    std::vector<uint8_t> data(encoded, encoded + length);
    plist_to_bin_free(encoded);
    return data;
}

}  // namespace tallo
