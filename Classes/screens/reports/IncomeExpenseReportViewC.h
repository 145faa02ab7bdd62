#pragma once
// IncomeExpenseReportViewC: income against expenses in each of the last
// twelve months — a pair of bars a month (income green, expenses red) and a
// row a month, newest first, with both amounts and the net in its sign's
// colour. Transfers are neither (TLIncomeExpenseReport).

#include <vector>

#include "Classes/budgets/TLIncomeExpenseReport.h"
#include "Classes/screens/reports/ReportViewC.h"

namespace tallo {

class IncomeExpenseReportViewC : public ReportViewC {
public:
    IncomeExpenseReportViewC();

    const std::vector<TLMonthFigures>& months() const { return months_; }

    void reload() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(months_.size()); }
    std::string tableViewTitleForHeaderInSection(TableView&, int) override;
    std::string tableViewTitleForFooterInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    std::vector<TLMonthFigures> months_;
};

}  // namespace tallo
