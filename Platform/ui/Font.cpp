#include "Platform/ui/Font.h"

#include <array>

namespace tallo::Font {

namespace {

// Advance widths in thousandths of an em of the printable ASCII characters
// (space to tilde), from the Helvetica and Helvetica-Bold font metrics.
constexpr std::array<short, 95> kPlain = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space … /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0 … ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @ … O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P … _
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // ` … o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // p … ~
constexpr std::array<short, 95> kBold = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};
constexpr int kWideCharacter = 556;

}  // namespace

double widthOfText(std::string_view text, double size, bool bold) {
    const auto& widths = bold ? kBold : kPlain;
    long units = 0;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            units += widths[c - 32];
        } else if ((c & 0xC0) != 0x80 && c >= 0x80) {
            units += kWideCharacter;  // the first byte of a character outside ASCII
        }
    }
    return static_cast<double>(units) * size / 1000.0;
}

}  // namespace tallo::Font
