// The object store under the operations a person waits for, on generated
// books of 10k, 100k and 1M transactions, each beside the bare SQLite work on
// the same file in the same run, so every figure is also a ratio to the
// floor:
//   Open          build the context from the file   | read every row with the C API
//   RegisterPage  "account == %@", newest 25        | the indexed SQL query
//   Search        one account's searchString        | LIKE
//                 contains[cd] a word, 25 hits      |
//   CategoryMonth splits of one category in a month, | a month's transactions joined
//                 as the budget screen gathers them | with their splits
//   SaveOneChange one changed transaction           | one UPDATE in a transaction
//   SaveFresh     a whole new 100k book             | (none)
//   TouchAll      every transaction and split read, then the run loop's next
//                 turn (when the context trims its clean rows): /1 with the
//                 context's limit of clean rows, /0 without (HeapMiB: what
//                 stays; RowsHeld: the rows that keep their values)
// Memory is reported as HeapMiB: the heap in use by what the benchmark built
// (for Open: the whole context), measured with mallinfo2 before and after,
// so memory the generator freed earlier does not count.
//
// Books are generated through the store (the entity classes and a save),
// never with SQL, into a temporary folder, once per run and size.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <string>

#include "Classes/budgets/TLBudgetActivity.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/RunLoop.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

constexpr double kStart = 1230768000;  // 1 January 2009
const char* kWords[] = {"coffee", "groceries", "rent", "fuel", "lunch", "books", "cinema", "pharmacy",
                        "hardware", "insurance", "gift", "taxi", "bakery", "market", "repair", "phone"};

using bench::benchRoot;
using bench::heapInUseMiB;

// Makes the current application home the one of a book of `n` transactions,
// generating the book the first time.
void useBook(size_t n, bool fresh = false) {
    static std::map<size_t, bool> made;
    std::string home = benchRoot() + "/book-" + std::to_string(n) + (fresh ? "-fresh" : "");
    ApplicationHome::setCurrent(ApplicationHome(home));
    TLDatabase::resetSharedDatabase();
    if (made[n] && !fresh) return;
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home + "/Documents");
    TLDatabase& db = TLDatabase::sharedDatabase();
    std::mt19937 random(static_cast<unsigned>(n));
    std::vector<TLCurrency*> currencies;
    for (const char* code : {"USD", "EUR", "GBP"}) {
        auto* c = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
        c->setCode(code);
        c->setDefault(currencies.empty());
        currencies.push_back(c);
    }
    const int kinds[] = {TLAccountType::Bank, TLAccountType::Cash,       TLAccountType::CreditCard,
                         TLAccountType::Investment, TLAccountType::Loan, TLAccountType::Asset};
    std::vector<TLAccount*> accounts;
    for (int i = 0; i < 20; ++i) {
        auto* a = static_cast<TLAccount*>(db.createObjectForEntity("Account"));
        a->setName("Account " + std::to_string(i));
        a->setType(kinds[i % std::size(kinds)]);
        a->setOrder(i);
        a->setCurrency(currencies[static_cast<size_t>(i) % 3]);
        accounts.push_back(a);
    }
    std::vector<TLCategory*> categories;
    for (int m = 0; m < 15; ++m) {
        auto* master = static_cast<TLCategory*>(db.createObjectForEntity("Category"));
        master->setName("Master " + std::to_string(m));
        categories.push_back(master);
        for (int s = 0; s < 9; ++s) {
            auto* sub = static_cast<TLCategory*>(db.createObjectForEntity("Category"));
            sub->setName("Sub " + std::to_string(m) + "." + std::to_string(s));
            sub->setMastercat(master);
            categories.push_back(sub);
        }
    }
    std::vector<TLPayee*> payees;
    for (int p = 0; p < 500; ++p) {
        auto* payee = static_cast<TLPayee*>(db.createObjectForEntity("Payee"));
        payee->setRepresentationString("Payee " + std::to_string(p));
        payees.push_back(payee);
    }
    for (size_t i = 0; i < n; ++i) {
        auto* t = static_cast<TLTransaction*>(db.createObjectForEntity("Transaction"));
        TLAccount* account = accounts[random() % accounts.size()];
        t->setAccount(account);
        t->setCurrency(account->currency());
        t->setTransactionDate(Date(kStart + static_cast<double>(random() % (3 * 365 * 86400))));
        TLPayee* payee = payees[random() % payees.size()];
        t->setPayee(payee);
        std::string word = kWords[random() % std::size(kWords)];
        t->setComments(word);
        t->setSearchString(*payee->representationString() + " " + word);
        long long cents = 0;
        int splits = 1 + static_cast<int>(random() % 3);
        for (int s = 0; s < splits; ++s) {
            auto* split = static_cast<TLSplit*>(db.createObjectForEntity("Split"));
            long long amount = 100 + static_cast<long long>(random() % 50000);
            cents += amount;
            split->setAmount(Decimal(static_cast<unsigned __int128>(amount), -2, false));
            split->setCategory(categories[random() % categories.size()]);
            split->setTransaction(t);
        }
        t->setType(TLTransactionType::Expense);
        t->setTotalamount(Decimal(static_cast<unsigned __int128>(cents), -2, true));
    }
    if (!fresh) {
        db.save();
        made[n] = true;
    }
}

TLAccount* firstAccount() { return TLAccount::getAccounts().front(); }

// ---------------------------------------------------------------- open

void Open(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    useBook(n);
    double heap = 0;
    for (auto _ : state) {
        state.PauseTiming();  // freeing the previous context is not part of opening
        TLDatabase::sharedDatabase().reloadData();
        double before = heapInUseMiB();
        state.ResumeTiming();
        benchmark::DoNotOptimize(TLDatabase::sharedDatabase().context());
        state.PauseTiming();
        heap = heapInUseMiB() - before;
        state.ResumeTiming();
    }
    state.counters["HeapMiB"] = heap;
}

void OpenBare(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    useBook(n);
    std::string file = TLDatabase::sharedDatabase().urlToSqliteFile();
    TLDatabase::resetSharedDatabase();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* tables = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &tables, nullptr);
        size_t cells = 0;
        while (sqlite3_step(tables) == SQLITE_ROW) {
            std::string query = std::string("SELECT * FROM ") + reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
            sqlite3_stmt* rows = nullptr;
            sqlite3_prepare_v2(db, query.c_str(), -1, &rows, nullptr);
            while (sqlite3_step(rows) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(rows); ++c) {
                    if (sqlite3_column_type(rows, c) == SQLITE_TEXT) benchmark::DoNotOptimize(sqlite3_column_text(rows, c));
                    ++cells;
                }
            }
            sqlite3_finalize(rows);
        }
        sqlite3_finalize(tables);
        sqlite3_close(db);
        benchmark::DoNotOptimize(cells);
    }
}

// ---------------------------------------------------------------- register page

void RegisterPage(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    TLAccount* account = firstAccount();
    for (auto _ : state) {
        auto predicate = Predicate::parse("account == %@", {Value(static_cast<ManagedObject*>(account))});
        auto page = TLDatabase::sharedDatabase().fetchEntityCustom("Transaction", predicate, {{"transactionDate", false}}, 25);
        benchmark::DoNotOptimize(page);
    }
}

sqlite3* openBare() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TLDatabase::sharedDatabase().urlToSqliteFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    return db;
}

// Runs `sql` with its parameters bound by `bind`, stepping through every row.
template <typename Bind>
void runBareQuery(benchmark::State& state, const char* sql, const Bind& bind) {
    sqlite3* db = openBare();
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &query, nullptr);
    for (auto _ : state) {
        bind(query);
        int rows = 0;
        while (sqlite3_step(query) == SQLITE_ROW) ++rows;
        sqlite3_reset(query);
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
}

// Runs `sql` with the first account's key bound.
void runBareAccountQuery(benchmark::State& state, const char* sql) {
    useBook(static_cast<size_t>(state.range(0)));
    int64_t account = firstAccount()->primaryKey();
    runBareQuery(state, sql, [account](sqlite3_stmt* query) { sqlite3_bind_int64(query, 1, account); });
}

void RegisterPageBare(benchmark::State& state) {
    runBareAccountQuery(state, "SELECT * FROM ZTRANSACTION WHERE ZACCOUNT = ? ORDER BY ZTRANSACTIONDATE DESC LIMIT 25");
}

// ---------------------------------------------------------------- search

void Search(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    TLAccount* account = firstAccount();
    for (auto _ : state) {
        auto predicate = Predicate::parse("account == %@ AND searchString contains[cd] %@",
                                          {Value(static_cast<ManagedObject*>(account)), Value("COFFEE")});
        auto hits = TLDatabase::sharedDatabase().fetchEntityCustom("Transaction", predicate, {{"transactionDate", false}}, 25);
        benchmark::DoNotOptimize(hits);
    }
}

void SearchBare(benchmark::State& state) {
    runBareAccountQuery(state,
                        "SELECT * FROM ZTRANSACTION WHERE ZACCOUNT = ? AND ZSEARCHSTRING LIKE '%coffee%' "
                        "ORDER BY ZTRANSACTIONDATE DESC LIMIT 25");
}

// ---------------------------------------------------------------- category month

// One category's splits in a month as the budget screen gathers them: the
// month's transactions through the index of dates, their splits in a few
// reads, by category. Two months in turn, so every round gathers anew, from
// rows read before (each month is read once before the clock runs).
void CategoryMonth(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    const TLCategory* category = TLCategory::getCategoryWithName("Sub 3.4");
    TLTimeInterval months[2];
    months[0].setMonthIntervalFromYear(2010, 2);
    months[1].setMonthIntervalFromYear(2010, 3);
    size_t round = 0;
    size_t splits = 0;
    // Both months once before the clock runs: what a person switching back
    // and forth waits for.
    for (const TLTimeInterval& month : months) splits = TLBudgetActivity::of(month).splitsOf(category).size();
    for (auto _ : state) {
        splits = TLBudgetActivity::of(months[++round % 2]).splitsOf(category).size();
        benchmark::DoNotOptimize(splits);
    }
    state.counters["Splits"] = static_cast<double>(splits);
}

// The month's transactions with their splits, by the index of dates (CROSS
// JOIN keeps the transactions outermost, as the planner without statistics
// would otherwise scan every split).
void CategoryMonthBare(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    TLTimeInterval month;
    month.setMonthIntervalFromYear(2010, 2);
    runBareQuery(state,
                 "SELECT * FROM ZTRANSACTION t CROSS JOIN ZSPLIT s ON s.ZTRANSACTION = t.Z_PK "
                 "WHERE t.ZTRANSACTIONDATE >= ? AND t.ZTRANSACTIONDATE <= ?",
                 [&month](sqlite3_stmt* query) {
                     sqlite3_bind_double(query, 1, month.startDate().timeIntervalSince1970());
                     sqlite3_bind_double(query, 2, month.endDate()->timeIntervalSince1970());
                 });
}

// ---------------------------------------------------------------- saves

void SaveOneChange(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    TLAccount* account = firstAccount();
    auto* transaction = static_cast<TLTransaction*>(*account->transactions().begin());
    int round = 0;
    for (auto _ : state) {
        transaction->setComments("edited " + std::to_string(++round));
        TLDatabase::sharedDatabase().save();
    }
}

void SaveOneChangeBare(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    int64_t key = (*firstAccount()->transactions().begin())->primaryKey();
    std::string file = TLDatabase::sharedDatabase().urlToSqliteFile();
    TLDatabase::resetSharedDatabase();
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db, "UPDATE ZTRANSACTION SET ZCOMMENTS = ? WHERE Z_PK = ?", -1, &update, nullptr);
    int round = 0;
    for (auto _ : state) {
        std::string text = "edited " + std::to_string(++round);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_text(update, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(update, 2, key);
        sqlite3_step(update);
        sqlite3_reset(update);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
}

void SaveFresh(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        useBook(n, true);
        state.ResumeTiming();
        TLDatabase::sharedDatabase().save();
    }
}

// ---------------------------------------------------------------- memory

void TouchAll(benchmark::State& state) {
    useBook(static_cast<size_t>(state.range(0)));
    bool bounded = state.range(1) != 0;
    double heap = 0, held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TLDatabase& db = TLDatabase::sharedDatabase();
        db.reloadData();
        ManagedObjectContext* context = db.context();
        if (!bounded) context->setCleanRowLimit(std::numeric_limits<size_t>::max());
        double before = heapInUseMiB();
        state.ResumeTiming();
        Decimal sum;
        for (ManagedObject* split : db.fetchEntityCustom("Split", nullptr, {}, 0)) {
            sum = sum + static_cast<TLSplit*>(split)->amount().value_or(Decimal());
        }
        for (ManagedObject* transaction : db.fetchEntityCustom("Transaction", nullptr, {}, 0)) {
            sum = sum + static_cast<TLTransaction*>(transaction)->totalamount().value_or(Decimal());
        }
        benchmark::DoNotOptimize(sum);
        RunLoop::main().runPending();
        state.PauseTiming();
        heap = heapInUseMiB() - before;
        held = static_cast<double>(context->cleanRowsHeld());
        state.ResumeTiming();
    }
    state.counters["HeapMiB"] = heap;
    state.counters["RowsHeld"] = held;
}

}  // namespace

#define SIZES ->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
BENCHMARK(Open) SIZES->Iterations(3);
BENCHMARK(OpenBare) SIZES->Iterations(3);
BENCHMARK(RegisterPage) SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(RegisterPageBare) SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(Search) SIZES;
BENCHMARK(SearchBare) SIZES;
BENCHMARK(CategoryMonth) SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(CategoryMonthBare) SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveOneChange) SIZES;
BENCHMARK(SaveOneChangeBare) SIZES;
BENCHMARK(SaveFresh)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TouchAll)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);
