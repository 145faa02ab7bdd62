// Sync messages arrive from the network as keyed archives: any bytes give a
// dictionary or a refusal with a reason, and a dictionary read once archives
// and reads back as the same dictionary.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/foundation/KeyedArchiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using tallo::KeyedArchiver;
    std::vector<uint8_t> bytes(data, data + size);
    std::string error;
    auto message = KeyedArchiver::unarchiveObjectWithData(bytes, &error);
    if (!message) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::vector<uint8_t> archived = KeyedArchiver::archivedDataWithRootObject(*message);
    auto again = KeyedArchiver::unarchiveObjectWithData(archived, &error);
    if (!again) {
        std::fprintf(stderr, "archived message does not read back: %s\n", error.c_str());
        std::abort();
    }
    // A message that went through the archive once is stable from then on.
    // (Compared as archives too: a real that is not a number is unequal to
    // itself, and the first pass may settle the sign bit of such a NaN.)
    std::vector<uint8_t> settled = KeyedArchiver::archivedDataWithRootObject(*again);
    auto third = KeyedArchiver::unarchiveObjectWithData(settled, &error);
    if (!third || (!(*third == *again) && KeyedArchiver::archivedDataWithRootObject(*third) != settled)) {
        std::fprintf(stderr, "archived message reads back different\n");
        std::abort();
    }
    return 0;
}
