#include "Classes/values/TLMonthID.h"

#include "Classes/values/CVDates.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

uint32_t TLMonthID::fromDate(Date date) {
    auto year = static_cast<uint32_t>(CVDates::componentFromDate(date, kCalendarUnitYear));
    auto month = static_cast<uint32_t>(CVDates::componentFromDate(date, kCalendarUnitMonth));
    return fromYearMonth(year, month);
}

uint32_t TLMonthID::current() { return fromDate(Clock::now()); }

}  // namespace tallo
