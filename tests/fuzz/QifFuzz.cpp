// QIF files come from other programs and from uploads: whatever they hold,
// reading one gives either every entry, each with a real calendar day and an
// amount, or no entry and a message naming a line of the file.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/import/QifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tallo::StatementResult result = tallo::QifReader::read(text);
    if (!result.ok()) {
        if (result.error.rfind("line ", 0) != 0 || !result.statement.entries.empty()) std::abort();
        return 0;
    }
    int previous = 0;
    for (const tallo::StatementEntry& entry : result.statement.entries) {
        if (!tallo::isValidStatementDay(entry.day) || entry.amount.isNaN() || entry.line <= previous) std::abort();
        for (const tallo::StatementSplit& split : entry.splits) {
            if (split.amount.isNaN()) std::abort();
        }
        previous = entry.line;
    }
    return 0;
}
