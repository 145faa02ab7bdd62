#pragma once
// BinaryPlistReader: a bounds-checked view of binary property-list bytes
// ("bplist00"), read object by object on demand, without copying anything
// but what the caller asks for. Made for sync messages that carry whole
// store files: a data object is handed out as a pointer into the bytes.
//
// open() checks the header, the trailer and the offset table; object()
// checks one object: its marker, that it lies wholly between the header and
// the offset table, and its length. A reference is checked when followed.
// Nothing reads outside the bytes, whatever they hold; every defect is an
// error with a reason. Cycles are not looked for here: a reader that
// follows references decides how deep it goes.
//
// The bytes must outlive the reader and everything it hands out.

#include <cstdint>
#include <optional>
#include <string>

namespace tallo {

class BinaryPlistReader {
public:
    using Ref = uint64_t;
    enum class Kind { Null, Bool, Integer, Real, Date, Data, String, Uid, Array, Dictionary };

    struct Object {
        Kind kind = Kind::Null;
        bool boolean = false;
        long long integer = 0;  // Integer
        double real = 0;        // Real; Date: seconds since 2001-01-01 00:00 UTC
        uint64_t uid = 0;       // Uid
        const uint8_t* bytes = nullptr;  // Data, String: the payload
        size_t count = 0;  // Data: bytes; String: characters; Array, Dictionary: entries
        bool utf16 = false;  // String: UTF-16 big-endian (else one byte a character)
        const uint8_t* refs = nullptr;  // Array, Dictionary (keys, then values)
    };

    // A reader over `size` bytes at `bytes`, or nothing with `error` set.
    static std::optional<BinaryPlistReader> open(const uint8_t* bytes, size_t size, std::string* error);
    // Whether the bytes begin like a binary property list.
    static bool looksBinary(const uint8_t* bytes, size_t size);

    Ref top() const { return top_; }
    uint64_t objectCount() const { return count_; }

    // The object `ref`, or false with `error` set.
    bool object(Ref ref, Object& out, std::string* error) const;
    // The i-th reference of an array, the i-th key of a dictionary
    // (valueRef for its values). `i` must be below the object's count.
    Ref itemRef(const Object& container, size_t i) const;
    Ref valueRef(const Object& dictionary, size_t i) const { return itemRef(dictionary, dictionary.count + i); }
    // The UTF-8 text of a String object (a one-byte character above 0x7F
    // read as Latin-1, an unpaired UTF-16 surrogate as U+FFFD).
    static std::string text(const Object& string);
    // Whether a String object holds exactly the ASCII text `ascii`.
    static bool isAscii(const Object& string, const char* ascii);

private:
    struct ObjectDecoder;  // one object's marker and bytes, one step per kind
    BinaryPlistReader() = default;
    uint64_t readUnsigned(uint64_t at, unsigned width) const;
    bool fail(std::string* error, Ref ref, const std::string& why) const;

    const uint8_t* bytes_ = nullptr;
    uint64_t tableOffset_ = 0;  // objects lie in [8, tableOffset_)
    uint64_t count_ = 0;
    Ref top_ = 0;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
};

}  // namespace tallo
