#include "Classes/values/CVCammon.h"

namespace tallo {

Decimal CVCammon::negativeDecimalNumberFrom(const Decimal& value) { return Decimal::zero().subtract(value); }

Decimal CVCammon::absoluteDecimalNumberFrom(const Decimal& value) {
    return isNegative(value) ? negativeDecimalNumberFrom(value) : value;
}

bool CVCammon::isNegative(const Decimal& value) { return value.floatValue() < 0.0f; }

bool CVCammon::isPositive(const Decimal& value) { return value.floatValue() > 0.0f; }

}  // namespace tallo
