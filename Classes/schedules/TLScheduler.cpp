#include "Classes/schedules/TLScheduler.h"

#include <algorithm>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/CVDates.h"
#include "Classes/values/StringCorvane.h"
#include "Classes/values/TLFormatter.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

namespace {

struct Frequency {
    int code;
    const char* label;
    DateComponents step;  // empty: no step
    std::optional<RecurrenceRule::Frequency> recurrence;
    int interval;
};

// A stored frequency's step and recurrence; an unset or unknown one has
// neither, so the schedule never advances.
const Frequency& frequencyOf(std::optional<int> code) {
    using F = RecurrenceRule::Frequency;
    namespace Code = TLSchedulerFrequency;
    static const Frequency kTable[] = {
        {Code::OneTime, "One Time", {}, std::nullopt, 0},
        {Code::EveryDay, "Every Day", {.day = 1}, F::Daily, 1},
        {Code::EveryWeek, "Every Week", {.day = 7}, F::Weekly, 1},
        {Code::EveryTwoWeeks, "Every Two Weeks", {.day = 14}, F::Weekly, 2},
        {Code::EveryFourWeeks, "Every Four Weeks", {.day = 28}, F::Weekly, 4},
        {Code::Monthly, "Monthly", {.month = 1}, F::Monthly, 1},
        {Code::EveryTwoMonths, "Every Two Months", {.month = 2}, F::Monthly, 2},
        {Code::Quarterly, "Quarterly", {.month = 3}, F::Monthly, 3},
        {Code::EverySixMonths, "Every Six Months", {.month = 6}, F::Monthly, 6},
        {Code::Annually, "Annually", {.year = 1}, F::Yearly, 1},
    };
    static const Frequency kUnlisted = {-1, "", {}, std::nullopt, 0};  // -1: no code
    auto found = std::find_if(std::begin(kTable), std::end(kTable), [&](const Frequency& f) { return f.code == code; });
    return found != std::end(kTable) ? *found : kUnlisted;
}

struct Reminder {
    int code;
    const char* label;
    double offset;  // seconds from the event's start
};

// A stored reminder's alarm; an unset or unknown one has none.
const Reminder& reminderOf(std::optional<int> code) {
    namespace Code = TLSchedulerReminder;
    static const Reminder kTable[] = {{Code::None, "None", 0},
                                      {Code::FiveMinutesBefore, "5 minutes before", -300},
                                      {Code::FifteenMinutesBefore, "15 minutes before", -900},
                                      {Code::ThirtyMinutesBefore, "30 minutes before", -1800},
                                      {Code::OneHourBefore, "1 hour before", -3600},
                                      {Code::TwoHoursBefore, "2 hours before", -7200},
                                      {Code::OneDayBefore, "1 day before", -86400},
                                      {Code::TwoDaysBefore, "2 days before", -172800},
                                      {Code::OnDateOfEvent, "On date of event", 0}};
    static const Reminder kUnlisted = {-1, "", 0};  // -1: no code
    auto found = std::find_if(std::begin(kTable), std::end(kTable), [&](const Reminder& r) { return r.code == code; });
    return found != std::end(kTable) ? *found : kUnlisted;
}

bool before(Date a, Date b) { return a.timeIntervalSince1970() < b.timeIntervalSince1970(); }

}  // namespace

int TLScheduler::updateSchedulers() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    ManagedObjectContext* context = db.context();
    if (context == nullptr) return 0;
    std::vector<ManagedObject*> all = db.fetchEntityCustom(kEntityName);
    for (ManagedObject* object : all) {
        auto* scheduler = static_cast<TLScheduler*>(object);
        scheduler->doAutopay();
        if (!scheduler->leftToPay()) context->deleteObject(scheduler);
    }
    context->processPendingChanges();
    int unpaid = 0;
    for (ManagedObject* object : db.fetchEntityCustom(kEntityName)) unpaid += static_cast<TLScheduler*>(object)->isUnpayed();
    return unpaid;
}

std::string TLScheduler::frequencyLabel(int code) { return frequencyOf(code).label; }

std::string TLScheduler::reminderLabel(int code) { return reminderOf(code).label; }

void TLScheduler::awakeFromInsert() {
    Date now = Clock::now();
    setCreationDate(now);
    setNextDate(now);
    setUuid(generateUniqueID());
}

void TLScheduler::prepareForDeletion() { TLSchedulerCalendar::removeEventForScheduler(this); }

// ---- due dates -------------------------------------------------------------

std::optional<Date> TLScheduler::newNextDate() const {
    std::optional<Date> due = nextDate();
    if (!due) return due;
    const DateComponents& step = frequencyOf(frequency()).step;
    if (step == DateComponents{}) return due;
    return Calendar::current().dateByAddingComponents(step, *due);
}

bool TLScheduler::leftToPay() const { return !isNumbered().value_or(false) || numberOfPayments().value_or(0) > 0; }

bool TLScheduler::isToday() const {
    std::optional<Date> due = CVDates::startOfDayDate(nextDate());
    if (!due) return false;
    Date today = *CVDates::startOfDayDate(Clock::now());
    return std::abs(due->timeIntervalSinceDate(today)) < 1.0;
}

bool TLScheduler::isLate() const {
    std::optional<Date> due = nextDate();
    return due && before(*due, Clock::now()) && !isToday();
}

bool TLScheduler::isNext() const { return !isLate() && !isToday(); }

bool TLScheduler::isUnpayed() const {
    std::optional<Date> due = nextDate();
    return due && before(*due, Clock::now()) && leftToPay() && !autopay().value_or(false);
}

bool TLScheduler::isTransfer() const {
    return type().value_or(TLTransactionType::Expense) == TLTransactionType::Transfer;
}

bool TLScheduler::isNegative() const {
    return type().value_or(TLTransactionType::Expense) == TLTransactionType::Expense || transferAccount() != nullptr;
}

// ---- payments ----------------------------------------------------------------

void TLScheduler::doAutopay() {
    if (!autopay().value_or(false)) return;
    while (isLate() && leftToPay()) {
        auto* payment = static_cast<TLTransaction*>(
            managedObjectContext()->insertNewObjectForEntityForName(TLTransaction::kEntityName));
        payment->copyValuesFromScheduler(this);
        payment->setScheduledBill(this);
        std::optional<Date> due = nextDate();
        std::optional<Date> next = newNextDate();
        setNextDate(next);
        if (isNumbered().value_or(false)) setNumberOfPayments(numberOfPayments().value_or(0) - 1);
        if (transferAccount() != nullptr) payment->transferToAccount(transferAccount());
        payment->setSearchString(payment->getSearchString());
        if (payment->transferCopy() != nullptr) {
            payment->transferCopy()->setSearchString(payment->transferCopy()->getSearchString());
        }
        // A frequency that never advances pays once.
        if (!next || !due || next->timeIntervalSince1970() == due->timeIntervalSince1970()) break;
    }
    TLDatabase::sharedDatabase().save();
}

Decimal TLScheduler::getTotalPayed() const {
    Decimal sum = Decimal::zero();
    for (TLTransaction* paid : realTransactions()) sum = sum + paid->totalamount().value_or(Decimal::zero());
    return sum;
}

TLTransaction* TLScheduler::createPaymentTransaction() {
    auto* payment = static_cast<TLTransaction*>(
        managedObjectContext()->insertNewObjectForEntityForName(TLTransaction::kEntityName));
    payment->copyValuesFromScheduler(this);
    payment->setScheduledBill(this);
    payment->setTransactionDate(Clock::now());
    return payment;
}

void TLScheduler::confirmPayment() {
    setNextDate(newNextDate());
    if (isNumbered().value_or(false) && numberOfPayments().value_or(0) > 0) {
        setNumberOfPayments(numberOfPayments().value_or(0) - 1);
    }
}

// ---- splits -------------------------------------------------------------------

std::vector<TLSplit*> TLScheduler::getSplitsArray() const {
    std::vector<TLSplit*> ordered = splits().toVector();
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](TLSplit* a, TLSplit* b) { return a->order().value_or(0) < b->order().value_or(0); });
    return ordered;
}

TLSplit* TLScheduler::getSplit() const {
    auto all = splits();
    return all.empty() ? nullptr : *all.begin();
}

void TLScheduler::deleteSplits() {
    ManagedObjectContext* context = managedObjectContext();
    for (TLSplit* split : splits().toVector()) context->deleteObject(split);
    context->processPendingChanges();
}

void TLScheduler::deleteWithSplits() {
    deleteSplits();
    managedObjectContext()->deleteObject(this);
    managedObjectContext()->processPendingChanges();
}

void TLScheduler::copyValuesFromTransaction(TLTransaction* transaction, bool withSplits) {
    if (transaction == nullptr) return;
    setComments(transaction->comments());
    setNumber(transaction->number());
    setType(transaction->type());
    setTotalamount(transaction->totalamount());
    setSearchString(transaction->searchString());
    setImageRecord(transaction->imageRecord());
    setCurrency(transaction->currency());
    setInAccount(transaction->account());
    setPayee(transaction->payee());
    if (withSplits) {
        for (TLSplit* split : transaction->splits().toVector()) {
            // Taken out of the transaction's total first, so a transaction
            // that stays behind keeps its books right.
            Decimal amount = split->amount().value_or(Decimal::zero());
            split->changeAmountTo(Decimal::zero());
            split->setTransaction(nullptr);
            split->setBill(this);
            split->setAmount(amount);
        }
    }
    for (TLTransactionRate* rate : transaction->rates().toVector()) {
        rate->setTransaction(nullptr);
        rate->setBill(this);
    }
    TLTransaction* counterpart = transaction->transferCopy();
    if (counterpart != nullptr) setTransferAccount(counterpart->account());
}

void TLScheduler::copySplitsDublicatingFromTransaction(TLTransaction* transaction) {
    deleteSplits();
    if (transaction == nullptr) return;
    ManagedObjectContext* context = managedObjectContext();
    for (TLSplit* source : transaction->getOrderedSplit()) {
        auto* split = static_cast<TLSplit*>(context->insertNewObjectForEntityForName(TLSplit::kEntityName));
        split->copyValuesFromObject(source, std::vector<std::string>{"uuid", "amount", "transaction", "bill"});
        split->setBill(this);
        split->changeAmountTo(source->amount().value_or(Decimal::zero()));
    }
}

// ---- texts and pictures ---------------------------------------------------------

std::string TLScheduler::getCategoryString() const {
    size_t count = splits().size();
    if (count == 0) return L("Uncategorized");
    if (count > 1) return L("Split");
    TLCategory* category = getSplit()->category();
    return category != nullptr ? category->name().value_or("") : L("Uncategorized");
}

std::string TLScheduler::getEventTitle() const {
    std::string amount;
    if (std::optional<Decimal> total = totalamount()) {
        amount = stringWithFormat("(%@)", {TLCurrencyCenter::sharedCenter().currencyStringFromNumber(*total)});
    }
    return stringWithFormat("%@ %@", {getCategoryString(), amount});
}

std::string TLScheduler::getDueString() const {
    if (isToday()) return L("Today");
    std::optional<Date> due = CVDates::startOfDayDate(nextDate());
    if (!due) return "";
    Date today = *CVDates::startOfDayDate(Clock::now());
    // Measured to the end of the later day, so a day short of 24 hours (the
    // change to summer time) still counts as a whole day.
    Date from = before(today, *due) ? today : *due;
    Date to = before(today, *due) ? *CVDates::endOfDayDate(*due) : *CVDates::endOfDayDate(today);
    DateComponents difference = Calendar::current().componentsFromDateToDate(
        kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay, from, to);
    return TLFormatter::dateInWordsFromComponents(difference);
}

std::string TLScheduler::getSearchString() const {
    std::string code = currency() != nullptr ? currency()->code().value_or("") : "";
    return TLTransaction::searchStringFrom(payee(), getSplitsArray(), nextDate(), totalamount().value_or(Decimal::zero()), code);
}

bool TLScheduler::isPayeePriority() const { return TLTransactionSettings::usePayee() && payee() != nullptr; }

// Like a transaction's, but several splits show "Miscellaneous".
TLPicture TLScheduler::getImageSmall(bool small) const {
    return TLTransaction::pictureFrom(pictureParts(), TLPicture::named(small ? "Miscellaneous.png" : "Miscellaneous@2x.png"),
                                      small);
}

TLPicture TLScheduler::getSplitImageSmall(bool small) const {
    return TLTransaction::splitsPictureFrom(pictureParts(),
                                            TLPicture::named(small ? "Miscellaneous.png" : "Miscellaneous@2x.png"), small);
}

TLTransaction::PictureParts TLScheduler::pictureParts() const {
    return {imageRecord(), isTransfer(), isPayeePriority() ? payee() : nullptr, splits().size(), getSplit()};
}

// ---- calendar ---------------------------------------------------------------------

std::optional<RecurrenceRule> TLScheduler::getRecurrenceRule() const {
    bool numbered = isNumbered().value_or(false);
    int left = numberOfPayments().value_or(0);
    if (numbered && left <= 0) return std::nullopt;
    const Frequency& step = frequencyOf(frequency());
    if (!step.recurrence) return std::nullopt;
    RecurrenceRule rule;
    rule.frequency = *step.recurrence;
    rule.interval = step.interval;
    if (numbered) rule.occurrenceCount = left;
    return rule;
}

double TLScheduler::getAlarmOffsetTimeInterval() const { return reminderOf(reminderType()).offset; }

}  // namespace tallo
