#pragma once
// CategoryAmount: how the category screens show a total — formatted in the
// default currency, red (184, 62, 68) when negative, green (123, 157, 74)
// when positive, grey (white 0.29) when zero.

#include <string>

#include "Platform/foundation/Decimal.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

struct CategoryAmount {
    static std::string text(const Decimal& amount);
    static Color color(const Decimal& amount);
};

}  // namespace tallo
