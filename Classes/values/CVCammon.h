#pragma once
// CVCammon: the sign rules every amount follows.
//
// A decimal counts as negative when its 32-bit float conversion is below 0
// and as positive when it is above 0, so a magnitude too small for a float
// (1e-50) counts as neither. Negation is subtraction from zero, so the
// negative of 0 is plain 0, never a signed zero.

#include <string>

#include "Platform/foundation/Decimal.h"

namespace tallo {

class CVCammon {
public:
    // 0 − value.
    static Decimal negativeDecimalNumberFrom(const Decimal& value);
    // The value itself when it is not negative by the sign test, else its negative.
    static Decimal absoluteDecimalNumberFrom(const Decimal& value);
    // A bare new UUID in its standard text form, for identifiers that name
    // no entity.
    static std::string generateUniqueID();
    // The sign test.
    static bool isNegative(const Decimal& value);
    static bool isPositive(const Decimal& value);
};

}  // namespace tallo
