#pragma once
// _TLBudgetTime: a year and a month (1–12), carried by budget sections.

#include <cstdint>

namespace tallo {

struct TLBudgetTime {
    uint32_t year = 0;
    uint32_t month = 0;

    friend bool operator==(const TLBudgetTime&, const TLBudgetTime&) = default;
};

}  // namespace tallo
