#include "Classes/budgets/TLReportPeriod.h"

#include <algorithm>

#include "Classes/values/CVDates.h"
#include "Classes/values/TLIntervalType.h"
#include "Classes/values/TLMonthID.h"

namespace tallo {

const std::vector<TLReportPeriodKind>& TLReportPeriod::all() {
    static const std::vector<TLReportPeriodKind> kinds = {TLReportPeriodKind::ThisMonth, TLReportPeriodKind::LastMonth,
                                                          TLReportPeriodKind::ThisYear, TLReportPeriodKind::Last12Months,
                                                          TLReportPeriodKind::CustomRange};
    return kinds;
}

TLTimeInterval TLReportPeriod::monthBefore(Date now, uint32_t monthsBack) {
    uint32_t month = TLMonthID::fromDate(now) - monthsBack;
    TLTimeInterval interval;
    interval.setMonthIntervalFromYear(TLMonthID::year(month), TLMonthID::month(month));
    return interval;
}

TLTimeInterval TLReportPeriod::interval(Date now) const {
    TLTimeInterval interval;
    interval.setStartDate(now);
    switch (kind) {
        case TLReportPeriodKind::ThisMonth: return monthBefore(now, 0);
        case TLReportPeriodKind::LastMonth: return monthBefore(now, 1);
        case TLReportPeriodKind::ThisYear: interval.setType(TLIntervalType::CalendarYear); return interval;
        case TLReportPeriodKind::Last12Months:
            interval.setStartDate(monthBefore(now, 11).startDate());
            interval.setEndDate(monthBefore(now, 0).endDate());
            return interval;
        case TLReportPeriodKind::CustomRange: {
            Date first = std::min(from, to);
            Date last = std::max(from, to);
            interval.setStartDate(*CVDates::startOfDayDate(first));
            interval.setEndDate(CVDates::endOfDayDate(last));
            return interval;
        }
    }
    return monthBefore(now, 0);
}

}  // namespace tallo
