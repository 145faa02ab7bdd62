// String tables may be edited by translators by hand; whatever they contain,
// reading them must answer a table or a refusal with a reason.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/foundation/Localization.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto table = tallo::Localization::parseStringsTable(text, &error);
    if (!table && error.rfind("line ", 0) != 0) std::abort();
    return 0;
}
