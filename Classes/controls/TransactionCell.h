#pragma once
// TransactionCell: one row of a register — the transaction's picture, its
// title, a second line under it, and its total in its own currency on the
// right, red for a negative transaction and green otherwise.
//
//   transfer          "Transfer", second line "To Savings" on the sending
//                     side, "From Checking" on the receiving one ("deleted
//                     account" when the other side has no account any more)
//   payees on         the payee's name over the category; without a payee
//                     the category alone
//   payees off        the category over the payee's name (if any)
//
// A title too long to sit beside the amount in 240 points ends in "...".

#include <string>

#include "Classes/controls/TLPictureCell.h"

namespace tallo {

class TLImageRecord;
class TLTransaction;

// A picture the transaction keeps in the store goes to the page inline.
class TransactionCell : public TLPictureCell {
public:
    static constexpr double kTitleSize = 16;
    static constexpr double kAmountSize = 15;

    TransactionCell();
    void setTransaction(TLTransaction* transaction);
    TLTransaction* transaction() const { return transaction_; }
    // The second text line ("" when none).
    Label& bottomLabel() { return detailTextLabel(); }
    const std::string& amountText() const { return amount_.text; }
    // A stored picture of the transaction, when it has one.
    TLImageRecord* imageRecord = nullptr;
    // A bottom line under the row (every row but the register's last).
    bool hasBottomLine = false;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;

private:
    TLTransaction* transaction_ = nullptr;
    Label amount_;
};

}  // namespace tallo
