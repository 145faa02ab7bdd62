#include "Classes/ledger/TLTransaction.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLSchedulerAcc.h"
#include "Classes/values/StringCorvane.h"
#include "Classes/values/TLFormatter.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

namespace {

// The localized medium date of search texts; one formatter, rebuilt when the
// locale or zone change, since a generated book asks for a million of them.
std::string mediumDate(Date date) {
    thread_local std::unique_ptr<DateFormatter> formatter;
    thread_local unsigned generation = 0;
    if (!formatter || generation != Locale::generation()) {
        formatter = std::make_unique<DateFormatter>();
        formatter->setDateStyle(DateStyle::Medium);
        formatter->setTimeStyle(DateStyle::None);
        generation = Locale::generation();
    }
    return formatter->stringFromDate(date);
}

std::optional<std::string> codeOf(const TLCurrency* currency) {
    return currency != nullptr ? currency->code() : std::nullopt;
}

}  // namespace

void TLTransaction::awakeFromInsert() {
    Date now = Clock::now();
    setCreationDate(now);
    setTransactionDate(now);
    setType(TLTransactionType::Expense);
    setCurrency(TLCurrency::fetchDefaultCurrency(managedObjectContext()));
    setUuid(generateUniqueID());
    isSchedulerHelper_ = false;
}

void TLTransaction::awakeFromFetch() {
    isSchedulerHelper_ = false;
    imageLoaded_ = false;
    transferAccount_ = nullptr;
}

// ---- classification ---------------------------------------------------------

bool TLTransaction::isNegative() const { return isNegativeType(type(), transferPrimary()); }

bool TLTransaction::isNegativeType(std::optional<long long> type, std::optional<bool> transferPrimary) {
    long long kind = type.value_or(TLTransactionType::Expense);
    if (kind == TLTransactionType::Expense || kind == TLTransactionType::InvestmentBuy) return true;
    return kind == TLTransactionType::Transfer && transferPrimary.value_or(false);
}

bool TLTransaction::isTransfer() const {
    return type().value_or(TLTransactionType::Expense) == TLTransactionType::Transfer;
}

bool TLTransaction::isInvestment() const {
    return account() != nullptr && account()->type().value_or(TLAccountType::Bank) == TLAccountType::Investment;
}

bool TLTransaction::isInvestmentBuySell() const {
    int kind = type().value_or(TLTransactionType::Expense);
    return kind == TLTransactionType::InvestmentBuy || kind == TLTransactionType::InvestmentSell;
}

bool TLTransaction::isSplit() const { return splits().size() > 1; }

bool TLTransaction::uncategorized() const {
    if (splits().size() >= 2) return false;
    TLSplit* only = getSplit();
    return only == nullptr || only->category() == nullptr;
}

TLSplit* TLTransaction::getSplit() const {
    auto all = splits();
    return all.empty() ? nullptr : *all.begin();
}

std::vector<TLSplit*> TLTransaction::getOrderedSplit() const {
    std::vector<TLSplit*> ordered = splits().toVector();
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](TLSplit* a, TLSplit* b) { return a->uuid().value_or("") < b->uuid().value_or(""); });
    return ordered;
}

Decimal TLTransaction::getTotalAmount() const {
    Decimal sum = Decimal::zero();
    for (TLSplit* split : splits()) sum = sum + split->amount().value_or(Decimal::zero());
    return isNegative() ? Decimal::zero() - sum : sum;
}

// ---- amount changes ---------------------------------------------------------

Decimal TLTransaction::convertedToAccountCurrency(const Decimal& amount) {
    TLAccount* owner = account();
    if (owner == nullptr || currency() == owner->currency()) return amount;
    // A transaction whose account is in another currency never lacks a rate:
    // the first conversion freezes today's rate on it. A transaction or
    // account without a currency has nothing to convert with.
    if (currency() == nullptr || owner->currency() == nullptr) return amount;
    TLTransactionRate* rate = getRateToAccount();
    if (rate == nullptr) rate = createTransactionRateUnsingDefaultRate();
    if (rate == nullptr || !rate->rate()) return amount;
    return amount * *rate->rate();
}

void TLTransaction::changeTotalAmountTo(const Decimal& total) {
    Decimal converted = convertedToAccountCurrency(total);
    if (account() != nullptr && !isSchedulerHelper_) {
        Decimal balance = account()->balance().value_or(Decimal::zero());
        Decimal before = totalamountInAccountCurrency().value_or(Decimal::zero());
        account()->setBalance(balance - before + converted);
    }
    setTotalamount(total);
    setTotalamountInAccountCurrency(converted);
}

void TLTransaction::changeTypeTo(int newType) {
    bool wasNegative = isNegative();
    int oldType = type().value_or(TLTransactionType::Expense);
    setType(newType);
    if (isNegative() == wasNegative) return;
    setType(oldType);
    changeSign([&] { setType(newType); });
}

void TLTransaction::changeTransferPrimaryTo(bool sending) {
    if (transferPrimary().value_or(false) == sending) return;
    changeSign([&] { setTransferPrimary(sending); });
}

void TLTransaction::changeSign(const std::function<void()>& change) {
    // Every split leaves under the old sign and comes back under the new one.
    std::vector<std::pair<TLSplit*, Decimal>> kept;
    for (TLSplit* split : splits()) {
        kept.emplace_back(split, split->amount().value_or(Decimal::zero()));
        split->changeAmountTo(Decimal::zero());
    }
    change();
    for (auto& [split, amount] : kept) split->changeAmountTo(amount);
}

void TLTransaction::changeCurrencyTo(TLCurrency* newCurrency) {
    if (newCurrency == nullptr || newCurrency == currency()) return;
    Decimal total = totalamount().value_or(Decimal::zero());
    changeTotalAmountTo(Decimal::zero());
    setCurrency(newCurrency);
    changeTotalAmountTo(total);
}

void TLTransaction::changeAccountTo(TLAccount* newAccount) {
    TLAccount* oldAccount = account();
    if (newAccount == oldAccount) return;
    // Out of the old account at its own converted value, then in again at
    // the new account's, as if the total were re-entered there.
    Decimal total = totalamount().value_or(Decimal::zero());
    changeTotalAmountTo(Decimal::zero());
    bool sameCurrency = oldAccount != nullptr && newAccount != nullptr && oldAccount->currency() == newAccount->currency();
    if (!sameCurrency) deleteRatesToAccountCurrency();
    setAccount(newAccount);
    changeTotalAmountTo(total);
}

void TLTransaction::copyCurrencyFromAccount() {
    if (account() != nullptr) setCurrency(account()->currency());
}

// ---- rates ------------------------------------------------------------------

TLTransactionRate* TLTransaction::getRateByCode(const std::string& code) const {
    for (TLTransactionRate* rate : rates()) {
        if (rate->currCode() == code) return rate;
    }
    return nullptr;
}

TLTransactionRate* TLTransaction::getRateToAccount() const {
    std::optional<std::string> code = account() != nullptr ? codeOf(account()->currency()) : std::nullopt;
    return code ? getRateByCode(*code) : nullptr;
}

TLTransactionRate* TLTransaction::createRateRecordToAccountWithValue(const Decimal& value) {
    auto* rate = static_cast<TLTransactionRate*>(
        managedObjectContext()->insertNewObjectForEntityForName(TLTransactionRate::kEntityName));
    rate->setRate(value);
    rate->setCurrCode(account() != nullptr ? codeOf(account()->currency()) : std::nullopt);
    rate->setTransaction(this);
    return rate;
}

TLTransactionRate* TLTransaction::createTransactionRateUnsingDefaultRate() {
    if (account() == nullptr || !codeOf(currency()) || !codeOf(account()->currency())) return nullptr;
    TLRateRecord* record = TLCurrencyCenter::sharedCenter().getRateRecordFrom(currency(), account()->currency());
    if (record == nullptr) return nullptr;
    return createRateRecordToAccountWithValue(record->oneFromInTo().value_or(Decimal::one()));
}

void TLTransaction::setValueToRateRecordToAccount(const Decimal& value) {
    Decimal total = totalamount().value_or(Decimal::zero());
    // Out at the old rate, in at the new one.
    changeTotalAmountTo(Decimal::zero());
    if (TLTransactionRate* rate = getRateToAccount()) {
        rate->setRate(value);
    } else {
        createRateRecordToAccountWithValue(value);
    }
    changeTotalAmountTo(total);
}

void TLTransaction::deleteRatesToAccountCurrency() {
    std::optional<std::string> code = account() != nullptr ? codeOf(account()->currency()) : std::nullopt;
    if (!code) return;
    ManagedObjectContext* context = managedObjectContext();
    for (TLTransactionRate* rate : rates().toVector()) {
        if (rate->currCode() == code) context->deleteObject(rate);
    }
    context->processPendingChanges();
}

// ---- presentation -----------------------------------------------------------

std::string TLTransaction::getCategoryString() const {
    size_t count = splits().size();
    if (count == 0) return L("Uncategorized");
    if (count > 1) return L("Split");
    TLSplit* only = getSplit();
    if (only->category() != nullptr) return only->category()->name().value_or("");
    if (isInvestmentBuySell()) return isNegative() ? L("Buy") : L("Sell");
    return L("Uncategorized");
}

bool TLTransaction::isPayeePriority() const { return TLTransactionSettings::usePayee() && payee() != nullptr; }

bool TLTransaction::shouldPreferPayee() const { return isPayeePriority() && !isTransfer(); }

std::string TLTransaction::getRepresentationString() const {
    if (isTransfer()) {
        TLAccount* other = transferCopy() != nullptr ? transferCopy()->account() : transferAccount_;
        std::string name = other != nullptr ? other->name().value_or("") : "";
        return stringWithFormat(transferPrimary().value_or(false) ? L("Transfer to %@") : L("Transfer From %@"), {name});
    }
    if (isPayeePriority()) return payee()->representationString().value_or("");
    size_t count = splits().size();
    if (count == 1) {
        TLCategory* category = getOrderedSplit().front()->category();
        return category != nullptr ? category->name().value_or("") : "";
    }
    if (count == 0) return payee() != nullptr ? payee()->representationString().value_or("") : "";
    return L("Split");
}

std::string TLTransaction::getSearchString() const {
    return searchStringFrom(payee(), getOrderedSplit(), transactionDate(),
                            totalamountInAccountCurrency().value_or(Decimal::zero()), codeOf(currency()).value_or(""));
}

std::string TLTransaction::searchStringFrom(const TLPayee* payee, const std::vector<TLSplit*>& splits,
                                            std::optional<Date> date, const Decimal& amount, const std::string& code) {
    std::vector<std::string> words;
    if (payee != nullptr && payee->representationString()) words.push_back(*payee->representationString());
    for (TLSplit* split : splits) {
        TLCategory* category = split->category();
        if (category == nullptr) continue;
        words.push_back(category->name().value_or(""));
        if (category->mastercat() != nullptr) words.push_back(category->mastercat()->name().value_or(""));
    }
    if (date) words.push_back(mediumDate(*date));
    words.push_back(TLCurrencyCenter::sharedCenter().currencyStringFromNumber(amount, code));
    return TLFormatter::sentenceFromWords(words);
}

TLPicture TLTransaction::getImageSmall(bool small) const {
    return pictureFrom(pictureParts(), TLPicture::named(small ? "Split.png" : "Split@2x.png"), small);
}

TLPicture TLTransaction::getSplitImageSmall(bool small) const {
    return splitsPictureFrom(pictureParts(), TLPicture::named(small ? "Split.png" : "Split@2x.png"), small);
}

TLTransaction::PictureParts TLTransaction::pictureParts() const {
    return {imageRecord(), isTransfer(), isPayeePriority() ? payee() : nullptr, splits().size(), getSplit()};
}

TLPicture TLTransaction::pictureFrom(const PictureParts& parts, const TLPicture& several, bool small) {
    if (parts.record != nullptr) return TLPicture::stored(parts.record);
    if (parts.isTransfer) return TLPicture::named(small ? "Transfer.png" : "Transfer@2x.png");
    // A payee and the splits always have a picture (a built-in one at least),
    // so neither falls back to the other.
    if (parts.priorityPayee != nullptr) return parts.priorityPayee->getImageSmall(small);
    return splitsPictureFrom(parts, several, small);
}

TLPicture TLTransaction::splitsPictureFrom(const PictureParts& parts, const TLPicture& several, bool small) {
    if (parts.splitCount >= 2) return several;
    if (parts.onlySplit != nullptr && parts.onlySplit->category() != nullptr) return parts.onlySplit->category()->getImageSmall(small);
    return TLPicture::named(small ? "Uncategorized.png" : "Uncategorized@2x.png");
}

// ---- life cycle -------------------------------------------------------------

void TLTransaction::deleteSplits() {
    ManagedObjectContext* context = managedObjectContext();
    while (TLSplit* split = getSplit()) {
        context->deleteObject(split);
        context->processPendingChanges();
    }
}

void TLTransaction::copyValuesFromScheduler(const TLSchedulerAcc* bill) {
    if (bill == nullptr) {
        InternalError::report("Scheduler can't be nil");
        return;
    }
    // Whatever the transaction held goes first, out of its account, so the
    // new values never carry an old amount into another account or sign.
    deleteSplits();
    changeTotalAmountTo(Decimal::zero());
    setComments(bill->comments());
    setNumber(bill->number());
    setType(bill->type().value_or(TLTransactionType::Expense));
    setSearchString(bill->searchString());
    setImageRecord(bill->imageRecord());
    setAccount(bill->inAccount());
    setTransactionDate(bill->nextDate());
    setPayee(bill->payee());

    ManagedObjectContext* context = managedObjectContext();
    for (TLTransactionRate* rate : rates().toVector()) context->deleteObject(rate);
    context->processPendingChanges();
    changeCurrencyTo(bill->currency());
    if (account() != nullptr && currency() != account()->currency() && getRateToAccount() == nullptr) {
        createTransactionRateUnsingDefaultRate();
    }

    for (TLSplit* source : bill->splits()) {
        auto* split = static_cast<TLSplit*>(context->insertNewObjectForEntityForName(TLSplit::kEntityName));
        split->copyValuesFromObject(source, std::vector<std::string>{"uuid", "amount", "transaction", "bill"});
        split->setTransaction(this);
        split->setBill(nullptr);
        split->changeAmountTo(source->amount().value_or(Decimal::zero()));
        split->setCategory(source->category());
    }
    if (transferCopy() != nullptr && bill->transferAccount() != nullptr) {
        transferCopy()->changeAccountTo(bill->transferAccount());
    }
    transferAccount_ = bill->transferAccount();
}

// ---- transfers --------------------------------------------------------------

void TLTransaction::transferToAccount(TLAccount* other) { makeMirror(other, true); }

void TLTransaction::transferFromAccount(TLAccount* other) { makeMirror(other, false); }

void TLTransaction::makeMirror(TLAccount* other, bool sending) {
    TLTransaction* mirror = transferCopy();
    TLCurrency* booked = nullptr;  // the currency the mirror's frozen rate converts from
    if (mirror == nullptr) {
        mirror = static_cast<TLTransaction*>(managedObjectContext()->insertNewObjectForEntityForName(kEntityName));
        setTransferCopy(mirror);
    } else {
        booked = mirror->currency();
        // The old mirror's amount leaves the account it was booked in, with
        // the sign it was booked with, before account and sign change.
        mirror->deleteSplits();
        mirror->changeTotalAmountTo(Decimal::zero());
    }
    mirror->setAccount(other);
    mirror->copyCurrencyFromAccount();
    mirror->setTransferCopy(this);
    // The origin keeps its total right should its side change.
    changeTransferPrimaryTo(sending);
    mirror->setTransferPrimary(!sending);
    mirror->copyTransferFrom(this, booked);
}

void TLTransaction::copyTransfer(TLTransaction* origin) { copyTransferFrom(origin, currency()); }

void TLTransaction::copyTransferFrom(TLTransaction* origin, TLCurrency* currencyBefore) {
    if (origin == nullptr) {
        InternalError::report("Transaction can't be nil");
        return;
    }
    ManagedObjectContext* context = managedObjectContext();
    // The old splits go while type, currency and account are still those
    // their amounts were booked with.
    deleteSplits();
    changeTotalAmountTo(Decimal::zero());
    copyValuesFromObject(origin, std::vector<std::string>{
                                     "splits", "uuid", "transferPrimary", "transferCopy", "transferCopyInverse", "account",
                                     "scheduleBill_uuid", "scheduledBill", "totalamount", "totalamountInAccountCurrency",
                                     "commision", "price", "share", "rates", "startingAccount"});

    // Rates first, while the total is zero, so the amounts below convert
    // with the rate the mirror keeps.
    TLAccount* mine = account();
    TLAccount* theirs = origin->account();
    if (mine != nullptr && theirs != nullptr && mine->currency() == theirs->currency()) {
        for (TLTransactionRate* rate : rates().toVector()) context->deleteObject(rate);
        context->processPendingChanges();
        for (TLTransactionRate* rate : origin->rates()) {
            auto* copy = static_cast<TLTransactionRate*>(context->insertNewObjectForEntityForName(TLTransactionRate::kEntityName));
            copy->copyValuesFromObject(rate, std::vector<std::string>{"uuid", "transaction", "bill"});
            copy->setTransaction(this);
        }
    } else if (getRateToAccount() == nullptr || currency() != currencyBefore) {
        // A frozen rate is kept across refreshes, unless the origin's
        // currency changed and the rate no longer converts from it.
        deleteRatesToAccountCurrency();
        if (mine != nullptr && currency() != mine->currency()) createTransactionRateUnsingDefaultRate();
    }

    std::vector<std::pair<TLSplit*, Decimal>> copies;
    for (TLSplit* source : origin->getOrderedSplit()) {
        auto* split = static_cast<TLSplit*>(context->insertNewObjectForEntityForName(TLSplit::kEntityName));
        split->copyValuesFromObject(source, std::vector<std::string>{"uuid", "amount", "transaction", "bill"});
        split->setTransaction(this);
        copies.emplace_back(split, source->amount().value_or(Decimal::zero()));
    }
    if (splits().size() != origin->splits().size()) {
        InternalError::report("Number of splits should be equal after copy");
    }
    for (auto& [split, amount] : copies) split->changeAmountTo(amount);
}

void TLTransaction::deleteTransactionWithTransferCopy(bool withCopy) {
    ManagedObjectContext* context = managedObjectContext();
    deleteSplits();
    if (withCopy && transferCopy() != nullptr) transferCopy()->deleteTransactionWithTransferCopy(false);
    context->deleteObject(this);
    context->processPendingChanges();
}

void TLTransaction::convertFromTransferToSimple() {
    bool sending = transferPrimary().value_or(false);
    TLTransaction* other = sending ? transferCopy() : transferCopyInverse();
    std::string name = other != nullptr && other->account() != nullptr ? other->account()->name().value_or("") : "";
    setType(sending ? TLTransactionType::Expense : TLTransactionType::Income);
    std::string word = sending ? L("to") : L("from");
    setComments(stringWithFormat(L("%@ (transfered %@ %@ account)"), {comments().value_or(""), word, name}));
}

}  // namespace tallo
