#pragma once
// Locale: the process's current locale, an ICU locale identifier such as
// "en_US" or "de_DE". It is read once from LC_ALL, LC_MESSAGES or LANG
// ("de_DE.UTF-8" gives "de_DE"; "C", "POSIX" or nothing give "en_US"), may be
// named on the command line, and tests pin it. Formatters, calendars and the
// string tables made after a change use the new locale.

#include <string>

namespace tallo {

class Locale {
public:
    static std::string current();
    static void setCurrent(const std::string& identifier);
    // The language part of the current locale: "de" for "de_DE".
    static std::string currentLanguage();
    // The locale named by the environment (see above).
    static std::string fromEnvironment();
    // Counts changes of locale or time zone, so cached calendars and
    // formatters know when to rebuild.
    static unsigned generation();
};

}  // namespace tallo
