#pragma once
// ReportTransactionsViewC: the transactions behind one slice of a spending
// report — the expenses with a split filed under that category (or none)
// within the report's days, newest first, in the register's rows, under the
// period's name and over what the slice spent. A tap opens the
// transaction's editor; coming back shows the list as the store now is.

#include <string>
#include <vector>

#include "Classes/shell/TLViewC.h"
#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCategory;
class TLTransaction;

class ReportTransactionsViewC : public TLViewC {
public:
    ReportTransactionsViewC(const TLCategory* category, const TLTimeInterval& span, std::string title,
                            std::string periodTitle, const Decimal& spent);

    const std::vector<TLTransaction*>& transactions() const { return transactions_; }

    void viewWillAppear(bool animated) override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(transactions_.size()); }
    std::string tableViewTitleForHeaderInSection(TableView&, int) override { return periodTitle_; }
    std::string tableViewTitleForFooterInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    const TLCategory* category_;
    TLTimeInterval span_;
    std::string periodTitle_;
    Decimal spent_;
    std::vector<TLTransaction*> transactions_;
};

}  // namespace tallo
