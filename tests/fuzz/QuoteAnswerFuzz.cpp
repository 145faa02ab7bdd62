// An answer of the quote service comes from the network: whatever its bytes,
// reading it must end in quotes that can be stored safely — two different
// three-character codes and a positive single-precision rate — never in a
// crash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Classes/currencies/TLQuoteQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);
    for (const tallo::TLQuote& quote : tallo::TLQuoteQuery::parseAnswer(answer)) {
        if (quote.fromCode.size() != 3 || quote.toCode.size() != 3 || quote.fromCode == quote.toCode) std::abort();
        const tallo::Decimal& rate = quote.oneFromInTo;
        if (rate.isNaN() || rate <= tallo::Decimal::zero()) std::abort();
        // A stored rate read again is the same rate.
        auto again = tallo::TLQuoteQuery::readRate(rate.toString());
        if (!again || *again != rate) std::abort();
    }
    return 0;
}
