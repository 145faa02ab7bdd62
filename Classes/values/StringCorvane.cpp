#include "Classes/values/StringCorvane.h"

namespace tallo {

namespace {

// Length of the UTF-8 sequence that starts with `lead`; a stray continuation
// or invalid byte counts as one character so broken text still indexes.
size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string stringAtIndex(std::string_view text, unsigned index) {
    size_t pos = 0;
    for (unsigned i = 0; i < index && pos < text.size(); ++i) pos += sequenceLength(static_cast<unsigned char>(text[pos]));
    if (pos >= text.size()) return {};
    size_t length = sequenceLength(static_cast<unsigned char>(text[pos]));
    if (pos + length > text.size()) length = text.size() - pos;
    return std::string(text.substr(pos, length));
}

std::string stringWithFormat(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string text;
    text.reserve(format.size());
    size_t next = 0;
    auto argument = [&](size_t index) { return index < arguments.size() ? *(arguments.begin() + index) : std::string_view(); };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            text += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            text += '%';
            ++i;
        } else if (format[i + 1] == '@') {
            text += argument(next++);
            ++i;
        } else {
            // "%2$@": the second argument, so a translation may reorder them.
            size_t digits = i + 1;
            size_t position = 0;
            while (digits < format.size() && format[digits] >= '0' && format[digits] <= '9' && digits - i < 4) {
                position = position * 10 + static_cast<size_t>(format[digits] - '0');
                ++digits;
            }
            if (position > 0 && digits + 1 < format.size() && format[digits] == '$' && format[digits + 1] == '@') {
                text += argument(position - 1);
                i = digits + 1;
            } else {
                text += '%';
            }
        }
    }
    return text;
}

}  // namespace tallo
