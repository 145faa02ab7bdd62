// The interface's turn around: from an event arriving to the new scene
// leaving as JSON (what the server sends), and the scene's size.
//   SettingsToggle   the transaction settings' Payee switch turned
//   ListTap          a tap on a list of N rows (25 and 1,000) that opens
//                    and closes nothing: the whole screen is rendered again
//   CategoriesTab    the Categories tab on a generated book of N
//                    transactions (10k, 100k): /Shown when it comes into
//                    view (every master's total taken again), /Turn for an
//                    event while it is in view (the totals cached)
// Target: under 2 ms and under 64 KiB for a screen of 25 rows; the
// Categories tab under 5 ms for an event in view, whatever the book.

#include <benchmark/benchmark.h>

#include "Classes/screens/categories/CategoriesViewC.h"
#include "Classes/screens/settings/TransactionSettingsViewC.h"
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

// The Categories tab of a generated book, rendered once.
std::shared_ptr<CategoriesViewC> showCategoriesTab(benchmark::State& state) {
    bench::useGeneratedBook(static_cast<size_t>(state.range(0)));
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    auto list = std::make_shared<CategoriesViewC>();
    list->isRootView = true;
    Application::sharedApplication().setRootViewController(std::make_shared<NavigationController>(list));
    list->viewWillAppear(false);
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

void CategoriesTabTurn(benchmark::State& state) {
    showCategoriesTab(state);
    size_t bytes = 0;
    int offset = 0;
    for (auto _ : state) bytes = turn(R"({"kind":"scroll","target":"table","offset":)" + std::to_string(++offset % 200) + "}");
    state.counters["SceneBytes"] = static_cast<double>(bytes);
    Application::resetSharedApplication();
    RunLoop::main().runFor(0);
}

}  // namespace

BENCHMARK(SettingsToggle)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListTap)->Arg(25)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(CategoriesTabShown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(CategoriesTabTurn)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
