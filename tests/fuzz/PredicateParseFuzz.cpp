// Predicate formats must parse or be refused with a reason, never crash.
// What parses must evaluate on nothing (SELF nil) without harm, and its
// description must parse back to the same description.
//
// The first byte picks how many arguments (0–4) follow the format, from a
// fixed list of texts, integers and nil whose descriptions read back as
// literals; the rest is the format.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/objectstore/Predicate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::vector<tallo::Value> pool = {tallo::Value("Café"), tallo::Value(20), tallo::Value(), tallo::Value("a.b"),
                                            tallo::Value(true)};
    std::vector<tallo::Value> arguments(pool.begin(), pool.begin() + data[0] % 5);
    std::string_view format(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string error;
    auto predicate = tallo::Predicate::parse(format, arguments, &error);
    if (!predicate) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    predicate->evaluate(nullptr);
    predicate->keyEqualsObjectTerms();
    std::string description = predicate->description();
    std::string againError;
    auto again = tallo::Predicate::parse(description, {}, &againError);
    if (!again) {
        // Parentheses the description adds may tip a format at the nesting limit over it.
        if (againError.rfind("nesting too deep", 0) != 0) std::abort();
        return 0;
    }
    if (again->description() != description) std::abort();
    return 0;
}
