#include "Classes/screens/categories/CategoryAmount.h"

#include "Classes/shell/TLGlobal.h"
#include "Classes/values/DecimalCorvane.h"

namespace tallo {

std::string CategoryAmount::text(const Decimal& amount) { return TLGlobal::sharedGlobal().currencyStringFromNumber(amount); }

Color CategoryAmount::color(const Decimal& amount) {
    if (isZero(amount)) return Color::white(0.29);
    if (CVCammon::isNegative(amount)) return Color{184 / 255.0, 62 / 255.0, 68 / 255.0};
    return Color{123 / 255.0, 157 / 255.0, 74 / 255.0};
}

}  // namespace tallo
