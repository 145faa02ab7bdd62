#include "Classes/controls/TLFitText.h"

#include "Platform/ui/Font.h"

namespace tallo::TLFitText {

namespace {

constexpr int kCutCharacters = 5;
const std::string kEllipsis = "...";

// `text` without its last `count` characters (whole UTF-8 characters).
std::string dropLastCharacters(const std::string& text, int count) {
    size_t end = text.size();
    while (count > 0 && end > 0) {
        --end;
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) --count;
    }
    return text.substr(0, end);
}

}  // namespace

std::string fitText(std::string text, TextFont textFont, const std::string& amount, TextFont amountFont, double width) {
    double amountWidth = Font::widthOfText(amount, amountFont.size, amountFont.bold);
    while (Font::widthOfText(text, textFont.size, textFont.bold) + amountWidth > width) {
        std::string shorter = dropLastCharacters(text, kCutCharacters) + kEllipsis;
        // Only the ellipsis left: nothing shorter can be made.
        if (shorter.size() >= text.size()) break;
        text = std::move(shorter);
    }
    return text;
}

}  // namespace tallo::TLFitText
