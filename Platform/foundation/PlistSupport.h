#pragma once
// For Platform .cpp files only: small safe helpers over libplist.

#include <plist/plist.h>

#include "Platform/foundation/Utf8.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace tallo {

struct PlistDeleter {
    void operator()(void* node) const {
        if (node != nullptr) plist_free(static_cast<plist_t>(node));
    }
};
// Owns a libplist node tree.
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The text of a string node with its real length. libplist's own
// plist_get_string_val asserts (ending the process) on a string that holds
// a NUL character, which a hostile file can contain.
inline std::string plistString(plist_t node) {
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text != nullptr ? std::string(text, static_cast<size_t>(length)) : std::string();
}


// Whether a binary property list holds a string with a NUL character.
// libplist 2.2 asserts (ending the process) when it meets such a string as
// a dictionary key, so these lists are refused before libplist reads them.
// Only the object table is walked here; every other check stays libplist's.
inline bool binaryListHasStringWithNul(const uint8_t* data, size_t size) {
    if (size < 8 + 32 || std::memcmp(data, "bplist00", 8) != 0) return false;
    auto readBE = [&](size_t at, size_t width) -> uint64_t {
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i) value = (value << 8) | data[at + i];
        return value;
    };
    const size_t trailer = size - 32;
    const size_t offsetSize = data[trailer + 6];
    const uint64_t objectCount = readBE(trailer + 8, 8);
    const uint64_t tableOffset = readBE(trailer + 24, 8);
    if (offsetSize == 0 || offsetSize > 8 || tableOffset >= trailer) return false;
    if (objectCount > (trailer - tableOffset) / offsetSize) return false;
    for (uint64_t i = 0; i < objectCount; ++i) {
        uint64_t at = readBE(static_cast<size_t>(tableOffset + i * offsetSize), offsetSize);
        if (at >= tableOffset) continue;
        uint8_t marker = data[static_cast<size_t>(at)];
        uint8_t kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6) continue;  // ASCII and UTF-16 strings
        uint64_t count = marker & 0x0F;
        uint64_t start = at + 1;
        if (count == 0x0F) {
            if (start >= tableOffset) continue;
            uint8_t lengthMarker = data[static_cast<size_t>(start)];
            size_t width = size_t{1} << (lengthMarker & 0x0F);
            if ((lengthMarker >> 4) != 0x1 || width > 8 || start + 1 + width > tableOffset) continue;
            count = readBE(static_cast<size_t>(start + 1), width);
            start += 1 + width;
        }
        uint64_t unit = kind == 0x6 ? 2 : 1;
        if (count > (tableOffset - start) / unit) continue;
        for (uint64_t k = 0; k < count; ++k) {
            size_t position = static_cast<size_t>(start + k * unit);
            bool nul = unit == 1 ? data[position] == 0 : (data[position] == 0 && data[position + 1] == 0);
            if (nul) return true;
        }
    }
    return false;
}

}  // namespace tallo
