#pragma once
// ReportsViewC: the reports, reached from More — spending by category,
// income against expenses, net worth over time — each a row with its
// picture and this month's headline figure, opening the report's screen.
// Amounts are in the default currency, which the footer names.

#include <memory>
#include <string>

#include "Classes/shell/TLViewC.h"

namespace tallo {

class ReportsViewC : public TLViewC {
public:
    static constexpr int kSpendingRow = 0;
    static constexpr int kIncomeExpenseRow = 1;
    static constexpr int kNetWorthRow = 2;

    ReportsViewC();

    void viewWillAppear(bool animated) override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 3; }
    std::string tableViewTitleForFooterInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    std::string headlines_[3];
};

}  // namespace tallo
