#include "Classes/ledger/TLAccount.h"

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/StringCorvane.h"
#include "Classes/values/TLDecNumHand2Places.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

bool TLAccount::isNotSupported() const {
    int kind = type().value_or(TLAccountType::Bank);
    return kind == TLAccountType::Investment || kind == TLAccountType::Loan;
}

void TLAccount::awakeFromInsert() {
    setCreationDate(Clock::now());
    setUuid(generateUniqueID());
    setCurrency(TLCurrency::fetchDefaultCurrency(managedObjectContext()));
}

void TLAccount::prepareForDeletion() {
    ManagedObjectContext* context = managedObjectContext();
    for (TLTransaction* transaction : transactions().toVector()) {
        for (TLSplit* split : transaction->splits().toVector()) context->deleteObject(split);
    }
    context->processPendingChanges();
}

Decimal TLAccount::getBalance() {
    Decimal sum = startingBalance().value_or(Decimal::zero());
    for (TLTransaction* transaction : transactions()) {
        if (transaction->isSchedulerHelper_) continue;
        sum = sum + transaction->convertedToAccountCurrency(transaction->totalamount().value_or(Decimal::zero()));
    }
    return sum;
}

void TLAccount::changeStartingBalanceTo(const Decimal& value) {
    Decimal current = balance().value_or(Decimal::zero());
    setBalance(current - startingBalance().value_or(Decimal::zero()) + value);
    setStartingBalance(value);
}

void TLAccount::changeCurrencyTo(TLCurrency* newCurrency) {
    if (newCurrency == currency()) return;
    setCurrency(newCurrency);
    updateTransactionRates();
    setBalance(getBalance());
}

void TLAccount::updateTransactionRates() {
    for (TLTransaction* transaction : transactions().toVector()) {
        // Out at the old rate and in at the new one, so the converted total
        // stored on the transaction stays the one in the balance.
        Decimal total = transaction->totalamount().value_or(Decimal::zero());
        transaction->changeTotalAmountTo(Decimal::zero());
        transaction->deleteRatesToAccountCurrency();
        if (transaction->currency() != currency()) transaction->createTransactionRateUnsingDefaultRate();
        transaction->changeTotalAmountTo(total);
    }
}

void TLAccount::copyFromAccount(const TLAccount* account) {
    if (account == nullptr) return;
    copyValuesFromObject(account, std::vector<std::string>{"uuid"});
}

TLPicture TLAccount::getIcon() const {
    switch (type().value_or(TLAccountType::Bank)) {
        case TLAccountType::Cash: return TLPicture::named("home-cash.png");
        case TLAccountType::CreditCard: return TLPicture::named("home-credit.png");
        case TLAccountType::Investment: return TLPicture::named("home-investment.png");
        case TLAccountType::Loan: return TLPicture::named("home-loan.png");
        case TLAccountType::Asset: return TLPicture::named("home-asset.png");
        default: return TLPicture::named("home-bank.png");  // a bank account, and a kind without a picture
    }
}

bool TLAccount::isCreditLimitExceeded() const {
    bool card = type().value_or(TLAccountType::Bank) == TLAccountType::CreditCard;
    if (!card || closed().value_or(false) || !ccLimit()) return false;
    return balance().value_or(Decimal::zero()) < *ccLimit();
}

std::string TLAccount::getCreditLimitExceededMessage() const {
    Decimal excess = ccLimit().value_or(Decimal::zero()) - balance().value_or(Decimal::zero());
    std::string code = currency() != nullptr ? currency()->code().value_or("") : "";
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    std::string amount = code.empty() ? center.currencyStringFromNumber(excess) : center.currencyStringFromNumber(excess, code);
    return stringWithFormat(L("Credit Limit exceeded by %@"), {amount});
}

Decimal TLAccount::getNetWorth(const std::vector<TLAccount*>& accounts) {
    Decimal sum = Decimal::zero();
    for (TLAccount* account : accounts) {
        if (account->type().value_or(TLAccountType::Bank) == TLAccountType::NeverListed) continue;
        sum = sum + account->getAmountInDefaultCurrency(account->balance().value_or(Decimal::zero()));
    }
    return sum;
}

Decimal TLAccount::getAmountInDefaultCurrency(const Decimal& amount) const {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    TLCurrency* target = center.defaultCurrency();
    TLCurrency* from = currency();
    if (target == nullptr || from == nullptr || from->code() == target->code()) return amount;
    TLRateRecord* record = center.getRateRecordFrom(from, target);
    // A record without a value cannot convert: the amount counts as it
    // stands rather than vanishing from the net worth.
    if (record == nullptr || !record->oneFromInTo()) return amount;
    return amount.multiply(*record->oneFromInTo(), TLDecNumHand2Places::sharedInstance());
}

std::vector<TLAccount*> TLAccount::getAccounts() {
    static const auto listed = Predicate::parse("type != %d", {TLAccountType::NeverListed});
    std::vector<TLAccount*> accounts;
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom(kEntityName, listed, {{"order", true}})) {
        accounts.push_back(static_cast<TLAccount*>(object));
    }
    return accounts;
}

TLAccount* TLAccount::getDefaultAccount() {
    for (TLAccount* account : getAccounts()) {
        if (!account->isNotSupported()) return account;
    }
    return nullptr;
}

}  // namespace tallo
