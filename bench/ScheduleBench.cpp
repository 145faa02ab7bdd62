// Schedules on generated books of 10k, 100k and 1M transactions:
//   UpdateSchedulers  the launch and foreground pass over 1,000 schedules
//                     none of which is due for autopay: what every return
//                     to the program costs
//   CatchUp           the same pass when 500 of the 1,000 are autopay
//                     schedules a few weeks overdue: every missed payment
//                     is booked (about 2,000 transactions) and saved

#include <benchmark/benchmark.h>

#include <iterator>
#include <random>

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Clock.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

// 1,000 schedules in the book's supported accounts; `overdueAutopay` of them
// pay themselves and are one to six weeks overdue, the rest fall due later.
void addSchedules(int overdueAutopay) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    std::vector<TLAccount*> accounts;
    for (TLAccount* a : TLAccount::getAccounts()) {
        if (!a->isNotSupported()) accounts.push_back(a);
    }
    std::vector<ManagedObject*> categories = db.fetchEntityCustom("Category");
    std::mt19937 random(42);
    double now = Clock::now().timeIntervalSince1970();
    // Every frequency that moves the due date on.
    const int frequencies[] = {TLSchedulerFrequency::EveryDay,       TLSchedulerFrequency::EveryWeek,
                               TLSchedulerFrequency::EveryTwoWeeks,  TLSchedulerFrequency::EveryFourWeeks,
                               TLSchedulerFrequency::Monthly,        TLSchedulerFrequency::EveryTwoMonths,
                               TLSchedulerFrequency::Quarterly,      TLSchedulerFrequency::EverySixMonths,
                               TLSchedulerFrequency::Annually};
    for (int i = 0; i < 1000; ++i) {
        auto* s = static_cast<TLScheduler*>(db.createObjectForEntity("ScheduledBill"));
        TLAccount* account = accounts[random() % accounts.size()];
        s->setInAccount(account);
        s->setCurrency(account->currency());
        s->setType(TLTransactionType::Expense);
        s->setFrequency(frequencies[random() % std::size(frequencies)]);
        bool overdue = i < overdueAutopay;
        s->setAutopay(overdue);
        double days = overdue ? -7.0 * (1 + random() % 6) : 1.0 + static_cast<double>(random() % 300);
        s->setNextDate(Date(now + days * 86400));
        auto* split = static_cast<TLSplit*>(db.createObjectForEntity("Split"));
        split->setBill(s);
        split->setCategory(static_cast<TLCategory*>(categories[random() % categories.size()]));
        split->changeAmountTo(Decimal(static_cast<long long>(500 + random() % 100000)).multiplyByPowerOf10(-2));
    }
    db.save();
}

void UpdateSchedulers(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    addSchedules(0);
    for (auto _ : state) benchmark::DoNotOptimize(TLScheduler::updateSchedulers());
}

void CatchUp(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    size_t before = TLDatabase::sharedDatabase().fetchEntityCustom("Transaction").size();
    for (auto _ : state) {
        state.PauseTiming();
        addSchedules(500);
        state.ResumeTiming();
        benchmark::DoNotOptimize(TLScheduler::updateSchedulers());
    }
    size_t paid = TLDatabase::sharedDatabase().fetchEntityCustom("Transaction").size() - before;
    state.counters["PaymentsPerPass"] = static_cast<double>(paid) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(UpdateSchedulers)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(CatchUp)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
