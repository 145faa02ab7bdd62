#include "Platform/import/Statement.h"

namespace tallo {

namespace {
bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
}  // namespace

bool isValidStatementDay(const StatementDay& d) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1900 || d.year > 2200 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    int last = kDays[d.month - 1] + (d.month == 2 && isLeap(d.year) ? 1 : 0);
    return d.day <= last;
}

// Howard Hinnant's days-from-civil: the proleptic Gregorian day count.
long statementDayNumber(const StatementDay& d) {
    long y = d.year - (d.month <= 2 ? 1 : 0);
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long mp = (d.month + 9) % 12;
    long doy = (153 * mp + 2) / 5 + d.day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace tallo
