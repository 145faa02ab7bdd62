#include "Platform/calendar/EventStore.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

namespace tallo {

// Failures name the event's fields instead of its bytes.
void PrintTo(const CalendarEvent& e, std::ostream* out) {
    *out << "{" << e.identifier << " \"" << e.title << "\" notes \"" << e.notes << "\" allDay " << e.allDay
         << " " << test::local(e.start) << " – " << test::local(e.end) << " recurrence ";
    if (e.recurrence) {
        *out << static_cast<int>(e.recurrence->frequency) << "/" << e.recurrence->interval << "/"
             << (e.recurrence->occurrenceCount ? std::to_string(*e.recurrence->occurrenceCount) : "∞");
    } else {
        *out << "none";
    }
    *out << " alarm " << (e.alarmOffset ? std::to_string(*e.alarmOffset) : "none") << " in " << e.calendar << "}";
}

namespace {

namespace fs = std::filesystem;
using test::localDate;
using Span = EventStore::Span;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The file as another calendar program sees it: parsed by libical alone.
struct ParsedFile {
    struct Free {
        void operator()(icalcomponent* c) const { icalcomponent_free(c); }
    };
    std::unique_ptr<icalcomponent, Free> calendar;

    explicit ParsedFile(const std::string& path) : calendar(icalparser_parse_string(readFile(path).c_str())) {}

    std::vector<icalcomponent*> events() const {
        std::vector<icalcomponent*> found;
        for (icalcomponent* c = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
            found.push_back(c);
        }
        return found;
    }
};

// One property as its line in the file, without the line end: "RRULE:FREQ=MONTHLY;COUNT=12".
std::string line(icalcomponent* component, icalproperty_kind kind) {
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    if (!property) return "(none)";
    char* text = icalproperty_as_ical_string_r(property);
    std::string result(text);
    std::free(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

std::string calendarName(icalcomponent* calendar) {
    for (icalproperty* p = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
        if (std::string(icalproperty_get_x_name(p)) == "X-WR-CALNAME") return icalproperty_get_x(p);
    }
    return "(none)";
}

class EventStoreTest : public ::testing::Test {
protected:
    test::TemporaryFolder home;
    std::string path = home.path() + "/Documents/Calendar.ics";

    // The mirror of a monthly rent bill due 15 March 2011, twelve payments
    // left, reminder two days before: an all-day event whose end is start + 1 hour.
    CalendarEvent rentBill(EventStore& store) {
        CalendarEvent event = store.newEvent();
        event.title = "Rent ($1,250.00)";
        event.notes = "Landlord: 4B, paid by check";
        event.allDay = true;
        event.start = localDate(2011, 3, 15, 8, 12, 40);
        event.end = event.start.addingTimeInterval(3600);
        event.recurrence = RecurrenceRule{RecurrenceRule::Frequency::Monthly, 1, 12};
        event.alarmOffset = -172800;
        return event;
    }
};

TEST_F(EventStoreTest, AMissingFileIsAnEmptyCalendarMadeByTheFirstSave) {
    EventStore store(path);
    EXPECT_EQ(store.error(), "");
    EXPECT_TRUE(store.events().empty());
    EXPECT_FALSE(fs::exists(path)) << "opening alone writes nothing";

    CalendarEvent event = rentBill(store);
    std::string error;
    ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents, &error)) << error;
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_EQ(store.events().size(), 1u);
}

TEST_F(EventStoreTest, NewEventsHaveAFreshIdentifierInTheDefaultCalendar) {
    EventStore store(path);
    EXPECT_EQ(store.defaultCalendarForNewEvents(), "Tallo");
    CalendarEvent first = store.newEvent();
    CalendarEvent second = store.newEvent();
    EXPECT_EQ(first.calendar, "Tallo");
    EXPECT_EQ(first.identifier.size(), 36u);
    EXPECT_NE(first.identifier, second.identifier);
}

TEST_F(EventStoreTest, AMonthlyBillReadsBackWholeFromAReopenedStore) {
    std::string identifier;
    {
        EventStore store(path);
        CalendarEvent event = rentBill(store);
        identifier = event.identifier;
        std::string error;
        ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents, &error)) << error;
    }
    EventStore reopened(path);
    EXPECT_EQ(reopened.error(), "");
    std::optional<CalendarEvent> found = reopened.eventWithIdentifier(identifier);
    ASSERT_TRUE(found);

    // An all-day event keeps its days: 15 March, up to the midnight after it.
    CalendarEvent expected;
    expected.identifier = identifier;
    expected.title = "Rent ($1,250.00)";
    expected.notes = "Landlord: 4B, paid by check";
    expected.allDay = true;
    expected.start = localDate(2011, 3, 15);
    expected.end = localDate(2011, 3, 16);
    expected.recurrence = RecurrenceRule{RecurrenceRule::Frequency::Monthly, 1, 12};
    expected.alarmOffset = -172800;
    expected.calendar = "Tallo";
    EXPECT_EQ(*found, expected);
    EXPECT_FALSE(reopened.eventWithIdentifier("7F1C0000-0000-4000-8000-000000000000"));
}

TEST_F(EventStoreTest, TheFileIsAnICalendarThatOtherProgramsRead) {
    EventStore store(path);
    CalendarEvent event = rentBill(store);
    ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents));

    ParsedFile file(path);
    ASSERT_TRUE(file.calendar);
    EXPECT_EQ(icalcomponent_isa(file.calendar.get()), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_count_errors(file.calendar.get()), 0);
    EXPECT_EQ(line(file.calendar.get(), ICAL_VERSION_PROPERTY), "VERSION:2.0");
    EXPECT_NE(line(file.calendar.get(), ICAL_PRODID_PROPERTY), "(none)");
    EXPECT_EQ(calendarName(file.calendar.get()), "Tallo");

    std::vector<icalcomponent*> events = file.events();
    ASSERT_EQ(events.size(), 1u);
    icalcomponent* vevent = events[0];
    EXPECT_EQ(line(vevent, ICAL_UID_PROPERTY), "UID:" + event.identifier);
    EXPECT_EQ(line(vevent, ICAL_DTSTART_PROPERTY), "DTSTART;VALUE=DATE:20110315");
    EXPECT_EQ(line(vevent, ICAL_DTEND_PROPERTY), "DTEND;VALUE=DATE:20110316");
    EXPECT_EQ(line(vevent, ICAL_RRULE_PROPERTY), "RRULE:FREQ=MONTHLY;COUNT=12");
    EXPECT_EQ(line(vevent, ICAL_SUMMARY_PROPERTY), "SUMMARY:Rent ($1\\,250.00)");
    EXPECT_NE(line(vevent, ICAL_DTSTAMP_PROPERTY), "(none)") << "required of every event";

    icalcomponent* alarm = icalcomponent_get_first_component(vevent, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(line(alarm, ICAL_ACTION_PROPERTY), "ACTION:DISPLAY");
    EXPECT_EQ(line(alarm, ICAL_TRIGGER_PROPERTY), "TRIGGER:-P2D");
}

TEST_F(EventStoreTest, TimedEventsAndEveryScheduleStepRoundTrip) {
    struct Case {
        RecurrenceRule::Frequency frequency;
        int interval;
        std::optional<int> count;
        int alarm;
        const char* rrule;
    };
    // Every two weeks, every four weeks, quarterly, yearly, daily: the
    // recurrences schedules mirror, with their reminders.
    const Case cases[] = {
        {RecurrenceRule::Frequency::Weekly, 2, std::nullopt, -900, "RRULE:FREQ=WEEKLY;INTERVAL=2"},
        {RecurrenceRule::Frequency::Weekly, 4, 3, -3600, "RRULE:FREQ=WEEKLY;COUNT=3;INTERVAL=4"},
        {RecurrenceRule::Frequency::Monthly, 3, std::nullopt, -86400, "RRULE:FREQ=MONTHLY;INTERVAL=3"},
        {RecurrenceRule::Frequency::Yearly, 1, 1, 0, "RRULE:FREQ=YEARLY;COUNT=1"},
        {RecurrenceRule::Frequency::Daily, 1, std::nullopt, -300, "RRULE:FREQ=DAILY"},
    };
    EventStore store(path);
    std::vector<CalendarEvent> saved;
    for (const Case& c : cases) {
        CalendarEvent event = store.newEvent();
        event.title = "Salary";
        event.start = localDate(2011, 3, 15, 9, 30);
        event.end = localDate(2011, 3, 15, 10, 30);
        event.recurrence = RecurrenceRule{c.frequency, c.interval, c.count};
        event.alarmOffset = c.alarm;
        ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents));
        saved.push_back(event);
    }
    EventStore reopened(path);
    ASSERT_EQ(reopened.events().size(), saved.size());
    ParsedFile file(path);
    std::vector<icalcomponent*> vevents = file.events();
    ASSERT_EQ(vevents.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(reopened.eventWithIdentifier(saved[i].identifier), saved[i]);
        EXPECT_EQ(line(vevents[i], ICAL_RRULE_PROPERTY), cases[i].rrule);
        // 09:30 EDT on 15 March 2011 is 13:30 UTC.
        EXPECT_EQ(line(vevents[i], ICAL_DTSTART_PROPERTY), "DTSTART:20110315T133000Z");
    }
}

TEST_F(EventStoreTest, SavingAgainReplacesTheWholeSeries) {
    EventStore store(path);
    CalendarEvent event = rentBill(store);
    ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents));

    // The schedule is edited: new amount, now a one-time payment.
    CalendarEvent edited = *store.eventWithIdentifier(event.identifier);
    edited.title = "Rent ($1,300.00)";
    edited.recurrence.reset();
    edited.alarmOffset = 0;
    ASSERT_TRUE(store.saveEvent(edited, Span::ThisEvent));

    EventStore reopened(path);
    ASSERT_EQ(reopened.events().size(), 1u);
    EXPECT_EQ(reopened.events()[0], edited);
    EXPECT_EQ(ParsedFile(path).events().size(), 1u);
}

TEST_F(EventStoreTest, RemovingAnEventKeepsTheOthers) {
    EventStore store(path);
    CalendarEvent rent = rentBill(store);
    CalendarEvent phone = rentBill(store);
    phone.title = "Phone ($45.00)";
    ASSERT_TRUE(store.saveEvent(rent, Span::FutureEvents));
    ASSERT_TRUE(store.saveEvent(phone, Span::FutureEvents));

    std::string error;
    ASSERT_TRUE(store.removeEvent(rent.identifier, Span::FutureEvents, &error)) << error;
    EXPECT_FALSE(store.eventWithIdentifier(rent.identifier));
    EventStore reopened(path);
    ASSERT_EQ(reopened.events().size(), 1u);
    EXPECT_EQ(reopened.events()[0].title, "Phone ($45.00)");

    // An event already gone (removed in another program) is not an error,
    // and nothing is written for it.
    std::string before = readFile(path);
    EXPECT_TRUE(reopened.removeEvent(rent.identifier, Span::FutureEvents, &error));
    EXPECT_EQ(readFile(path), before);
}

TEST_F(EventStoreTest, AllDayEventsKeepTheirCalendarDayAcrossDaylightSavingChanges) {
    EventStore store(path);
    // 13 March 2011: New York springs forward, the day has 23 hours.
    CalendarEvent spring = store.newEvent();
    spring.allDay = true;
    spring.start = localDate(2011, 3, 13, 9);
    spring.end = spring.start.addingTimeInterval(3600);
    // 6 November 2011 falls back (25 hours); 23:30 local is already 7
    // November in UTC, but the bill is due on the 6th.
    CalendarEvent fall = store.newEvent();
    fall.allDay = true;
    fall.start = localDate(2011, 11, 6, 23, 30);
    fall.end = fall.start;
    std::string error;
    ASSERT_TRUE(store.saveEvent(spring, Span::FutureEvents, &error)) << error;
    ASSERT_TRUE(store.saveEvent(fall, Span::FutureEvents, &error)) << error;

    ParsedFile file(path);
    std::vector<icalcomponent*> vevents = file.events();
    ASSERT_EQ(vevents.size(), 2u);
    EXPECT_EQ(line(vevents[0], ICAL_DTSTART_PROPERTY), "DTSTART;VALUE=DATE:20110313");
    EXPECT_EQ(line(vevents[1], ICAL_DTSTART_PROPERTY), "DTSTART;VALUE=DATE:20111106");
    EXPECT_EQ(line(vevents[1], ICAL_DTEND_PROPERTY), "DTEND;VALUE=DATE:20111107");

    EventStore reopened(path);
    CalendarEvent springRead = *reopened.eventWithIdentifier(spring.identifier);
    EXPECT_EQ(test::local(springRead.start), "2011-03-13 00:00:00");
    EXPECT_EQ(springRead.end.timeIntervalSinceDate(springRead.start), 23 * 3600);
    CalendarEvent fallRead = *reopened.eventWithIdentifier(fall.identifier);
    EXPECT_EQ(test::local(fallRead.start), "2011-11-06 00:00:00");
    EXPECT_EQ(fallRead.end.timeIntervalSinceDate(fallRead.start), 25 * 3600);
}

TEST_F(EventStoreTest, EventsThatCannotBeStoredAreRefusedWithoutWriting) {
    EventStore store(path);
    CalendarEvent backwards = rentBill(store);
    backwards.allDay = false;
    backwards.end = backwards.start.addingTimeInterval(-1);
    CalendarEvent elsewhere = rentBill(store);
    elsewhere.calendar = "Work";
    CalendarEvent noOccurrences = rentBill(store);
    noOccurrences.recurrence->occurrenceCount = 0;
    CalendarEvent noInterval = rentBill(store);
    noInterval.recurrence->interval = 0;

    for (CalendarEvent* event : {&backwards, &elsewhere, &noOccurrences, &noInterval}) {
        std::string error;
        EXPECT_FALSE(store.saveEvent(*event, Span::FutureEvents, &error));
        EXPECT_NE(error.find("cannot save the event \"Rent ($1,250.00)\": "), std::string::npos) << error;
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(EventStoreTest, TheRestOfAnotherProgramsCalendarIsKept) {
    writeFile(path,
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example Corp//Planner 4//EN\r\n"
              "BEGIN:VTODO\r\nUID:todo-1\r\nDTSTAMP:20110301T120000Z\r\nSUMMARY:File taxes\r\nEND:VTODO\r\n"
              "BEGIN:VEVENT\r\nUID:dentist-1\r\nDTSTAMP:20110301T120000Z\r\nDTSTART:20110320T150000Z\r\n"
              "DTEND:20110320T160000Z\r\nSUMMARY:Dentist\r\nLOCATION:Main St\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n");
    EventStore store(path);
    ASSERT_EQ(store.error(), "");
    ASSERT_EQ(store.events().size(), 1u);
    EXPECT_EQ(store.events()[0].title, "Dentist");
    EXPECT_EQ(test::local(store.events()[0].start), "2011-03-20 11:00:00");

    CalendarEvent event = rentBill(store);
    ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents));
    ParsedFile file(path);
    EXPECT_NE(icalcomponent_get_first_component(file.calendar.get(), ICAL_VTODO_COMPONENT), nullptr);
    std::vector<icalcomponent*> vevents = file.events();
    ASSERT_EQ(vevents.size(), 2u);
    EXPECT_EQ(line(vevents[0], ICAL_LOCATION_PROPERTY), "LOCATION:Main St");
}

// Files the store must refuse and leave exactly as they are.
struct DamagedFile {
    const char* name;
    std::string bytes;
    const char* reason;
};

class EventStoreDamagedFileTest : public EventStoreTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(EventStoreDamagedFileTest, IsReportedLeftAsItIsAndNeverSavedOver) {
    const DamagedFile& damaged = GetParam();
    writeFile(path, damaged.bytes);

    EventStore store(path);
    EXPECT_NE(store.error().find(path), std::string::npos) << store.error();
    EXPECT_NE(store.error().find(damaged.reason), std::string::npos) << store.error();
    EXPECT_TRUE(store.events().empty());

    CalendarEvent event = rentBill(store);
    std::string error;
    EXPECT_FALSE(store.saveEvent(event, Span::FutureEvents, &error));
    EXPECT_EQ(error, store.error());
    EXPECT_FALSE(store.removeEvent("dentist-1", Span::FutureEvents, &error));
    EXPECT_EQ(readFile(path), damaged.bytes);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    // Once the file is moved out of the way, the calendar starts anew.
    fs::rename(path, path + ".broken");
    EXPECT_TRUE(store.saveEvent(event, Span::FutureEvents, &error)) << error;
    EXPECT_EQ(store.error(), "");
    EXPECT_EQ(readFile(path + ".broken"), damaged.bytes);
}

const std::string kDentist =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example Corp//Planner 4//EN\r\n"
    "BEGIN:VEVENT\r\nUID:dentist-1\r\nDTSTAMP:20110301T120000Z\r\nDTSTART:20110320T150000Z\r\n"
    "SUMMARY:Dentist\r\nEND:VEVENT\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, EventStoreDamagedFileTest,
    ::testing::Values(
        DamagedFile{"GarbageText", "Dear diary,\nrent is due on the 15th.\n", "is not an iCalendar file"},
        DamagedFile{"CutShortAfterAnEvent", kDentist, "cut short"},
        DamagedFile{"CutShortInsideAnEvent", kDentist.substr(0, kDentist.find("SUMMARY")), "cut short"},
        DamagedFile{"ABadDate", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:a\r\n"
                                "DTSTART:next Tuesday\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
                    "is damaged"},
        DamagedFile{"AMismatchedEnd", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a\r\n"
                                      "DTSTART:20110320T150000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n",
                    "line 6 ends VTODO where VEVENT is open"},
        DamagedFile{"AnAddressCard", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nEND:VCARD\r\n",
                    "is not an iCalendar file"},
        DamagedFile{"AVCalendar1", "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nEND:VCALENDAR\r\n", "VERSION 1.0"},
        DamagedFile{"TwoCalendars", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n"
                                    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n",
                    "text after the calendar's END:VCALENDAR (line 4)"},
        DamagedFile{"NulBytes", std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n\0\0END:VCALENDAR\r\n", 36),
                    "NUL bytes"},
        // Latin-1 text, as an old export might hold: read, it would be written
        // back in a form the calendar itself refuses.
        DamagedFile{"NotUtf8", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Caf\xe9//EN\r\nEND:VCALENDAR\r\n",
                    "its text is not UTF-8"}),
    [](const ::testing::TestParamInfo<DamagedFile>& info) { return std::string(info.param.name); });

TEST_F(EventStoreTest, AFileDamagedAfterOpeningIsNotSavedOver) {
    EventStore store(path);
    CalendarEvent event = rentBill(store);
    ASSERT_TRUE(store.saveEvent(event, Span::FutureEvents));
    // Another program cuts the file short while the store is open.
    std::string whole = readFile(path);
    std::string cut = whole.substr(0, whole.size() / 2);
    writeFile(path, cut);

    std::string error;
    event.title = "Rent ($1,300.00)";
    EXPECT_FALSE(store.saveEvent(event, Span::FutureEvents, &error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
    EXPECT_EQ(readFile(path), cut);
}

}  // namespace
}  // namespace tallo
