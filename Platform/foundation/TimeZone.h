#pragma once
// TimeZone: the process's default time zone, an Olson name such as
// "Europe/Berlin". Read once from TZ (or the system's zone), may be named on
// the command line, and tests pin it. Calendars and date formatters made
// after a change use the new zone.

#include <string>

namespace tallo {

class TimeZone {
public:
    static std::string defaultName();
    // Sets the default zone. An unknown name is refused (returns false) and
    // changes nothing.
    static bool setDefault(const std::string& olsonName);
    static bool isKnown(const std::string& olsonName);
};

}  // namespace tallo
