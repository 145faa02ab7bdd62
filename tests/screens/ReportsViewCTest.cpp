// The reports as a person meets them: the Reports list with this month's
// figures, spending by category with its chart, legend, period chooser and
// drill-down to the transactions, income against expenses by month, and the
// net worth at month ends — all on the small book of the report tests.

#include "Classes/screens/reports/ReportsViewC.h"

#include "Classes/screens/reports/IncomeExpenseReportViewC.h"
#include "Classes/screens/reports/NetWorthReportViewC.h"
#include "Classes/screens/reports/ReportTransactionsViewC.h"
#include "Classes/screens/reports/SpendingReportViewC.h"
#include "tests/budgets/ReportTestSupport.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class ReportsViewCTest : public test::ReportBook<test::CategoryPayeeScreenTest> {
protected:
    void openReports() {
        db().save();
        opener->pushView(std::make_shared<ReportsViewC>(), 0);
    }
    // The rows as "text [detail] value", a row a "; " and a section a " | ".
    std::string table() {
        SceneNode rendered = app().render();
        const SceneNode* found = rendered.find("table");
        if (found == nullptr) return "(no table)";
        std::string out;
        for (const SceneNode& section : found->children()) {
            if (section.kind() != "section") continue;
            if (!out.empty()) out += " | ";
            std::string rowsText;
            for (const SceneNode& row : section.children()) {
                if (!rowsText.empty()) rowsText += "; ";
                rowsText += text(row, "text");
                if (!text(row, "detail").empty()) rowsText += " [" + text(row, "detail") + "]";
                if (!text(row, "value").empty()) rowsText += " " + text(row, "value");
            }
            out += rowsText;
        }
        return out;
    }
    std::string chart(const std::string& property) {
        SceneNode rendered = app().render();
        const SceneNode* node = rendered.findKind("chart");
        return node != nullptr ? text(*node, property) : "(no chart)";
    }
    std::string footer(int section) {
        SceneNode rendered = app().render();
        const SceneNode* found = rendered.find("table");
        int at = 0;
        for (const SceneNode& each : found->children()) {
            if (each.kind() == "section" && at++ == section) return text(each, "footer");
        }
        return "(no section)";
    }
    std::string title() {
        SceneNode rendered = app().render();
        const SceneNode* bar = rendered.findKind("navbar");
        return bar != nullptr ? text(*bar, "title") : "(no navbar)";
    }
};

TEST_F(ReportsViewCTest, TheListShowsEachReportWithThisMonthsFigure) {
    openReports();
    EXPECT_EQ(title(), "Reports");
    EXPECT_EQ(table(),
              "Spending by Category [This month $230.89]; Income and Expenses [Net this month $2,269.11]; "
              "Net Worth [Now $6,349.82]");
    EXPECT_EQ(footer(0), "Amounts in USD, the default currency.");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "image=\"report_spending.png\"")) << shown;
}

TEST_F(ReportsViewCTest, SpendingIsADoughnutWithItsLegendAsRows) {
    openReports();
    tap("row:0:0");
    EXPECT_EQ(title(), "Spending");
    EXPECT_EQ(chart("type"), "doughnut");
    // The figures go to the page exactly; the euro dinner is 20 × 1.3071.
    EXPECT_EQ(chart("data"),
              R"({"labels":["Food","Car","Uncategorized"],"series":[{"label":"Spent","values":["163.642","60","7.25"],)"
              R"("colors":["#f2711c","#2185d0","#a0a4ab"]}]})");
    EXPECT_EQ(chart("center"), "$230.89");
    EXPECT_EQ(chart("caption"), "This Month");
    EXPECT_EQ(table(), "Period [This Month] | Food [70.9%] $163.64; Car [26%] $60.00; Uncategorized [3.1%] $7.25");
    EXPECT_EQ(footer(1), "Total $230.89");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "swatch=\"#f2711c\"")) << shown;
    EXPECT_TRUE(has(shown, "header=\"Spending in USD\"")) << shown;
}

TEST_F(ReportsViewCTest, ASliceOpensItsSubcategoriesAndASubcategoryItsTransactions) {
    openReports();
    tap("row:0:0");
    tap("chart:0");  // Food's slice
    EXPECT_EQ(title(), "Food");
    EXPECT_EQ(table(), "Period [This Month] | Groceries [50.4%] $82.40; Restaurants [43.5%] $71.24; Food [6.1%] $10.00");
    EXPECT_EQ(chart("center"), "$163.64");
    tap("row:1:1");  // Restaurants
    EXPECT_EQ(title(), "Restaurants");
    // The register's rows: the euro card's dinner of the 11th, then the 9th's.
    EXPECT_EQ(table(), "Restaurants -€20.00; Restaurants -$45.10");
    EXPECT_EQ(footer(0), "Spent $71.24 in USD");
    tap("nav:back");
    tap("nav:back");
    tap("row:1:2");  // the uncategorised slice has no subcategories
    EXPECT_EQ(title(), "Uncategorized");
    EXPECT_EQ(table(), "Uncategorized -$7.25");
}

TEST_F(ReportsViewCTest, ThePeriodIsChosenFromTheListAndACustomRangeByTheDatePicker) {
    openReports();
    tap("row:0:0");
    tap("row:0:0");  // Period
    EXPECT_EQ(rows(), "This Month (checked); Last Month; This Year; Last 12 Months; Custom Range");
    tap("row:0:1");
    EXPECT_EQ(table(), "Period [Last Month] | Food [100%] $50.00");
    EXPECT_EQ(chart("caption"), "Last Month");

    tap("row:0:0");
    tap("row:0:4");  // Custom Range: this month so far, then from 15 February
    EXPECT_EQ(table(), "Period [Custom Range]; From [Mar 1, 2011]; To [Mar 15, 2011] | Food [70.9%] $163.64; "
                       "Car [26%] $60.00; Uncategorized [3.1%] $7.25");
    tap("row:0:1");
    EXPECT_TRUE(has(scene(), "datepicker#datePicker date=\"2011-03-01\"")) << scene();
    type("datePicker", "2011-02-15");
    EXPECT_EQ(chart("center"), "$280.89");
    EXPECT_EQ(chart("caption"), "Feb 15, 2011 – Mar 15, 2011");
    EXPECT_TRUE(has(table(), "From [Feb 15, 2011]")) << table();
}

TEST_F(ReportsViewCTest, APeriodWithoutSpendingSaysSo) {
    openReports();
    tap("row:0:0");
    tap("row:0:0");
    tap("row:0:2");  // This Year
    EXPECT_EQ(chart("center"), "$280.89");  // February's 50 and March
    tap("row:0:0");
    tap("row:0:4");
    tap("row:0:2");  // To, 15 March, moved before 1 March: the rows keep the earlier day first
    type("datePicker", "2011-01-10");
    EXPECT_EQ(table(), "Period [Custom Range]; From [Jan 10, 2011]; To [Mar 1, 2011] | Food [100%] $50.00");
    tap("row:0:2");
    type("datePicker", "2011-01-31");
    EXPECT_EQ(table(), "Period [Custom Range]; From [Jan 10, 2011]; To [Jan 31, 2011] | No spending in this period.");
    EXPECT_EQ(chart("data"), R"({"labels":[],"series":[{"label":"Spent","values":[],"colors":[]}]})");
    EXPECT_EQ(chart("center"), "$0.00");
    EXPECT_EQ(footer(1), "");
}

TEST_F(ReportsViewCTest, IncomeAndExpensesShowTwelveMonthsNewestFirstWithTheirNet) {
    openReports();
    tap("row:0:1");
    EXPECT_EQ(title(), "Income and Expenses");
    EXPECT_EQ(chart("type"), "bar");
    std::string shown = table();
    EXPECT_EQ(shown.substr(0, shown.find("; Jan 2011")),
              "Mar 2011 [In $2,500.00  ·  Out $230.89] $2,269.11; Feb 2011 [In $2,500.00  ·  Out $50.00] $2,450.00");
    EXPECT_TRUE(has(shown, "Apr 2010 [In $0.00  ·  Out $0.00] $0.00")) << shown;
    EXPECT_EQ(chart("caption"), "Net over 12 months $4,719.11");
    EXPECT_TRUE(has(chart("data"), R"("labels":["Apr","May","Jun","Jul","Aug","Sep","Oct","Nov","Dec","Jan","Feb","Mar"])"));
    EXPECT_TRUE(has(chart("data"), R"("values":["0","0","0","0","0","0","0","0","0","0","50","230.892"])")) << chart("data");
    EXPECT_TRUE(has(scene(), "value=\"$2,269.11\" valueColor=\"rgba(123,157,74,1)\"")) << scene();
}

TEST_F(ReportsViewCTest, NetWorthShowsTwentyFourMonthEndsAtTodaysRates) {
    openReports();
    tap("row:0:2");
    EXPECT_EQ(title(), "Net Worth");
    EXPECT_EQ(chart("type"), "line");
    std::string shown = table();
    EXPECT_EQ(shown.substr(0, shown.find("; Dec 2010")),
              "Mar 2011 [Mar 31, 2011] $6,349.82; Feb 2011 [Feb 28, 2011] $4,080.71; Jan 2011 [Jan 31, 2011] $1,630.71");
    EXPECT_TRUE(has(shown, "Apr 2009 [Apr 30, 2009] $1,630.71")) << shown;
    EXPECT_EQ(footer(0), "Balances in other currencies are converted at today's rates.");
    EXPECT_EQ(chart("caption"), "Now $6,349.82");
}

TEST_F(ReportsViewCTest, AReportComingBackIntoViewShowsTheStoreAsItIsNow) {
    openReports();
    tap("row:0:0");
    tap("chart:1");  // Car
    tap("row:1:0");  // Fuel
    EXPECT_EQ(table(), "Fuel -$60.00");
    on(3, 13, transaction(checking, TLTransactionType::Expense, {"40"}, fuel));
    db().save();
    tap("nav:back");
    EXPECT_EQ(table(), "Period [This Month] | Fuel [100%] $100.00");
    tap("nav:back");
    EXPECT_EQ(chart("center"), "$270.89");
}

}  // namespace
}  // namespace tallo
