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
    SchedulerCell();
    void setScheduler(TLScheduler* scheduler);
    TLScheduler* scheduler() const { return scheduler_; }
    // The second line ("" when none).
    const std::string& bottomText() const { return bottom_; }
    // False for a transfer to a deleted account.
    bool hasPayButton = true;
    TLPayButton payButton;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;

private:
    TLScheduler* scheduler_ = nullptr;
    std::string bottom_;
    std::string amount_;
};

}  // namespace tallo
