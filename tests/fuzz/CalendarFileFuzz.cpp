// The calendar file is shared with other calendar programs and may be edited,
// cut short or replaced by anything. Whatever it holds, opening it gives the
// events or a refusal that names the file, never a crash, and opening alone
// never changes it. A file that is taken up must stay readable after the
// store writes it: a saved event joins every event read before.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Platform/calendar/EventStore.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "CalendarFileFuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char folder[] = "/tmp/tallo-calendar-fuzz-XXXXXX";
    if (!::mkdtemp(folder)) return 0;
    std::string path = std::string(folder) + "/Calendar.ics";
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary) << bytes;
    {
        tallo::EventStore store(path);
        check(readFile(path) == bytes, "opening changed the file");
        if (!store.error().empty()) {
            check(store.error().find(path) == 0 && store.error().size() > path.size() + 10,
                  "a refusal must name the file and say why");
            check(store.events().empty(), "a refused file lists events");
        } else {
            size_t before = store.events().size();
            for (const tallo::CalendarEvent& event : store.events()) {
                check(!event.identifier.empty(), "an event without an identifier");
            }
            tallo::CalendarEvent event = store.newEvent();
            event.title = "Rent";
            event.allDay = true;
            event.start = tallo::Date(1300000000);
            event.end = event.start;
            event.alarmOffset = -172800;
            std::string error;
            check(store.saveEvent(event, tallo::EventStore::Span::FutureEvents, &error), error.c_str());
            tallo::EventStore reopened(path);
            check(reopened.error().empty(), "the store refused the file it wrote");
            check(reopened.events().size() == before + 1, "events were lost by a save");
            check(reopened.eventWithIdentifier(event.identifier).has_value(), "the saved event is missing");
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
