#include "Platform/foundation/TimeZone.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace tallo {

void bumpLocaleGeneration();  // Locale.cpp

namespace {

std::mutex gMutex;
std::string gDefault;  // empty until first asked

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

bool TimeZone::isKnown(const std::string& olsonName) {
    if (olsonName.empty()) return false;
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(olsonName)));
    icu::UnicodeString id;
    zone->getID(id);
    // ICU answers the "Etc/Unknown" zone for names it does not know.
    return id != icu::UnicodeString(u"Etc/Unknown");
}

std::string TimeZone::defaultName() {
    std::lock_guard lock(gMutex);
    if (gDefault.empty()) {
        // ICU reads TZ and the system's zone itself.
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
        icu::UnicodeString id;
        zone->getID(id);
        gDefault = toUtf8(id);
        if (gDefault.empty() || gDefault == "Etc/Unknown") gDefault = "UTC";
    }
    return gDefault;
}

bool TimeZone::setDefault(const std::string& olsonName) {
    if (!isKnown(olsonName)) return false;
    std::lock_guard lock(gMutex);
    gDefault = olsonName;
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(olsonName)));
    bumpLocaleGeneration();
    return true;
}

}  // namespace tallo
