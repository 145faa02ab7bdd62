#include "Classes/schedules/TLSchedulerCalendar.h"

#include <memory>

#include "Classes/schedules/TLScheduler.h"
#include "Platform/calendar/EventStore.h"
#include "Platform/foundation/SharedInstance.h"

namespace tallo {

namespace {

SharedInstance<EventStore> gShared;

constexpr double kEventLength = 3600;

}  // namespace

EventStore& TLSchedulerCalendar::eventStore() {
    return gShared.get([] { return new EventStore(); });
}

void TLSchedulerCalendar::resetEventStore() {
    gShared.reset();
}

bool TLSchedulerCalendar::saveEventForScheduler(TLScheduler* scheduler, std::string* error) {
    EventStore& store = eventStore();
    std::optional<CalendarEvent> existing;
    if (std::optional<std::string> identifier = scheduler->event_uuid()) existing = store.eventWithIdentifier(*identifier);
    CalendarEvent event = existing ? *existing : store.newEvent();
    event.title = scheduler->getEventTitle();
    event.recurrence = scheduler->getRecurrenceRule();
    event.allDay = true;
    event.alarmOffset = static_cast<int>(scheduler->getAlarmOffsetTimeInterval());
    // The series starts on the next due day, so every reminder falls on a
    // day the bill is due (counted from the creation day they would drift
    // by however far the first due date lies after it).
    Date start = scheduler->nextDate().value_or(scheduler->creationDate().value_or(Date()));
    event.start = start;
    event.end = start.addingTimeInterval(kEventLength);
    event.notes = scheduler->comments().value_or("");
    if (event.calendar.empty()) event.calendar = store.defaultCalendarForNewEvents();
    bool saved = store.saveEvent(event, EventStore::Span::FutureEvents, error);
    scheduler->setEvent_uuid(event.identifier);
    return saved;
}

void TLSchedulerCalendar::removeEventForScheduler(const TLScheduler* scheduler) {
    std::optional<std::string> identifier = scheduler->event_uuid();
    if (!identifier || identifier->empty()) return;
    EventStore& store = eventStore();
    if (!store.eventWithIdentifier(*identifier)) return;
    store.removeEvent(*identifier, EventStore::Span::FutureEvents);
}

}  // namespace tallo
