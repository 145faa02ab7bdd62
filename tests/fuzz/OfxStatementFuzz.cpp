// OFX and QFX statements come from uploads and are read through libofx:
// whatever they hold, reading one gives either every entry, each with a real
// calendar day and an amount, or no entry and a message naming a line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/import/OfxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;  // keep each run small
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tallo::StatementResult result = tallo::OfxReader::read(text);
    if (!result.ok()) {
        if (result.error.rfind("line ", 0) != 0 || !result.statement.entries.empty()) std::abort();
        return 0;
    }
    for (const tallo::StatementEntry& entry : result.statement.entries) {
        if (entry.amount.isNaN() || !tallo::isValidStatementDay(entry.day)) std::abort();
    }
    return 0;
}
