// Compressed bytes may come from anywhere: any bytes uncompress to data or
// to nothing, never a crash or a huge allocation, and what uncompresses
// compresses and uncompresses back to itself.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Platform/foundation/DataCompression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using tallo::DataCompression;
    std::vector<uint8_t> bytes(data, data + size);
    auto plain = DataCompression::uncompressedData(bytes);
    if (!plain) {
        std::vector<uint8_t> kept = bytes;
        if (DataCompression::uncompress(kept) || kept != bytes) std::abort();
        return 0;
    }
    int level = size > 0 ? data[0] % 12 - 1 : 4;
    auto packed = DataCompression::compressedDataWithLevel(*plain, level);
    if (!packed) std::abort();
    auto again = DataCompression::uncompressedData(*packed);
    if (!again || *again != *plain) std::abort();
    return 0;
}
