#pragma once
// For Platform .cpp files only: small safe helpers over libplist.

#include <plist/plist.h>

#include <cstdint>
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

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF). Property-list text must be; libplist does not check.
inline bool isValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace tallo
