#pragma once
// For Platform .cpp files: a check of text from outside.

#include <cstdint>
#include <string>

namespace tallo {

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF). Property lists and calendar files must be; the
// libraries that read them do not check.
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

namespace tallo {

// Appends the UTF-8 form of the code point `code` (U+FFFD for surrogates
// and values past U+10FFFF).
inline void appendUtf8(std::string& out, uint32_t code) {
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The UTF-8 text of `units` big-endian UTF-16 code units at `bytes`; an
// unpaired surrogate becomes U+FFFD.
inline std::string utf8FromUtf16BE(const uint8_t* bytes, size_t units) {
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = (uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            uint32_t next = (uint32_t{bytes[2 * i + 2]} << 8) | bytes[2 * i + 3];
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

// The big-endian UTF-16 bytes of UTF-8 `text`; a byte that does not begin
// a well-formed sequence becomes U+FFFD.
inline std::string utf16BEFromUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](uint32_t unit) {
        out += static_cast<char>(unit >> 8);
        out += static_cast<char>(unit & 0xFF);
    };
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        uint32_t code = 0xFFFD;
        if (length == 1) {
            code = c;
        } else if (length > 1 && i + length <= text.size() && isValidUtf8(text.substr(i, length))) {
            code = c & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        } else {
            length = 1;
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

}  // namespace tallo
