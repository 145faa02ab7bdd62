#pragma once
// TLReportPeriod: the span of days a spending report covers, as the person
// chose it on the reports screen, laid out around "now" in the local
// calendar. Every span covers whole days, from 00:00:00 of its first day to
// 23:59:59 of its last — the month intervals of the budget screen, so a
// month's figures here and there are the same. On 15 March 2011:
//
//   ThisMonth      1 March 2011 … 31 March 2011
//   LastMonth      1 February 2011 … 28 February 2011
//   ThisYear       1 January 2011 … 31 December 2011
//   Last12Months   1 April 2010 … 31 March 2011 (this month and the eleven before)
//   CustomRange    the day of `from` … the day of `to` (either order)

#include <cstdint>
#include <vector>

#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Date.h"

namespace tallo {

enum class TLReportPeriodKind { ThisMonth, LastMonth, ThisYear, Last12Months, CustomRange };

class TLReportPeriod {
public:
    TLReportPeriodKind kind = TLReportPeriodKind::ThisMonth;
    Date from;  // the custom range's first and last day (any time of day)
    Date to;

    // The chooser's order.
    static const std::vector<TLReportPeriodKind>& all();

    TLTimeInterval interval(Date now) const;

    // The calendar month `monthsBack` months before the month of `now`
    // (0: now's month), as the budget screen lays it out. 31 March 2011 and
    // 1 back: 1–28 February 2011.
    static TLTimeInterval monthBefore(Date now, uint32_t monthsBack);
};

}  // namespace tallo
