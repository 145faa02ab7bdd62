#pragma once
// CalendarSubscription: the schedules' calendar (Documents/Calendar.ics of
// the application home) as the UI server publishes it, so a calendar
// program on this machine can subscribe to
// http://127.0.0.1:<port>/Calendar.ics and show every bill with its
// reminder. Read-only; served as text/calendar; before the first schedule
// is saved it is an empty calendar. The server's own Host check applies, so
// a page of another site cannot read it.

#include "Platform/ui/UIServer.h"

namespace tallo {

class CalendarSubscription {
public:
    static constexpr const char* kPath = "/Calendar.ics";
    // The published file for the current application home.
    static UIServer::PublishedFile publishedFile();
};

}  // namespace tallo
