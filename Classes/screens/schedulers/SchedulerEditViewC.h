#pragma once
// SchedulerEditViewC: a scheduled transaction, seen, made or changed through
// the transaction editor. The schedule is never edited directly: the screen
// works on a transaction filled from it (marked isSchedulerHelper_, so no
// balance moves, and saved at once so that Cancel rolls back to it), and
// Done copies the result back into the schedule and writes its calendar
// event. Modes: 0 shows ("Scheduler Info"), 1 makes a new one from the
// entry wizard's transaction ("New Scheduled"), 2 edits ("Edit
// Scheduler"). TLGlobal's schedulerTransaction names the working
// transaction while the screen is open.
//
// Rows: the transaction editor's, with, while editing, "Frequency" after
// the payee, "Next Date" in place of the date, then "Remind", "Payments"
// and "Pay automatically"; while showing, "Overdue" (red) or "Due in" with
// the distance to the due day, "Payments" ("3 left", numbered schedules
// only) and "Total" (what was paid from it; a tap lists those payments).
//
//   Frequency  "One Time" also makes it numbered with 1 payment; the
//              payments field is then read-only ("1 left").
//   Payments   a number makes the schedule numbered, an empty field
//              continuous ("Continuous").
//   Remind     the chooser opens with the present reminder checked.
//   Account    choosable while editing in every mode (two accounts or
//              more): the schedule moves to the chosen account, and since
//              a schedule books nothing no balance changes.
//
// Paying: outside editing the amount carries a pay control (none for a
// numbered schedule with no payment left). Its second tap opens the
// transaction editor on a new payment dated now; saving that payment moves
// the schedule to its next due date and takes one payment off a numbered
// schedule; cancelling it leaves the schedule as it was.
//
// Leaving: Done (mode 1, or inside the wizard) and Back delete the working
// transaction; Cancel in mode 1 drops the new schedule, in mode 2 rolls the
// store back. Every way out runs TLGlobal::updateSchedulers (badges).

#include <memory>
#include <string>
#include <vector>

#include "Classes/controls/TLPayButton.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"

namespace tallo {

class TLCheckListViewC;
class TLScheduler;

class SchedulerEditViewC : public TransactionEditViewC {
public:
    // Shows or edits `scheduler` (modes 0 and 2).
    explicit SchedulerEditViewC(TLScheduler* scheduler);
    // Makes a new schedule from `working`, the wizard's transaction (mode 1).
    explicit SchedulerEditViewC(TLTransaction* working);
    ~SchedulerEditViewC() override;

    TLScheduler* scheduler = nullptr;
    bool isScheduler = true;

    // The rows in order: the transaction editor's (by their index there)
    // and the schedule's own.
    enum class ScheduleRow { Base, Frequency, DueDate, Remind, Payments, Autopay, Total, SplitScheduled };
    struct Entry {
        ScheduleRow kind = ScheduleRow::Base;
        int base = -1;  // the transaction editor's row
    };
    const std::vector<Entry>& entries() const { return entries_; }
    // Whether the amount row carries the pay control now.
    bool showsPayButton() const;

    std::string getDeleteButtonTitle() override;
    void deleteAction(int buttonIndex) override;
    void saveAction() override;
    void cancelAction() override;
    void leftAction() override;
    void prepareForMode(int mode) override;
    void viewDidLoad() override;
    void reloadData() override;
    void setEditing(bool editing, bool animated) override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    void datePickerDateChanged(TLDatePicker* picker) override;

    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView& table, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView& table, IndexPath indexPath) override;

protected:
    void updateTitleAndButtons() override;
    std::vector<std::string> rowKeys() override;
    bool editsSchedule() const override { return true; }

private:
    void makeWorkingTransaction();
    void computeEntries();
    // The transaction editor's index path of a base entry; nothing for the schedule's rows.
    std::optional<IndexPath> baseIndexPath(IndexPath indexPath) const;
    std::shared_ptr<TableViewCell> scheduleCell(ScheduleRow kind);
    std::shared_ptr<TableViewCell> amountWithPayButton(TableView& table, IndexPath base);
    void openChoices(bool frequency);
    void choiceMade(TLCheckListViewC& list);
    void payTapped(TLPayButton& button);
    void paymentClosed(bool saved);
    void paymentsTyped(const std::string& text);
    void updateEvent();
    // Deletes the working transaction and forgets it.
    void dropWorkingTransaction();

    std::vector<Entry> entries_;
    std::shared_ptr<TableViewCell> paymentsCell_;
    std::shared_ptr<TableViewCell> autopayCell_;
    std::shared_ptr<TLCheckListViewC> choices_;
    bool payActivated_ = false;
    TLTransaction* payment_ = nullptr;
    TLNavigationViewC* paymentEditor_ = nullptr;
};

}  // namespace tallo
