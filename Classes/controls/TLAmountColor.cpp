#include "Classes/controls/TLAmountColor.h"

#include "Classes/values/DecimalCorvane.h"

namespace tallo::TLAmountColor {

Color forAmount(const Decimal& amount) {
    if (isZero(amount)) return zero();
    return CVCammon::isNegative(amount) ? negative() : positive();
}

}  // namespace tallo::TLAmountColor
