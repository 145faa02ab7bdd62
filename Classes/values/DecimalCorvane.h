#pragma once
// DecimalCorvane: what the application adds to Decimal for amounts —
// absolute, negative and isZero, as free functions. absolute and negative
// follow CVCammon's sign rules (a value is negative when its float is below
// 0; negating subtracts from zero).

#include "Classes/values/CVCammon.h"

namespace tallo {

inline Decimal absolute(const Decimal& value) { return CVCammon::absoluteDecimalNumberFrom(value); }
inline Decimal negative(const Decimal& value) { return CVCammon::negativeDecimalNumberFrom(value); }
// Numeric equality with zero: true for 0, 0.0 and 0.00, false for 0.001 and NaN.
inline bool isZero(const Decimal& value) { return value.isEqualToNumber(Decimal::zero()); }

}  // namespace tallo
