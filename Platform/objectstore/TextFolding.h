#pragma once
// TextFolding: text made comparable regardless of case and/or accents, for
// [c]/[d] predicates and case-insensitive sorting. ICU full case folding;
// accents are removed by decomposing (NFD) and dropping the combining marks.
//   foldText("Café Müller", true, true) == "cafe muller"
//   foldText("STRASSE", true, false) == foldText("straße", true, false)

#include <string>
#include <string_view>

namespace tallo {

std::string foldText(std::string_view text, bool caseInsensitive, bool diacriticInsensitive);

// The first character (code point) of `text`, upper-cased: "apple" → "A",
// "éclair" → "É", "1st" → "1"; "" for "". Broken UTF-8 answers its first byte.
std::string firstCharacterUppercased(std::string_view text);

}  // namespace tallo
