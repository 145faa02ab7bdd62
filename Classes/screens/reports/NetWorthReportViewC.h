#pragma once
// NetWorthReportViewC: the net worth at the end of each of the last 24
// months — a line, and a row a month end, newest first. Balances held in
// another currency are converted at today's rates, and the screen says so
// under the rows (TLNetWorthHistory).

#include <vector>

#include "Classes/budgets/TLNetWorthHistory.h"
#include "Classes/screens/reports/ReportViewC.h"

namespace tallo {

class NetWorthReportViewC : public ReportViewC {
public:
    NetWorthReportViewC();

    const std::vector<TLNetWorthPoint>& points() const { return points_; }

    void reload() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(points_.size()); }
    std::string tableViewTitleForHeaderInSection(TableView&, int) override;
    std::string tableViewTitleForFooterInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    std::vector<TLNetWorthPoint> points_;
};

}  // namespace tallo
