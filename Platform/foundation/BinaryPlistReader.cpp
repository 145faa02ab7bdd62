#include "Platform/foundation/BinaryPlistReader.h"

#include <bit>
#include <cstring>

#include "Platform/foundation/Utf8.h"

namespace tallo {

namespace {

constexpr size_t kTrailerSize = 32;

bool failWith(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
}

}  // namespace

bool BinaryPlistReader::looksBinary(const uint8_t* bytes, size_t size) {
    return size >= 8 && std::memcmp(bytes, "bplist00", 8) == 0;
}

uint64_t BinaryPlistReader::readUnsigned(uint64_t at, unsigned width) const {
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) value = (value << 8) | bytes_[at + i];
    return value;
}

std::optional<BinaryPlistReader> BinaryPlistReader::open(const uint8_t* bytes, size_t size, std::string* error) {
    if (!looksBinary(bytes, size) || size < 8 + kTrailerSize) {
        failWith(error, "not a binary property list");
        return std::nullopt;
    }
    BinaryPlistReader reader;
    reader.bytes_ = bytes;
    const uint64_t trailer = size - kTrailerSize;
    reader.offsetSize_ = bytes[trailer + 6];
    reader.refSize_ = bytes[trailer + 7];
    reader.count_ = reader.readUnsigned(trailer + 8, 8);
    reader.top_ = reader.readUnsigned(trailer + 16, 8);
    reader.tableOffset_ = reader.readUnsigned(trailer + 24, 8);
    const char* why = nullptr;
    if (reader.offsetSize_ < 1 || reader.offsetSize_ > 8 || reader.refSize_ < 1 || reader.refSize_ > 8) {
        why = "offset or reference width outside 1 to 8 bytes";
    } else if (reader.tableOffset_ < 8 || reader.tableOffset_ > trailer) {
        why = "offset table outside the bytes";
    } else if (reader.count_ == 0 || reader.count_ > (trailer - reader.tableOffset_) / reader.offsetSize_) {
        why = "object count does not fit the offset table";
    } else if (reader.top_ >= reader.count_) {
        why = "top object past the last object";
    }
    if (why != nullptr) {
        failWith(error, std::string("damaged binary property list: ") + why);
        return std::nullopt;
    }
    return reader;
}

bool BinaryPlistReader::fail(std::string* error, Ref ref, const std::string& why) const {
    return failWith(error, "damaged binary property list: object " + std::to_string(ref) + " " + why);
}

// One object read from its marker byte: the high nibble is the kind, the
// low one a size or a count; `next` walks the bytes after the marker, none
// of which may lie past the offset table.
struct BinaryPlistReader::ObjectDecoder {
    const BinaryPlistReader& reader;
    Ref ref;
    Object& out;
    std::string* error;
    unsigned type = 0, info = 0;
    uint64_t next = 0, end = 0;

    bool has(uint64_t length) const { return length <= end - next; }
    bool fail(const std::string& why) const { return reader.fail(error, ref, why); }

    bool decode() {
        switch (type) {
            case 0x0: return simple();
            case 0x1: return integer();
            case 0x2:
            case 0x3: return real();
            case 0x4:
            case 0x5:
            case 0x6: return bytesOrString();
            case 0x8: return uid();
            case 0xA:
            case 0xC:  // a set reads as an array
            case 0xD: return container();
            default: return fail("has an unknown marker");
        }
    }

    // The element count of a data, string or container object: in the low
    // nibble, or (0xF) in an integer object that follows the marker.
    bool readCount(uint64_t& count) {
        if (info != 0x0F) {
            count = info;
            return true;
        }
        if (!has(1)) return fail("is cut off");
        uint8_t lengthMarker = reader.bytes_[next];
        if ((lengthMarker >> 4) != 0x1 || (lengthMarker & 0x0F) > 3) return fail("has a damaged length");
        unsigned width = 1u << (lengthMarker & 0x0F);
        ++next;
        if (!has(width)) return fail("is cut off");
        count = reader.readUnsigned(next, width);
        next += width;
        return true;
    }

    bool simple() {
        if (info == 0x0 || info == 0xF) return out.kind = Kind::Null, true;
        if (info != 0x8 && info != 0x9) return fail("has an unknown marker");
        out.kind = Kind::Bool;
        out.boolean = info == 0x9;
        return true;
    }

    bool integer() {
        if (info > 4) return fail("is an integer of an unknown width");
        unsigned width = 1u << info;
        if (!has(width)) return fail("is cut off");
        uint64_t value;
        if (width == 16) {
            // Written for unsigned values past the signed range: the upper
            // half must be zero and the value must fit anyway.
            if (reader.readUnsigned(next, 8) != 0) return fail("is an integer too large");
            value = reader.readUnsigned(next + 8, 8);
            if (value > uint64_t(INT64_MAX)) return fail("is an integer too large");
        } else {
            value = reader.readUnsigned(next, width);  // 8 bytes: two's complement
        }
        out.kind = Kind::Integer;
        out.integer = static_cast<long long>(value);
        return true;
    }

    bool real() {
        bool date = type == 0x3;
        if ((date && info != 0x3) || (!date && info != 0x2 && info != 0x3)) return fail("is a real of an unknown width");
        unsigned width = 1u << info;
        if (!has(width)) return fail("is cut off");
        out.kind = date ? Kind::Date : Kind::Real;
        out.real = width == 4 ? double(std::bit_cast<float>(static_cast<uint32_t>(reader.readUnsigned(next, 4))))
                              : std::bit_cast<double>(reader.readUnsigned(next, 8));
        return true;
    }

    bool bytesOrString() {
        uint64_t count = 0;
        if (!readCount(count)) return false;
        uint64_t unit = type == 0x6 ? 2 : 1;
        if (count > (end - next) / unit) return fail("is longer than the bytes");
        out.kind = type == 0x4 ? Kind::Data : Kind::String;
        out.utf16 = type == 0x6;
        out.bytes = reader.bytes_ + next;
        out.count = static_cast<size_t>(count);
        return true;
    }

    bool uid() {
        unsigned width = info + 1;
        if (!has(width)) return fail("is cut off");
        out.kind = Kind::Uid;
        out.uid = reader.readUnsigned(next, width);
        return true;
    }

    bool container() {
        uint64_t count = 0;
        if (!readCount(count)) return false;
        uint64_t perEntry = (type == 0xD ? 2u : 1u) * reader.refSize_;
        if (count > (end - next) / perEntry) return fail("has more entries than the bytes hold");
        out.kind = type == 0xD ? Kind::Dictionary : Kind::Array;
        out.refs = reader.bytes_ + next;
        out.count = static_cast<size_t>(count);
        return true;
    }
};

bool BinaryPlistReader::object(Ref ref, Object& out, std::string* error) const {
    out = Object{};
    if (ref >= count_) return fail(error, ref, "does not exist (of " + std::to_string(count_) + ")");
    const uint64_t at = readUnsigned(tableOffset_ + ref * offsetSize_, offsetSize_);
    if (at < 8 || at >= tableOffset_) return fail(error, ref, "lies outside the object area");
    const uint8_t marker = bytes_[at];
    ObjectDecoder decoder{*this, ref, out, error, unsigned(marker >> 4), unsigned(marker & 0x0F), at + 1, tableOffset_};
    return decoder.decode();
}

BinaryPlistReader::Ref BinaryPlistReader::itemRef(const Object& container, size_t i) const {
    return readUnsigned(static_cast<uint64_t>(container.refs - bytes_) + uint64_t(i) * refSize_, refSize_);
}

std::string BinaryPlistReader::text(const Object& string) {
    if (string.utf16) return utf8FromUtf16BE(string.bytes, string.count);
    std::string out;
    out.reserve(string.count);
    for (size_t i = 0; i < string.count; ++i) appendUtf8(out, string.bytes[i]);
    return out;
}

bool BinaryPlistReader::isAscii(const Object& string, const char* ascii) {
    size_t length = std::strlen(ascii);
    if (string.kind != Kind::String || string.count != length) return false;
    if (!string.utf16) return std::memcmp(string.bytes, ascii, length) == 0;
    for (size_t i = 0; i < length; ++i) {
        if (string.bytes[2 * i] != 0 || string.bytes[2 * i + 1] != static_cast<uint8_t>(ascii[i])) return false;
    }
    return true;
}

}  // namespace tallo
