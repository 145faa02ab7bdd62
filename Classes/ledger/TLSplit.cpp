#include "Classes/ledger/TLSplit.h"

#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLTransaction.h"

namespace tallo {

void TLSplit::awakeFromInsert() {
    setUuid(generateUniqueID());
    setAmount(Decimal::zero());
}

void TLSplit::prepareForDeletion() { changeAmountTo(Decimal::zero()); }

void TLSplit::changeAmountTo(const Decimal& amount) {
    TLTransaction* owner = transaction();
    if (owner != nullptr) {
        Decimal current = this->amount().value_or(Decimal::zero());
        bool negative = owner->isNegative();
        Decimal oldSigned = negative ? Decimal::zero() - current : current;
        Decimal newSigned = negative ? Decimal::zero() - amount : amount;
        Decimal total = owner->totalamount().value_or(Decimal::zero());
        owner->changeTotalAmountTo(total - oldSigned + newSigned);
    }
    setAmount(amount);
}

void TLSplit::changeCategoryTo(TLCategory* category) {
    Decimal kept = amount().value_or(Decimal::zero());
    changeAmountTo(Decimal::zero());
    setCategory(category);
    changeAmountTo(kept);
}

Decimal TLSplit::getSignedAmount() const {
    Decimal value = amount().value_or(Decimal::zero());
    if (bill() != nullptr) return Decimal::zero();
    TLTransaction* owner = transaction();
    if (owner != nullptr && owner->isNegative()) return Decimal::zero() - value;
    return value;
}

Decimal TLSplit::getSignedAmountRatedToGlobalCurrency() const {
    TLGlobalCurrencyRates rates;
    return getSignedAmountRatedToGlobalCurrency(rates);
}

Decimal TLSplit::getSignedAmountRatedToGlobalCurrency(TLGlobalCurrencyRates& rates) const {
    TLTransaction* owner = transaction();
    Decimal value = getSignedAmount();
    return owner == nullptr ? value : rates.convert(value, owner->currency());
}

}  // namespace tallo
