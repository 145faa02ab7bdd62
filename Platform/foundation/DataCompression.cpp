#include "Platform/foundation/DataCompression.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace tallo {

namespace {

constexpr size_t kHeaderLength = 4;

// Deflate cannot expand its input by more than about 1032 to 1, so a buffer
// this large holds anything the stream can give. Sizing the buffer by it
// rather than by the header alone keeps a few hostile bytes that declare
// 1 GiB from allocating 1 GiB; the result is the same either way.
uLong largestPossibleOutput(size_t streamLength) {
    return static_cast<uLong>(streamLength) * 1032 + 1024;
}

}  // namespace

std::optional<DataCompression::Data> DataCompression::compressedData(const Data& bytes) {
    return compressedDataWithLevel(bytes, kDefaultLevel);
}

std::optional<DataCompression::Data> DataCompression::compressedDataWithLevel(const Data& bytes, int level) {
    if (bytes.size() > UINT32_MAX) return std::nullopt;  // the header could not hold its length
    if (level > 9) level = 9;
    if (level < -1) level = 0;  // -1 itself is zlib's default level
    // Room for the stream: the source plus a tenth, plus 16 bytes, truncated.
    uLongf streamLength = static_cast<uLongf>(static_cast<double>(bytes.size()) * 1.1 + 16);
    Data result(kHeaderLength + streamLength);
    int status = ::compress2(result.data() + kHeaderLength, &streamLength, bytes.data(),
                             static_cast<uLong>(bytes.size()), level);
    if (status != Z_OK) return std::nullopt;
    uint32_t length = static_cast<uint32_t>(bytes.size());
    for (size_t i = 0; i < kHeaderLength; ++i) result[i] = static_cast<uint8_t>(length >> (8 * i));
    result.resize(kHeaderLength + streamLength);
    return result;
}

std::optional<DataCompression::Data> DataCompression::uncompressedData(const Data& bytes) {
    if (bytes.size() <= kHeaderLength) return std::nullopt;
    uint32_t declared = 0;
    for (size_t i = 0; i < kHeaderLength; ++i) declared |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    // A deliberate limit: the header alone must not make us allocate gigabytes.
    if (declared > kMaxUncompressedLength) return std::nullopt;
    size_t streamLength = bytes.size() - kHeaderLength;
    uLongf length = std::min<uLong>(declared, largestPossibleOutput(streamLength));
    Data result(length);
    int status = ::uncompress(result.data(), &length, bytes.data() + kHeaderLength, static_cast<uLong>(streamLength));
    if (status != Z_OK) return std::nullopt;
    result.resize(length);
    return result;
}

bool DataCompression::compress(Data& bytes) {
    std::optional<Data> result = compressedData(bytes);
    if (!result) return false;
    bytes = std::move(*result);
    return true;
}

bool DataCompression::uncompress(Data& bytes) {
    std::optional<Data> result = uncompressedData(bytes);
    if (!result) return false;
    bytes = std::move(*result);
    return true;
}

}  // namespace tallo
