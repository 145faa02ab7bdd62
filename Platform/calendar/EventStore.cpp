#include "Platform/calendar/EventStore.h"

#include <libical/ical.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/AtomicFile.h"
#include "Platform/foundation/Failure.h"
#include "Platform/foundation/Utf8.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/UUID.h"

namespace tallo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCalendarName = "Tallo";
constexpr const char* kProductIdentifier = "-//Tallo//Tallo Calendar 1.0//EN";
constexpr const char* kCalendarNameProperty = "X-WR-CALNAME";

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// libical's default on some builds is to abort on a malformed value; a
// damaged file must be reported instead.
void makeLibicalErrorsNonFatal() {
    static const bool once = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    (void)once;
}

std::string trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The text of the first parse error libical noted (as X-LIC-ERROR
// properties) anywhere in `component`, or empty.
std::string firstParseError(icalcomponent* component) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        // libical's messages end in a colon before the text it quotes.
        std::string text = trimmed(icalproperty_get_xlicerror(p) ? icalproperty_get_xlicerror(p) : "");
        while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
        return text.empty() ? "a line does not parse" : text;
    }
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        std::string error = firstParseError(c);
        if (!error.empty()) return error;
    }
    return {};
}

// Checks that BEGIN and END lines pair up like brackets and that nothing
// follows the calendar's END. Folded continuation lines begin with a space
// or tab, so they are never taken for either.
std::string nestingError(std::string_view body) {
    std::vector<std::string> open;
    size_t lineNumber = 0;
    size_t position = 0;
    bool closed = false;
    while (position < body.size()) {
        size_t end = body.find('\n', position);
        std::string_view line = body.substr(position, end == std::string_view::npos ? std::string_view::npos : end - position);
        position = end == std::string_view::npos ? body.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (closed) return "has text after the calendar's END:VCALENDAR (line " + std::to_string(lineNumber) + ")";
        bool begins = startsWithIgnoringCase(line, "BEGIN:");
        bool ends = startsWithIgnoringCase(line, "END:");
        if (!begins && !ends) continue;
        std::string name = trimmed(line.substr(begins ? 6 : 4));
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (begins) {
            if (open.size() >= 64) return "is damaged: components nest too deeply (line " + std::to_string(lineNumber) + ")";
            open.push_back(name);
            continue;
        }
        if (open.empty() || open.back() != name) {
            return "is damaged: line " + std::to_string(lineNumber) + " ends " + name +
                   (open.empty() ? std::string(" that was never begun") : " where " + open.back() + " is open");
        }
        open.pop_back();
        closed = open.empty();
    }
    if (!open.empty()) {
        std::string missing;
        for (auto it = open.rbegin(); it != open.rend(); ++it) missing += (missing.empty() ? "END:" : ", END:") + *it;
        return "is damaged: it is cut short (" + missing + " missing at its end)";
    }
    return {};
}

// The calendar of a file's text. Empty text is an empty calendar (a null
// component); anything that is not exactly one complete, cleanly parsed
// VCALENDAR of version 2.0 is refused with the reason in `error`.
Component parseCalendar(std::string text, std::string& error) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte-order mark
    if (text.find('\0') != std::string::npos) {
        error = "is not an iCalendar file (it holds NUL bytes)";
        return nullptr;
    }
    if (!isValidUtf8(text)) {
        // iCalendar text is UTF-8; anything else libical reads but writes back
        // in a form it then refuses.
        error = "is not an iCalendar file (its text is not UTF-8)";
        return nullptr;
    }
    std::string body = trimmed(text);
    if (body.empty()) return nullptr;
    if (!startsWithIgnoringCase(body, "BEGIN:VCALENDAR")) {
        error = "is not an iCalendar file (it does not begin with BEGIN:VCALENDAR)";
        return nullptr;
    }
    // libical completes a calendar that stops short and closes components at
    // a mismatched END without a word; a file cut off or spliced must not be
    // taken for the whole calendar.
    error = nestingError(body);
    if (!error.empty()) return nullptr;
    Component parsed(icalparser_parse_string(body.c_str()));
    if (!parsed) {
        error = "is damaged: it does not parse as iCalendar";
        return nullptr;
    }
    if (icalcomponent_isa(parsed.get()) != ICAL_VCALENDAR_COMPONENT) {
        error = "is not one iCalendar calendar (it holds several, or something else)";
        return nullptr;
    }
    std::string parseError = firstParseError(parsed.get());
    if (!parseError.empty()) {
        error = "is damaged: " + parseError;
        return nullptr;
    }
    icalproperty* version = icalcomponent_get_first_property(parsed.get(), ICAL_VERSION_PROPERTY);
    const char* versionText = version ? icalproperty_get_version(version) : nullptr;
    if (!versionText || trimmed(versionText) != "2.0") {
        error = "is not an iCalendar 2.0 calendar (VERSION " +
                std::string(versionText ? versionText : "missing") + ")";
        return nullptr;
    }
    return parsed;
}

// --- times ------------------------------------------------------------------

DateComponents localDay(Date date) {
    return Calendar::current().components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay, date);
}

Date startOfLocalDay(Date date) { return Calendar::current().dateFromComponents(localDay(date)); }

icaltimetype dateValue(const DateComponents& day) {
    icaltimetype value = icaltime_null_date();
    value.year = day.year.value_or(1970);
    value.month = day.month.value_or(1);
    value.day = day.day.value_or(1);
    return value;
}

icaltimetype utcValue(Date date) {
    auto seconds = static_cast<time_t>(std::floor(date.timeIntervalSince1970()));
    return icaltime_from_timet_with_zone(seconds, 0, icaltimezone_get_utc_timezone());
}

// A date or a floating time is read in the default time zone, the way a
// calendar program shows it; a time in UTC or with a known zone is an instant.
Date dateFromValue(const icaltimetype& value) {
    if (value.is_date || value.zone == nullptr) {
        DateComponents fields;
        fields.year = value.year;
        fields.month = value.month;
        fields.day = value.day;
        fields.hour = value.is_date ? 0 : value.hour;
        fields.minute = value.is_date ? 0 : value.minute;
        fields.second = value.is_date ? 0 : value.second;
        return Calendar::current().dateFromComponents(fields);
    }
    return Date(static_cast<double>(icaltime_as_timet_with_zone(value, value.zone)));
}

// The first day after an all-day event: iCalendar's DTEND is exclusive. An
// end at a local midnight after the start day ends the day before it; any
// other end includes its own day.
Date allDayEnd(Date start, Date end) {
    Date startDay = startOfLocalDay(start);
    Date endDay = startOfLocalDay(end);
    if (endDay == end && endDay > startDay) return endDay;
    DateComponents oneDay;
    oneDay.day = 1;
    return Calendar::current().dateByAddingComponents(oneDay, std::max(endDay, startDay));
}

// --- reading events -----------------------------------------------------------

std::optional<RecurrenceRule> recurrenceOf(icalcomponent* event) {
    icalproperty* property = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    if (!property) return std::nullopt;
    icalrecurrencetype rule = icalproperty_get_rrule(property);
    RecurrenceRule result;
    switch (rule.freq) {
        case ICAL_DAILY_RECURRENCE: result.frequency = RecurrenceRule::Frequency::Daily; break;
        case ICAL_WEEKLY_RECURRENCE: result.frequency = RecurrenceRule::Frequency::Weekly; break;
        case ICAL_MONTHLY_RECURRENCE: result.frequency = RecurrenceRule::Frequency::Monthly; break;
        case ICAL_YEARLY_RECURRENCE: result.frequency = RecurrenceRule::Frequency::Yearly; break;
        default: return std::nullopt;  // hourly and finer: not a rule this program makes
    }
    result.interval = rule.interval > 0 ? rule.interval : 1;
    if (rule.count > 0) result.occurrenceCount = rule.count;
    return result;
}

// The first alarm's offset from the start. A trigger relative to the end, or
// at a fixed time, is turned into its offset from the start.
std::optional<int> alarmOffsetOf(icalcomponent* event, Date start, Date end) {
    icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
    if (!alarm) return std::nullopt;
    icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!property) return std::nullopt;
    // Offsets that do not fit in seconds as an int (a trigger centuries away)
    // mean no alarm we can keep.
    auto fits = [](double seconds) -> std::optional<int> {
        if (!std::isfinite(seconds) || seconds > INT_MAX || seconds < INT_MIN) return std::nullopt;
        return static_cast<int>(seconds);
    };
    icaltriggertype trigger = icalproperty_get_trigger(property);
    if (!icaltime_is_null_time(trigger.time)) {
        return fits(dateFromValue(trigger.time).timeIntervalSinceDate(start));
    }
    double offset = icaldurationtype_as_int(trigger.duration);
    icalparameter* related = icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER);
    if (related && icalparameter_get_related(related) == ICAL_RELATED_END) {
        offset += end.timeIntervalSinceDate(start);
    }
    return fits(offset);
}

std::optional<CalendarEvent> eventFrom(icalcomponent* component) {
    const char* uid = icalcomponent_get_uid(component);
    if (!uid || !*uid || !icalcomponent_get_first_property(component, ICAL_DTSTART_PROPERTY)) return std::nullopt;
    // A changed single occurrence of a series is stored beside it under the
    // same UID; the series itself is the event.
    if (icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY)) return std::nullopt;

    CalendarEvent event;
    event.identifier = uid;
    icaltimetype start = icalcomponent_get_dtstart(component);
    event.allDay = start.is_date;
    event.start = dateFromValue(start);
    icaltimetype end = icalcomponent_get_dtend(component);
    if (icaltime_is_null_time(end)) {
        event.end = event.allDay ? allDayEnd(event.start, event.start) : event.start;
    } else {
        event.end = dateFromValue(end);
    }
    if (const char* summary = icalcomponent_get_summary(component)) event.title = summary;
    if (const char* description = icalcomponent_get_description(component)) event.notes = description;
    event.recurrence = recurrenceOf(component);
    event.alarmOffset = alarmOffsetOf(component, event.start, event.end);
    event.calendar = kCalendarName;
    return event;
}

std::vector<CalendarEvent> eventsOf(icalcomponent* calendar) {
    std::vector<CalendarEvent> events;
    if (!calendar) return events;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        if (auto event = eventFrom(c)) events.push_back(std::move(*event));
    }
    return events;
}

// --- writing events -----------------------------------------------------------

icalrecurrencetype_frequency frequencyValue(RecurrenceRule::Frequency frequency) {
    switch (frequency) {
        case RecurrenceRule::Frequency::Daily: return ICAL_DAILY_RECURRENCE;
        case RecurrenceRule::Frequency::Weekly: return ICAL_WEEKLY_RECURRENCE;
        case RecurrenceRule::Frequency::Monthly: return ICAL_MONTHLY_RECURRENCE;
        case RecurrenceRule::Frequency::Yearly: return ICAL_YEARLY_RECURRENCE;
    }
    return ICAL_NO_RECURRENCE;
}

icalcomponent* alarmComponent(int offset, const std::string& title) {
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(offset);
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    // A display alarm must say something; the event's title is what is due.
    icalcomponent_add_property(alarm, icalproperty_new_description(title.empty() ? "Reminder" : title.c_str()));
    return alarm;
}

Component eventComponent(const CalendarEvent& event) {
    Component component(icalcomponent_new_vevent());
    icalcomponent* c = component.get();
    icalcomponent_add_property(c, icalproperty_new_uid(event.identifier.c_str()));
    icalcomponent_add_property(c, icalproperty_new_dtstamp(utcValue(Date::now())));
    if (event.allDay) {
        icalcomponent_add_property(c, icalproperty_new_dtstart(dateValue(localDay(event.start))));
        icalcomponent_add_property(c, icalproperty_new_dtend(dateValue(localDay(allDayEnd(event.start, event.end)))));
    } else {
        icalcomponent_add_property(c, icalproperty_new_dtstart(utcValue(event.start)));
        icalcomponent_add_property(c, icalproperty_new_dtend(utcValue(event.end)));
    }
    // An empty text property reads back as a parse error, so empty texts are left out.
    if (!event.title.empty()) icalcomponent_add_property(c, icalproperty_new_summary(event.title.c_str()));
    if (!event.notes.empty()) icalcomponent_add_property(c, icalproperty_new_description(event.notes.c_str()));
    if (event.recurrence) {
        icalrecurrencetype rule;
        icalrecurrencetype_clear(&rule);
        rule.freq = frequencyValue(event.recurrence->frequency);
        rule.interval = static_cast<short>(event.recurrence->interval);
        rule.count = event.recurrence->occurrenceCount.value_or(0);
        icalcomponent_add_property(c, icalproperty_new_rrule(rule));
    }
    if (event.alarmOffset) icalcomponent_add_component(c, alarmComponent(*event.alarmOffset, event.title));
    return component;
}

// Why `event` cannot be stored, or empty.
std::string invalidity(const CalendarEvent& event) {
    if (!event.calendar.empty() && event.calendar != kCalendarName) {
        return "there is no calendar named \"" + event.calendar + "\" (only \"" + kCalendarName + "\")";
    }
    if (event.end < event.start) return "the event ends before it starts";
    if (event.recurrence) {
        // The interval is written as a 16-bit count; no schedule needs more.
        if (event.recurrence->interval < 1 || event.recurrence->interval > 9999) {
            return "the recurrence interval must be between 1 and 9999";
        }
        if (event.recurrence->occurrenceCount && *event.recurrence->occurrenceCount < 1) {
            return "the recurrence must have at least one occurrence";
        }
    }
    return {};
}

void removeEventsWithIdentifier(icalcomponent* calendar, std::string_view identifier, bool& found) {
    std::vector<icalcomponent*> matching;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        const char* uid = icalcomponent_get_uid(c);
        if (uid && identifier == uid) matching.push_back(c);
    }
    for (icalcomponent* c : matching) {
        icalcomponent_remove_component(calendar, c);
        icalcomponent_free(c);
    }
    found = !matching.empty();
}

// The calendar's own properties as this program writes them: its product,
// version 2.0, the Gregorian scale and the calendar's name.
void stampCalendar(icalcomponent* calendar) {
    auto replace = [calendar](icalproperty_kind kind, icalproperty* property) {
        while (icalproperty* old = icalcomponent_get_first_property(calendar, kind)) {
            icalcomponent_remove_property(calendar, old);
            icalproperty_free(old);
        }
        icalcomponent_add_property(calendar, property);
    };
    replace(ICAL_PRODID_PROPERTY, icalproperty_new_prodid(kProductIdentifier));
    replace(ICAL_VERSION_PROPERTY, icalproperty_new_version("2.0"));
    if (!icalcomponent_get_first_property(calendar, ICAL_CALSCALE_PROPERTY)) {
        icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    }
    std::vector<icalproperty*> names;
    for (icalproperty* p = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(p);
        if (name && std::string_view(name) == kCalendarNameProperty) names.push_back(p);
    }
    for (icalproperty* p : names) {
        icalcomponent_remove_property(calendar, p);
        icalproperty_free(p);
    }
    icalproperty* name = icalproperty_new_x(kCalendarName);
    icalproperty_set_x_name(name, kCalendarNameProperty);
    icalcomponent_add_property(calendar, name);
}

}  // namespace

struct EventStore::File {
    Component calendar;  // null: no file yet, or an empty one
};

std::string EventStore::emptyCalendarText() {
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    stampCalendar(calendar.get());
    char* text = icalcomponent_as_ical_string_r(calendar.get());
    std::string answer = text != nullptr ? text : "";
    std::free(text);
    return answer;
}

std::string EventStore::defaultPath() {
    return (fs::path(ApplicationHome::current().documentsPath()) / "Calendar.ics").string();
}

EventStore::EventStore(std::string path) : path_(std::move(path)) {
    makeLibicalErrorsNonFatal();
    reload();
}

EventStore::~EventStore() = default;

bool EventStore::read(std::unique_ptr<File>& file) {
    file = std::make_unique<File>();
    error_.clear();
    std::error_code code;
    if (!fs::exists(path_, code)) {
        if (code) error_ = path_ + " cannot be read: " + code.message();
        return !code;
    }
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        error_ = path_ + " cannot be read";
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error_ = path_ + " cannot be read";
        return false;
    }
    std::string reason;
    file->calendar = parseCalendar(std::move(text), reason);
    if (!reason.empty()) {
        error_ = path_ + " " + reason + "; it is left as it is";
        file.reset();
        return false;
    }
    return true;
}

bool EventStore::reload() {
    std::unique_ptr<File> file;
    bool ok = read(file);
    events_ = ok ? eventsOf(file->calendar.get()) : std::vector<CalendarEvent>{};
    return ok;
}

bool EventStore::write(const File& file, std::string* error) {
    char* text = icalcomponent_as_ical_string_r(file.calendar.get());
    if (!text) return failWith(error, "cannot write " + path_ + ": the calendar could not be put into text");
    std::string bytes(text);
    std::free(text);
    std::string writeError;
    if (!writeFileAtomically(path_, bytes, writeError)) return failWith(error, writeError);
    events_ = eventsOf(file.calendar.get());
    return true;
}

std::optional<CalendarEvent> EventStore::eventWithIdentifier(std::string_view identifier) const {
    for (const CalendarEvent& event : events_) {
        if (event.identifier == identifier) return event;
    }
    return std::nullopt;
}

std::string EventStore::defaultCalendarForNewEvents() const { return kCalendarName; }

CalendarEvent EventStore::newEvent() const {
    CalendarEvent event;
    event.identifier = UUID::createString();
    event.calendar = defaultCalendarForNewEvents();
    return event;
}

bool EventStore::saveEvent(CalendarEvent& event, Span /*span*/, std::string* error) {
    if (std::string reason = invalidity(event); !reason.empty()) {
        return failWith(error, "cannot save the event \"" + event.title + "\": " + reason);
    }
    std::unique_ptr<File> file;
    if (!read(file)) {
        events_.clear();
        return failWith(error, error_);
    }
    if (event.identifier.empty()) event.identifier = UUID::createString();
    if (event.calendar.empty()) event.calendar = kCalendarName;
    if (!file->calendar) file->calendar.reset(icalcomponent_new_vcalendar());
    bool replaced = false;
    removeEventsWithIdentifier(file->calendar.get(), event.identifier, replaced);
    icalcomponent_add_component(file->calendar.get(), eventComponent(event).release());
    stampCalendar(file->calendar.get());
    return write(*file, error);
}

bool EventStore::removeEvent(std::string_view identifier, Span /*span*/, std::string* error) {
    std::unique_ptr<File> file;
    if (!read(file)) {
        events_.clear();
        return failWith(error, error_);
    }
    bool found = false;
    if (file->calendar) removeEventsWithIdentifier(file->calendar.get(), identifier, found);
    if (!found) {
        events_ = eventsOf(file->calendar.get());
        return true;
    }
    stampCalendar(file->calendar.get());
    return write(*file, error);
}

}  // namespace tallo
