// Bank CSV files come from uploads: whatever they hold, reading one through a
// mapping guessed from its own first line gives either every row, each with a
// real calendar day and an amount, or no row and a message naming a line.
// The first byte chooses the locale whose formats the mapping starts from.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/import/CsvMapping.h"
#include "Platform/import/CsvReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kLocales[] = {"en_US", "de_DE", "en_GB", "ja_JP"};
    tallo::CsvMapping formats = tallo::CsvMapping::forLocale(kLocales[data[0] % 4]);
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    formats.delimiter = tallo::CsvReader::guessDelimiter(text);
    tallo::CsvTable table = tallo::CsvReader::read(text, formats.delimiter);
    if (!table.ok()) {
        if (table.error.rfind("line ", 0) != 0 || !table.records.empty()) std::abort();
        return 0;
    }
    if (table.records.empty()) return 0;
    tallo::CsvMapping mapping = tallo::CsvMapping::guessFromHeader(table.records[0].fields, formats);
    if (mapping.date == tallo::CsvMapping::kNone) mapping.date = 0;
    if (mapping.amount == tallo::CsvMapping::kNone && mapping.debit == tallo::CsvMapping::kNone) mapping.amount = 1;
    tallo::StatementResult result = mapping.read(text);
    if (!result.ok()) {
        if (result.error.rfind("line ", 0) != 0 || !result.statement.entries.empty()) std::abort();
        return 0;
    }
    if (result.statement.entries.size() + 1 != table.records.size()) std::abort();  // every row but the header
    for (const tallo::StatementEntry& entry : result.statement.entries) {
        if (!tallo::isValidStatementDay(entry.day) || entry.amount.isNaN()) std::abort();
    }
    return 0;
}
