#pragma once
// CalendarEvent: one event of the calendar file, as a plain value. The event
// store reads and writes it; nothing here touches the file.
//
// Times:
//   - A timed event keeps its start and end as instants, in whole seconds.
//   - An all-day event covers calendar days of the default time zone, and
//     only the days count: the store keeps the day of `start` and the days up
//     to `end`, and reads them back as local midnights, `end` being the
//     midnight after the last day. A bill due on 13 March 2011 in New York,
//     saved with start 09:00 and end 10:00, reads back as start 13 March
//     00:00 EST and end 14 March 00:00 EDT: 23 hours, one calendar day.
//
// The alarm offset counts from the start: −172,800 is two days before, 0 is
// at the start itself.

#include <optional>
#include <string>

#include "Platform/foundation/Date.h"

namespace tallo {

struct RecurrenceRule {
    enum class Frequency { Daily, Weekly, Monthly, Yearly };

    Frequency frequency = Frequency::Daily;
    int interval = 1;                     // every `interval` days/weeks/...; at least 1
    std::optional<int> occurrenceCount;   // the series ends after this many; none: never ends

    friend bool operator==(const RecurrenceRule&, const RecurrenceRule&) = default;
};

struct CalendarEvent {
    std::string identifier;  // unique within the calendar; kept across saves
    std::string title;
    std::string notes;
    bool allDay = false;
    Date start;
    Date end;
    std::optional<RecurrenceRule> recurrence;
    std::optional<int> alarmOffset;  // seconds relative to the start
    std::string calendar;            // the name of the calendar holding it

    friend bool operator==(const CalendarEvent&, const CalendarEvent&) = default;
};

}  // namespace tallo
