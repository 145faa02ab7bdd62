#include "Classes/screens/reports/ReportsViewC.h"

#include "Classes/budgets/TLIncomeExpenseReport.h"
#include "Classes/budgets/TLNetWorthHistory.h"
#include "Classes/budgets/TLSpendingReport.h"
#include "Classes/screens/reports/IncomeExpenseReportViewC.h"
#include "Classes/screens/reports/NetWorthReportViewC.h"
#include "Classes/screens/reports/SpendingReportViewC.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

struct Row {
    const char* title;
    const char* picture;
};
constexpr Row kRows[3] = {{"Spending by Category", "report_spending.png"},
                          {"Income and Expenses", "report_income.png"},
                          {"Net Worth", "report_networth.png"}};

}  // namespace

ReportsViewC::ReportsViewC() : TLViewC(TableView::Style::Grouped) { setTitle(L("Reports")); }

void ReportsViewC::viewWillAppear(bool animated) {
    Date now = Clock::now();
    TLReportPeriod thisMonth;
    headlines_[kSpendingRow] =
        L("This month") + " " + ReportViewC::amountText(TLSpendingReport::byMaster(thisMonth.interval(now)).total());
    // The same questions the reports ask, whose answers they find remembered.
    headlines_[kIncomeExpenseRow] =
        L("Net this month") + " " + ReportViewC::amountText(TLIncomeExpenseReport::lastMonths(now, 12).back().net());
    headlines_[kNetWorthRow] =
        L("Now") + " " + ReportViewC::amountText(TLNetWorthHistory::lastMonthEnds(now, 24).back().amount);
    tableView().reloadData();
    TLViewC::viewWillAppear(animated);
}

std::string ReportsViewC::tableViewTitleForFooterInSection(TableView&, int) {
    std::string code = ReportViewC::currencyCode();
    if (code.empty()) return {};
    return L("Amounts in") + " " + code + ", " + L("the default currency.");
}

std::shared_ptr<TableViewCell> ReportsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Subtitle);
    size_t row = static_cast<size_t>(indexPath.row);
    cell->textLabel().text = L(kRows[row].title);
    cell->detailTextLabel().text = headlines_[row];
    cell->imageName = kRows[row].picture;
    cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    return cell;
}

void ReportsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    switch (indexPath.row) {
        case kSpendingRow: return pushView(std::make_shared<SpendingReportViewC>(), 0);
        case kIncomeExpenseRow: return pushView(std::make_shared<IncomeExpenseReportViewC>(), 0);
        case kNetWorthRow: return pushView(std::make_shared<NetWorthReportViewC>(), 0);
        default: return;
    }
}

}  // namespace tallo
