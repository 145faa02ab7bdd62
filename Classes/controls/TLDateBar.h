#pragma once
// TLDateBar: the month bar over the budget — four month labels between a
// step back and a step forward, the chosen month in bold at the right, and
// a year tab on the label of January when one is in view. It reports every
// change of month to its delegate (didSelectMonth).
//
// Six touch slots of 53 points: slot 0 steps one month back, slot 5 one
// forward; slots 1–4 choose the month shown there, a step back or forward by
// its distance from the chosen label. A step carries into the year: forward
// from December 2011 is January 2012 (the year tab then sits on January);
// choosing the label three back from February 2011 is November 2010. The
// labels slide 58 points per month stepped; the page animates the slide.

#include <array>
#include <functional>
#include <string>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class TLDateBar {
public:
    static constexpr int kSlots = 6;
    static constexpr int kSlotWidth = 53;
    static constexpr int kLabelWidth = 58;
    static constexpr int kLabels = 8;
    // The labels in view (indexes into the eight) and the chosen one.
    static constexpr int kFirstVisible = 3;
    static constexpr int kVisible = 4;
    static constexpr int kSelected = kFirstVisible + kVisible - 1;

    TLDateBar();

    int month() const { return month_; }
    int year() const { return year_; }
    // Index of the chosen label among the eight; of the first one in view.
    int offset() const { return kSelected; }
    int visibleOffset() const { return kFirstVisible; }

    // Told after every change of month (not after setMonth).
    std::function<void(int month, int year)> didSelectMonth;

    // Shows `month` of `year` without telling the delegate.
    void setMonth(int month, int year);
    void stepLeft() { backBy(1); }
    void stepRight() { forwardBy(1); }
    // Chooses the label in view at `index` (0–3).
    void stepTo(int index);
    void forwardBy(int months);
    void backBy(int months);
    // What a tap on touch slot `slot` (0–5) does.
    void touchSlot(int slot);

    // The title of label `index` ("Mar"), and the year its tab shows when
    // the label is January ("" otherwise).
    const std::string& labelTitle(int index) const { return titles_[static_cast<size_t>(index)]; }
    std::string yearTabTitle(int index) const;
    // The visible label the year tab sits on, or −1 when no January is in view.
    int yearTabIndex() const;

    // "datebar" with the slots ("<id>:0" … "<id>:5") and the labels in view.
    void render(SceneNode& into, SceneContext& context, const std::string& id);

private:
    void step(int months);
    void retitle();
    // Month and year of label `index`.
    std::pair<int, int> monthOfLabel(int index) const;

    int month_ = 1;
    int year_ = 2000;
    // Points the labels slid in the last step (+ forward), for the page.
    int slide_ = 0;
    std::array<std::string, kLabels> titles_;
};

}  // namespace tallo
