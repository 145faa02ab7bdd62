#include "Classes/screens/reports/IncomeExpenseReportViewC.h"

#include "Classes/screens/reports/ReportRowCell.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr const char* kIncomeColor = "#21ba45";
constexpr const char* kExpenseColor = "#db2828";

}  // namespace

IncomeExpenseReportViewC::IncomeExpenseReportViewC() { setTitle(L("Income and Expenses")); }

void IncomeExpenseReportViewC::reload() {
    months_ = TLIncomeExpenseReport::lastMonths(Clock::now(), 12);
    chart_ = ChartView();
    chart_.kind = ChartView::Kind::Bar;
    ChartSeries income{L("Income"), {}, {kIncomeColor}};
    ChartSeries expenses{L("Expenses"), {}, {kExpenseColor}};
    Decimal net = Decimal::zero();
    for (const TLMonthFigures& month : months_) {
        chart_.labels.push_back(monthText(month.month, false));
        income.values.push_back(month.income.toString());
        expenses.values.push_back(month.expenses.toString());
        net = net + month.net();
    }
    chart_.series.push_back(std::move(income));
    chart_.series.push_back(std::move(expenses));
    chart_.caption = L("Net over 12 months") + " " + amountText(net);
}

std::string IncomeExpenseReportViewC::tableViewTitleForHeaderInSection(TableView&, int) {
    std::string code = currencyCode();
    return code.empty() ? L("By month") : L("By month, in") + " " + code;
}

std::string IncomeExpenseReportViewC::tableViewTitleForFooterInSection(TableView&, int) {
    return L("Transfers between your accounts are neither income nor expenses.");
}

std::shared_ptr<TableViewCell> IncomeExpenseReportViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    // Newest month first.
    const TLMonthFigures& month = months_[months_.size() - 1 - static_cast<size_t>(indexPath.row)];
    auto cell = std::make_shared<ReportRowCell>();
    cell->textLabel().text = monthText(month.month);
    cell->detailTextLabel().text = L("In") + " " + amountText(month.income) + "  ·  " + L("Out") + " " + amountText(month.expenses);
    cell->setAmount(month.net());
    cell->selectable = false;
    return cell;
}

}  // namespace tallo
