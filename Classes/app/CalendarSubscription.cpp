#include "Classes/app/CalendarSubscription.h"

#include "Platform/calendar/EventStore.h"

namespace tallo {

UIServer::PublishedFile CalendarSubscription::publishedFile() {
    return {kPath, EventStore::defaultPath(), "text/calendar; charset=utf-8", EventStore::emptyCalendarText()};
}

}  // namespace tallo
