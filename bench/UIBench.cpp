// The interface's turn around: from an event arriving to the new scene
// leaving as JSON (what the server sends), and the scene's size.
//   SettingsToggle   the transaction settings' Payee switch turned
//   ListTap          a tap on a list of N rows (25 and 1,000) that opens
//                    and closes nothing: the whole screen is rendered again
//   AmountKey        one key of the amount keypad (a digit, then backspace)
//   CurrenciesTap    a tap on the currency manager listing all 155 currencies
//                    of the currency list, with their rates
//   LockKeypress     a digit typed, then taken back, on the lock screen laid
//                    over a list of 1,000 rows (the list is not drawn)
//   HomeShown        the Home tab coming into view again on a generated book
//                    of N transactions: the accounts fetched, their orders
//                    checked, the net worth added up, the list drawn
//   RegisterOpen     a tap on the busiest account (Checking) on Home: its
//                    register pushed with the first 25 transactions in day
//                    sections
//   RegisterShowMore "Show 25 more..." tapped on that register: 50 rows
//   EditorOpen       a tap on the register's newest transaction: the
//                    transaction editor pushed with its rows
//   CategoriesTab    the Categories tab on a generated book of N
//                    transactions (10k, 100k): /Shown when it comes into
//                    view again (totals kept: nothing changed), /Changed
//                    when it comes into view after a split changed (every
//                    master's total taken again), /Turn for an event while
//                    it is in view
//   BudgetMonth      the Budget tab on a generated book of N transactions
//                    with a limit on every master category and on all
//                    expenses: /Shown when it comes into view again (both
//                    sections rebuilt for the month), /Switch for a step of
//                    the month bar (back and forth between two months)
//   SchedulerList    the Scheduler tab on a generated book of 100k
//                    transactions with 500 schedules (a fifth overdue, the
//                    rest due over the coming year): /Shown when it comes
//                    into view (the schedules brought up to date, the
//                    sections made), /Turn for an event while it is in view
//   ReportOpen       a tap on a row of Reports on a generated book of N
//                    transactions (10k, 100k): /0 spending by category this
//                    month, /1 income against expenses for 12 months, /2 the
//                    net worth at 24 month ends — the report's scene with
//                    the chart's figures; the Reports list has just asked
//                    the same questions (its headlines), or, with a third
//                    argument 1, a transaction was changed since, so the
//                    figures are computed anew from the store
// Target: under 2 ms and under 64 KiB for a screen of 25 rows; under 1 ms
// for a keypad key and for the currencies list; the Categories tab, the
// Budget month and the Scheduler tab under 5 ms for an event in view,
// whatever the book; each report under 50 ms from the tap to the scene on
// 100k transactions.

#include <benchmark/benchmark.h>

#include <chrono>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/screens/accounts/AccountsViewC.h"
#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/budgets/BudgetInfoViewC.h"
#include "Classes/screens/categories/CategoriesViewC.h"
#include "Classes/screens/currencies/CurrenciesEditViewC.h"
#include "Classes/screens/currencies/CurrencyInsertViewC.h"
#include "Classes/screens/passcode/PasscodeEditViewC.h"
#include "Classes/screens/schedulers/SchedulersViewC.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/foundation/Clock.h"
#include "Classes/screens/reports/ReportsViewC.h"
#include "Classes/screens/settings/TransactionSettingsViewC.h"
#include "Classes/screens/transactions/TransactionsViewC.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/ui/Application.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

// A list like the payee chooser: a picture, a name and a detail per row.
class Rows : public TLViewC {
public:
    explicit Rows(int count) : count_(count) { setTitle("Payees"); }
    int tableViewNumberOfRowsInSection(TableView&, int) override { return count_; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath path) override {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Subtitle);
        cell->textLabel().text = "Payee number " + std::to_string(path.row);
        cell->detailTextLabel().text = "Groceries";
        cell->imageName = "payee.png";
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        return cell;
    }

private:
    int count_;
};

// Handles `message` and renders the scene the server would send.
size_t turn(const std::string& message) {
    Application& app = Application::sharedApplication();
    app.handleMessage(message);
    std::string json = "{\"type\":\"scene\",\"scene\":" + app.render().toJSON() + "}";
    benchmark::DoNotOptimize(json.data());
    return json.size();
}

void SettingsToggle(benchmark::State& state) {
    ApplicationHome::setCurrent(ApplicationHome(bench::benchRoot() + "/ui-home"));
    UserDefaults::resetStandardUserDefaults(bench::benchRoot() + "/ui-home/Tallo.plist");
    Application::resetSharedApplication();
    auto screen = std::make_shared<TransactionSettingsViewC>();
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(screen));
    Application::sharedApplication().render();
    bool on = false;
    size_t bytes = 0;
    for (auto _ : state) {
        on = !on;
        bytes = turn(std::string(R"({"kind":"toggle","target":"switch:0:1","on":)") + (on ? "true}" : "false}"));
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void ListTap(benchmark::State& state) {
    Application::resetSharedApplication();
    auto screen = std::make_shared<Rows>(static_cast<int>(state.range(0)));
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(screen));
    Application::sharedApplication().render();
    size_t bytes = 0;
    for (auto _ : state) bytes = turn(R"({"kind":"tap","target":"row:0:7"})");
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void AmountKey(benchmark::State& state) {
    Application::resetSharedApplication();
    auto screen = std::make_shared<AmountViewC>();
    screen->setAmount(Decimal(1234));
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(screen));
    Application::sharedApplication().render();
    size_t bytes = 0;
    bool digit = false;
    for (auto _ : state) {
        digit = !digit;
        bytes = turn(digit ? R"({"kind":"tap","target":"key:5"})" : R"({"kind":"tap","target":"key:15"})");
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

// A book holding every currency of the currency list, dollars the default.
void makeAllCurrencies() {
    ApplicationHome::setCurrent(ApplicationHome(bench::benchRoot() + "/currencies-home"));
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (!db.getAllObjectsWithEntityName("Currency").empty()) return;
    int order = 0;
    for (const std::string& title : CurrencyInsertViewC::readCurrencyTitles()) {
        auto* currency = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
        currency->setCode(CurrencyInsertViewC::codeFromTitle(title));
        currency->setTitle(title);
        currency->setOrder(order);
        currency->setDefault(order == 0);
        ++order;
    }
    db.save();
}

void CurrenciesTap(benchmark::State& state) {
    makeAllCurrencies();
    Application::resetSharedApplication();
    auto screen = std::make_shared<CurrenciesEditViewC>();
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(screen));
    Application::sharedApplication().render();  // the missing rate records are made here, once
    size_t bytes = 0;
    for (auto _ : state) bytes = turn(R"({"kind":"tap","target":"row:0:0"})");
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    state.counters["Rows"] = static_cast<double>(screen->currenciesArray().size());
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
    TLDatabase::sharedDatabase().rollback();
}

void LockKeypress(benchmark::State& state) {
    ApplicationHome::setCurrent(ApplicationHome(bench::benchRoot() + "/ui-home"));
    UserDefaults::resetStandardUserDefaults(bench::benchRoot() + "/ui-home/Tallo.plist");
    Application::resetSharedApplication();
    Application& app = Application::sharedApplication();
    app.setRootViewController(std::make_shared<NavigationController>(std::make_shared<Rows>(1000)));
    PasscodeEditViewC::showLockScreen();
    app.render();
    size_t bytes = 0;
    bool digit = true;
    for (auto _ : state) {
        bytes = turn(digit ? R"({"kind":"key","key":"7"})" : R"({"kind":"key","key":"Backspace"})");
        digit = !digit;
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

// `list` as the root of the screen, coming into view.
void putInView(const std::shared_ptr<CategoriesViewC>& list) {
    list->isRootView = true;
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(list));
    list->viewWillAppear(false);
}

// The Categories tab of a generated book, rendered once.
std::shared_ptr<CategoriesViewC> showCategoriesTab(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    auto list = std::make_shared<CategoriesViewC>();
    putInView(list);
    Application::sharedApplication().render();
    return list;
}

void CategoriesTabShown(benchmark::State& state) {
    auto list = showCategoriesTab(state);
    size_t bytes = 0;
    for (auto _ : state) {
        list->viewWillAppear(false);
        std::string json = "{\"type\":\"scene\",\"scene\":" + Application::sharedApplication().render().toJSON() + "}";
        benchmark::DoNotOptimize(json.data());
        bytes = json.size();
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

// The book opened afresh, as at a launch, with no screen.
void reopenBook() {
    TLDatabase::sharedDatabase().reloadData();
    TLDatabase::sharedDatabase().context();
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

// The tab's first showing after the store opened: every categorised split
// is read and rated once. With the second argument 1 the totals were read
// in the background first, as the program starts that read at launch, and
// the showing takes the read rows (BackgroundReadMs: that read).
void CategoriesTabFirstShown(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    bool prepared = state.range(1) == 1;
    size_t bytes = 0;
    double heap = 0;
    double read = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reopenBook();
        double before = bench::heapInUseMiB();
        auto list = std::make_shared<CategoriesViewC>();
        if (prepared) {
            auto started = std::chrono::steady_clock::now();
            list->prepareTotals();
            list->totals().waitUntilPrepared();
            read = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        }
        state.ResumeTiming();
        putInView(list);
        bytes = turn(R"({"kind":"shown"})");
        state.PauseTiming();
        heap = bench::heapInUseMiB() - before;  // what the showing keeps: the kept totals
        state.ResumeTiming();
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    state.counters["HeapMiB"] = heap;
    if (prepared) state.counters["BackgroundReadMs"] = read;
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void CategoriesTabChanged(benchmark::State& state) {
    auto list = showCategoriesTab(state);
    auto* split = static_cast<TLSplit*>(TLDatabase::sharedDatabase().fetchEntityCustom("Split", nullptr, {}, 1).front());
    Decimal amount = split->amount().value_or(Decimal::zero());
    Decimal other = amount + *Decimal::fromString("0.01");
    size_t bytes = 0;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        split->changeAmountTo(flip ? other : amount);  // a change: every total is taken again
        list->viewWillAppear(false);
        bytes = turn(R"({"kind":"shown"})");
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    TLDatabase::sharedDatabase().rollback();
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void CategoriesTabTurn(benchmark::State& state) {
    showCategoriesTab(state);
    size_t bytes = 0;
    int offset = 0;
    for (auto _ : state) bytes = turn(R"({"kind":"scroll","target":"table","offset":)" + std::to_string(++offset % 200) + "}");
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

// Home on the generated book of `n` transactions, in view.
std::shared_ptr<AccountsViewC> openHome(size_t n) {
    bench::useGeneratedBook(n);
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    auto home = std::make_shared<AccountsViewC>();
    home->isRootView = true;
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(home));
    Application::sharedApplication().render();
    return home;
}

void closeHome(benchmark::State& state, size_t bytes) {
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void HomeShown(benchmark::State& state) {
    std::shared_ptr<AccountsViewC> home = openHome(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        home->notifyAppearing(false);
        bytes = turn(R"({"kind":"shown"})");
    }
    state.counters["Accounts"] = static_cast<double>(home->accounts().size());
    closeHome(state, bytes);
}

void RegisterOpen(benchmark::State& state) {
    std::shared_ptr<AccountsViewC> home = openHome(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = turn(R"({"kind":"tap","target":"row:0:0"})");
        state.PauseTiming();
        home->navigationController()->popViewControllerAnimated(false);
        RunLoop::main().runFor(0);
        Application::sharedApplication().render();
        state.ResumeTiming();
    }
    closeHome(state, bytes);
}

// The register of Home's first account, pushed and rendered.
std::shared_ptr<TransactionsViewC> openRegister(AccountsViewC& home) {
    auto reg = std::make_shared<TransactionsViewC>();
    reg->setAccount(home.accounts().front());
    home.pushView(reg, 0);
    Application::sharedApplication().render();
    return reg;
}

void RegisterShowMore(benchmark::State& state) {
    std::shared_ptr<AccountsViewC> home = openHome(static_cast<size_t>(state.range(0)));
    std::shared_ptr<TransactionsViewC> reg = openRegister(*home);
    size_t bytes = 0;
    size_t rows = 0;
    for (auto _ : state) {
        IndexPath more = reg->lastCellIndexPath();
        bytes = turn(R"({"kind":"tap","target":"row:)" + std::to_string(more.section) + ":" + std::to_string(more.row) +
                     "\"}");
        state.PauseTiming();
        rows = 0;
        for (const auto& section : reg->sectionsArray) rows += section.size();
        reg->setFetchLimit(TransactionsViewC::kPageSize);
        reg->reloadData();
        Application::sharedApplication().render();
        state.ResumeTiming();
    }
    state.counters["Rows"] = static_cast<double>(rows);
    closeHome(state, bytes);
}

// Typing in the register's search field: each keystroke searches the
// account again and shows its first page of matches.
void RegisterSearch(benchmark::State& state) {
    std::shared_ptr<AccountsViewC> home = openHome(static_cast<size_t>(state.range(0)));
    std::shared_ptr<TransactionsViewC> reg = openRegister(*home);
    size_t bytes = 0;
    bool longer = false;
    for (auto _ : state) {
        longer = !longer;
        bytes = turn(longer ? R"({"kind":"text","target":"search","text":"coffee"})"
                            : R"({"kind":"text","target":"search","text":"coffe"})");
    }
    state.counters["Found"] = static_cast<double>(reg->foundObjectsArray.size());
    closeHome(state, bytes);
}

void EditorOpen(benchmark::State& state) {
    std::shared_ptr<AccountsViewC> home = openHome(static_cast<size_t>(state.range(0)));
    std::shared_ptr<TransactionsViewC> reg = openRegister(*home);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = turn(R"({"kind":"tap","target":"row:0:0"})");
        state.PauseTiming();
        reg->navigationController()->popViewControllerAnimated(false);
        RunLoop::main().runFor(0);
        Application::sharedApplication().render();
        state.ResumeTiming();
    }
    closeHome(state, bytes);
}

// The Budget tab on the generated book of `n` transactions, in view, with a
// limit of 500 a month on every master category and 5,000 on all expenses
// (not saved: the next book opens the file afresh).
std::shared_ptr<BudgetInfoViewC> openBudget(size_t n) {
    bench::useGeneratedBook(n);
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    TLGlobal& global = TLGlobal::sharedGlobal();
    global.mergeBudgets();
    TLDatabase& db = TLDatabase::sharedDatabase();
    auto* budget = static_cast<TLBudget*>(db.fetchEntityCustom("Budget").back());
    global.setActiveMonthID(global.currentMonthID());
    auto limit = [&](TLCategory* category, const char* value) {
        auto* record = static_cast<TLBudgetRecord*>(db.createObjectForEntity("BudgetRecord"));
        record->setBudget(budget);
        record->setCategory(category);
        record->setType(TLBudgetRecordType::Expense);
        record->createLimitForActiveMonth()->setLimit(*Decimal::fromString(value));
    };
    for (ManagedObject* master : db.fetchEntityCustom("Category", Predicate::parse("mastercat == NULL"))) {
        limit(static_cast<TLCategory*>(master), "500");
    }
    limit(nullptr, "5000");
    auto screen = std::make_shared<BudgetInfoViewC>();
    screen->isRootView = true;
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(screen));
    Application::sharedApplication().render();
    return screen;
}

void BudgetMonthShown(benchmark::State& state) {
    std::shared_ptr<BudgetInfoViewC> screen = openBudget(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        screen->notifyAppearing(false);
        bytes = turn(R"({"kind":"shown"})");
    }
    state.counters["Rows"] = static_cast<double>(screen->expenseSection().fieldsArray().size() +
                                                 screen->incomeSection().fieldsArray().size());
    closeHome(state, bytes);
}

void BudgetMonthSwitch(benchmark::State& state) {
    std::shared_ptr<BudgetInfoViewC> screen = openBudget(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    bool back = true;
    for (auto _ : state) {
        bytes = turn(back ? R"({"kind":"tap","target":"datebar:0"})" : R"({"kind":"tap","target":"datebar:5"})");
        back = !back;
    }
    state.counters["Rows"] = static_cast<double>(screen->expenseSection().fieldsArray().size());
    closeHome(state, bytes);
}

// The generated book of `n` transactions with `count` schedules of its first
// account, not saved (the book stays as other benches expect it), and the
// Scheduler tab shown once.
std::shared_ptr<SchedulersViewC> showSchedulerTab(size_t n, int count) {
    bench::useGeneratedBook(n);
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    TLDatabase& db = TLDatabase::sharedDatabase();
    TLAccount* account = TLAccount::getAccounts().front();
    std::vector<ManagedObject*> categories = db.fetchEntityCustom("Category");
    Date now = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto* s = static_cast<TLScheduler*>(db.createObjectForEntity("ScheduledBill"));
        s->setType(TLTransactionType::Expense);
        s->setFrequency(TLSchedulerFrequency::Monthly);
        s->setInAccount(account);
        s->setCurrency(account->currency());
        // A fifth overdue by up to 20 days, the rest due over the next year.
        double days = i % 5 == 0 ? -1 - i % 20 : 1 + (i * 7) % 365;
        s->setNextDate(now.addingTimeInterval(days * 86400));
        s->setTotalamount(*Decimal::fromString("-" + std::to_string(10 + i)));
        auto* split = static_cast<TLSplit*>(db.createObjectForEntity("Split"));
        split->setBill(s);
        if (!categories.empty()) split->setCategory(static_cast<TLCategory*>(categories[static_cast<size_t>(i) % categories.size()]));
        split->changeAmountTo(*Decimal::fromString(std::to_string(10 + i)));
        s->setSearchString(s->getSearchString());
    }
    auto list = std::make_shared<SchedulersViewC>();
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(list));
    Application::sharedApplication().render();
    return list;
}

void SchedulerListShown(benchmark::State& state) {
    auto list = showSchedulerTab(static_cast<size_t>(state.range(0)), 500);
    size_t bytes = 0;
    for (auto _ : state) {
        list->notifyAppearing(false);
        bytes = turn(R"({"kind":"shown"})");
    }
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    state.counters["Rows"] = static_cast<double>(list->frc() != nullptr ? list->frc()->fetchedObjects().size() : 0);
    TLDatabase::sharedDatabase().rollback();
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

void SchedulerListTurn(benchmark::State& state) {
    showSchedulerTab(static_cast<size_t>(state.range(0)), 500);
    size_t bytes = 0;
    int offset = 0;
    for (auto _ : state) bytes = turn(R"({"kind":"scroll","target":"table","offset":)" + std::to_string(++offset % 200) + "}");
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    TLDatabase::sharedDatabase().rollback();
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}


void ReportOpen(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(1)));
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    auto reports = std::make_shared<ReportsViewC>();
    reports->isRootView = true;
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(reports));
    reports->viewWillAppear(false);
    Application::sharedApplication().render();
    std::string tap = R"({"kind":"tap","target":"row:0:)" + std::to_string(state.range(0)) + "\"}";
    auto* changed = static_cast<TLTransaction*>(TLDatabase::sharedDatabase().fetchEntityCustom("Transaction").front());
    size_t bytes = 0;
    int edits = 0;
    for (auto _ : state) {
        bytes = turn(tap);
        state.PauseTiming();
        reports->navigationController()->popViewControllerAnimated(false);
        RunLoop::main().runFor(0);
        Application::sharedApplication().render();
        if (state.range(2) == 1) changed->setComments("edited " + std::to_string(++edits));
        state.ResumeTiming();
    }
    closeHome(state, bytes);
}

}  // namespace

BENCHMARK(SchedulerListShown)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SchedulerListTurn)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(HomeShown)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(RegisterOpen)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(RegisterShowMore)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(RegisterSearch)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditorOpen)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(AmountKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(CurrenciesTap)->Unit(benchmark::kMicrosecond);
BENCHMARK(SettingsToggle)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListTap)->Arg(25)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(LockKeypress)->Unit(benchmark::kMicrosecond);
BENCHMARK(CategoriesTabShown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(CategoriesTabFirstShown)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CategoriesTabChanged)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportOpen)->ArgsProduct({{0, 1, 2}, {10000, 100000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(CategoriesTabTurn)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BudgetMonthShown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BudgetMonthSwitch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
