#pragma once
// DatePicker: the platform's date picker in its date-only mode — a day,
// month and year to turn. It shows its date as "YYYY-MM-DD" in the current
// calendar and time zone; the client answers with a text event carrying the
// chosen day in the same form:
//
//   datepicker#datePicker date="2011-03-15" frame="0,0,320,216"
//   {"kind":"text","target":"datePicker","text":"2011-03-16"}
//
// Choosing a day keeps the time of day of the date it had (a transaction
// dated 15 March 18:30 and moved to the 16th is dated 16 March 18:30).
// Anything but an existing day in that form — "2011-02-30", "2011-3-1",
// "tomorrow" — is refused (the event changes nothing) and the reason kept
// in lastRefusal().

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/foundation/Date.h"
#include "Platform/ui/View.h"

namespace tallo {

class DatePicker : public View {
public:
    // The picker's own height; sizeToFit gives it this.
    static constexpr double kHeight = 216;

    explicit DatePicker(std::string id, Rect frame = {0, 0, 320, 216});

    const std::string& id() const { return id_; }
    Date date() const { return date_; }
    void setDate(Date date) { date_ = date; }
    // Height of the picker's own, keeping the width.
    void sizeToFit();
    // Called after the person chose another day.
    std::function<void()> valueChanged;

    // The day `text` names ("YYYY-MM-DD") at the time of day of `timeOf`.
    static std::optional<Date> dateFromDayText(std::string_view text, Date timeOf, std::string* error = nullptr);
    static std::string dayText(Date date);
    const std::string& lastRefusal() const { return lastRefusal_; }

protected:
    SceneNode makeNode(SceneContext& context) override;

private:
    std::string id_;
    Date date_;
    std::string lastRefusal_;
};

}  // namespace tallo
