#pragma once
// TLAmountColor: the colours amounts are drawn in on every screen — red
// (184, 62, 68 of 255) for a negative amount or a negative transaction,
// green (123, 157, 74) for a positive one, grey (white 0.29) for zero.

#include "Platform/foundation/Decimal.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo::TLAmountColor {

inline Color negative() { return Color{184 / 255.0, 62 / 255.0, 68 / 255.0}; }
inline Color positive() { return Color{123 / 255.0, 157 / 255.0, 74 / 255.0}; }
inline Color zero() { return Color::white(0.29); }
// By the sign of `amount`; zero is grey.
Color forAmount(const Decimal& amount);

}  // namespace tallo::TLAmountColor
