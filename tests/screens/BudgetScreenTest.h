#pragma once
// The budget tab for the budget screens' tests: a book in dollars with a
// cash account, the categories Food (Groceries, Restaurants), Fun and
// Salary, the merged budget, and helpers that spend, set month limits the
// way the screens store them, open the tab and read its bars and rows off
// the rendered scene. The clock stands on 15 March 2011 10:00 unless a
// test moves it.

#include <memory>
#include <string>
#include <vector>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/screens/budgets/BudgetInfoViewC.h"
#include "Classes/store/TLBudgetRecordType.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/NotificationCenter.h"
#include "tests/shell/ScreenTestSupport.h"

namespace tallo::test {

class BudgetScreenTest : public ScreenTest {
protected:
    static constexpr uint32_t kFebruary2011 = TLMonthID::fromYearMonth(2011, 2);
    static constexpr uint32_t kMarch2011 = TLMonthID::fromYearMonth(2011, 3);
    static constexpr uint32_t kApril2011 = TLMonthID::fromYearMonth(2011, 4);

    BudgetScreenTest() {
        usd = currency("USD", true);
        cash = account("Cash", usd);
        food = category("Food");
        groceries = category("Groceries", food);
        restaurants = category("Restaurants", food);
        fun = category("Fun");
        salary = category("Salary");
        TLGlobal::sharedGlobal().mergeBudgets();
        budget = static_cast<TLBudget*>(db().fetchEntityCustom("Budget").back());
        db().save();
    }

    // The Budget tab's stack with the budget screen at its root, in view.
    void openBudget() {
        screen = std::make_shared<BudgetInfoViewC>();
        screen->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(screen));
    }
    void spend(const char* amount, TLCategory* on, Date when, int type = TLTransactionType::Expense) {
        transaction(cash, type, {amount}, on)->setTransactionDate(when);
    }
    TLBudgetRecord* record(TLCategory* category, int type = TLBudgetRecordType::Expense) {
        auto* r = create<TLBudgetRecord>();
        r->setBudget(budget);
        r->setCategory(category);
        r->setType(type);
        return r;
    }
    TLBudgetRecordCustom* limit(TLBudgetRecord* of, uint32_t month, const char* value, bool everyMonth = true) {
        auto* custom = create<TLBudgetRecordCustom>();
        custom->setRecord(of);
        custom->setMonth(month);
        custom->setLimit(D(value));
        custom->setGlobal(everyMonth);
        return custom;
    }
    // What a sync that received a store does to the screens: the store read
    // again from its file (every object of the old one gone), then
    // "gotNewDatabase". The fixture's object pointers are stale after it.
    void storeReplacedBySync() {
        db().reloadData();
        NotificationCenter::defaultCenter().postNotification("gotNewDatabase");
    }
    void keys(const std::string& digits) {
        for (char c : digits) tap(c == '.' ? std::string("key:11") : std::string("key:") + c);
    }
    // Every node of `kind` in the scene, as canonical text.
    std::vector<std::string> nodesOf(const std::string& kind) {
        std::vector<std::string> out;
        collect(app().render(), kind, out);
        return out;
    }
    // The text of row `id` ("row:1:2"), or "" when there is none.
    std::string row(const std::string& id) {
        SceneNode tree = app().render();
        const SceneNode* found = tree.find(id);
        return found != nullptr ? found->toText() : "";
    }
    // The limit that holds for `of` in `month`, as text ("none" without one).
    static std::string limitIn(TLBudgetRecord* of, uint32_t month) {
        TLBudgetRecordCustom* custom = of->getCustomLimitWithMonthID(month);
        return custom != nullptr ? custom->limit().value_or(Decimal::zero()).toString() : "none";
    }

    TLCurrency* usd;
    TLAccount* cash;
    TLCategory* food;
    TLCategory* groceries;
    TLCategory* restaurants;
    TLCategory* fun;
    TLCategory* salary;
    TLBudget* budget;
    std::shared_ptr<BudgetInfoViewC> screen;

private:
    static void collect(const SceneNode& node, const std::string& kind, std::vector<std::string>& out) {
        if (node.kind() == kind) out.push_back(node.toText());
        for (const SceneNode& child : node.children()) collect(child, kind, out);
    }
};

}  // namespace tallo::test
