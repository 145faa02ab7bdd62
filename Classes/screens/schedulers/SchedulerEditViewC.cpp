#include "Classes/screens/schedulers/SchedulerEditViewC.h"

#include <algorithm>
#include <cctype>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/schedules/TLSchedulerWorkingTransaction.h"
#include "Classes/screens/schedulers/SchedulerTransactionsViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLCheckListViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

const Color kOverdue{184 / 255.0, 62 / 255.0, 68 / 255.0};
const Color kDueIn = Color::white(0.29);
const Color kPlaceholder{0.6, 0.6, 0.6};
constexpr int kFrequencyCount = 10;  // "One Time" … "Annually"
constexpr int kReminderCount = 9;    // "None" … "On date of event"

std::string mediumDateText(Date date) {
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::None);
    return formatter.stringFromDate(date);
}

std::string paymentsLeft(int count) { return std::to_string(count) + L(" left"); }

// The amount row with the pay control beside the amount.
class PayableAmountCell : public TableViewCell {
public:
    PayableAmountCell() : TableViewCell(Style::Subtitle, "amount") {}
    TLPayButton payButton;
    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override {
        TableViewCell::render(row, context, suffix);
        payButton.render(row, context, suffix);
    }
};

}  // namespace

SchedulerEditViewC::SchedulerEditViewC(TLScheduler* shown) : TransactionEditViewC(nullptr), scheduler(shown) {
    showAccount = true;
}

SchedulerEditViewC::SchedulerEditViewC(TLTransaction* working) : TransactionEditViewC(working) { showAccount = true; }

SchedulerEditViewC::~SchedulerEditViewC() = default;

std::string SchedulerEditViewC::getDeleteButtonTitle() { return L("Delete Scheduler"); }

// ---- the working transaction -------------------------------------------------

void SchedulerEditViewC::viewDidLoad() {
    if (scheduler != nullptr && transaction == nullptr) makeWorkingTransaction();
    if (viewMode == 1 && scheduler == nullptr && transaction != nullptr) {
        transaction->isSchedulerHelper_ = true;
        TLGlobal::sharedGlobal().setSchedulerTransaction(transaction);
        // Any save from here on may write it: noted, so that a copy left by
        // a program ended meanwhile is removed at the next launch.
        TLSchedulerWorkingTransaction::remember(transaction);
        scheduler = static_cast<TLScheduler*>(TLDatabase::sharedDatabase().createObjectForEntity("ScheduledBill"));
        scheduler->copyValuesFromTransaction(transaction, false);
        scheduler->setFrequency(TLSchedulerFrequency::Monthly);
        scheduler->setReminderType(TLSchedulerReminder::None);
        scheduler->setNextDate(transaction->transactionDate());
    }
    TransactionEditViewC::viewDidLoad();
    isDeletable = viewMode != 1;
    paymentsCell_ = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "payments");
    paymentsCell_->textLabel().text = L("Payments");
    paymentsCell_->selectable = false;
    paymentsCell_->textField = std::make_unique<TableViewCell::TextField>();
    paymentsCell_->textField->placeholder = L("Continuous");
    paymentsCell_->textField->keyboard = "number";
    paymentsCell_->textField->editingChanged = [this](const std::string& text) { paymentsTyped(text); };
    // Kept, like the payments field: the page's switch answers to this cell.
    autopayCell_ = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "autopay");
    autopayCell_->textLabel().text = L("Pay automatically");
    autopayCell_->selectable = false;
    autopayCell_->switchControl = std::make_unique<TableViewCell::Switch>();
    autopayCell_->switchControl->valueChanged = [this](bool on) {
        if (scheduler != nullptr) scheduler->setAutopay(on);
    };
}

void SchedulerEditViewC::makeWorkingTransaction() {
    auto* working = static_cast<TLTransaction*>(TLDatabase::sharedDatabase().createObjectForEntity("Transaction"));
    // Marked before it is filled, so filling it moves no balance.
    working->isSchedulerHelper_ = true;
    working->copyValuesFromScheduler(scheduler);
    // A schedule always pays out of its account.
    if (scheduler->isTransfer()) working->setTransferPrimary(true);
    transaction = working;
    TLGlobal::sharedGlobal().setSchedulerTransaction(working);
    // Stored at once: Cancel rolls the store back to this transaction. Noted
    // first, so that a copy left in the file by a program ended while the
    // editor is open is removed at the next launch.
    TLSchedulerWorkingTransaction::remember(working);
    TLDatabase::sharedDatabase().save();
}

void SchedulerEditViewC::dropWorkingTransaction() {
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (transaction != nullptr && !transaction->isDeleted()) transaction->deleteTransactionWithTransferCopy(true);
    if (global.schedulerTransaction() == transaction) global.setSchedulerTransaction(nullptr);
    transaction = nullptr;
}

// ---- modes and rows ----------------------------------------------------------

void SchedulerEditViewC::prepareForMode(int mode) {
    TransactionEditViewC::prepareForMode(mode);
    computeEntries();
}

void SchedulerEditViewC::updateTitleAndButtons() {
    TransactionEditViewC::updateTitleAndButtons();
    setTitle(viewMode == 1 ? L("New Scheduled") : viewMode == 2 ? L("Edit Scheduler") : L("Scheduler Info"));
}

void SchedulerEditViewC::setEditing(bool editing, bool animated) {
    TransactionEditViewC::setEditing(editing, animated);
    computeEntries();
}

void SchedulerEditViewC::reloadData() {
    TransactionEditViewC::reloadData();
    computeEntries();
}

bool SchedulerEditViewC::showsPayButton() const {
    if (scheduler == nullptr || viewMode == 1 || isEditing()) return false;
    return !(scheduler->isNumbered().value_or(false) && scheduler->numberOfPayments().value_or(0) < 1);
}

void SchedulerEditViewC::computeEntries() {
    entries_.clear();
    if (scheduler == nullptr || transaction == nullptr) return;
    bool editing = isEditing();
    const std::vector<RowInfo>& base = rows();
    for (size_t i = 0; i < base.size(); ++i) {
        int index = static_cast<int>(i);
        switch (base[i].kind) {
            case Row::Date:
                entries_.push_back({ScheduleRow::DueDate});
                if (editing) {
                    entries_.push_back({ScheduleRow::Remind});
                    entries_.push_back({ScheduleRow::Payments});
                    entries_.push_back({ScheduleRow::Autopay});
                } else {
                    if (scheduler->isNumbered().value_or(false)) entries_.push_back({ScheduleRow::Payments});
                    entries_.push_back({ScheduleRow::Total});
                }
                break;
            case Row::SplitTransaction: entries_.push_back({ScheduleRow::SplitScheduled, index}); break;
            case Row::Payee:
                entries_.push_back({ScheduleRow::Base, index});
                if (editing) entries_.push_back({ScheduleRow::Frequency});
                break;
            default: entries_.push_back({ScheduleRow::Base, index}); break;
        }
    }
}

std::vector<std::string> SchedulerEditViewC::rowKeys() {
    computeEntries();
    std::vector<std::string> keys;
    for (const Entry& entry : entries_) {
        bool base = entry.kind == ScheduleRow::Base && entry.base >= 0;
        keys.push_back(base ? rowKey(rows()[static_cast<size_t>(entry.base)])
                            : "schedule/" + std::to_string(static_cast<int>(entry.kind)));
    }
    return keys;
}

std::optional<IndexPath> SchedulerEditViewC::baseIndexPath(IndexPath indexPath) const {
    auto row = static_cast<size_t>(indexPath.row);
    if (indexPath.row < 0 || row >= entries_.size() || entries_[row].base < 0) return std::nullopt;
    return IndexPath{indexPath.section, entries_[row].base};
}

// ---- cells -------------------------------------------------------------------

int SchedulerEditViewC::tableViewNumberOfRowsInSection(TableView&, int) {
    computeEntries();
    return static_cast<int>(entries_.size());
}

std::shared_ptr<TableViewCell> SchedulerEditViewC::tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    if (indexPath.row < 0 || row >= entries_.size()) return std::make_shared<TableViewCell>();
    const Entry entry = entries_[row];
    if (entry.kind == ScheduleRow::SplitScheduled) {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "action");
        cell->textLabel().text = L("Split Scheduled");
        return cell;
    }
    if (entry.kind != ScheduleRow::Base) return scheduleCell(entry.kind);
    IndexPath base{indexPath.section, entry.base};
    if (rows()[static_cast<size_t>(entry.base)].kind == Row::Amount && showsPayButton()) {
        return amountWithPayButton(table, base);
    }
    return TransactionEditViewC::tableViewCellForRowAtIndexPath(table, base);
}

std::shared_ptr<TableViewCell> SchedulerEditViewC::amountWithPayButton(TableView& table, IndexPath base) {
    std::shared_ptr<TableViewCell> plain = TransactionEditViewC::tableViewCellForRowAtIndexPath(table, base);
    auto cell = std::make_shared<PayableAmountCell>();
    cell->textLabel() = plain->textLabel();
    cell->detailTextLabel() = plain->detailTextLabel();
    cell->selectable = false;
    cell->payButton.normalText = L("Pay");
    cell->payButton.outgoing = scheduler->isNegative();
    cell->payButton.isActivated = payActivated_;
    cell->payButton.tagObject = scheduler;
    std::weak_ptr<ViewController> weak = weak_from_this();
    cell->payButton.tapped = [this, weak](TLPayButton& button) {
        if (weak.lock()) payTapped(button);
    };
    return cell;
}

std::shared_ptr<TableViewCell> SchedulerEditViewC::scheduleCell(ScheduleRow kind) {
    bool editing = isEditing();
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "field");
    cell->selectable = editing;
    if (editing) cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    switch (kind) {
        case ScheduleRow::Frequency:
            cell->textLabel().text = L("Frequency");
            cell->detailTextLabel().text = L(TLScheduler::frequencyLabel(scheduler->frequency().value_or(-1)));
            break;
        case ScheduleRow::Remind:
            cell->textLabel().text = L("Remind");
            cell->detailTextLabel().text = L(TLScheduler::reminderLabel(scheduler->reminderType().value_or(-1)));
            break;
        case ScheduleRow::DueDate:
            if (editing) {
                cell->textLabel().text = L("Next Date");
                std::optional<Date> due = scheduler->nextDate();
                cell->detailTextLabel().text = due ? mediumDateText(*due) : "";
                cell->accessoryType = TableViewCell::Accessory::None;
            } else {
                bool late = scheduler->isLate();
                cell->textLabel().text = late ? L("Overdue") : L("Due in");
                cell->textLabel().color = late ? kOverdue : kDueIn;
                cell->detailTextLabel().text = scheduler->getDueString();
            }
            break;
        case ScheduleRow::Payments: {
            int left = scheduler->numberOfPayments().value_or(0);
            bool numbered = scheduler->isNumbered().value_or(false);
            if (!editing) {
                cell->textLabel().text = L("Payments");
                cell->detailTextLabel().text = paymentsLeft(left);
                break;
            }
            if (scheduler->frequency().value_or(-1) == TLSchedulerFrequency::OneTime) {
                // One payment, and nothing to type.
                cell->textLabel().text = L("Payments");
                cell->detailTextLabel().text = paymentsLeft(left);
                cell->detailTextLabel().color = kPlaceholder;
                cell->selectable = false;
                cell->accessoryType = TableViewCell::Accessory::None;
                break;
            }
            paymentsCell_->textField->text = numbered ? std::to_string(left) : "";
            return paymentsCell_;
        }
        case ScheduleRow::Autopay:
            autopayCell_->switchControl->on = scheduler->autopay().value_or(false);
            return autopayCell_;
        case ScheduleRow::Total: {
            std::string code = scheduler->currency() != nullptr ? scheduler->currency()->code().value_or("") : "";
            cell->textLabel().text = L("Total");
            cell->detailTextLabel().text = TLGlobal::sharedGlobal().currencyStringFromNumber(scheduler->getTotalPayed(), code);
            bool paid = !scheduler->realTransactions().empty();
            cell->selectable = paid;
            cell->accessoryType = paid ? TableViewCell::Accessory::DisclosureIndicator : TableViewCell::Accessory::None;
            break;
        }
        default: break;
    }
    return cell;
}

// ---- taps --------------------------------------------------------------------

void SchedulerEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    if (std::optional<IndexPath> base = baseIndexPath(indexPath)) {
        return TransactionEditViewC::tableViewDidSelectRowAtIndexPath(table, *base);
    }
    auto row = static_cast<size_t>(indexPath.row);
    if (indexPath.row < 0 || row >= entries_.size()) return;
    setSelectedIndexPath(indexPath);
    ScheduleRow kind = entries_[row].kind;
    if (kind == ScheduleRow::Total) {
        if (scheduler->realTransactions().empty()) return;
        auto paid = std::make_shared<SchedulerTransactionsViewC>();
        paid->scheduler = scheduler;
        return pushView(paid, 0);
    }
    if (!isEditing()) return;
    endTextEntry();
    if (kind == ScheduleRow::Frequency) return openChoices(true);
    if (kind == ScheduleRow::Remind) return openChoices(false);
    if (kind == ScheduleRow::DueDate) return openDate();
}

void SchedulerEditViewC::tableViewAccessoryButtonTappedForRowWithIndexPath(TableView& table, IndexPath indexPath) {
    if (std::optional<IndexPath> base = baseIndexPath(indexPath)) {
        TransactionEditViewC::tableViewAccessoryButtonTappedForRowWithIndexPath(table, *base);
    }
}

bool SchedulerEditViewC::tableViewCanEditRowAtIndexPath(TableView& table, IndexPath indexPath) {
    std::optional<IndexPath> base = baseIndexPath(indexPath);
    return base && TransactionEditViewC::tableViewCanEditRowAtIndexPath(table, *base);
}

TableViewCellEditingStyle SchedulerEditViewC::tableViewEditingStyleForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    std::optional<IndexPath> base = baseIndexPath(indexPath);
    return base ? TransactionEditViewC::tableViewEditingStyleForRowAtIndexPath(table, *base) : TableViewCellEditingStyle::None;
}

void SchedulerEditViewC::tableViewCommitDeleteForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    if (std::optional<IndexPath> base = baseIndexPath(indexPath)) {
        TransactionEditViewC::tableViewCommitDeleteForRowAtIndexPath(table, *base);
    }
}

void SchedulerEditViewC::tableViewCommitInsertForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    if (std::optional<IndexPath> base = baseIndexPath(indexPath)) {
        TransactionEditViewC::tableViewCommitInsertForRowAtIndexPath(table, *base);
    }
}

void SchedulerEditViewC::datePickerDateChanged(TLDatePicker* picker) {
    if (picker != nullptr && scheduler != nullptr) scheduler->setNextDate(picker->picker().date());
    TransactionEditViewC::datePickerDateChanged(picker);
}

void SchedulerEditViewC::paymentsTyped(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    }
    if (digits.empty()) {
        scheduler->setIsNumbered(false);
        return;
    }
    scheduler->setIsNumbered(true);
    // More digits than any count of payments needs are not read.
    scheduler->setNumberOfPayments(std::stoi(digits.substr(0, 6)));
}

// ---- frequency and reminder ----------------------------------------------------

void SchedulerEditViewC::openChoices(bool frequency) {
    auto list = std::make_shared<TLCheckListViewC>();
    list->setTitle(frequency ? L("Select Frequency") : L("Select Reminder"));
    list->type = TLCheckListType::ChooseOneAndClose;
    int count = frequency ? kFrequencyCount : kReminderCount;
    for (int code = 0; code < count; ++code) {
        list->labelsArray.push_back(L(frequency ? TLScheduler::frequencyLabel(code) : TLScheduler::reminderLabel(code)));
    }
    // Each list opens on the schedule's present choice (the reminder's too,
    // so a person sees what is set before changing it).
    int current = frequency ? scheduler->frequency().value_or(-1) : scheduler->reminderType().value_or(-1);
    if (current >= 0 && current < count) list->checkedIndexArray.push_back(current);
    choices_ = list;
    presentModalView(list, 0);
}

void SchedulerEditViewC::choiceMade(TLCheckListViewC& list) {
    if (list.isCanceled || list.selectedIndex < 0) return;
    // Told apart by their length: ten or more entries is the frequency list.
    if (list.labelsArray.size() >= static_cast<size_t>(kFrequencyCount)) {
        scheduler->setFrequency(list.selectedIndex);
        if (list.selectedIndex == TLSchedulerFrequency::OneTime) {
            scheduler->setNumberOfPayments(1);
            scheduler->setIsNumbered(true);
        }
    } else {
        scheduler->setReminderType(list.selectedIndex);
    }
}

// ---- paying ---------------------------------------------------------------------

void SchedulerEditViewC::payTapped(TLPayButton& button) {
    payActivated_ = button.isActivated;
    if (payActivated_ || scheduler == nullptr) return tableView().reloadData();
    payment_ = scheduler->createPaymentTransaction();
    TLWizard& wizard = TLWizard::activeWizard();
    wizard.setTag(TLWizard::kPaySchedulerTag);
    wizard.beginWithInitiator(this, TLWizard::Initiator::Other, payment_);
    paymentEditor_ = wizard.activeView();
}

void SchedulerEditViewC::paymentClosed(bool saved) {
    payment_ = nullptr;
    paymentEditor_ = nullptr;
    payActivated_ = false;
    if (saved && scheduler != nullptr) {
        scheduler->confirmPayment();
        if (transaction != nullptr) transaction->setTransactionDate(scheduler->nextDate());
        TLDatabase::sharedDatabase().save();
    }
}

void SchedulerEditViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (paymentEditor_ != nullptr && modal == paymentEditor_) {
        // A cancelled payment is rolled back by the wizard after this; the
        // schedule stays due as it was.
        paymentClosed(!modal->isCanceled);
        reloadData();
        return;
    }
    if (choices_ && modal == choices_.get()) {
        choiceMade(*choices_);
        choices_.reset();
        reloadData();
        return;
    }
    TransactionEditViewC::willDismissModalView(modal);
    computeEntries();
}

// ---- save, cancel, back, delete ---------------------------------------------------

void SchedulerEditViewC::updateEvent() {
    // A calendar file that cannot be written does not keep the schedule
    // from being saved.
    TLSchedulerCalendar::saveEventForScheduler(scheduler);
}

void SchedulerEditViewC::saveAction() {
    if (!canSave_ || scheduler == nullptr || transaction == nullptr) return;
    endTextEntry();
    transaction->setSearchString(transaction->getSearchString());
    TLAccount* paidTo = transaction->isTransfer() ? transaction->transferAccount_ : nullptr;
    if (viewMode == 1) {
        scheduler->copyValuesFromTransaction(transaction, true);
    } else {
        scheduler->copyValuesFromTransaction(transaction, false);
        scheduler->copySplitsDublicatingFromTransaction(transaction);
    }
    scheduler->setTransferAccount(paidTo);
    scheduler->setSearchString(scheduler->getSearchString());
    updateEvent();
    TLDatabase& database = TLDatabase::sharedDatabase();
    TLWizard& wizard = TLWizard::activeWizard();
    bool inWizard = wizard.isActive() && wizard.activeView() == this;
    if (viewMode == 1 || inWizard) dropWorkingTransaction();
    database.save();
    if (inWizard) {
        wizard.end();
        TLGlobal::sharedGlobal().updateSchedulers();
        return;
    }
    if (viewMode == 1) {
        popView();
        TLGlobal::sharedGlobal().updateSchedulers();
        return;
    }
    viewMode = 0;
    setEditing(false, workAnimated);
    updateTitleAndButtons();
}

void SchedulerEditViewC::cancelAction() {
    isCanceled = true;
    endTextEntry();
    TLWizard& wizard = TLWizard::activeWizard();
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (viewMode == 1) {
        if (wizard.isActive() && wizard.activeView() == this) {
            // The rollback takes the new schedule and its transaction.
            global.setSchedulerTransaction(nullptr);
            transaction = nullptr;
            scheduler = nullptr;
            wizard.cancel();
            global.updateSchedulers();
            return;
        }
        dropWorkingTransaction();
        if (scheduler != nullptr) scheduler->deleteWithSplits();
        scheduler = nullptr;
        global.setShouldMissDeselect(true);
        popView();
        global.updateSchedulers();
        return;
    }
    if (wizard.isActive() && wizard.activeView() == this) wizard.cancel();
    TLDatabase::sharedDatabase().rollback();
    canSave_ = true;
    viewMode = 0;
    setEditing(false, workAnimated);
    reloadData();
    updateTitleAndButtons();
}

void SchedulerEditViewC::leftAction() {
    if (isEditing()) return cancelAction();
    dropWorkingTransaction();
    TLDatabase::sharedDatabase().save();
    popView();
    TLGlobal::sharedGlobal().updateSchedulers();
}

void SchedulerEditViewC::deleteAction(int buttonIndex) {
    if (buttonIndex != 0 || scheduler == nullptr) return;
    endTextEntry();
    dropWorkingTransaction();
    // Its calendar event goes with it; the payments it made stay.
    scheduler->deleteWithSplits();
    scheduler = nullptr;
    TLGlobal& global = TLGlobal::sharedGlobal();
    global.setShouldMissDeselect(true);
    TLDatabase::sharedDatabase().save();
    popView();
    global.updateSchedulers();
}

}  // namespace tallo
