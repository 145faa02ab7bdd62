#include "Classes/ledger/TLSplit.h"

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
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
    Decimal value = getSignedAmount();
    TLTransaction* owner = transaction();
    if (owner == nullptr || owner->currency() == nullptr) return value;
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    TLCurrency* target = center.defaultCurrency();
    if (target == nullptr || target == owner->currency()) return value;
    std::optional<std::string> code = owner->currency()->code();
    if (!code) return value;
    const auto& rates = center.ratesToDefaultCurrencyCache();
    auto found = rates.find(*code);
    return found == rates.end() ? value : value * found->second;
}

}  // namespace tallo
