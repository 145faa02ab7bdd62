#include "Platform/objectstore/PredicateText.h"

#include <algorithm>

namespace tallo::predicate {

namespace {

// Length of the UTF-8 sequence that starts at text[i] (1 for a stray byte).
size_t characterLength(std::string_view text, size_t i) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    size_t end = std::min(i + length, text.size());
    for (size_t j = i + 1; j < end; ++j) {
        if ((static_cast<unsigned char>(text[j]) & 0xC0) != 0x80) return j - i;
    }
    return end - i;
}

}  // namespace

// Greedy matching with one backtrack point: on a mismatch after a '*' the
// star takes one more character and matching resumes. Linear for patterns
// with one star, and never worse than text × pattern.
bool wildcardMatch(std::string_view text, std::string_view pattern) {
    size_t t = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;  // pattern position after the last '*'
    size_t starText = 0;                          // text position that star has reached
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starText = t;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            t += characterLength(text, t);
            ++p;
            continue;
        }
        if (p < pattern.size()) {
            size_t literal = p;
            if (pattern[p] == '\\' && p + 1 < pattern.size() &&
                (pattern[p + 1] == '*' || pattern[p + 1] == '?' || pattern[p + 1] == '\\')) {
                literal = p + 1;
            }
            if (pattern[literal] == text[t]) {
                p = literal + 1;
                ++t;
                continue;
            }
        }
        if (starPattern == std::string_view::npos) return false;
        starText += characterLength(text, starText);
        t = starText;
        p = starPattern;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace tallo::predicate
