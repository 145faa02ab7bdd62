#pragma once
// DataCompression: bytes packed with zlib behind a 4-byte length header.
//
//   compressed form = source length (unsigned 32-bit, little-endian)
//                   + the zlib stream of the source
//
// so 1000 bytes compress to E8 03 00 00 78 … . A source of 4 GiB or more
// cannot be described by the header and does not compress.
//
// Failures answer nothing (or false, leaving the bytes as they were): a zlib
// error, compressed bytes of 4 bytes or fewer, a stream that is damaged or
// longer than its header says, and a header declaring more than
// kMaxUncompressedLength bytes (refused before anything is allocated).
// A header declaring more than the stream holds is not an error: the result
// is what the stream holds.
// Stateless; any thread.

#include <cstdint>
#include <optional>
#include <vector>

namespace tallo {

class DataCompression {
public:
    using Data = std::vector<uint8_t>;

    static constexpr uint32_t kMaxUncompressedLength = 1u << 30;  // 1 GiB
    static constexpr int kDefaultLevel = 4;

    // compressedDataWithLevel(bytes, 4).
    static std::optional<Data> compressedData(const Data& bytes);
    // zlib level 0 (store) … 9 (smallest), or −1 for zlib's default; a level
    // above 9 is taken as 9, one below −1 as 0.
    static std::optional<Data> compressedDataWithLevel(const Data& bytes, int level);
    static std::optional<Data> uncompressedData(const Data& bytes);

    // In place: replace `bytes` by the result and answer true, or leave them
    // and answer false.
    static bool compress(Data& bytes);
    static bool uncompress(Data& bytes);
};

}  // namespace tallo
