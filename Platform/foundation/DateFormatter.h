#pragma once
// DateFormatter: dates to text and back in a locale and time zone (ICU).
//
// Either styles (date and time separately; None leaves that part out) or a
// fixed pattern in the Unicode date-pattern syntax ("MMM",
// "yyyy-MM-dd HH:mm:ss ZZZZ"); the last one set wins. Both styles None with
// no pattern formats as "". Dates are always in the Gregorian calendar.
//
// Parsing is strict about the pattern: text that does not match it entirely
// gives no date, and so do fields out of range (30 February) and a
// wall-clock time skipped by a daylight-saving change. Zone patterns read:
// "ZZZZ" "GMT", "GMT+01:00" and "+0000"/"-0500" but no zone names; "ZZZ"
// "+0000" and "GMT+01:00"; "zzz" also names such as "EST". Without a zone
// in the pattern the text is wall-clock time in the formatter's zone.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/foundation/Date.h"

namespace tallo {

enum class DateStyle : int { None = 0, Short = 1, Medium = 2, Long = 3, Full = 4 };

class DateFormatter {
public:
    // Current locale and default time zone, date style Short, time style None.
    DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;
    ~DateFormatter();

    void setDateStyle(DateStyle style);
    void setTimeStyle(DateStyle style);
    void setDateFormat(const std::string& pattern);
    void setLocale(const std::string& localeIdentifier);
    void setTimeZone(const std::string& timeZoneName);

    std::string stringFromDate(Date date) const;
    std::optional<Date> dateFromString(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo
