#pragma once
// SchedulerTransactionsViewC: "Transactions" — what one schedule has paid,
// newest first, as register rows, with "Total Paid:" and the sum in the
// schedule's currency under the list. A row opens the payment in the
// transaction editor.

#include "Classes/controls/TLNetworthView.h"
#include "Classes/shell/CDViewC.h"

namespace tallo {

class TLScheduler;

class SchedulerTransactionsViewC : public CDViewC {
public:
    static constexpr double kTotalBarHeight = 26;

    SchedulerTransactionsViewC();
    TLScheduler* scheduler = nullptr;
    TLNetworthView& totalView() { return totalView_; }

    std::string getEntityName() override { return "Transaction"; }
    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void reloadData() override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    TLNetworthView totalView_;
};

}  // namespace tallo
