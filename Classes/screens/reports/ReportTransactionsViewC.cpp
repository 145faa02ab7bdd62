#include "Classes/screens/reports/ReportTransactionsViewC.h"

#include "Classes/budgets/TLSpendingReport.h"
#include "Classes/controls/TransactionCell.h"
#include "Classes/screens/reports/ReportViewC.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

ReportTransactionsViewC::ReportTransactionsViewC(const TLCategory* category, const TLTimeInterval& span, std::string title,
                                                 std::string periodTitle, const Decimal& spent)
    : category_(category), span_(span), periodTitle_(std::move(periodTitle)), spent_(spent) {
    setTitle(std::move(title));
}

void ReportTransactionsViewC::viewWillAppear(bool animated) {
    transactions_ = TLSpendingReport::transactionsOf(category_, span_);
    tableView().setHidden(transactions_.empty());
    label = L("No Transactions");
    label2 = L("Nothing was spent here in this period.");
    tableView().reloadData();
    TLViewC::viewWillAppear(animated);
}

std::string ReportTransactionsViewC::tableViewTitleForFooterInSection(TableView&, int) {
    return L("Spent") + " " + ReportViewC::amountText(spent_) + " " + L("in") + " " + ReportViewC::currencyCode();
}

std::shared_ptr<TableViewCell> ReportTransactionsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TransactionCell>();
    cell->setTransaction(transactions_[static_cast<size_t>(indexPath.row)]);
    cell->hasBottomLine = indexPath.row + 1 < static_cast<int>(transactions_.size());
    cell->backgroundColor = Color::white(0.98);
    return cell;
}

void ReportTransactionsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(transactions_.size())) return;
    pushView(std::make_shared<TransactionEditViewC>(transactions_[static_cast<size_t>(indexPath.row)]), 0);
}

}  // namespace tallo
