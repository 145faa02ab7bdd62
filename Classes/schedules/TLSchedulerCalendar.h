#pragma once
// TLSchedulerCalendar: the calendar mirror of schedules. Each schedule may
// appear in the program's calendar file as an all-day event repeating with
// it from its next due day, titled like "Rent ($700.00)", with one alarm
// from its reminder; the
// event's identifier is kept in the schedule's event_uuid. The scheduler
// editor writes the mirror when it saves; deleting a schedule removes it.
//
// A calendar that cannot be written (a damaged file) is not the person's
// problem here: the schedule is saved all the same and the reason is
// answered to the caller. Main thread only.

#include <string>

namespace tallo {

class EventStore;
class TLScheduler;

class TLSchedulerCalendar {
public:
    // The shared connection to the calendar of the current application
    // home, made on first use.
    static EventStore& eventStore();
    // Tests only: forgets the shared connection.
    static void resetEventStore();

    // Writes the schedule's event — the one named by event_uuid when the
    // calendar still has it, else a new one — for this and future
    // occurrences, and stores its identifier in event_uuid. False, with the
    // reason in `error`, when the calendar refused it.
    static bool saveEventForScheduler(TLScheduler* scheduler, std::string* error = nullptr);
    // Removes the schedule's event, if the calendar has it.
    static void removeEventForScheduler(const TLScheduler* scheduler);
};

}  // namespace tallo
