#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/TimeZone.h"

namespace tallo {

void PrintTo(const Date& date, std::ostream* out) {
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::createTimeZone("UTC"), status);
    calendar.setTime(date.timeIntervalSince1970() * 1000.0, status);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC (%.3f)", calendar.get(UCAL_YEAR, status),
                  calendar.get(UCAL_MONTH, status) + 1, calendar.get(UCAL_DATE, status),
                  calendar.get(UCAL_HOUR_OF_DAY, status), calendar.get(UCAL_MINUTE, status),
                  calendar.get(UCAL_SECOND, status), date.timeIntervalSince1970());
    *out << text;
}

void PrintTo(const Decimal& value, std::ostream* out) { *out << value.toString(); }

void PrintTo(const DateComponents& c, std::ostream* out) {
    auto field = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string("_"); };
    *out << field(c.year) << "-" << field(c.month) << "-" << field(c.day) << " " << field(c.hour) << ":"
         << field(c.minute) << ":" << field(c.second) << " week " << field(c.week) << " weekday " << field(c.weekday);
}

}  // namespace tallo

namespace tallo::test {

namespace {

void pin(const std::string& locale, const std::string& timeZone) {
    Locale::setCurrent(locale);
    if (!TimeZone::setDefault(timeZone)) throw std::runtime_error("unknown time zone " + timeZone);
}

class PinnedWorld : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("TZ", kPinnedTimeZone, 1);
        pin(kPinnedLocale, kPinnedTimeZone);
        Clock::useSystemTime();
    }
};

// Registered before main() runs, in every test program that links this file.
[[maybe_unused]] ::testing::Environment* const gPinnedWorld =
    ::testing::AddGlobalTestEnvironment(new PinnedWorld);

}  // namespace

ScopedLocale::ScopedLocale(const std::string& locale, const std::string& timeZone) { pin(locale, timeZone); }
ScopedLocale::~ScopedLocale() { pin(kPinnedLocale, kPinnedTimeZone); }

ScopedClock::ScopedClock(Date now) { Clock::setNow(now); }
ScopedClock::~ScopedClock() { Clock::useSystemTime(); }

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string local(std::optional<Date> date) {
    if (!date) return "nil";
    DateFormatter formatter;
    formatter.setDateFormat("yyyy-MM-dd HH:mm:ss");
    return formatter.stringFromDate(*date);
}

Date localDate(int year, int month, int day, int hour, int minute, int second) {
    // Computed with ICU directly, independent of the Calendar under test.
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::createTimeZone(kPinnedTimeZone), status);
    calendar.clear();
    calendar.set(year, month - 1, day, hour, minute, second);
    UDate millis = calendar.getTime(status);
    if (U_FAILURE(status)) throw std::runtime_error("bad local date");
    return Date(millis / 1000.0);
}

}  // namespace tallo::test
