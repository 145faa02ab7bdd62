#pragma once
// StringCorvane: what the application adds to text — stringAtIndex, the
// one-character text at a character position of UTF-8 text ("Zoë", 2 → "ë";
// "" past the end), and stringWithFormat, which fills the "%@" places of a
// message in order.

#include <initializer_list>
#include <string>
#include <string_view>

namespace tallo {

std::string stringAtIndex(std::string_view text, unsigned index);

// Each "%@" of `format` in turn takes the next argument, "%2$@" the second
// one (translations reorder words that way); "%%" is a "%".
// Arguments are never scanned again, so a value holding "%@" stays as it is:
// ("%@ (transfered %@ %@ account)", {"Rent", "to", "Savings"}) gives
// "Rent (transfered to Savings account)". Places without an argument become "".
std::string stringWithFormat(std::string_view format, std::initializer_list<std::string_view> arguments);

}  // namespace tallo
