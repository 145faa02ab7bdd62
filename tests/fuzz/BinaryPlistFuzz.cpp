// Sync messages are binary property lists read object by object from the
// network: any bytes open with a reason or give objects whose payloads and
// references lie inside the bytes; no object read crashes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/foundation/BinaryPlistReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using tallo::BinaryPlistReader;
    // A copy of exactly the input's size, so a read past its end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    std::string error;
    auto reader = BinaryPlistReader::open(bytes.data(), bytes.size(), &error);
    if (!reader) {
        if (error.empty()) std::abort();
        return 0;
    }
    const uint8_t* begin = bytes.data();
    const uint8_t* end = begin + bytes.size();
    for (uint64_t ref = 0; ref < reader->objectCount(); ++ref) {
        BinaryPlistReader::Object object;
        if (!reader->object(ref, object, &error)) {
            if (error.empty()) std::abort();
            continue;
        }
        using Kind = BinaryPlistReader::Kind;
        if (object.kind == Kind::Data || object.kind == Kind::String) {
            size_t length = object.count * (object.utf16 ? 2 : 1);
            if (object.bytes < begin || object.bytes + length > end) std::abort();
            if (object.kind == Kind::String) (void)BinaryPlistReader::text(object);
        }
        if (object.kind == Kind::Array || object.kind == Kind::Dictionary) {
            size_t refs = object.kind == Kind::Dictionary ? 2 * object.count : object.count;
            for (size_t i = 0; i < refs; ++i) {
                BinaryPlistReader::Object item;
                if (!reader->object(reader->itemRef(object, i), item, &error) && error.empty()) std::abort();
            }
        }
    }
    return 0;
}
