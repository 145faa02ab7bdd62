#pragma once
// The three additions every amount gets (absolute, negative, isZero), as
// free functions over Decimal. They follow CVCammon's sign rules.

#include "Classes/values/CVCammon.h"

namespace tallo {

inline Decimal absolute(const Decimal& value) { return CVCammon::absoluteDecimalNumberFrom(value); }
inline Decimal negative(const Decimal& value) { return CVCammon::negativeDecimalNumberFrom(value); }
// Numeric equality with zero: true for 0, 0.0 and 0.00, false for 0.001 and NaN.
inline bool isZero(const Decimal& value) { return value.isEqualToNumber(Decimal::zero()); }

}  // namespace tallo
