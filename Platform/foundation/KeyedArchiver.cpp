#include "Platform/foundation/KeyedArchiver.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

#include "Platform/foundation/BinaryPlistReader.h"
#include "Platform/foundation/BinaryPlistWriter.h"
#include "Platform/foundation/PropertyList.h"

namespace tallo {

namespace {

// ---------------------------------------------------------------- writing

using Writer = BinaryPlistWriter;

class Encoder {
public:
    Encoder() { addObject(writer_.addString("$null")); }

    // Writes `value` and everything in it; answers the index of its object.
    uint64_t encode(const ArchiveValue& value) {
        if (const std::string* v = value.asString()) return addObject(writer_.addString(*v));
        if (auto bytes = value.bytes()) {
            return addObject(writer_.addData(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
        }
        if (const long long* v = value.asInteger()) return addObject(writer_.addInteger(*v));
        if (const double* v = value.asReal()) return addObject(writer_.addReal(*v));
        if (const bool* v = value.asBool()) return addObject(writer_.addBool(*v));
        if (const Date* v = value.asDate()) {
            uint64_t index = addObject(writer_.reserve());
            writer_.setDictionary(objects_[index], {key("NS.time"), key("$class")},
                                  {writer_.addReal(v->timeIntervalSinceReferenceDate()), uid(classIndex("NSDate"))});
            return index;
        }
        if (const ArchiveArray* v = value.asArray()) return encodeArray(*v);
        return encodeDictionary(*value.asDictionary());
    }

    uint64_t encodeDictionary(const ArchiveDictionary& dictionary) {
        // The container takes its index before its contents, so the root is
        // object 1 as readers expect.
        uint64_t index = addObject(writer_.reserve());
        std::vector<Writer::Ref> keys, values;
        keys.reserve(dictionary.size());
        values.reserve(dictionary.size());
        for (const auto& [name, value] : dictionary) {
            keys.push_back(uid(addObject(writer_.addString(name))));
            values.push_back(uid(encode(value)));
        }
        writer_.setDictionary(objects_[index], {key("NS.keys"), key("NS.objects"), key("$class")},
                              {writer_.addArray(keys), writer_.addArray(values), uid(classIndex("NSDictionary"))});
        return index;
    }

    std::vector<uint8_t> finish(size_t spareCapacity) && {
        Writer::Ref top = writer_.addDictionary({key("root")}, {uid(1)});
        Writer::Ref archive = writer_.addDictionary(
            {key("$archiver"), key("$version"), key("$top"), key("$objects")},
            {writer_.addString("NSKeyedArchiver"), writer_.addInteger(100000), top, writer_.addArray(objects_)});
        return writer_.write(archive, spareCapacity);
    }

private:
    uint64_t encodeArray(const ArchiveArray& array) {
        uint64_t index = addObject(writer_.reserve());
        std::vector<Writer::Ref> items;
        items.reserve(array.size());
        for (const ArchiveValue& item : array) items.push_back(uid(encode(item)));
        writer_.setDictionary(objects_[index], {key("NS.objects"), key("$class")},
                              {writer_.addArray(items), uid(classIndex("NSArray"))});
        return index;
    }

    uint64_t addObject(Writer::Ref object) {
        objects_.push_back(object);
        return objects_.size() - 1;
    }

    // The one property-list object of a reference to archive object `index`.
    Writer::Ref uid(uint64_t index) {
        if (uids_.size() <= index) uids_.resize(index + 1, kNone);
        if (uids_[index] == kNone) uids_[index] = writer_.addUid(index);
        return uids_[index];
    }

    // The one string object of a key of the layout (a literal).
    Writer::Ref key(const char* name) {
        auto found = keys_.find(name);
        if (found != keys_.end()) return found->second;
        return keys_[name] = writer_.addString(name);
    }

    // One class description per class name, shared by all its objects.
    uint64_t classIndex(const char* name) {
        auto found = classes_.find(name);
        if (found != classes_.end()) return found->second;
        Writer::Ref className = writer_.addString(name);
        Writer::Ref chain = writer_.addArray({className, writer_.addString("NSObject")});
        uint64_t index = addObject(writer_.addDictionary({key("$classname"), key("$classes")}, {className, chain}));
        classes_.emplace(name, index);
        return index;
    }

    static constexpr Writer::Ref kNone = ~Writer::Ref{0};
    Writer writer_;
    std::vector<Writer::Ref> objects_;  // the property-list object of each archive object
    std::vector<Writer::Ref> uids_;
    std::map<std::string_view, Writer::Ref> keys_;
    std::map<std::string_view, uint64_t> classes_;
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

// The value of `key` in a property-list dictionary: false on an error (with
// `error` set), true with `found` false when the key is not there.
bool findEntry(const BinaryPlistReader& reader, const BinaryPlistReader::Object& dictionary, const char* key,
               BinaryPlistReader::Object& value, bool& found, std::string& error) {
    found = false;
    for (size_t i = 0; i < dictionary.count; ++i) {
        BinaryPlistReader::Object name;
        if (!reader.object(reader.itemRef(dictionary, i), name, &error)) return false;
        if (!BinaryPlistReader::isAscii(name, key)) continue;
        found = true;
        return reader.object(reader.valueRef(dictionary, i), value, &error);
    }
    return true;
}

// Reads the object graph of "$objects" back into a tree. Each decode answers
// false on an error (with error_ set); a nil object decodes to an empty
// optional.
class Decoder {
public:
    using Reader = BinaryPlistReader;
    using Object = Reader::Object;
    using Kind = Reader::Kind;

    Decoder(const Reader& reader, const Object& objects, uint64_t budget, KeyedArchiver::DataValues dataValues)
        : reader_(reader), objects_(objects), visiting_(objects.count, false), budget_(budget), dataValues_(dataValues) {}

    // Decodes the archive object that `reference` (a UID) names.
    bool decodeRoot(const Object& reference, std::optional<ArchiveValue>& out) {
        uint64_t index = 0;
        if (!resolveObject(reference, index)) return false;
        return decodeObject(index, 0, out);
    }

    const std::string& error() const { return error_; }

private:
    bool load(Reader::Ref ref, Object& out) {
        std::string why;
        if (!reader_.object(ref, out, &why)) return fail("damaged keyed archive: " + why);
        return true;
    }

    // findEntry, with the keys looked through charged to the budget: one
    // large dictionary shared by many objects cannot make decoding quadratic.
    bool lookup(const Object& dictionary, const char* key, Object& value, bool& found) {
        if (!charge(dictionary.count)) return false;
        std::string why;
        if (!findEntry(reader_, dictionary, key, value, found, why)) return fail("damaged keyed archive: " + why);
        return true;
    }

    bool decodeReference(Reader::Ref ref, int depth, std::optional<ArchiveValue>& out) {
        uint64_t index = 0;
        if (!resolve(ref, index)) return false;
        return decodeObject(index, depth, out);
    }
    bool fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    bool failObject(uint64_t index, const std::string& message) {
        return fail("damaged keyed archive: object " + std::to_string(index) + " " + message);
    }

    // Counts decoded values, bytes and dictionary keys looked through
    // against the expansion budget.
    bool charge(uint64_t amount) {
        if (amount > budget_) {
            return fail("damaged keyed archive: shared objects expand past " +
                        std::to_string(KeyedArchiver::kMaxExpansion >> 20) + " MiB");
        }
        budget_ -= amount;
        return true;
    }

    bool resolve(Reader::Ref ref, uint64_t& index) {
        Object reference;
        return load(ref, reference) && resolveObject(reference, index);
    }

    bool resolveObject(const Object& reference, uint64_t& index) {
        if (reference.kind != Kind::Uid) return fail("damaged keyed archive: a reference that is not a UID");
        if (reference.uid >= objects_.count) {
            return fail("damaged keyed archive: a reference to object " + std::to_string(reference.uid) + " of only " +
                        std::to_string(objects_.count));
        }
        index = reference.uid;
        return true;
    }

    // The entry `key` of archive object `index` (a dictionary), which must be there.
    bool field(uint64_t index, const Object& object, const char* key, Object& value, const std::string& missing) {
        bool found = false;
        if (!lookup(object, key, value, found)) return false;
        return found || failObject(index, missing);
    }

    bool decodeObject(uint64_t index, int depth, std::optional<ArchiveValue>& out) {
        out.reset();
        if (index == 0) return true;  // $null: nil
        if (!charge(1)) return false;
        Object object;
        if (!load(reader_.itemRef(objects_, index), object)) return false;
        switch (object.kind) {
            case Kind::String: return takeString(index, object, out);
            case Kind::Data: return takeData(object, out);
            case Kind::Integer: return out.emplace(object.integer), true;
            case Kind::Real:
                // No message carries a real that is not a number; one would
                // not even compare equal to itself.
                if (std::isnan(object.real)) return failObject(index, "is a real that is not a number");
                return out.emplace(object.real), true;
            case Kind::Bool: return out.emplace(object.boolean), true;
            case Kind::Dictionary: break;
            default: return failObject(index, "is neither a value nor an archived object");
        }

        std::optional<ClassKind> kind;
        if (!objectClass(index, object, kind)) return false;
        Object item;
        switch (*kind) {
            case ClassKind::String:
                if (!field(index, object, "NS.string", item, "has no NS.string text")) return false;
                if (item.kind != Kind::String) return failObject(index, "has no NS.string text");
                return takeString(index, item, out);
            case ClassKind::Data:
                if (!field(index, object, "NS.data", item, "has no NS.data bytes")) return false;
                if (item.kind != Kind::Data) return failObject(index, "has no NS.data bytes");
                return takeData(item, out);
            case ClassKind::Date:
                if (!field(index, object, "NS.time", item, "is a date whose NS.time is not a number")) return false;
                if (item.kind == Kind::Real) {
                    if (!std::isfinite(item.real)) return failObject(index, "is a date whose NS.time is not finite");
                    return out.emplace(Date::fromReferenceDate(item.real)), true;
                }
                if (item.kind == Kind::Integer) {
                    return out.emplace(Date::fromReferenceDate(static_cast<double>(item.integer))), true;
                }
                return failObject(index, "is a date whose NS.time is not a number");
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

    bool takeString(uint64_t index, const Object& string, std::optional<ArchiveValue>& out) {
        std::string text = Reader::text(string);
        if (text.find('\0') != std::string::npos) return failObject(index, "is a string with a NUL character");
        if (!charge(text.size())) return false;
        out.emplace(std::move(text));
        return true;
    }

    bool takeData(const Object& data, std::optional<ArchiveValue>& out) {
        if (dataValues_ == KeyedArchiver::DataValues::Borrowed) return out.emplace(BorrowedData{data.bytes, data.count}), true;
        if (!charge(data.count)) return false;
        out.emplace(ArchiveValue::Data(data.bytes, data.bytes + data.count));
        return true;
    }

    // The kind of class named by the object's "$class" description.
    bool objectClass(uint64_t index, const Object& object, std::optional<ClassKind>& kind) {
        Object reference;
        bool found = false;
        if (!lookup(object, "$class", reference, found)) return false;
        if (!found) return failObject(index, "has no $class");
        uint64_t classIndex = 0;
        if (!resolveObject(reference, classIndex)) return false;
        Object description, name;
        if (!load(reader_.itemRef(objects_, classIndex), description)) return false;
        found = false;
        if (description.kind == Kind::Dictionary && !lookup(description, "$classname", name, found)) return false;
        if (!found || name.kind != Kind::String) return failObject(index, "has a $class that is not a class description");
        std::string className = Reader::text(name);
        kind = classKind(className);
        if (!kind) return failObject(index, "is of the unknown class " + className);
        return true;
    }

    bool referenceList(uint64_t index, const Object& object, const char* key, Object& list) {
        std::string missing = std::string("has no ") + key + " list";
        if (!field(index, object, key, list, missing)) return false;
        return list.kind == Kind::Array || failObject(index, missing);
    }

    bool decodeArray(uint64_t index, const Object& object, int depth, std::optional<ArchiveValue>& out) {
        Object references;
        if (!referenceList(index, object, "NS.objects", references)) return false;
        ArchiveArray items;
        items.reserve(std::min<size_t>(references.count, 1024));
        for (size_t i = 0; i < references.count; ++i) {
            std::optional<ArchiveValue> item;
            if (!decodeReference(reader_.itemRef(references, i), depth + 1, item)) return false;
            if (item) items.push_back(std::move(*item));
        }
        out.emplace(std::move(items));
        return true;
    }

    bool decodeDictionary(uint64_t index, const Object& object, int depth, std::optional<ArchiveValue>& out) {
        Object keys, values;
        if (!referenceList(index, object, "NS.keys", keys) || !referenceList(index, object, "NS.objects", values)) {
            return false;
        }
        if (keys.count != values.count) {
            return failObject(index, "is a dictionary of " + std::to_string(keys.count) + " keys but " +
                                         std::to_string(values.count) + " objects");
        }
        ArchiveDictionary entries;
        for (size_t i = 0; i < keys.count; ++i) {
            std::optional<ArchiveValue> key;
            if (!decodeReference(reader_.itemRef(keys, i), depth + 1, key)) return false;
            if (!key || key->asString() == nullptr) return failObject(index, "has a key that is not a string");
            std::optional<ArchiveValue> value;
            if (!decodeReference(reader_.itemRef(values, i), depth + 1, value)) return false;
            if (!value) continue;  // nil: absent
            std::string name = *key->asString();
            if (!entries.emplace(name, std::move(*value)).second) {
                return failObject(index, "has the key \"" + name + "\" twice");
            }
        }
        out.emplace(std::move(entries));
        return true;
    }

    const Reader& reader_;
    const Object& objects_;       // the "$objects" array
    std::vector<bool> visiting_;  // objects being decoded, to find cycles
    uint64_t budget_;
    KeyedArchiver::DataValues dataValues_;
    std::string error_;
};

}  // namespace

std::vector<uint8_t> KeyedArchiver::archivedDataWithRootObject(const ArchiveDictionary& root, size_t spareCapacity) {
    Encoder encoder;
    encoder.encodeDictionary(root);
    return std::move(encoder).finish(spareCapacity);
}

std::optional<ArchiveDictionary> KeyedArchiver::unarchiveObjectWithData(const std::vector<uint8_t>& data,
                                                                        std::string* error, DataValues dataValues) {
    auto fail = [&](const std::string& message) -> std::optional<ArchiveDictionary> {
        if (error != nullptr) *error = message;
        return std::nullopt;
    };
    if (!BinaryPlistReader::looksBinary(data.data(), data.size())) {
        // Another form of property list (XML): read, then taken as binary.
        std::string problem;
        std::optional<PropertyList> list = PropertyList::parse(data, &problem);
        if (!list) return fail(problem);
        std::vector<uint8_t> binary = list->binaryData();
        if (!BinaryPlistReader::looksBinary(binary.data(), binary.size())) return fail("not a property list: unreadable");
        // The converted bytes end here: nothing may be borrowed from them.
        return unarchiveObjectWithData(binary, error, DataValues::Copied);
    }
    std::string problem;
    std::optional<BinaryPlistReader> reader = BinaryPlistReader::open(data.data(), data.size(), &problem);
    if (!reader) return fail("not a property list: " + problem);

    using Kind = BinaryPlistReader::Kind;
    BinaryPlistReader::Object archive, archiver, top, root, objects;
    if (!reader->object(reader->top(), archive, &problem)) return fail(problem);
    if (archive.kind != Kind::Dictionary) return fail("not a keyed archive: no $archiver NSKeyedArchiver");
    bool found = false;
    if (!findEntry(*reader, archive, "$archiver", archiver, found, problem)) return fail(problem);
    if (!found || !BinaryPlistReader::isAscii(archiver, "NSKeyedArchiver")) {
        return fail("not a keyed archive: no $archiver NSKeyedArchiver");
    }
    if (!findEntry(*reader, archive, "$top", top, found, problem)) return fail(problem);
    if (!found || top.kind != Kind::Dictionary) return fail("not a keyed archive: no $top dictionary");
    if (!findEntry(*reader, top, "root", root, found, problem)) return fail(problem);
    if (!found) return fail("not a keyed archive: no root in $top");
    if (!findEntry(*reader, archive, "$objects", objects, found, problem)) return fail(problem);
    if (!found || objects.kind != Kind::Array) return fail("not a keyed archive: no $objects list");

    Decoder decoder(*reader, objects, data.size() + kMaxExpansion, dataValues);
    std::optional<ArchiveValue> value;
    if (!decoder.decodeRoot(root, value)) return fail(decoder.error());
    if (!value || value->asDictionary() == nullptr) return fail("keyed archive whose root is not a dictionary");
    return std::move(*value->mutableDictionary());
}

}  // namespace tallo
