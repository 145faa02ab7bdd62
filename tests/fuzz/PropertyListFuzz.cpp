// Property lists arrive from resources, settings and (in keyed archives) the
// network: any bytes give a tree or a refusal with a reason, and a tree
// writes and reads back as the same tree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Platform/foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    std::string error;
    auto list = tallo::PropertyList::parse(bytes, &error);
    if (!list) {
        if (error.empty()) std::abort();
        return 0;
    }
    auto again = tallo::PropertyList::parse(list->binaryData(), &error);
    if (!again) {
        std::fprintf(stderr, "written tree does not read back: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
