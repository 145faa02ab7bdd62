// The ledger under what a person waits for, on books made by the test-data
// generator (10k, 100k and 1M transactions, every account kind, four
// currencies, transfers and split transactions):
//   NetWorth            the accounts screen's total over every account
//   CategoryList        getTotalAmount of every category as the category
//                       list shows them (each master, then its subcategories)
//   ChangeSplitAndSave  one split's amount changed (total, balance follow)
//                       and the store saved
// Memory is reported as HeapMiB: the heap held by the open book (the whole
// context), measured with mallinfo2 around opening it.

#include <benchmark/benchmark.h>

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

// Opens the generated book of the benchmark's size; answers the heap it took.
double openBook(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    double before = bench::heapInUseMiB();
    TLDatabase::sharedDatabase().context();
    return bench::heapInUseMiB() - before;
}

void NetWorth(benchmark::State& state) {
    state.counters["HeapMiB"] = openBook(state);
    for (auto _ : state) {
        Decimal worth = TLAccount::getNetWorth(TLAccount::getAccounts());
        benchmark::DoNotOptimize(worth);
    }
}

void CategoryList(benchmark::State& state) {
    state.counters["HeapMiB"] = openBook(state);
    auto masters = Predicate::parse("mastercat == nil");
    for (auto _ : state) {
        for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Category", masters, {{"name", true}})) {
            auto* master = static_cast<TLCategory*>(object);
            benchmark::DoNotOptimize(master->getTotalAmount());
            for (TLCategory* sub : master->getOrderedSubcats()) benchmark::DoNotOptimize(sub->getTotalAmount());
        }
    }
}

void ChangeSplitAndSave(benchmark::State& state) {
    state.counters["HeapMiB"] = openBook(state);
    TLAccount* checking = TLAccount::getAccounts().front();
    TLTransaction* transaction = nullptr;
    for (TLTransaction* t : checking->transactions()) {
        if (!t->isTransfer() && t->getSplit() != nullptr) {
            transaction = t;
            break;
        }
    }
    TLSplit* split = transaction->getSplit();
    long long cents = 1000;
    for (auto _ : state) {
        split->changeAmountTo(Decimal(++cents).multiplyByPowerOf10(-2));
        TLDatabase::sharedDatabase().save();
    }
}

}  // namespace

#define SIZES ->Arg(10000)->Arg(100000)->Arg(1000000)
BENCHMARK(NetWorth) SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(CategoryList) SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(ChangeSplitAndSave) SIZES->Unit(benchmark::kMillisecond);
