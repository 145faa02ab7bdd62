#pragma once
// Font: how wide a line of text is drawn in the system font, for screens
// that shorten a text to fit beside another (an account's name beside its
// balance). The widths are those of the Helvetica family the phone's
// interface used, which the page's fallback fonts (Arial, Liberation Sans)
// match: at 10 points "Checking" is 41.7 points wide plain.
//
// Characters outside ASCII count as wide as a digit.

#include <string_view>

namespace tallo::Font {

// The width in points of `text` (UTF-8) at `size` points.
double widthOfText(std::string_view text, double size, bool bold = false);

}  // namespace tallo::Font
