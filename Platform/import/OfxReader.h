#pragma once
// OfxReader: bank and card statements in OFX 1.x (SGML) and 2.x (XML) and
// Quicken's QFX, read through libofx. Each transaction keeps its FITID, the
// bank's identifier, so an entry imported before is known again.
//
// Dates are the day the bank posted the entry, as a calendar day in the
// statement's own zone. Amounts come through libofx as binary floating
// point; they are turned back into the decimal text the file held (15
// significant digits, which every amount a bank writes fits in).
// An entry's line is the line of its <STMTTRN> tag in the text.
// Errors: text without an <OFX> element; an entry without a date or amount,
// or one libofx could not read (a cut-off file), named by its line. Not thread-safe: libofx keeps global state; call it
// from the main thread.

#include <string_view>

#include "Platform/import/Statement.h"

namespace tallo {

class OfxReader {
public:
    static StatementResult read(std::string_view text);
};

}  // namespace tallo
