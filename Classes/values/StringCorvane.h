#pragma once
// String additions: stringAtIndex, the one-character text at a character
// position of UTF-8 text ("Zoë", 2 → "ë"); "" past the end.

#include <string>
#include <string_view>

namespace tallo {

std::string stringAtIndex(std::string_view text, unsigned index);

}  // namespace tallo
