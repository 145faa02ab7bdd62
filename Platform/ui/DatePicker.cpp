#include "Platform/ui/DatePicker.h"

#include <cstdio>

#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

namespace {

constexpr unsigned kDay = kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay;
constexpr unsigned kTime = kCalendarUnitHour | kCalendarUnitMinute | kCalendarUnitSecond;

// The digits of text[from, from + count) as a number, or -1.
int digits(std::string_view text, size_t from, size_t count) {
    int value = 0;
    for (size_t i = from; i < from + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

DatePicker::DatePicker(std::string id, Rect frame) : View(frame), id_(std::move(id)), date_(Clock::now()) {}

void DatePicker::sizeToFit() {
    Rect f = frame();
    f.height = kHeight;
    setFrame(f);
}

std::optional<Date> DatePicker::dateFromDayText(std::string_view text, Date timeOf, std::string* error) {
    auto refuse = [error](const char* why) -> std::optional<Date> {
        if (error != nullptr) *error = why;
        return std::nullopt;
    };
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return refuse("a day is written YYYY-MM-DD");
    int year = digits(text, 0, 4);
    int month = digits(text, 5, 2);
    int day = digits(text, 8, 2);
    if (year < 1 || month < 1 || day < 1) return refuse("a day is written YYYY-MM-DD");
    if (month > 12 || day > 31) return refuse("no such day");
    Calendar calendar = Calendar::current();
    DateComponents parts = calendar.components(kTime, timeOf);
    parts.year = year;
    parts.month = month;
    parts.day = day;
    Date chosen = calendar.dateFromComponents(parts);
    // The calendar rolls 30 February over into March: such a day does not exist.
    DateComponents back = calendar.components(kDay, chosen);
    if (back.year != year || back.month != month || back.day != day) return refuse("no such day");
    return chosen;
}

std::string DatePicker::dayText(Date date) {
    DateComponents parts = Calendar::current().components(kDay, date);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year.value_or(1), parts.month.value_or(1), parts.day.value_or(1));
    return text;
}

SceneNode DatePicker::makeNode(SceneContext& context) {
    SceneNode node("datepicker", id_);
    node.set("date", dayText(date_));
    std::weak_ptr<View> weak = weak_from_this();
    context.addAction(id_, [this, weak](const UIEvent& event) {
        auto alive = weak.lock();  // the picker may be gone since it was drawn
        if (!alive || event.kind != UIEvent::Kind::Text) return;
        std::string why;
        std::optional<Date> chosen = dateFromDayText(event.text, date_, &why);
        if (!chosen) {
            lastRefusal_ = why;
            return;
        }
        lastRefusal_.clear();
        date_ = *chosen;
        if (valueChanged) valueChanged();
    });
    return node;
}

}  // namespace tallo
