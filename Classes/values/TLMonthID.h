#pragma once
// Month IDs key budget limits by month: year × 12 + month − 1, month 1–12.
//   January 2010 → 24120    December 2010 → 24131    January 2011 → 24132
// The inverse: year = ID ÷ 12, month = ID mod 12 + 1.

#include <cstdint>

#include "Classes/values/TLBudgetTime.h"
#include "Platform/foundation/Date.h"

namespace tallo {

class TLMonthID {
public:
    static constexpr uint32_t fromYearMonth(uint32_t year, uint32_t month) { return year * 12 + month - 1; }
    static constexpr uint32_t year(uint32_t monthID) { return monthID / 12; }
    static constexpr uint32_t month(uint32_t monthID) { return monthID % 12 + 1; }
    static constexpr TLBudgetTime budgetTime(uint32_t monthID) { return {year(monthID), month(monthID)}; }
    // The month ID of `date` in the current calendar.
    static uint32_t fromDate(Date date);
    // The month ID of today.
    static uint32_t current();
};

}  // namespace tallo
