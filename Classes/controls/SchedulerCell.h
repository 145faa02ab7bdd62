#pragma once
// SchedulerCell: one scheduled transaction in the scheduler list — its
// picture, when it falls due ("Today", "3 days", "1 month 2 days") in red
// when overdue and grey otherwise, what it is under that, and its amount
// in its own currency on the pay control (TLPayButton) at the right:
//
//   transfer           "From Checking to Savings"; "Transfer to deleted
//                      account" and no pay control when the receiving
//                      account is gone (the amount stands alone then)
//   payee first        the payee's name (payees in use and one is set)
//   otherwise          the category text ("Rent", "Split", "Uncategorized")

#include <string>

#include "Classes/controls/TLPayButton.h"
#include "Classes/controls/TLPictureCell.h"

namespace tallo {

class TLScheduler;

class SchedulerCell : public TLPictureCell {
public:
    // What a row shows, worked out once per schedule: a list keeps these
    // between reloads, so drawing a long list again costs no date or
    // currency arithmetic.
    struct Content {
        TLScheduler* scheduler = nullptr;
        TLPicture picture;
        std::string due;
        bool late = false;
        std::string bottom;
        std::string amount;
        bool outgoing = true;
        bool hasPayButton = true;  // false for a transfer to a deleted account
    };
    static Content contentFor(TLScheduler* scheduler);

    SchedulerCell();
    void setScheduler(TLScheduler* scheduler) { setContent(contentFor(scheduler)); }
    void setContent(const Content& content);
    TLScheduler* scheduler() const { return content_.scheduler; }
    // The second line ("" when none).
    const std::string& bottomText() const { return content_.bottom; }
    bool hasPayButton() const { return content_.hasPayButton; }
    TLPayButton payButton;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;

private:
    Content content_;
};

}  // namespace tallo
