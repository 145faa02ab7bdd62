#pragma once
// TLFormatter: small text utilities of the screens.

#include <optional>
#include <string>
#include <vector>

#include "Platform/foundation/DateComponents.h"

namespace tallo {

class TLFormatter {
public:
    // Years, months and days of `components` in words, signs ignored, zero
    // parts left out, hours and smaller ignored:
    //   {1 year, 0 months, 3 days} → "1 year 3 days"
    //   {0, 2, 1}                  → "2 months 1 day"
    //   {years −2}                 → "2 years"
    //   all zero                   → ""
    static std::string dateInWordsFromComponents(const DateComponents& components);
    // The non-empty words joined by single spaces, in order; "" for no array
    // or no non-empty word: {"Rent", "", "May"} → "Rent May".
    static std::string sentenceFromWords(const std::optional<std::vector<std::string>>& words);
};

}  // namespace tallo
