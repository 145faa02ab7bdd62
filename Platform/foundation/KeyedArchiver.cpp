#include "Platform/foundation/KeyedArchiver.h"

#include <cmath>

#include <map>
#include <utility>

#include "Platform/foundation/PropertyList.h"

namespace tallo {

namespace {

using Uid = PropertyList::Uid;

// ---------------------------------------------------------------- writing

class Encoder {
public:
    Encoder() { objects_.emplace_back("$null"); }

    // Writes `value` and everything in it; answers the index of its object.
    uint64_t encode(const ArchiveValue& value) {
        if (const std::string* v = value.asString()) return add(PropertyList(*v));
        if (const ArchiveValue::Data* v = value.asData()) return add(PropertyList(*v));
        if (const long long* v = value.asInteger()) return add(PropertyList(*v));
        if (const double* v = value.asReal()) return add(PropertyList(*v));
        if (const bool* v = value.asBool()) return add(PropertyList(*v));
        if (const Date* v = value.asDate()) {
            PropertyList::Dictionary date{{"NS.time", PropertyList(v->timeIntervalSinceReferenceDate())},
                                          {"$class", PropertyList(classUid("NSDate"))}};
            return add(PropertyList(std::move(date)));
        }
        if (const ArchiveArray* v = value.asArray()) return encodeArray(*v);
        return encodeDictionary(*value.asDictionary());
    }

    uint64_t encodeDictionary(const ArchiveDictionary& dictionary) {
        // The container takes its index before its contents, so the root is
        // object 1 as readers expect.
        uint64_t index = add(PropertyList());
        PropertyList::Array keys, values;
        keys.reserve(dictionary.size());
        values.reserve(dictionary.size());
        for (const auto& [key, value] : dictionary) {
            keys.emplace_back(Uid{add(PropertyList(key))});
            values.emplace_back(Uid{encode(value)});
        }
        PropertyList::Dictionary object{{"NS.keys", PropertyList(std::move(keys))},
                                        {"NS.objects", PropertyList(std::move(values))},
                                        {"$class", PropertyList(classUid("NSDictionary"))}};
        objects_[index] = PropertyList(std::move(object));
        return index;
    }

    std::vector<uint8_t> finish() && {
        PropertyList::Dictionary top{{"root", PropertyList(Uid{1})}};
        PropertyList::Dictionary archive{{"$archiver", PropertyList("NSKeyedArchiver")},
                                         {"$version", PropertyList(100000)},
                                         {"$top", PropertyList(std::move(top))},
                                         {"$objects", PropertyList(std::move(objects_))}};
        return PropertyList(std::move(archive)).binaryData();
    }

private:
    uint64_t encodeArray(const ArchiveArray& array) {
        uint64_t index = add(PropertyList());
        PropertyList::Array items;
        items.reserve(array.size());
        for (const ArchiveValue& item : array) items.emplace_back(Uid{encode(item)});
        PropertyList::Dictionary object{{"NS.objects", PropertyList(std::move(items))},
                                        {"$class", PropertyList(classUid("NSArray"))}};
        objects_[index] = PropertyList(std::move(object));
        return index;
    }

    uint64_t add(PropertyList object) {
        objects_.push_back(std::move(object));
        return objects_.size() - 1;
    }

    // One class description per class name, shared by all its objects.
    Uid classUid(const std::string& name) {
        auto found = classes_.find(name);
        if (found != classes_.end()) return Uid{found->second};
        PropertyList::Array chain{PropertyList(name), PropertyList("NSObject")};
        PropertyList::Dictionary description{{"$classname", PropertyList(name)},
                                             {"$classes", PropertyList(std::move(chain))}};
        uint64_t index = add(PropertyList(std::move(description)));
        classes_.emplace(name, index);
        return Uid{index};
    }

    PropertyList::Array objects_;
    std::map<std::string, uint64_t> classes_;
};

// ---------------------------------------------------------------- reading

enum class ClassKind { Dictionary, Array, Date, String, Data };

std::optional<ClassKind> classKind(const std::string& name) {
    static const std::map<std::string, ClassKind> kinds{
        {"NSDictionary", ClassKind::Dictionary}, {"NSMutableDictionary", ClassKind::Dictionary},
        {"NSArray", ClassKind::Array},           {"NSMutableArray", ClassKind::Array},
        {"NSDate", ClassKind::Date},             {"NSString", ClassKind::String},
        {"NSMutableString", ClassKind::String},  {"NSData", ClassKind::Data},
        {"NSMutableData", ClassKind::Data}};
    auto found = kinds.find(name);
    if (found == kinds.end()) return std::nullopt;
    return found->second;
}

// Reads the object graph of "$objects" back into a tree. Each decode answers
// false on an error (with error_ set); a nil object decodes to an empty
// optional.
class Decoder {
public:
    Decoder(const PropertyList::Array& objects, uint64_t budget)
        : objects_(objects), visiting_(objects.size(), false), budget_(budget) {}

    bool decode(const PropertyList& reference, int depth, std::optional<ArchiveValue>& out) {
        uint64_t index = 0;
        if (!resolve(reference, index)) return false;
        return decodeObject(index, depth, out);
    }

    const std::string& error() const { return error_; }

private:
    bool fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    bool failObject(uint64_t index, const std::string& message) {
        return fail("damaged keyed archive: object " + std::to_string(index) + " " + message);
    }

    // Counts decoded values and bytes against the expansion budget.
    bool charge(uint64_t amount) {
        if (amount > budget_) {
            return fail("damaged keyed archive: shared objects expand past " +
                        std::to_string(KeyedArchiver::kMaxExpansion >> 20) + " MiB");
        }
        budget_ -= amount;
        return true;
    }

    bool resolve(const PropertyList& reference, uint64_t& index) {
        const Uid* uid = reference.asUid();
        if (uid == nullptr) return fail("damaged keyed archive: a reference that is not a UID");
        if (uid->value >= objects_.size()) {
            return fail("damaged keyed archive: a reference to object " + std::to_string(uid->value) +
                        " of only " + std::to_string(objects_.size()));
        }
        index = uid->value;
        return true;
    }

    bool decodeObject(uint64_t index, int depth, std::optional<ArchiveValue>& out) {
        out.reset();
        if (index == 0) return true;  // $null: nil
        if (!charge(1)) return false;
        const PropertyList& object = objects_[index];
        if (const std::string* v = object.asString()) return takeString(index, *v, out);
        if (const ArchiveValue::Data* v = object.asData()) return takeData(*v, out);
        if (const long long* v = object.asInteger()) return out.emplace(*v), true;
        if (const double* v = object.asReal()) {
            // No message carries a real that is not a number; one would not
            // even compare equal to itself.
            if (std::isnan(*v)) return failObject(index, "is a real that is not a number");
            return out.emplace(*v), true;
        }
        if (const bool* v = object.asBool()) return out.emplace(*v), true;
        if (object.asDictionary() == nullptr) return failObject(index, "is neither a value nor an archived object");

        std::optional<ClassKind> kind;
        if (!objectClass(index, object, kind)) return false;
        switch (*kind) {
            case ClassKind::String: {
                const PropertyList* text = object.at("NS.string");
                if (text == nullptr || text->asString() == nullptr) return failObject(index, "has no NS.string text");
                return takeString(index, *text->asString(), out);
            }
            case ClassKind::Data: {
                const PropertyList* data = object.at("NS.data");
                if (data == nullptr || data->asData() == nullptr) return failObject(index, "has no NS.data bytes");
                return takeData(*data->asData(), out);
            }
            case ClassKind::Date: {
                const PropertyList* time = object.at("NS.time");
                if (time != nullptr && time->asReal() != nullptr) {
                    if (!std::isfinite(*time->asReal())) return failObject(index, "is a date whose NS.time is not finite");
                    return out.emplace(Date::fromReferenceDate(*time->asReal())), true;
                }
                if (time != nullptr && time->asInteger() != nullptr) {
                    return out.emplace(Date::fromReferenceDate(static_cast<double>(*time->asInteger()))), true;
                }
                return failObject(index, "is a date whose NS.time is not a number");
            }
            case ClassKind::Array:
            case ClassKind::Dictionary:
                break;
        }
        if (depth >= KeyedArchiver::kMaxDepth) {
            return fail("damaged keyed archive: nested deeper than " + std::to_string(KeyedArchiver::kMaxDepth) +
                        " levels");
        }
        if (visiting_[index]) return failObject(index, "contains itself");
        visiting_[index] = true;
        bool ok = *kind == ClassKind::Array ? decodeArray(index, object, depth, out)
                                            : decodeDictionary(index, object, depth, out);
        visiting_[index] = false;
        return ok;
    }

    bool takeString(uint64_t index, const std::string& text, std::optional<ArchiveValue>& out) {
        if (text.find('\0') != std::string::npos) return failObject(index, "is a string with a NUL character");
        if (!charge(text.size())) return false;
        out.emplace(text);
        return true;
    }

    bool takeData(const ArchiveValue::Data& bytes, std::optional<ArchiveValue>& out) {
        if (!charge(bytes.size())) return false;
        out.emplace(bytes);
        return true;
    }

    // The kind of class named by the object's "$class" description.
    bool objectClass(uint64_t index, const PropertyList& object, std::optional<ClassKind>& kind) {
        const PropertyList* reference = object.at("$class");
        if (reference == nullptr) return failObject(index, "has no $class");
        uint64_t classIndex = 0;
        if (!resolve(*reference, classIndex)) return false;
        const PropertyList* name = objects_[classIndex].at("$classname");
        if (name == nullptr || name->asString() == nullptr) {
            return failObject(index, "has a $class that is not a class description");
        }
        kind = classKind(*name->asString());
        if (!kind) return failObject(index, "is of the unknown class " + *name->asString());
        return true;
    }

    const PropertyList::Array* referenceList(uint64_t index, const PropertyList& object, const char* key) {
        const PropertyList* list = object.at(key);
        if (list == nullptr || list->asArray() == nullptr) {
            failObject(index, std::string("has no ") + key + " list");
            return nullptr;
        }
        return list->asArray();
    }

    bool decodeArray(uint64_t index, const PropertyList& object, int depth, std::optional<ArchiveValue>& out) {
        const PropertyList::Array* references = referenceList(index, object, "NS.objects");
        if (references == nullptr) return false;
        ArchiveArray items;
        items.reserve(references->size());
        for (const PropertyList& reference : *references) {
            std::optional<ArchiveValue> item;
            if (!decode(reference, depth + 1, item)) return false;
            if (item) items.push_back(std::move(*item));
        }
        out.emplace(std::move(items));
        return true;
    }

    bool decodeDictionary(uint64_t index, const PropertyList& object, int depth, std::optional<ArchiveValue>& out) {
        const PropertyList::Array* keys = referenceList(index, object, "NS.keys");
        const PropertyList::Array* values = keys ? referenceList(index, object, "NS.objects") : nullptr;
        if (values == nullptr) return false;
        if (keys->size() != values->size()) {
            return failObject(index, "is a dictionary of " + std::to_string(keys->size()) + " keys but " +
                                         std::to_string(values->size()) + " objects");
        }
        ArchiveDictionary entries;
        for (size_t i = 0; i < keys->size(); ++i) {
            std::optional<ArchiveValue> key;
            if (!decode((*keys)[i], depth + 1, key)) return false;
            if (!key || key->asString() == nullptr) return failObject(index, "has a key that is not a string");
            std::optional<ArchiveValue> value;
            if (!decode((*values)[i], depth + 1, value)) return false;
            if (!value) continue;  // nil: absent
            std::string name = *key->asString();
            if (!entries.emplace(name, std::move(*value)).second) {
                return failObject(index, "has the key \"" + name + "\" twice");
            }
        }
        out.emplace(std::move(entries));
        return true;
    }

    const PropertyList::Array& objects_;
    std::vector<bool> visiting_;  // objects being decoded, to find cycles
    uint64_t budget_;
    std::string error_;
};

}  // namespace

std::vector<uint8_t> KeyedArchiver::archivedDataWithRootObject(const ArchiveDictionary& root) {
    Encoder encoder;
    encoder.encodeDictionary(root);
    return std::move(encoder).finish();
}

std::optional<ArchiveDictionary> KeyedArchiver::unarchiveObjectWithData(const std::vector<uint8_t>& data,
                                                                        std::string* error) {
    auto fail = [&](const std::string& message) -> std::optional<ArchiveDictionary> {
        if (error != nullptr) *error = message;
        return std::nullopt;
    };
    std::string problem;
    std::optional<PropertyList> archive = PropertyList::parse(data, &problem);
    if (!archive) return fail(problem);
    const PropertyList* archiver = archive->at("$archiver");
    if (archiver == nullptr || archiver->asString() == nullptr || *archiver->asString() != "NSKeyedArchiver") {
        return fail("not a keyed archive: no $archiver NSKeyedArchiver");
    }
    const PropertyList* top = archive->at("$top");
    if (top == nullptr || top->asDictionary() == nullptr) return fail("not a keyed archive: no $top dictionary");
    const PropertyList* root = top->at("root");
    if (root == nullptr) return fail("not a keyed archive: no root in $top");
    const PropertyList* objects = archive->at("$objects");
    if (objects == nullptr || objects->asArray() == nullptr) return fail("not a keyed archive: no $objects list");

    Decoder decoder(*objects->asArray(), data.size() + kMaxExpansion);
    std::optional<ArchiveValue> value;
    if (!decoder.decode(*root, 0, value)) return fail(decoder.error());
    if (!value || value->asDictionary() == nullptr) return fail("keyed archive whose root is not a dictionary");
    return std::move(*value->mutableDictionary());
}

}  // namespace tallo
