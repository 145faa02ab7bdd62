// The budget screen's work on generated books of 10k, 100k and 1M
// transactions: one month's expense and income sections built from the store
// (fillFieldsArray on both), as the screen does each time it is shown. The
// merged budget holds limits for twenty categories and both section totals.
// Target on the 100k book: both sections in under 20 ms.
//   MonthSections             shown again with the store unchanged
//   MonthSectionsAfterChange  shown after an edit (one transaction's note
//                             changed), so the month is gathered afresh

#include <benchmark/benchmark.h>

#include <memory>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/budgets/TLBudgetSection.h"
#include "Classes/budgets/TLBudgetState.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/TLMonthID.h"
#include "Classes/values/TLTimeInterval.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

TLBudget* budgetWithLimits() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    TLBudgetState::reset();
    TLBudgetState::mergeBudgets();
    std::vector<ManagedObject*> budgets = db.fetchEntityCustom("Budget");
    auto* budget = static_cast<TLBudget*>(budgets.back());
    TLBudgetState::setActiveMonthID(TLMonthID::current());
    if (budget->records().empty()) {
        std::vector<ManagedObject*> categories = db.fetchEntityCustom("Category", nullptr, {{"name", true}});
        for (size_t i = 0; i < categories.size() && i < 20; ++i) {
            auto* record = static_cast<TLBudgetRecord*>(db.createObjectForEntity("BudgetRecord"));
            record->setBudget(budget);
            record->setCategory(static_cast<TLCategory*>(categories[i * 3 % categories.size()]));
            record->setType(TLBudgetRecordType::Expense);
            record->createLimitForActiveMonth()->setLimit(Decimal(static_cast<long long>(100 + 25 * i)));
        }
        for (int type : {TLBudgetRecordType::Expense, TLBudgetRecordType::Income}) {
            auto* total = static_cast<TLBudgetRecord*>(db.createObjectForEntity("BudgetRecord"));
            total->setBudget(budget);
            total->setType(type);
            total->createLimitForActiveMonth()->setLimit(Decimal(type == TLBudgetRecordType::Expense ? 4000LL : 5000LL));
        }
        db.save();
    }
    return budget;
}

void evaluate(benchmark::State& state, bool changeFirst) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    TLBudget* budget = budgetWithLimits();
    auto month = std::make_shared<TLTimeInterval>();
    uint32_t current = TLMonthID::current();
    month->setMonthIntervalFromYear(TLMonthID::year(current), TLMonthID::month(current));
    size_t rows = 0;
    auto* edited = static_cast<TLTransaction*>(TLDatabase::sharedDatabase().fetchEntityCustom("Transaction", nullptr, {}, 1).front());
    int round = 0;
    for (auto _ : state) {
        if (changeFirst) edited->setComments("edited " + std::to_string(++round));
        for (int type : {TLBudgetRecordType::Expense, TLBudgetRecordType::Income}) {
            TLBudgetSection section;
            section.setBudget(budget);
            section.setRecordsType(type);
            section.setTimeInterval(month);
            section.setShouldIncludeUnbudgetedSubcats(true);
            section.fillFieldsArray();
            rows += section.fieldsArray().size();
            benchmark::DoNotOptimize(section.totalAmount());
        }
    }
    state.counters["Rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
    TLDatabase::sharedDatabase().rollback();
}

void MonthSections(benchmark::State& state) { evaluate(state, false); }
void MonthSectionsAfterChange(benchmark::State& state) { evaluate(state, true); }

}  // namespace

BENCHMARK(MonthSections)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(MonthSectionsAfterChange)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
