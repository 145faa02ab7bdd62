#include "Platform/foundation/BinaryPlistWriter.h"

#include <bit>

#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/Utf8.h"

namespace tallo {

namespace {

// Bytes (1, 2, 4 or 8) for an unsigned value.
unsigned widthFor(uint64_t value) {
    if (value <= 0xFF) return 1;
    if (value <= 0xFFFF) return 2;
    if (value <= 0xFFFFFFFFull) return 4;
    return 8;
}

unsigned log2Width(unsigned width) { return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3; }

// A marker with a count: in the low nibble below 15, else 0xF and an
// integer object after it.
size_t countHeaderSize(size_t count) { return count < 15 ? 1 : 2 + widthFor(count); }

class Output {
public:
    explicit Output(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    void byte(uint8_t b) { bytes_.push_back(b); }
    void bigEndian(uint64_t value, unsigned width) {
        for (unsigned i = width; i-- > 0;) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void raw(const uint8_t* from, size_t size) {
        bytes_.insert(bytes_.end(), from, from + size);  // within the reserved capacity: no move
    }
    void counted(uint8_t type, size_t count) {
        if (count < 15) return byte(static_cast<uint8_t>((type << 4) | count));
        byte(static_cast<uint8_t>((type << 4) | 0x0F));
        unsigned width = widthFor(count);
        byte(static_cast<uint8_t>(0x10 | log2Width(width)));
        bigEndian(count, width);
    }

private:
    std::vector<uint8_t>& bytes_;
};

}  // namespace

BinaryPlistWriter::Ref BinaryPlistWriter::add(Entry entry) {
    entries_.push_back(entry);
    return entries_.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addString(std::string_view text) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    Entry entry;
    if (ascii) {
        entry.kind = Kind::Ascii;
        entry.bytes = reinterpret_cast<const uint8_t*>(text.data());
        entry.size = text.size();
    } else {
        // Kept by index: the vector of texts may move as it grows.
        utf16_.push_back(utf16BEFromUtf8(std::string(text)));
        entry.kind = Kind::Utf16;
        entry.size = utf16_.back().size() / 2;
        entry.text = utf16_.size() - 1;
    }
    return add(entry);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addData(const uint8_t* bytes, size_t size) {
    Entry entry;
    entry.kind = Kind::Data;
    entry.bytes = bytes;
    entry.size = size;
    return add(entry);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addInteger(long long value) {
    Entry entry;
    entry.kind = Kind::Integer;
    entry.integer = value;
    return add(entry);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addReal(double value) {
    Entry entry;
    entry.kind = Kind::Real;
    entry.real = value;
    return add(entry);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addBool(bool value) {
    Entry entry;
    entry.kind = Kind::Bool;
    entry.integer = value ? 1 : 0;
    return add(entry);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addUid(uint64_t value) {
    Entry entry;
    entry.kind = Kind::Uid;
    entry.integer = static_cast<long long>(value);
    return add(entry);
}

BinaryPlistWriter::Entry BinaryPlistWriter::container(Kind kind, const std::vector<Ref>& first,
                                                      const std::vector<Ref>* second) {
    Entry entry;
    entry.kind = kind;
    entry.size = first.size();
    entry.refsAt = refs_.size();
    refs_.insert(refs_.end(), first.begin(), first.end());
    if (second != nullptr) refs_.insert(refs_.end(), second->begin(), second->end());
    return entry;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addArray(const std::vector<Ref>& items) {
    return add(container(Kind::Array, items, nullptr));
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDictionary(const std::vector<Ref>& keys, const std::vector<Ref>& values) {
    if (keys.size() != values.size()) InternalError::report("A dictionary needs as many values as keys.");
    return add(container(Kind::Dictionary, keys, &values));
}

BinaryPlistWriter::Ref BinaryPlistWriter::reserve() { return add(Entry{}); }

void BinaryPlistWriter::setArray(Ref at, const std::vector<Ref>& items) {
    entries_.at(at) = container(Kind::Array, items, nullptr);
}

void BinaryPlistWriter::setDictionary(Ref at, const std::vector<Ref>& keys, const std::vector<Ref>& values) {
    if (keys.size() != values.size()) InternalError::report("A dictionary needs as many values as keys.");
    entries_.at(at) = container(Kind::Dictionary, keys, &values);
}

size_t BinaryPlistWriter::encodedSize(const Entry& entry, unsigned refSize) const {
    switch (entry.kind) {
        case Kind::Ascii:
        case Kind::Data: return countHeaderSize(entry.size) + entry.size;
        case Kind::Utf16: return countHeaderSize(entry.size) + 2 * entry.size;
        case Kind::Integer: return 1 + (entry.integer < 0 ? 8 : widthFor(static_cast<uint64_t>(entry.integer)));
        case Kind::Real: return 9;
        case Kind::Bool: return 1;
        case Kind::Uid: return 1 + widthFor(static_cast<uint64_t>(entry.integer));
        case Kind::Array: return countHeaderSize(entry.size) + entry.size * refSize;
        case Kind::Dictionary: return countHeaderSize(entry.size) + 2 * entry.size * refSize;
    }
    return 0;
}

// Longer than most: one pass in the file's own order — header, each object
// by its kind, offset table, trailer — so it reads top to bottom against the
// format it writes.
std::vector<uint8_t> BinaryPlistWriter::write(Ref top, size_t spareCapacity) const {
    const size_t count = entries_.size();
    const unsigned refSize = widthFor(count == 0 ? 0 : count - 1);
    std::vector<uint64_t> offsets(count);
    uint64_t at = 8;
    for (size_t i = 0; i < count; ++i) {
        offsets[i] = at;
        at += encodedSize(entries_[i], refSize);
    }
    const uint64_t tableOffset = at;
    const unsigned offsetSize = widthFor(count == 0 ? 0 : offsets.back());

    std::vector<uint8_t> bytes;
    bytes.reserve(tableOffset + count * offsetSize + 32 + spareCapacity);
    Output out(bytes);
    out.raw(reinterpret_cast<const uint8_t*>("bplist00"), 8);
    for (const Entry& entry : entries_) {
        switch (entry.kind) {
            case Kind::Ascii:
                out.counted(0x5, entry.size);
                out.raw(entry.bytes, entry.size);
                break;
            case Kind::Utf16:
                out.counted(0x6, entry.size);
                out.raw(reinterpret_cast<const uint8_t*>(utf16_[entry.text].data()), 2 * entry.size);
                break;
            case Kind::Data:
                out.counted(0x4, entry.size);
                out.raw(entry.bytes, entry.size);
                break;
            case Kind::Integer: {
                unsigned width = entry.integer < 0 ? 8 : widthFor(static_cast<uint64_t>(entry.integer));
                out.byte(static_cast<uint8_t>(0x10 | log2Width(width)));
                out.bigEndian(static_cast<uint64_t>(entry.integer), width);
                break;
            }
            case Kind::Real:
                out.byte(0x23);
                out.bigEndian(std::bit_cast<uint64_t>(entry.real), 8);
                break;
            case Kind::Bool: out.byte(entry.integer ? 0x09 : 0x08); break;
            case Kind::Uid: {
                unsigned width = widthFor(static_cast<uint64_t>(entry.integer));
                out.byte(static_cast<uint8_t>(0x80 | (width - 1)));
                out.bigEndian(static_cast<uint64_t>(entry.integer), width);
                break;
            }
            case Kind::Array:
            case Kind::Dictionary: {
                size_t refCount = entry.kind == Kind::Array ? entry.size : 2 * entry.size;
                out.counted(entry.kind == Kind::Array ? 0xA : 0xD, entry.size);
                for (size_t k = 0; k < refCount; ++k) out.bigEndian(refs_[entry.refsAt + k], refSize);
                break;
            }
        }
    }
    for (uint64_t offset : offsets) out.bigEndian(offset, offsetSize);
    for (int i = 0; i < 6; ++i) out.byte(0);
    out.byte(static_cast<uint8_t>(offsetSize));
    out.byte(static_cast<uint8_t>(refSize));
    out.bigEndian(count, 8);
    out.bigEndian(top, 8);
    out.bigEndian(tableOffset, 8);
    return bytes;
}

}  // namespace tallo
