#pragma once
// TLFitText: shortens a row's main text until it fits beside its amount.
// While the two, in their fonts, are wider together than `width` points, the
// text loses its last five characters and gets "..." appended — so a name is
// cut by five characters the first time and by two more each time after
// ("Savings Account" → "Savings Ac..." → "Savings ..."). A text that fits is
// returned as it is; one cut down to the ellipsis alone stays so.

#include <string>

namespace tallo::TLFitText {

struct TextFont {
    double size = 17;
    bool bold = false;
};

std::string fitText(std::string text, TextFont textFont, const std::string& amount, TextFont amountFont, double width = 240);

}  // namespace tallo::TLFitText
