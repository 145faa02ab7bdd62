#include "Platform/foundation/Calendar.h"

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>

#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"

namespace tallo {

struct Calendar::Impl {
    std::unique_ptr<icu::GregorianCalendar> calendar;
};

namespace {

constexpr double kMillisPerSecond = 1000.0;

std::unique_ptr<icu::GregorianCalendar> makeCalendar(const std::string& localeIdentifier,
                                                     const std::string& timeZoneName) {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZoneName)),
        icu::Locale(localeIdentifier.c_str()), status);
    if (U_FAILURE(status)) throw std::runtime_error("cannot create a calendar for " + localeIdentifier);
    // Normalise out-of-range fields (day 0, month 13) instead of refusing them.
    calendar->setLenient(true);
    return calendar;
}

std::unique_ptr<icu::GregorianCalendar> cloneCalendar(const icu::GregorianCalendar& calendar) {
    return std::unique_ptr<icu::GregorianCalendar>(calendar.clone());
}

// ICU keeps instants in milliseconds. Calendar fields are whole seconds, so
// an instant is split into the whole second at or before it (which ICU
// sees) and the fraction, which arithmetic carries through unchanged: 10.75 s
// has second 10, and 10.75 s plus one minute is 70.75 s.
struct SplitInstant {
    double wholeMillis;
    double fraction;
};

SplitInstant split(Date date) {
    double seconds = date.timeIntervalSince1970();
    double whole = std::floor(seconds);
    return {whole * kMillisPerSecond, seconds - whole};
}

// The fields an addition or a difference works through, larger units first:
// one month added to 31 January lands on 28 February before any days are
// added, and a difference counts whole months before the days left over.
struct ArithmeticField {
    std::optional<int> DateComponents::*member;
    UCalendarDateFields field;
    unsigned unit;
};

constexpr ArithmeticField kArithmeticFields[] = {
    {&DateComponents::year, UCAL_YEAR, kCalendarUnitYear},
    {&DateComponents::month, UCAL_MONTH, kCalendarUnitMonth},
    {&DateComponents::week, UCAL_WEEK_OF_YEAR, kCalendarUnitWeek},
    {&DateComponents::day, UCAL_DATE, kCalendarUnitDay},
    {&DateComponents::hour, UCAL_HOUR_OF_DAY, kCalendarUnitHour},
    {&DateComponents::minute, UCAL_MINUTE, kCalendarUnitMinute},
    {&DateComponents::second, UCAL_SECOND, kCalendarUnitSecond},
};

// Rebuilt when the locale or the default time zone changes (their shared
// generation counter moves); each thread keeps its own, since ICU calendars
// are not safe to share.
struct CurrentCalendarCache {
    unsigned generation = 0;
    std::optional<Calendar> prototype;
};

}  // namespace

Calendar Calendar::current() {
    thread_local CurrentCalendarCache cache;
    // Read the generation before the names: a change in between is then seen
    // as a newer generation on the next call and rebuilds again.
    unsigned generation = Locale::generation();
    if (!cache.prototype || cache.generation != generation) {
        cache.prototype.emplace(Locale::current(), TimeZone::defaultName());
        cache.generation = generation;
    }
    return *cache.prototype;
}

Calendar::Calendar(const std::string& localeIdentifier, const std::string& timeZoneName)
    : locale_(localeIdentifier),
      timeZone_(timeZoneName),
      impl_(std::make_unique<Impl>(Impl{makeCalendar(localeIdentifier, timeZoneName)})) {}

Calendar::Calendar(const Calendar& other)
    : locale_(other.locale_),
      timeZone_(other.timeZone_),
      impl_(std::make_unique<Impl>(Impl{cloneCalendar(*other.impl_->calendar)})) {}

Calendar& Calendar::operator=(const Calendar& other) {
    if (this != &other) {
        Calendar copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Calendar::Calendar(Calendar&&) noexcept = default;
Calendar& Calendar::operator=(Calendar&&) noexcept = default;
Calendar::~Calendar() = default;

DateComponents Calendar::components(unsigned units, Date date) const {
    icu::GregorianCalendar& calendar = *impl_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(split(date).wholeMillis, status);

    auto field = [&](unsigned unit, UCalendarDateFields icuField, int offset = 0) -> std::optional<int> {
        if ((units & unit) == 0) return std::nullopt;
        return calendar.get(icuField, status) + offset;
    };
    DateComponents result;
    result.era = field(kCalendarUnitEra, UCAL_ERA);
    result.year = field(kCalendarUnitYear, UCAL_YEAR);
    result.month = field(kCalendarUnitMonth, UCAL_MONTH, 1);  // ICU counts months from 0
    result.day = field(kCalendarUnitDay, UCAL_DATE);
    result.hour = field(kCalendarUnitHour, UCAL_HOUR_OF_DAY);
    result.minute = field(kCalendarUnitMinute, UCAL_MINUTE);
    result.second = field(kCalendarUnitSecond, UCAL_SECOND);
    result.week = field(kCalendarUnitWeek, UCAL_WEEK_OF_YEAR);
    result.weekday = field(kCalendarUnitWeekday, UCAL_DAY_OF_WEEK);
    if (U_FAILURE(status)) return {};
    return result;
}

Date Calendar::dateFromComponents(const DateComponents& components) const {
    icu::GregorianCalendar& calendar = *impl_->calendar;
    calendar.clear();
    calendar.set(UCAL_ERA, components.era.value_or(icu::GregorianCalendar::AD));
    calendar.set(UCAL_YEAR, components.year.value_or(1));
    if (components.day || !components.week) {
        calendar.set(UCAL_MONTH, components.month.value_or(1) - 1);
        calendar.set(UCAL_DATE, components.day.value_or(1));
    } else {
        // Without a day, a week of the year picks the date, on the given
        // weekday or the week's first day.
        calendar.set(UCAL_WEEK_OF_YEAR, *components.week);
        UErrorCode weekStatus = U_ZERO_ERROR;
        calendar.set(UCAL_DAY_OF_WEEK, components.weekday.value_or(calendar.getFirstDayOfWeek(weekStatus)));
    }
    calendar.set(UCAL_HOUR_OF_DAY, components.hour.value_or(0));
    calendar.set(UCAL_MINUTE, components.minute.value_or(0));
    calendar.set(UCAL_SECOND, components.second.value_or(0));
    UErrorCode status = U_ZERO_ERROR;
    UDate millis = calendar.getTime(status);
    if (U_FAILURE(status)) return Date();
    return Date(millis / kMillisPerSecond);
}

Date Calendar::dateByAddingComponents(const DateComponents& components, Date date) const {
    icu::GregorianCalendar& calendar = *impl_->calendar;
    SplitInstant start = split(date);
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(start.wholeMillis, status);
    for (const ArithmeticField& step : kArithmeticFields) {
        const std::optional<int>& amount = components.*step.member;
        if (amount && *amount != 0) calendar.add(step.field, *amount, status);
        // A weekday count moves by days, right after the days themselves.
        if (step.field == UCAL_DATE && components.weekday && *components.weekday != 0)
            calendar.add(UCAL_DATE, *components.weekday, status);
    }
    UDate millis = calendar.getTime(status);
    if (U_FAILURE(status)) return date;
    return Date(millis / kMillisPerSecond + start.fraction);
}

DateComponents Calendar::componentsFromDateToDate(unsigned units, Date from, Date to) const {
    icu::GregorianCalendar& calendar = *impl_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(from.timeIntervalSince1970() * kMillisPerSecond, status);
    const UDate target = to.timeIntervalSince1970() * kMillisPerSecond;
    DateComponents result;
    for (const ArithmeticField& step : kArithmeticFields) {
        if ((units & step.unit) == 0) continue;
        // fieldDifference also moves the calendar on by the whole count, so
        // the next (smaller) unit counts only what is left over.
        result.*step.member = calendar.fieldDifference(target, step.field, status);
    }
    if (U_FAILURE(status)) return {};
    return result;
}

int Calendar::firstWeekday() const {
    UErrorCode status = U_ZERO_ERROR;
    UCalendarDaysOfWeek first = impl_->calendar->getFirstDayOfWeek(status);
    return U_FAILURE(status) ? 1 : static_cast<int>(first);
}

}  // namespace tallo
