#pragma once
// Calendar: the Gregorian calendar of a locale in a time zone (ICU).
//
// Out-of-range fields are normalised the way a person counts: day 0 is the
// last day of the month before, month 13 is January of the next year, and
// hour 24 is midnight of the next day. So "month + 1, day 1, then day − 1" is
// the last day of a month:
//   31 January 2011 with month + 1 and the same day → 31 February, which
//   normalises to 3 March 2011 (a common year);
//   {year 2010, month 13, day 0} → 31 December 2010.
// Adding components (dateByAddingComponents) is different: adding one month
// to 31 January gives 28 February (the day is pinned to the month's end),
// and adding one year to 29 February 2012 gives 28 February 2013.
//
// Copyable value; each copy owns its ICU calendar. Not shared across threads.

#include <memory>
#include <string>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/DateComponents.h"

namespace tallo {

class Calendar {
public:
    // The process's calendar: current locale and default time zone. Cheap:
    // a copy of a per-thread calendar that is rebuilt only after the locale
    // or the time zone changed.
    static Calendar current();
    Calendar(const std::string& localeIdentifier, const std::string& timeZoneName);
    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);
    Calendar(Calendar&&) noexcept;
    Calendar& operator=(Calendar&&) noexcept;
    ~Calendar();

    // The fields named by `units` (CalendarUnit flags) of `date`. A fraction
    // of a second counts as the whole second before it (10:30:59.75 has
    // second 59).
    DateComponents components(unsigned units, Date date) const;
    // The instant of the given fields; unset fields count as year 1, month 1,
    // day 1, 00:00:00, era AD. Out-of-range fields are normalised (see above).
    // Week and weekday are used only when no day is set: then the weekday
    // (or the first weekday) of that week of the year. A wall-clock time
    // skipped by a daylight-saving change counts as the time after it
    // (02:30 on 13 March 2011 in New York is 03:30 EDT).
    Date dateFromComponents(const DateComponents& components) const;
    // `date` plus every set field of `components` (negative counts subtract),
    // larger units first: year, month, week, day, hour, minute, second. A
    // weekday count adds days; the era is ignored. Days keep the wall-clock
    // time across a daylight-saving change, hours do not. A fraction of a
    // second in `date` is kept.
    Date dateByAddingComponents(const DateComponents& components, Date date) const;
    // Whole years/months/days/hours/minutes/seconds (as named by `units`)
    // from `from` to `to`; negative when `to` is earlier. Larger units are
    // taken first: from 31 Jan to 1 Mar 2011 in months and days is 1 month 1 day.
    DateComponents componentsFromDateToDate(unsigned units, Date from, Date to) const;
    // The first day of the week in this locale: 1 Sunday (en_US), 2 Monday (de_DE).
    int firstWeekday() const;

    const std::string& localeIdentifier() const { return locale_; }
    const std::string& timeZoneName() const { return timeZone_; }

private:
    struct Impl;
    std::string locale_;
    std::string timeZone_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo
