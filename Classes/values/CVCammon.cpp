#include "Classes/values/CVCammon.h"

#include "Platform/foundation/UUID.h"

namespace tallo {

Decimal CVCammon::negativeDecimalNumberFrom(const Decimal& value) { return Decimal::zero().subtract(value); }

Decimal CVCammon::absoluteDecimalNumberFrom(const Decimal& value) {
    return isNegative(value) ? negativeDecimalNumberFrom(value) : value;
}

std::string CVCammon::generateUniqueID() { return UUID::createString(); }

bool CVCammon::isNegative(const Decimal& value) { return value.floatValue() < 0.0f; }

bool CVCammon::isPositive(const Decimal& value) { return value.floatValue() > 0.0f; }

}  // namespace tallo
