#include "Classes/controls/TLDateBar.h"

#include <utility>
#include <vector>

#include "Classes/values/CVDates.h"

namespace tallo {

TLDateBar::TLDateBar() { retitle(); }

void TLDateBar::setMonth(int month, int year) {
    month_ = month;
    year_ = year;
    slide_ = 0;
    retitle();
}

void TLDateBar::forwardBy(int months) { step(months); }

void TLDateBar::backBy(int months) { step(-months); }

void TLDateBar::stepTo(int index) {
    int difference = index - (kSelected - kFirstVisible);
    if (difference > 0) {
        forwardBy(difference);
    } else if (difference < 0) {
        backBy(-difference);
    }
}

void TLDateBar::touchSlot(int slot) {
    if (slot <= 0) return stepLeft();
    if (slot >= kSlots - 1) return stepRight();
    stepTo(slot - 1);
}

// Month arithmetic with the year carried: 12 + 1 is January of the next
// year, 2 − 3 is November of the year before.
void TLDateBar::step(int months) {
    if (months == 0) return;
    int month = month_ + months;
    int year = year_;
    while (month > 12) {
        month -= 12;
        ++year;
    }
    while (month < 1) {
        month += 12;
        --year;
    }
    month_ = month;
    year_ = year;
    slide_ = months * kLabelWidth;
    retitle();
    if (didSelectMonth) didSelectMonth(month_, year_);
}

std::pair<int, int> TLDateBar::monthOfLabel(int index) const {
    // Counted in months from year 0 so that the carry needs no loops.
    int serial = year_ * 12 + (month_ - 1) + (index - kSelected);
    return {serial % 12 + 1, serial / 12};
}

void TLDateBar::retitle() {
    static const std::vector<std::string> names = CVDates::getMonthsArray();
    for (int i = 0; i < kLabels; ++i) {
        int month = monthOfLabel(i).first;
        titles_[static_cast<size_t>(i)] = names.size() == 12 ? names[static_cast<size_t>(month - 1)] : std::to_string(month);
    }
}

std::string TLDateBar::yearTabTitle(int index) const {
    auto [month, year] = monthOfLabel(index);
    return month == 1 ? std::to_string(year) : std::string();
}

int TLDateBar::yearTabIndex() const {
    for (int i = kFirstVisible; i < kFirstVisible + kVisible; ++i) {
        if (monthOfLabel(i).first == 1) return i;
    }
    return -1;
}

void TLDateBar::render(SceneNode& into, SceneContext& context, const std::string& id) {
    SceneNode& bar = into.add(SceneNode("datebar"));
    bar.set("month", month_);
    bar.set("year", year_);
    if (slide_ != 0) bar.set("slide", std::exchange(slide_, 0));
    for (int slot = 0; slot < kSlots; ++slot) {
        std::string slotId = id + ":" + std::to_string(slot);
        SceneNode& node = bar.add(SceneNode("slot", slotId));
        if (slot == 0) node.set("step", "back");
        if (slot == kSlots - 1) node.set("step", "forward");
        if (slot > 0 && slot < kSlots - 1) {
            int label = kFirstVisible + slot - 1;
            node.set("title", titles_[static_cast<size_t>(label)]);
            if (label == kSelected) node.set("bold", true);
            std::string tab = yearTabTitle(label);
            if (!tab.empty()) node.set("yearTab", tab);
        }
        context.addAction(slotId, [this, slot](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Tap) touchSlot(slot);
        });
    }
}

}  // namespace tallo
