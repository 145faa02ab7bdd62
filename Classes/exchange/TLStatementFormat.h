#pragma once
// The kinds of bank file an import reads, and reading one of them.

#include <string>
#include <string_view>

#include "Platform/import/CsvMapping.h"
#include "Platform/import/Statement.h"

namespace tallo {

struct TLStatementFormat {
    static constexpr int Ofx = 0;  // OFX 1.x/2.x and Quicken's QFX
    static constexpr int Qif = 1;
    static constexpr int Csv = 2;
    static constexpr int Unknown = -1;

    // By the file name's extension, case ignored: .ofx and .qfx, .qif,
    // .csv and .txt; Unknown otherwise.
    static int forFileName(const std::string& name);
    // By the text itself: an <OFX> element or OFX header, a "!Type:" or
    // "!Account" line, else CSV.
    static int forText(std::string_view text);
    // Reads `text` as `format`. A CSV file without `mapping` is read with
    // the columns its header names and the current locale's formats.
    static StatementResult read(std::string_view text, int format, const CsvMapping* mapping = nullptr);
    // The mapping read() uses when given none: the current locale's
    // formats, the file's delimiter, the columns its first line names.
    static CsvMapping guessMapping(std::string_view text);
};

}  // namespace tallo
