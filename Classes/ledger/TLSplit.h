#pragma once
// TLSplit: the part of a transaction (or schedule) filed under one category.
// Its amount is a magnitude; the transaction's type gives the sign. A split
// moves its transaction's total, and through it the account's balance, only
// through changeAmountTo, which deletion uses as well.

#include "Classes/store/TLSplitAcc.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLGlobalCurrencyRates;

class TLSplit : public TLSplitAcc {
public:
    // Sets the magnitude and moves the transaction's signed total by the
    // difference: on an expense, 10 → 7 raises the total from −10 to −7 (and
    // the account's balance by 3). A split of a schedule (no transaction) only
    // takes the amount.
    void changeAmountTo(const Decimal& amount);
    // Files the split elsewhere; the amount and every total stay.
    void changeCategoryTo(TLCategory* category);

    // The amount with its transaction's sign; zero for a split of a schedule.
    Decimal getSignedAmount() const;
    // The signed amount in the default currency: multiplied by the cached
    // rate of the transaction's currency when there is a default currency,
    // it is not the transaction's, and a rate is known; otherwise as it is.
    // Never rounded.
    Decimal getSignedAmountRatedToGlobalCurrency() const;
    // The same with rates already taken, for totals over many splits.
    Decimal getSignedAmountRatedToGlobalCurrency(TLGlobalCurrencyRates& rates) const;

protected:
    // A new identifier and an amount of 0.
    void awakeFromInsert() override;
    // Takes the amount out of the transaction first (changeAmountTo 0).
    void prepareForDeletion() override;
};

}  // namespace tallo
