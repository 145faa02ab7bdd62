#pragma once
// BinaryPlistWriter: assembles a binary property list ("bplist00": header,
// objects, offset table, 32-byte trailer) object by object, then writes it
// into one buffer of exactly its size. Made for messages that carry whole
// store files: a data object's bytes are copied once, straight into the
// output, so the caller's buffers must live until write().
//
// Objects are numbered in the order they are added; containers refer to
// others by those numbers. reserve() takes a number for a container whose
// contents are known later (an archive's root before its children).
// Integers use the shortest of 1, 2, 4 or 8 bytes (negative ones 8),
// reals 8 bytes; strings are ASCII when every byte is, otherwise UTF-16.
// One writer, one thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallo {

class BinaryPlistWriter {
public:
    using Ref = uint64_t;

    Ref addString(std::string_view text);  // UTF-8; `text` must live until write()
    Ref addData(const uint8_t* bytes, size_t size);  // must live until write()
    Ref addInteger(long long value);
    Ref addReal(double value);
    Ref addBool(bool value);
    Ref addUid(uint64_t value);
    Ref addArray(const std::vector<Ref>& items);
    Ref addDictionary(const std::vector<Ref>& keys, const std::vector<Ref>& values);  // same lengths
    // A number for a container filled in later by setArray/setDictionary.
    Ref reserve();
    void setArray(Ref at, const std::vector<Ref>& items);
    void setDictionary(Ref at, const std::vector<Ref>& keys, const std::vector<Ref>& values);

    // The property list with `top` as its root object. `spareCapacity` more
    // bytes are reserved after it, so the caller can append (a message
    // terminator) without the buffer moving.
    std::vector<uint8_t> write(Ref top, size_t spareCapacity = 0) const;

private:
    enum class Kind : uint8_t { Ascii, Utf16, Data, Integer, Real, Bool, Uid, Array, Dictionary };
    struct Entry {
        Kind kind = Kind::Array;
        long long integer = 0;  // Integer, Bool, Uid (as unsigned)
        double real = 0;
        const uint8_t* bytes = nullptr;  // Ascii, Data
        size_t size = 0;                 // bytes; Utf16: code units; containers: entries
        size_t refsAt = 0;               // containers: first of their refs in refs_
        size_t text = 0;                 // Utf16: its converted text in utf16_
    };

    Ref add(Entry entry);
    Entry container(Kind kind, const std::vector<Ref>& first, const std::vector<Ref>* second);
    size_t encodedSize(const Entry& entry, unsigned refSize) const;

    std::vector<Entry> entries_;
    std::vector<Ref> refs_;
    std::vector<std::string> utf16_;  // converted texts, owned
};

}  // namespace tallo
