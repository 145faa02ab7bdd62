#pragma once
// KeyedArchiver: a dictionary with string keys written as, and read from, a
// keyed archive — the binary property list the phone platform's keyed
// archiver produces, so that the desktop peer of sync reads our messages and
// we read its messages.
//
// The layout (the contract with the peer):
//
//   { "$archiver": "NSKeyedArchiver", "$version": 100000,
//     "$top": { "root": UID(1) },
//     "$objects": [ "$null", <root>, <other objects…> ] }
//
// Every object lives once in "$objects" and is referred to by its index (a
// property-list UID); index 0 is the string "$null", which stands for nil.
//   string          a plain string object
//   integer, real,  a plain integer, real or boolean object
//   boolean
//   data            a plain data object
//   dictionary      { "NS.keys": [UID…], "NS.objects": [UID…], "$class": UID }
//                   keys[i] belongs to objects[i]; class NSDictionary
//   array           { "NS.objects": [UID…], "$class": UID }, class NSArray
//   date            { "NS.time": seconds since 2001-01-01 00:00 UTC (real),
//                     "$class": UID }, class NSDate
// A class description { "$classname": "NSDictionary",
// "$classes": ["NSDictionary", "NSObject"] } is written once per class name
// and shared by every object of that class.
//
// Reading also accepts what other writers of the layout produce: the mutable
// classes NSMutableDictionary and NSMutableArray; strings and data wrapped as
// { "NS.string": … } (NSString, NSMutableString) and { "NS.data": … }
// (NSData, NSMutableData); an integer NS.time; one object referred to from
// several places (each place gets its own copy). A nil ($null) dictionary
// value or array element is absent: the entry is left out.
//
// Reading outside bytes never crashes. These are errors with a message:
// bytes that are not a property list; a property list that is not a keyed
// archive or whose root is not a dictionary; a UID past the end of
// "$objects"; an object that contains itself; an object of the wrong type or
// an unknown class; a dictionary whose key and object lists differ in length,
// a key that is not a string or a key given twice; nesting deeper than
// kMaxDepth; shared objects that would expand past kMaxExpansion; a string
// holding a NUL character (the binary writer cannot write one back).
//
// Archives are written and read in the binary form directly (other forms of
// property list are read too, through PropertyList): encoding and decoding
// are linear in the size of the archive, and a data value (a whole store
// file) is copied exactly once each way — into the archive, out of it.
// Only what the root reaches is read; bytes nothing refers to are not
// looked at.
// Stateless; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/foundation/ArchiveValue.h"

namespace tallo {

class KeyedArchiver {
public:
    // Containers (dictionaries and arrays) nested inside the root, at most.
    static constexpr int kMaxDepth = 256;
    // Objects shared by several references are copied for each; the decoded
    // tree may hold at most this many values and string/data bytes beyond
    // the size of the archive itself, so a few kilobytes cannot expand to
    // gigabytes.
    static constexpr uint64_t kMaxExpansion = 64ull << 20;

    // The keyed archive of `root`, with `spareCapacity` bytes reserved after
    // it (to append a message terminator without moving the archive).
    // Strings with NUL characters and dictionaries nested deeper than
    // kMaxDepth are written but will not be read back.
    static std::vector<uint8_t> archivedDataWithRootObject(const ArchiveDictionary& root, size_t spareCapacity = 0);

    // How data values come out of an archive: copied, or borrowed from the
    // archive's bytes (which must then outlive the result).
    enum class DataValues { Copied, Borrowed };

    // The root dictionary of a keyed archive, or nothing with `error` set to
    // the reason.
    static std::optional<ArchiveDictionary> unarchiveObjectWithData(const std::vector<uint8_t>& data,
                                                                    std::string* error = nullptr,
                                                                    DataValues dataValues = DataValues::Copied);
};

}  // namespace tallo
