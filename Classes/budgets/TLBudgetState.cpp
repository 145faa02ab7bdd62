#include "Classes/budgets/TLBudgetState.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <string>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/CVDates.h"
#include "Classes/values/TLMonthID.h"
#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

namespace {

constexpr const char* kMergedBudgetName = "budget";
uint32_t gActiveMonthID = 0;

// The cached section-total records and the store they were read from. The
// cache listens to that store's context: when budget records change there
// (an insertion rolled back, a deletion saved), a cached record may be one
// the context has freed, so before it is handed out again it is looked for
// among the live records, and forgotten when it is not one of them.
struct SectionRecords {
    TLBudgetRecord* expense = nullptr;
    TLBudgetRecord* income = nullptr;
    bool verifyExpense = false;
    bool verifyIncome = false;
    std::weak_ptr<void> store;
    ManagedObjectContext* context = nullptr;
    int listener = 0;
};

SectionRecords gSections;

void forgetRecords() {
    gSections.expense = nullptr;
    gSections.income = nullptr;
    gSections.verifyExpense = false;
    gSections.verifyIncome = false;
}

void stopListening() {
    if (gSections.listener != 0 && !gSections.store.expired()) {
        gSections.context->removeChangeListener(gSections.listener);
    }
    gSections.listener = 0;
    gSections.context = nullptr;
    gSections.store.reset();
}

// Drops the cache when the store it was read from is gone, and listens to
// the current store.
void checkStore() {
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    std::shared_ptr<void> current = context != nullptr ? context->lifetimeToken() : nullptr;
    if (current != nullptr && !gSections.store.expired() && gSections.store.lock() == current) return;
    forgetRecords();
    stopListening();
    if (context == nullptr) return;
    gSections.store = current;
    gSections.context = context;
    gSections.listener = context->addChangeListener([](const std::set<const EntityDescription*>& changed) {
        for (const EntityDescription* entity : changed) {
            if (entity->name() != TLBudgetRecord::kEntityName) continue;
            gSections.verifyExpense = true;
            gSections.verifyIncome = true;
        }
    });
}

// The cached record when it is still one of the records `predicate` matches
// (the comparison is by address only: a freed record is never touched), else
// the last of them; nothing when there is none.
TLBudgetRecord* sectionRecord(TLBudgetRecord*& cached, bool& verify, const std::shared_ptr<const Predicate>& predicate) {
    if (cached != nullptr && !verify) return cached;
    if (!predicate) return nullptr;
    std::vector<ManagedObject*> found = TLDatabase::sharedDatabase().fetchEntityCustom("BudgetRecord", predicate);
    verify = false;
    if (cached != nullptr && std::find(found.begin(), found.end(), cached) != found.end()) return cached;
    cached = found.empty() ? nullptr : static_cast<TLBudgetRecord*>(found.back());
    return cached;
}

// The decimal of a single-precision number, written with the fewest digits
// that read back as that number: 101.91777, not 101.917770385742…
std::optional<Decimal> decimalFromFloat(float value) {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error != std::errc()) return std::nullopt;
    return Decimal::fromString(std::string_view(text, static_cast<size_t>(end - text)));
}

// A yearly or fixed-period budget's limits become monthly: each times the
// share of the current month in the budget's period, as a single-precision
// product.
void scaleLimitsToMonth(TLBudget* budget, const TLTimeInterval& thisMonth) {
    float share = budget->getLimitRateForFilterInterval(thisMonth);
    for (TLBudgetRecord* record : budget->records()) {
        float scaled = record->limit().value_or(Decimal::zero()).floatValue() * share;
        if (std::optional<Decimal> limit = decimalFromFloat(scaled)) record->setLimit(*limit);
    }
}

// Moves `budget`'s records to `target`; where the target already limits the
// same category and type, it keeps the larger of the two limits.
void foldRecords(TLBudget* budget, TLBudget* target) {
    for (TLBudgetRecord* record : budget->records().toVector()) {
        TLBudgetRecord* same = TLBudgetState::category(record->category(), target->records().toVector(),
                                                       record->type().value_or(TLBudgetRecordType::Expense));
        if (same == nullptr) {
            target->addRecordsObject(record);
            continue;
        }
        Decimal kept = same->limit().value_or(Decimal::zero());
        Decimal offered = record->limit().value_or(Decimal::zero());
        if (kept < offered) same->setLimit(offered);
    }
}

}  // namespace

uint32_t TLBudgetState::activeMonthID() { return gActiveMonthID; }

void TLBudgetState::setActiveMonthID(uint32_t monthID) { gActiveMonthID = monthID; }

uint32_t TLBudgetState::currentMonthID() { return TLMonthID::current(); }

TLBudgetRecord* TLBudgetState::expenseRecord() {
    checkStore();
    static const auto expenses = Predicate::parse("category == nil && type == %d", {TLBudgetRecordType::Expense});
    return sectionRecord(gSections.expense, gSections.verifyExpense, expenses);
}

TLBudgetRecord* TLBudgetState::incomeRecord() {
    checkStore();
    static const auto income = Predicate::parse("category == nil && type == %d", {TLBudgetRecordType::Income});
    return sectionRecord(gSections.income, gSections.verifyIncome, income);
}

void TLBudgetState::setExpenseRecord(TLBudgetRecord* record) {
    checkStore();
    gSections.expense = record;
    gSections.verifyExpense = false;
}

void TLBudgetState::setIncomeRecord(TLBudgetRecord* record) {
    checkStore();
    gSections.income = record;
    gSections.verifyIncome = false;
}

TLBudgetRecord* TLBudgetState::category(const TLCategory* target, const std::vector<TLBudgetRecord*>& alreadyInSet,
                                        int withType) {
    for (TLBudgetRecord* record : alreadyInSet) {
        if (record->category() == target && record->type().value_or(TLBudgetRecordType::Expense) == withType) {
            return record;
        }
    }
    return nullptr;
}

void TLBudgetState::mergeBudgets() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    std::vector<ManagedObject*> budgets = db.getAllObjectsWithEntityName(TLBudget::kEntityName);
    if (budgets.empty()) {
        auto* fresh = static_cast<TLBudget*>(db.createObjectForEntity(TLBudget::kEntityName));
        if (fresh != nullptr) fresh->setType(TLBudgetType::Monthly);
        return;
    }
    auto* only = static_cast<TLBudget*>(budgets.front());
    if (budgets.size() == 1 && only->uuid() == kMergedBudgetName) return;

    TLBudget* target = budgets.size() == 1 && only->type().value_or(TLBudgetType::Monthly) == TLBudgetType::Monthly
                           ? only
                           : static_cast<TLBudget*>(db.createObjectForEntity(TLBudget::kEntityName));
    if (target == nullptr) return;
    target->setType(TLBudgetType::Monthly);
    target->setUuid(kMergedBudgetName);
    target->setName(kMergedBudgetName);

    TLTimeInterval thisMonth;
    thisMonth.setStartDate(CVDates::firstDayOfMonthDate(Clock::now()));
    thisMonth.setType(TLIntervalType::CalendarMonth);
    for (ManagedObject* object : budgets) {
        auto* budget = static_cast<TLBudget*>(object);
        if (budget == target) continue;
        if (budget->type().value_or(TLBudgetType::Monthly) != TLBudgetType::Monthly) scaleLimitsToMonth(budget, thisMonth);
        foldRecords(budget, target);
    }

    // Each record's limit holds from the current month on. A record that
    // already carries month limits (entered on the device before another
    // budget arrived with a sync) keeps them: its stored limit is the older
    // form, and a month limit made from it would override what the person
    // entered.
    setActiveMonthID(currentMonthID());
    for (TLBudgetRecord* record : target->records().toVector()) {
        if (!record->customLimits().empty()) continue;
        if (TLBudgetRecordCustom* custom = record->createLimitForActiveMonth()) custom->setLimit(record->limit());
    }

    for (ManagedObject* budget : budgets) {
        if (budget != target) db.deleteObject(budget);
    }
}

void TLBudgetState::reset() {
    gActiveMonthID = 0;
    forgetRecords();
    stopListening();
}

}  // namespace tallo
