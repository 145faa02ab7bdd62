#pragma once
// SchedulersViewC: the Scheduler tab — every scheduled transaction, in
// order of creation, under "Overdue" (due before today), "Today" and
// "Next"; a section without rows is left out. Each time it comes into view
// it first runs TLGlobal::updateSchedulers, so what autopay pays is paid
// (and the badges are right) before the list is drawn.
//
// Search: the schedules whose search text holds the typed text (case and
// accents ignored), under "Results".
//
// Empty: "No scheduled transactions", and under it why or how to begin:
// without any account "+" is off ("You must have at least one account …");
// with accounts of which none can carry a schedule (no default account) "+"
// is off too ("… at least one supported account …"); otherwise "Press "+" …".
//
// "+" starts the entry wizard on a new transaction in the default account,
// ending in the scheduled-transaction editor. A row opens its schedule in
// the editor. A row's pay control pays on its second tap (TLPayButton):
// the transaction editor opens on a payment dated now; saving it moves the
// schedule on, cancelling leaves it. Swiping deletes the schedule with its
// calendar event (its payments stay), saves and updates the badges.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/controls/SchedulerCell.h"
#include "Classes/controls/TLPayButton.h"
#include "Classes/shell/TLSearchViewC.h"
#include "Classes/store/TLStoreState.h"

namespace tallo {

class TLScheduler;
class TLTransaction;

class SchedulersViewC : public TLSearchViewC {
public:
    SchedulersViewC();

    std::vector<std::vector<TLScheduler*>> sectionsArray;
    std::vector<std::string> sectionsTitlesArray;
    // The schedule whose pay control shows "PAY", or nothing.
    TLScheduler* activeScheduler = nullptr;

    std::string getEntityName() override { return "ScheduledBill"; }
    std::vector<SortDescriptor> getSortDescriptorsArray() override;
    void createSectionsArray();
    // The schedule of a row (list or search), or nothing.
    TLScheduler* schedulerAtIndexPath(IndexPath indexPath);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void reloadData() override;
    void leftAction() override;
    void rightAction() override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;

private:
    // What the sections and rows were made from: the store in its state,
    // the day (the sections and "3 days" change at midnight) and the payee
    // setting (the rows' second line). While all three hold, the list shown
    // again keeps them; any change of the store makes them anew.
    struct SectionsBasis {
        TLStoreState store;
        Date today;
        bool usePayee = false;
        static SectionsBasis now();
        bool holds() const;
    };
    std::optional<SectionsBasis> sectionsBasis_;
    void updateEmptyState();
    // The rows' texts of the list (and of the search), made when they are
    // fetched: a row drawn again for any other event costs no arithmetic.
    const SchedulerCell::Content& contentFor(IndexPath indexPath, TLScheduler* scheduler);
    std::vector<std::vector<SchedulerCell::Content>> sectionContents_;
    std::vector<SchedulerCell::Content> foundContents_;
    void payTapped(TLPayButton& button);
    void pay(TLScheduler* scheduler);

    TLScheduler* paying_ = nullptr;
    TLNavigationViewC* paymentEditor_ = nullptr;
};

}  // namespace tallo
