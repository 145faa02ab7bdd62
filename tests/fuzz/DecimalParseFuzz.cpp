// Decimal text from outside (stored files, synced stores, typed text) must
// parse or be refused, never crash, and what parses must print back to the
// same value.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/foundation/Decimal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto value = tallo::Decimal::fromString(text, &error);
    if (!value) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    auto again = tallo::Decimal::fromString(value->toString());
    if (!again || !(*again == *value)) std::abort();
    return 0;
}
