// The Budget tab as a person uses it, through the rendered scene: the month
// bar and its year changes, the section bars against today's pace, limits
// for one month or every month through the amount screen, deleting limits,
// "Now", and Edit, Cancel and Done. The clock is manual throughout.

#include "Classes/screens/budgets/BudgetInfoViewC.h"

#include "Platform/foundation/Clock.h"
#include "tests/screens/BudgetScreenTest.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class BudgetInfoViewCTest : public test::BudgetScreenTest {
protected:
    // Food with a limit of `value` for every month from March 2011.
    TLBudgetRecord* foodLimit(const char* value) {
        TLBudgetRecord* r = record(food);
        limit(r, kMarch2011, value);
        db().save();
        return r;
    }
    // The section bars: "<type> <indicator> | <right label>".
    std::vector<std::string> bars() {
        std::vector<std::string> out;
        SceneNode tree = app().render();
        walk(tree, out);
        return out;
    }
    static void walk(const SceneNode& node, std::vector<std::string>& out) {
        if (node.kind() == "budgetbar") {
            auto text = [&](const char* name) {
                const auto* p = node.property(name);
                return p != nullptr ? std::get<std::string>(*p) : std::string("-");
            };
            out.push_back(text("type") + " " + text("indicator") + " | " + text("right"));
        }
        for (const SceneNode& child : node.children()) walk(child, out);
    }
    std::string title() {
        std::string text = scene();
        size_t at = text.find("navbar title=\"");
        if (at == std::string::npos) return "";
        at += 14;
        return text.substr(at, text.find('"', at) - at);
    }
};

// ---- the empty budget ---------------------------------------------------------

TEST_F(BudgetInfoViewCTest, WithoutLimitsItInvitesToEditAndEditOpensManageBudget) {
    spend("12", groceries, localDate(2011, 3, 3, 9));
    db().save();
    openBudget();
    std::string empty = scene();
    EXPECT_TRUE(has(empty, "empty title=\"Press \\\"Edit\\\" to manage budget.\"")) << empty;
    EXPECT_TRUE(has(empty, "button#nav:left title=\"Edit\"")) << empty;
    EXPECT_FALSE(has(empty, "nav:right")) << "no \"Now\" with nothing to show";
    EXPECT_FALSE(has(empty, "networth")) << "the difference is hidden too";

    tap("nav:left");
    std::string manage = scene();
    EXPECT_TRUE(has(manage, "navbar title=\"Manage Budget\"")) << manage;
    EXPECT_TRUE(has(manage, "title=\"Next\"")) << manage;
}

// ---- the month bar ------------------------------------------------------------

TEST_F(BudgetInfoViewCTest, OpensOnTodaysMonthWithTheYearInTheTitle) {
    foodLimit("100");
    openBudget();
    EXPECT_EQ(title(), "2011 Budget");
    EXPECT_EQ(TLGlobal::sharedGlobal().activeMonthID(), kMarch2011);
    std::string bar = nodesOf("datebar").at(0);
    // Four months up to March, March bold, the year tab on January.
    EXPECT_TRUE(has(bar, "slot#datebar:1 title=\"Dec\"")) << bar;
    EXPECT_TRUE(has(bar, "slot#datebar:2 title=\"Jan\" yearTab=\"2011\"")) << bar;
    EXPECT_TRUE(has(bar, "slot#datebar:4 bold=yes title=\"Mar\"")) << bar;
    // "Now" is there but has nothing to do in this month.
    EXPECT_TRUE(has(scene(), "button#nav:right enabled=no title=\"Now\"")) << scene();
}

TEST_F(BudgetInfoViewCTest, StepsAcrossTheYearEndBothWays) {
    Clock::setNow(localDate(2011, 12, 10, 10));
    foodLimit("100");
    openBudget();
    tap("datebar:5");
    EXPECT_EQ(title(), "2012 Budget");
    EXPECT_EQ(TLGlobal::sharedGlobal().activeMonthID(), TLMonthID::fromYearMonth(2012, 1));
    EXPECT_TRUE(has(nodesOf("datebar").at(0), "slot#datebar:4 bold=yes title=\"Jan\" yearTab=\"2012\""));
    EXPECT_TRUE(has(scene(), "button#nav:right title=\"Now\"")) << "away from today \"Now\" is enabled";

    // Back to February 2012, then the label three before it: November 2011.
    tap("datebar:5");
    EXPECT_EQ(screen->dateBar().month(), 2);
    tap("datebar:1");
    EXPECT_EQ(title(), "2011 Budget");
    EXPECT_EQ(screen->dateBar().month(), 11);
    EXPECT_EQ(TLGlobal::sharedGlobal().activeMonthID(), TLMonthID::fromYearMonth(2011, 11));

    tap("nav:right");
    EXPECT_EQ(screen->dateBar().month(), 12);
    EXPECT_EQ(TLGlobal::sharedGlobal().activeMonthID(), TLMonthID::fromYearMonth(2011, 12));
    EXPECT_TRUE(screen->isToday());
}

TEST_F(BudgetInfoViewCTest, ASpendingAtTheMonthsLastSecondBelongsToThatMonth) {
    Clock::setNow(localDate(2011, 3, 31, 23, 59, 59));
    foodLimit("100");
    spend("30", groceries, localDate(2011, 3, 31, 23, 59, 59));
    spend("45", groceries, localDate(2011, 4, 1, 0, 0, 0));
    db().save();
    openBudget();
    EXPECT_EQ(screen->expenseSection().totalAmount().toString(), "30");
    tap("datebar:5");
    EXPECT_EQ(screen->expenseSection().totalAmount().toString(), "45");
    EXPECT_FALSE(screen->isToday());
}

// ---- the bars against today's pace --------------------------------------------

TEST_F(BudgetInfoViewCTest, AnExpenseBarTurnsYellowAheadOfThePaceAndRedOverTheLimit) {
    // 19 April 15:00: 18.6 of April's 30 days are gone (62 %).
    Clock::setNow(localDate(2011, 4, 19, 15));
    foodLimit("100");
    spend("40", groceries, localDate(2011, 4, 2, 9));
    db().save();
    openBudget();
    EXPECT_EQ(bars(), std::vector<std::string>{"expense green | $60.00 left"});
    EXPECT_TRUE(has(nodesOf("budgetbar").at(0), "today=190")) << "the marker at 0.62 × 283 + 15";

    spend("30", restaurants, localDate(2011, 4, 3, 20));
    screen->reloadData();
    EXPECT_EQ(bars(), std::vector<std::string>{"expense yellow | $30.00 left"});

    spend("31", restaurants, localDate(2011, 4, 4, 20));
    screen->reloadData();
    EXPECT_EQ(bars(), std::vector<std::string>{"expense red | $1.00 over"});
}

TEST_F(BudgetInfoViewCTest, InAPastMonthAnExpenseBarStaysGreenUpToItsLimit) {
    Clock::setNow(localDate(2011, 4, 19, 15));
    foodLimit("100");
    spend("100", groceries, localDate(2011, 3, 20, 9));
    db().save();
    openBudget();
    tap("datebar:0");
    EXPECT_EQ(bars(), std::vector<std::string>{"expense green | perfect"});
    EXPECT_FALSE(has(nodesOf("budgetbar").at(0), "today=")) << "no marker in a past month";

    spend("0.50", groceries, localDate(2011, 3, 21, 9));
    screen->reloadData();
    EXPECT_EQ(bars(), std::vector<std::string>{"expense red | $0.50 over"});
}

TEST_F(BudgetInfoViewCTest, AnIncomeBarIsRedBehindThePaceYellowAheadGreenAtTheLimit) {
    Clock::setNow(localDate(2011, 4, 19, 15));
    limit(record(salary, TLBudgetRecordType::Income), kMarch2011, "1000");
    spend("500", salary, localDate(2011, 4, 1, 9), TLTransactionType::Income);
    db().save();
    openBudget();
    EXPECT_EQ(bars(), std::vector<std::string>{"income red | $500.00 left"});

    spend("200", salary, localDate(2011, 4, 2, 9), TLTransactionType::Income);
    screen->reloadData();
    EXPECT_EQ(bars(), std::vector<std::string>{"income yellow | $300.00 left"});

    spend("300", salary, localDate(2011, 4, 3, 9), TLTransactionType::Income);
    screen->reloadData();
    EXPECT_EQ(bars(), std::vector<std::string>{"income green | perfect"});
}

TEST_F(BudgetInfoViewCTest, RowsShowLimitsHintsAndTheDifferenceUnderTheTable) {
    foodLimit("30");
    limit(record(salary, TLBudgetRecordType::Income), kMarch2011, "1000");
    spend("30", groceries, localDate(2011, 3, 2, 9));
    spend("1200", salary, localDate(2011, 3, 1, 9), TLTransactionType::Income);
    spend("25", fun, localDate(2011, 3, 5, 9));
    db().save();
    openBudget();
    // Income first: its bar, Salary; then expenses: bar, Food, Groceries,
    // Restaurants' absence (no activity), and Fun's spending as unbudgeted.
    std::string salaryRow = row("row:1:1");
    EXPECT_TRUE(has(salaryRow, "hint=\"Over\" limit=\"of $1,000.00\" note=\"$200.00\"")) << salaryRow;
    std::string foodRow = row("row:2:1");
    EXPECT_TRUE(has(foodRow, "hint=\"Over\" limit=\"of $30.00\"")) << "an amount equal to its limit reads Over: " << foodRow;
    EXPECT_TRUE(has(foodRow, "value=\"-$30.00\"")) << foodRow;
    EXPECT_TRUE(has(row("row:2:2"), "text=\"Groceries\"")) << row("row:2:2");
    std::string unbudgeted = row("row:2:3");
    EXPECT_TRUE(has(unbudgeted, "text=\"Unbudgeted\"")) << unbudgeted;
    EXPECT_TRUE(has(unbudgeted, "value=\"-$25.00\"")) << unbudgeted;
    std::string difference = nodesOf("networth").at(0);
    EXPECT_TRUE(has(difference, "amount=\"$1,145.00\"")) << difference;
    EXPECT_TRUE(has(difference, "label=\"Difference: \"")) << difference;
}

// ---- limits for one month or every month ---------------------------------------

TEST_F(BudgetInfoViewCTest, ALimitForEveryMonthHoldsOnAndOneForOneMonthOnlyThere) {
    TLBudgetRecord* foodRecord = record(food);
    db().save();
    openBudget();
    // Food has a record but no limit yet: the row is there while editing.
    tap("nav:left");
    tap("row:1:1");
    EXPECT_TRUE(has(scene(), "navbar title=\"Food\"")) << scene();
    EXPECT_TRUE(has(scene(), "image=\"every_month_on.png\"")) << "every month starts on";
    keys("50");
    tap("nav:right");
    tap("nav:right");  // Done: saved
    EXPECT_EQ(limitIn(foodRecord, kMarch2011), "50");

    tap("datebar:5");  // April, 80 for April only
    tap("nav:left");
    tap("row:1:1");
    EXPECT_TRUE(has(scene(), "amount=\"$50.00\"")) << "starts from the limit that holds";
    keys("80");
    tap("key:10");
    EXPECT_TRUE(has(scene(), "image=\"every_month.png\"")) << scene();
    tap("nav:right");
    tap("nav:right");

    EXPECT_EQ(limitIn(foodRecord, kApril2011), "80");
    EXPECT_EQ(limitIn(foodRecord, kApril2011 + 1), "50") << "May is back on the every-month limit";
    tap("datebar:5");
    EXPECT_TRUE(has(row("row:1:1"), "limit=\"of $50.00\"")) << row("row:1:1");

    // February, 60 for every month: March's 50 goes, April's 80 stays.
    tap("datebar:1");
    ASSERT_EQ(screen->dateBar().month(), 2);
    tap("nav:left");
    tap("row:1:1");
    keys("60");
    tap("nav:right");
    tap("nav:right");
    EXPECT_EQ(limitIn(foodRecord, kFebruary2011), "60");
    EXPECT_EQ(limitIn(foodRecord, kMarch2011), "60");
    EXPECT_EQ(limitIn(foodRecord, kApril2011), "80");
    EXPECT_EQ(limitIn(foodRecord, kApril2011 + 1), "60");
    EXPECT_EQ(foodRecord->customLimits().toVector().size(), 2u);
}

TEST_F(BudgetInfoViewCTest, TheSectionHeadSetsTheTotalLimitAndTheSumWinsWhenLarger) {
    foodLimit("300");
    openBudget();
    tap("nav:left");
    std::string head = row("row:1:0");
    EXPECT_TRUE(has(head, "text=\"Expense\"")) << head;
    EXPECT_TRUE(has(head, "value=\"*$300.00\"")) << "the sum of the category limits: " << head;
    tap("row:1:0");
    EXPECT_TRUE(has(scene(), "navbar title=\"Expense\"")) << scene();
    keys("500");
    tap("nav:right");
    EXPECT_TRUE(has(row("row:1:0"), "value=\"$500.00\"")) << row("row:1:0");
    tap("nav:right");
    ASSERT_NE(TLGlobal::sharedGlobal().expenseRecord(), nullptr);
    EXPECT_EQ(limitIn(TLGlobal::sharedGlobal().expenseRecord(), kMarch2011), "500");
    EXPECT_TRUE(has(nodesOf("budgetbar").at(0), "left=\"Expense ($500.00)\"")) << nodesOf("budgetbar").at(0);
}

TEST_F(BudgetInfoViewCTest, CancelForgetsTheLimitsEnteredWhileEditing) {
    TLBudgetRecord* foodRecord = foodLimit("100");
    openBudget();
    tap("nav:left");
    tap("row:1:1");
    keys("70");
    tap("nav:right");
    EXPECT_TRUE(has(row("row:1:1"), "note=\"$70.00\"")) << "editing shows the limit: " << row("row:1:1");
    tap("nav:left");  // Cancel
    EXPECT_EQ(limitIn(foodRecord, kMarch2011), "100");
    EXPECT_TRUE(has(scene(), "button#nav:left title=\"Edit\"")) << scene();
}

// ---- deleting -------------------------------------------------------------------

TEST_F(BudgetInfoViewCTest, DeletingARowRemovesItsRecordAndItsMonthLimits) {
    TLBudgetRecord* funRecord = record(fun);
    limit(funRecord, kMarch2011, "40");
    limit(funRecord, kApril2011, "45", false);
    foodLimit("100");
    spend("10", fun, localDate(2011, 3, 4, 9));
    db().save();
    openBudget();
    tap("nav:left");
    // Both have limits; Fun, which spent more, comes first.
    ASSERT_TRUE(has(row("row:1:1"), "text=\"Fun\"")) << row("row:1:1");
    send(R"({"kind":"delete","target":"delete:1:1"})");
    tap("nav:right");
    EXPECT_EQ(db().fetchEntityCustom("BudgetRecordCustom").size(), 1u) << "Fun's two limits went with it";
    EXPECT_EQ(db().fetchEntityCustom("BudgetRecord").size(), 1u);
    EXPECT_TRUE(has(row("row:1:1"), "text=\"Food\"")) << row("row:1:1");
}

TEST_F(BudgetInfoViewCTest, DeletingTheLastLimitLeavesTheEmptyBudget) {
    foodLimit("100");
    openBudget();
    tap("nav:left");
    send(R"({"kind":"delete","target":"delete:1:1"})");
    // Still editing: the table stays for "Add Category".
    EXPECT_TRUE(has(scene(), "text=\"Add Category\"")) << scene();
    tap("nav:right");
    EXPECT_TRUE(has(scene(), "Press \\\"Edit\\\" to manage budget.")) << scene();
    EXPECT_TRUE(db().fetchEntityCustom("BudgetRecord").empty());
}

// ---- unbudgeted ------------------------------------------------------------------

TEST_F(BudgetInfoViewCTest, AnUnbudgetedCategoryGetsItsLimitFromItsList) {
    foodLimit("100");
    spend("25", fun, localDate(2011, 3, 5, 9));
    db().save();
    openBudget();
    tap("row:1:2");
    std::string list = scene();
    EXPECT_TRUE(has(list, "navbar title=\"Unbudgeted\"")) << list;
    EXPECT_TRUE(has(list, "text=\"Fun\"")) << list;
    tap("row:0:0");
    EXPECT_TRUE(has(scene(), "amount=\"$25.00\"")) << "starts at what was spent: " << scene();
    keys("30");
    tap("nav:right");
    // The only row is gone, and so is the list.
    EXPECT_TRUE(has(scene(), "navbar title=\"2011 Budget\"")) << scene();
    TLBudgetRecord* funRecord = TLGlobal::sharedGlobal().category(fun, budget->records().toVector(), TLBudgetRecordType::Expense);
    ASSERT_NE(funRecord, nullptr);
    EXPECT_EQ(limitIn(funRecord, kMarch2011), "30");
    EXPECT_FALSE(has(scene(), "Unbudgeted"));
}

TEST_F(BudgetInfoViewCTest, ASyncClosesTheUnbudgetedListAndItsAmountScreen) {
    foodLimit("100");
    spend("25", fun, localDate(2011, 3, 5, 9));
    db().save();
    openBudget();
    tap("row:1:2");  // Unbudgeted
    tap("row:0:0");  // Fun: its amount screen
    keys("30");

    storeReplacedBySync();
    std::string after = scene();
    EXPECT_TRUE(has(after, "navbar title=\"2011 Budget\"")) << after;
    EXPECT_TRUE(has(after, "text=\"Unbudgeted\"")) << "Fun still has no limit: " << after;
    EXPECT_EQ(db().fetchEntityCustom("BudgetRecord").size(), 1u) << "Food's only";

    tap("row:1:2");  // the list again, from the new store
    std::string list = scene();
    EXPECT_TRUE(has(list, "navbar title=\"Unbudgeted\"")) << list;
    EXPECT_TRUE(has(list, "text=\"Fun\"")) << list;
}

}  // namespace
}  // namespace tallo
