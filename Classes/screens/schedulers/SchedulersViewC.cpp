#include "Classes/screens/schedulers/SchedulersViewC.h"

#include "Classes/controls/SchedulerCell.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerWorkingTransaction.h"
#include "Classes/screens/schedulers/SchedulerEditViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/CVDates.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

SchedulersViewC::SchedulersViewC() {
    setTitle(L("Scheduler"));
    label = L("No scheduled transactions");
}

std::vector<SortDescriptor> SchedulersViewC::getSortDescriptorsArray() { return {{"creationDate", true}}; }

void SchedulersViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    isRootView = true;
}

void SchedulersViewC::viewWillAppear(bool animated) {
    TLSearchViewC::viewWillAppear(animated);
    TLGlobal::sharedGlobal().updateSchedulers();
    if (isSearching()) return reloadSearchResults();
    reloadData();
}

// ---- the sections ------------------------------------------------------------

void SchedulersViewC::reloadData() {
    createSectionsArray();
    updateEmptyState();
    tableView().reloadData();
}

SchedulersViewC::SectionsBasis SchedulersViewC::SectionsBasis::now() {
    return {TLStoreState::current(), *CVDates::startOfDayDate(Clock::now()), TLTransactionSettings::usePayee()};
}

bool SchedulersViewC::SectionsBasis::holds() const {
    return store.isCurrent() && usePayee == TLTransactionSettings::usePayee() &&
           today.timeIntervalSince1970() == CVDates::startOfDayDate(Clock::now())->timeIntervalSince1970();
}

void SchedulersViewC::createSectionsArray() {
    performFetch();
    FetchedResultsController* controller = frc();
    if (controller != nullptr && sectionsBasis_ && sectionsBasis_->holds()) return;
    sectionsArray.clear();
    sectionsTitlesArray.clear();
    sectionContents_.clear();
    sectionsBasis_.reset();
    if (controller == nullptr) return;
    std::vector<TLScheduler*> late, today, next;
    for (ManagedObject* object : controller->fetchedObjects()) {
        auto* scheduler = static_cast<TLScheduler*>(object);
        if (scheduler->isLate()) {
            late.push_back(scheduler);
        } else if (scheduler->isToday()) {
            today.push_back(scheduler);
        } else {
            next.push_back(scheduler);
        }
    }
    auto add = [this](std::vector<TLScheduler*>& rows, const char* title) {
        if (rows.empty()) return;
        sectionsArray.push_back(std::move(rows));
        sectionsTitlesArray.push_back(L(title));
    };
    add(late, "Overdue");
    add(today, "Today");
    add(next, "Next");
    for (const auto& section : sectionsArray) {
        auto& contents = sectionContents_.emplace_back();
        contents.reserve(section.size());
        for (TLScheduler* scheduler : section) contents.push_back(SchedulerCell::contentFor(scheduler));
    }
    sectionsBasis_ = SectionsBasis::now();
}

const SchedulerCell::Content& SchedulersViewC::contentFor(IndexPath indexPath, TLScheduler* scheduler) {
    auto row = static_cast<size_t>(indexPath.row);
    if (isSearching()) {
        if (foundContents_.size() != foundObjectsArray.size()) {
            foundContents_.clear();
            for (ManagedObject* found : foundObjectsArray) {
                foundContents_.push_back(SchedulerCell::contentFor(static_cast<TLScheduler*>(found)));
            }
        }
        return foundContents_[row];
    }
    const SchedulerCell::Content& kept = sectionContents_[static_cast<size_t>(indexPath.section)][row];
    // A row whose schedule is not the one kept (the list changed without a
    // reload) is worked out afresh.
    if (kept.scheduler != scheduler) sectionContents_[static_cast<size_t>(indexPath.section)][row] = SchedulerCell::contentFor(scheduler);
    return sectionContents_[static_cast<size_t>(indexPath.section)][row];
}

void SchedulersViewC::updateEmptyState() {
    if (isEditing()) return;
    bool accounts = !TLAccount::getAccounts().empty();
    bool supported = TLAccount::getDefaultAccount() != nullptr;
    if (!accounts) {
        label2 = L("You must have at least one account to create scheduled transaction.");
    } else if (!supported) {
        label2 = L("You must have at least one supported account to create scheduled transaction.");
    } else {
        label2 = L("Press \"+\" to create your first scheduled transaction.");
    }
    setRightBarButtonType(TLBarButtonType::Add);
    if (auto& add = navigationItem().rightBarButtonItem) add->enabled = accounts && supported;
}

TLScheduler* SchedulersViewC::schedulerAtIndexPath(IndexPath indexPath) {
    if (indexPath.section < 0 || indexPath.row < 0) return nullptr;
    auto row = static_cast<size_t>(indexPath.row);
    if (isSearching()) {
        if (indexPath.section != 0 || row >= foundObjectsArray.size()) return nullptr;
        return static_cast<TLScheduler*>(foundObjectsArray[row]);
    }
    auto section = static_cast<size_t>(indexPath.section);
    if (section >= sectionsArray.size() || row >= sectionsArray[section].size()) return nullptr;
    return sectionsArray[section][row];
}

// ---- table ---------------------------------------------------------------------

int SchedulersViewC::numberOfSectionsInTableView(TableView&) {
    if (isSearching()) return 1;
    return static_cast<int>(sectionsArray.size());
}

int SchedulersViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (isSearching()) return static_cast<int>(foundObjectsArray.size());
    if (section < 0 || section >= static_cast<int>(sectionsArray.size())) return 0;
    return static_cast<int>(sectionsArray[static_cast<size_t>(section)].size());
}

std::string SchedulersViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (isSearching()) return L("Results");
    if (section < 0 || section >= static_cast<int>(sectionsTitlesArray.size())) return {};
    return sectionsTitlesArray[static_cast<size_t>(section)];
}

std::shared_ptr<TableViewCell> SchedulersViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<SchedulerCell>();
    TLScheduler* scheduler = schedulerAtIndexPath(indexPath);
    if (scheduler == nullptr) return cell;
    cell->setContent(contentFor(indexPath, scheduler));
    cell->payButton.isActivated = scheduler == activeScheduler;
    std::weak_ptr<ViewController> weak = weak_from_this();
    cell->payButton.tapped = [this, weak](TLPayButton& button) {
        if (weak.lock()) payTapped(button);
    };
    return cell;
}

void SchedulersViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    TLScheduler* scheduler = schedulerAtIndexPath(indexPath);
    if (scheduler == nullptr) return;
    activeScheduler = nullptr;
    pushView(std::make_shared<SchedulerEditViewC>(scheduler), 0);
}

bool SchedulersViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    return schedulerAtIndexPath(indexPath) != nullptr;
}

void SchedulersViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    TLScheduler* scheduler = schedulerAtIndexPath(indexPath);
    if (scheduler == nullptr) return;
    if (activeScheduler == scheduler) activeScheduler = nullptr;
    // Its calendar event goes with it; the transactions it paid stay.
    scheduler->deleteWithSplits();
    TLGlobal& global = TLGlobal::sharedGlobal();
    global.setShouldMissDeselect(true);
    TLDatabase::sharedDatabase().save();
    global.updateSchedulers();
    if (isSearching()) reloadSearchResults();
    reloadData();
}

// ---- buttons ---------------------------------------------------------------------

void SchedulersViewC::leftAction() {
    if (isEditing()) return;
    toggleEdit();
    removeLeftBarButton();
    reloadData();
}

void SchedulersViewC::rightAction() {
    if (isEditing()) {
        toggleEdit();
        return reloadData();
    }
    TLAccount* account = TLAccount::getDefaultAccount();
    if (account == nullptr) return;
    // The transaction the schedule is made from: marked so that entering
    // its amount moves no balance.
    auto* working = static_cast<TLTransaction*>(createObjectForEntity("Transaction"));
    working->isSchedulerHelper_ = true;
    working->setAccount(account);
    working->copyCurrencyFromAccount();
    TLGlobal::sharedGlobal().setSchedulerTransaction(working);
    TLSchedulerWorkingTransaction::remember(working);
    TLWizard& wizard = TLWizard::activeWizard();
    wizard.setTag(TLWizard::kNewSchedulerTag);
    wizard.beginWithInitiator(this, TLWizard::Initiator::SchedulerList, working);
}

// ---- paying ----------------------------------------------------------------------

void SchedulersViewC::payTapped(TLPayButton& button) {
    auto* scheduler = static_cast<TLScheduler*>(button.tagObject);
    if (button.isActivated) {
        // One control shows "PAY" at a time.
        activeScheduler = scheduler;
        return tableView().reloadData();
    }
    activeScheduler = nullptr;
    pay(scheduler);
}

void SchedulersViewC::pay(TLScheduler* scheduler) {
    if (scheduler == nullptr) return;
    paying_ = scheduler;
    TLTransaction* payment = scheduler->createPaymentTransaction();
    TLWizard& wizard = TLWizard::activeWizard();
    wizard.setTag(TLWizard::kPaySchedulerTag);
    wizard.beginWithInitiator(this, TLWizard::Initiator::Other, payment);
    paymentEditor_ = wizard.activeView();
}

void SchedulersViewC::willDismissModalView(TLNavigationViewC* modal) {
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (paymentEditor_ != nullptr && modal == paymentEditor_) {
        // Saved: the schedule moves on. Cancelled: the wizard rolls the
        // payment back after this and the schedule stays due.
        if (!modal->isCanceled && paying_ != nullptr) {
            paying_->confirmPayment();
            TLDatabase::sharedDatabase().save();
            global.updateSchedulers();
        }
        paying_ = nullptr;
        paymentEditor_ = nullptr;
    } else {
        // The wizard of a new schedule closed, saved or not.
        global.setSchedulerTransaction(nullptr);
    }
    reloadData();
}

bool SchedulersViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    foundTitlesArray.clear();
    foundContents_.clear();
    auto predicate = Predicate::parse("searchString contains[cd] %@", {Value(text)});
    foundObjectsArray = TLDatabase::sharedDatabase().fetchEntityCustom(getEntityName(), predicate, getSortDescriptorsArray());
    return true;
}

}  // namespace tallo
