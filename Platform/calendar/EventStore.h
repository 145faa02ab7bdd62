#pragma once
// EventStore: the program's calendar, one iCalendar file (by default
// "<home>/Documents/Calendar.ics") that any calendar program can subscribe to
// or import. The file holds one calendar, named by defaultCalendarForNewEvents().
//
// Opening reads the file once; events() and eventWithIdentifier() answer from
// what was read. Every save or removal reads the file again, applies the one
// change and replaces the file atomically (see AtomicFile.h), so the parts of
// the file this program does not write (other events, time zones, to-dos)
// are kept as they are.
//
// A missing file is an empty calendar; the file and its folder are made by
// the first save. A file that is not an iCalendar calendar, or one that is
// damaged (cut short, with lines that do not parse), is refused: error()
// says why, events() is empty, and every save and removal fails with that
// message. The file is never truncated, renamed or rewritten while refused;
// once it is fixed or removed, reload() or the next save takes it up again.
//
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/calendar/CalendarEvent.h"

namespace tallo {

class EventStore {
public:
    // Which occurrences of a repeating event a change applies to. This
    // calendar keeps each series as one stored event, so both spans replace
    // (or remove) the whole series; a caller asking for ThisEvent on a
    // repeating event changes every occurrence.
    enum class Span { ThisEvent, FutureEvents };

    // "<home>/Documents/Calendar.ics" of ApplicationHome::current().
    static std::string defaultPath();
    // The calendar with no events, as this program writes its file: what a
    // subscriber is given before the first event is saved.
    static std::string emptyCalendarText();

    explicit EventStore(std::string path = defaultPath());
    ~EventStore();
    EventStore(const EventStore&) = delete;
    EventStore& operator=(const EventStore&) = delete;

    // Reads the file again. True when it was read (or is missing); false when
    // it is refused, with the reason in error().
    bool reload();
    // Why the file was refused at the last reading; empty when it was read.
    const std::string& error() const { return error_; }

    // The events of the file, in file order. Events another program wrote
    // without a UID or a start are kept in the file but not listed.
    const std::vector<CalendarEvent>& events() const { return events_; }
    // The event with that identifier, or nothing.
    std::optional<CalendarEvent> eventWithIdentifier(std::string_view identifier) const;

    // The calendar new events go to: "Tallo".
    std::string defaultCalendarForNewEvents() const;
    // A new event, not yet saved: a fresh identifier and the default calendar;
    // everything else empty.
    CalendarEvent newEvent() const;

    // Stores `event`, replacing any event (the whole series) with its
    // identifier. An event without an identifier is given one, written back
    // into `event`. Refused with a message in `error` when the file is
    // refused, the event names another calendar (an empty name means the
    // default one), its end is before its start, the recurrence interval or
    // count is below 1, or the file cannot be written; the file is then
    // unchanged.
    bool saveEvent(CalendarEvent& event, Span span, std::string* error = nullptr);
    // Removes the event (the whole series) with that identifier. It is not an
    // error if there is no such event: nothing is written then.
    bool removeEvent(std::string_view identifier, Span span, std::string* error = nullptr);

    const std::string& path() const { return path_; }

private:
    struct File;
    bool read(std::unique_ptr<File>& file);
    bool write(const File& file, std::string* error);

    std::string path_;
    std::string error_;
    std::vector<CalendarEvent> events_;
};

}  // namespace tallo
