#pragma once
// Every test program runs in a pinned world: locale "en_US", time zone
// "America/New_York" (it has daylight-saving changes to test against), the
// system clock, and string tables from the source tree's Resources/. A test
// that changes any of these restores them with the guards below.

#include <string>

#include <iosfwd>
#include <optional>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/DateComponents.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {
// Readable values in failure messages: a Date as UTC text and seconds, a
// Decimal as its text, components as "y-m-d h:m:s".
void PrintTo(const Date& date, std::ostream* out);
void PrintTo(const Decimal& value, std::ostream* out);
void PrintTo(const DateComponents& components, std::ostream* out);
}  // namespace tallo

namespace tallo::test {

inline constexpr const char* kPinnedLocale = "en_US";
inline constexpr const char* kPinnedTimeZone = "America/New_York";

// Pins locale and time zone for the scope, restoring the pinned ones after.
class ScopedLocale {
public:
    ScopedLocale(const std::string& locale, const std::string& timeZone = kPinnedTimeZone);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
};

// Stands the clock still at `now` for the scope; the system clock after.
class ScopedClock {
public:
    explicit ScopedClock(Date now);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

// A fresh temporary folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The instant of a local wall-clock time in the pinned time zone.
Date localDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// A date as local wall-clock text in the current zone, "2011-03-15 10:30:00"
// ("nil" for nothing), so failures read at a glance.
std::string local(std::optional<Date> date);

}  // namespace tallo::test
