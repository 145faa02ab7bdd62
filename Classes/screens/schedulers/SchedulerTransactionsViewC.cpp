#include "Classes/screens/schedulers/SchedulerTransactionsViewC.h"

#include "Classes/controls/TransactionCell.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

SchedulerTransactionsViewC::SchedulerTransactionsViewC() : totalView_(L("Total Paid:")) {}

std::shared_ptr<const Predicate> SchedulerTransactionsViewC::getPredicate() {
    return Predicate::parse("scheduledBill == %@", {Value(static_cast<ManagedObject*>(scheduler))});
}

std::vector<SortDescriptor> SchedulerTransactionsViewC::getSortDescriptorsArray() { return {{"transactionDate", false}}; }

void SchedulerTransactionsViewC::viewDidLoad() {
    CDViewC::viewDidLoad();
    setTitle(L("Transactions"));
    networthHeight = kTotalBarHeight;
    label = L("No transactions");
}

void SchedulerTransactionsViewC::viewWillAppear(bool animated) {
    CDViewC::viewWillAppear(animated);
    reloadData();
}

void SchedulerTransactionsViewC::reloadData() {
    if (scheduler == nullptr) return;
    totalView_.setCurrency(scheduler->currency());
    totalView_.setAmount(scheduler->getTotalPayed());
    CDViewC::reloadData();
}

std::shared_ptr<TableViewCell> SchedulerTransactionsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TransactionCell>();
    if (auto* paid = static_cast<TLTransaction*>(fetchedObjectAtIndexPath(indexPath))) cell->setTransaction(paid);
    return cell;
}

void SchedulerTransactionsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    CDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    auto* paid = static_cast<TLTransaction*>(fetchedObjectAtIndexPath(indexPath));
    if (paid == nullptr) return;
    auto editor = std::make_shared<TransactionEditViewC>(paid);
    editor->showAccount = true;
    pushView(editor, 0);
}

void SchedulerTransactionsViewC::renderContent(SceneNode& content, SceneContext& context) {
    CDViewC::renderContent(content, context);
    content.add(totalView_.node("bottom", kTotalBarHeight));
}

}  // namespace tallo
