#pragma once
// The wildcard matching of the `like` operator. (Folding for the [c] and [d]
// options is TextFolding's, shared with case-insensitive sorting.)

#include <string_view>

namespace tallo::predicate {

// Whether all of `text` matches `pattern`, where '*' stands for any run of
// characters (also none), '?' for exactly one character (a whole UTF-8
// sequence) and a backslash makes the next '*', '?' or '\' literal.
//   wildcardMatch("Groceries", "Gro*")      → true
//   wildcardMatch("Café", "Caf?")           → true (é is one character)
//   wildcardMatch("5*3", "5\\*3")           → true, and "553" → false
bool wildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace tallo::predicate
