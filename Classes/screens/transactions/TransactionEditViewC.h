#pragma once
// TransactionEditViewC: one transaction as a single list of rows, to see,
// create, change or delete it. Modes: 0 shows it ("Transaction Info"), 1
// makes a new one ("New Transaction"), 2 edits it ("Edit Transaction"); 1
// and 2 open in editing. A transaction in an account that is not supported,
// or a loaned one, stays read-only.
//
// Rows, top down: the amount (red for money going out, green otherwise; a
// small "Transfer" or "Split" under it); the payee right under the amount
// when payees come first; one row per split (category left, amount right —
// none for a transfer's category, and a lone uncategorised split under a
// preferred payee only while editing), "Add split" while editing two or
// more splits; the account (when asked for: showAccount) and the other
// account of a transfer ("To"/"From"). Editing adds the payee, date,
// number, notes and, for one categorised split, "Split Transaction";
// showing adds an investment's security, shares, price and commission, the
// payee, the date, and the number and notes when filled.
//
// The first split row is named "Category" ("Cat." while editing a
// categorised one), except right under the amount of a lone split, which
// needs no name; later split rows have none. Rows are 44 points high; the
// amount is 88 with its small label, the notes 19 per line plus 42.
// Switching between showing and editing animates the rows that come and go
// in one table update and redraws the rest. A tap on the notes row while
// editing puts the caret into the notes.
//
// Taps while editing: the amount (fewer than two splits) and a split's
// amount open the amount screen; a split's category the category chooser;
// "Add split"/"Split Transaction" start the entry wizard on a new split;
// the account (new transactions and schedules) and the transfer's other account (sending
// side) the account chooser; the payee the payee chooser; the date the
// shared date picker. The number and notes are written at every change.
// Cancelled sub-screens change nothing. Swiping deletes the payee, or a
// split (a lone split only loses its category).
//
// Moving a transaction to another account takes its converted total out of
// the old balance and adds it to the new one (converted with today's rate
// between currencies; no rate between accounts of one currency).
//
// "Done" saves: the search text, then the transfer (a transaction that is
// no longer one loses its mirror; one with an other account is made or
// rebuilt). Mode 1 closes; others go back to showing. Inside the entry
// wizard it ends the wizard. "Cancel": mode 1 deletes the new transaction
// with its mirror and closes (inside the wizard everything the wizard made
// goes); others roll the store back. A transfer whose other account became
// its own account cannot be saved until another is chosen. "Delete
// Transaction" (editing an existing one) deletes it with its mirror after
// the confirmation sheet.

#include <memory>
#include <string>
#include <vector>

#include "Classes/shell/IconCDViewC.h"
#include "Classes/shell/TLDatePicker.h"

namespace tallo {

class TLAccount;
class AccountChooserViewC;
class TLSplit;
class TLTransaction;

class TransactionEditViewC : public IconCDViewC, public TLDatePickerDelegate {
public:
    explicit TransactionEditViewC(TLTransaction* transaction);
    ~TransactionEditViewC() override;

    TLTransaction* transaction;
    bool showAccount = false;
    // The split a sub-screen changes, in getOrderedSplit order; −1 a new one.
    int editingSplitIndex = -1;
    bool isSelectingTransfer = false;

    // What each row shows; the layout is rebuilt on every mode change.
    enum class Row {
        Amount, Payee, Split, AddSplit, Account, Transfer, Security, Shares, Price, Commission, Number, Date, Notes,
        SplitTransaction, Delete
    };
    struct RowInfo {
        Row kind;
        int split = -1;  // the split's position for Split rows
    };
    const std::vector<RowInfo>& computeRows();
    const std::vector<RowInfo>& rows() const { return rows_; }
    // The animation plan of the last switch between showing and editing:
    // rows added (numbered as after it), removed (as before it) and redrawn.
    std::vector<int> insertRowsArray, deleteRowsArray, reloadRowsArray;

    virtual void saveAction();
    virtual void cancelAction();
    // Deletes the transaction with its mirror, saves and closes.
    void deleteTransaction();
    // Moves the transaction to `account` (nothing when it is the present one).
    void changeAccountTo(TLAccount* account);

    ManagedObject* getObject() override;
    std::string getDeleteButtonTitle() override;
    void deleteAction(int buttonIndex) override;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    void rightAction() override;
    // Typed outside a field while editing: "Enter" saves, "Escape" cancels.
    bool keyPressed(const std::string& key) override;
    void setEditing(bool editing, bool animated) override;
    void reloadData() override;
    void willPopNextView(TLNavigationViewC* next) override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    void useImage(const Image& image) override;
    void deleteImage() override;
    void datePickerDateChanged(TLDatePicker* picker) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath indexPath) override;

protected:
    // The pieces a derived editor (the scheduled-transaction editor) reuses.
    bool isReadOnly() const;
    // The screen edits a schedule through its working transaction.
    virtual bool editsSchedule() const { return false; }
    // The account row opens the chooser: a new transaction or a schedule,
    // and at least two accounts to choose from.
    bool canChooseAccount() const;
    // The title of the mode and the bar buttons of the editing state.
    virtual void updateTitleAndButtons();
    void showStoredPicture();
    void endTextEntry();
    TLSplit* splitAt(int index) const;
    std::string amountText(const Decimal& amount) const;
    void openAmount(int splitIndex);
    void openCategory(int splitIndex);
    void openPayee();
    void openDate();
    void openAccounts(bool transfer);
    void addSplit();
    void accountChosen(AccountChooserViewC& list);
    // After the amount screen: a transfer keeps only the edited split, without category.
    void keepOnlyTransferSplit(TLSplit* edited);
    std::shared_ptr<TableViewCell> splitCell(int index, size_t row);
    std::shared_ptr<TableViewCell> amountCell();
    // The notes and number rows: the field while editing, a label otherwise.
    std::shared_ptr<TableViewCell> textRowCell(const std::shared_ptr<TableViewCell>& field, const std::string& label,
                                               const std::string& text);
    std::shared_ptr<TableViewCell> payeeCell(size_t row);
    // The security, shares, price and commission of an investment buy or sell.
    std::shared_ptr<TableViewCell> investmentCell(Row kind);
    // What each row on the table is, in order, for matching the rows of two
    // layouts; a derived editor that shows other rows names its own.
    virtual std::vector<std::string> rowKeys();
    static std::string rowKey(const RowInfo& row);
    // The account, transfer-account and date rows.
    std::shared_ptr<TableViewCell> detailCell(Row kind);

    bool datePickerOpen_ = false;
    // False while a transfer has no other account to go to.
    bool canSave_ = true;

private:
    // Redraws the table after a switch of mode: animated, the rows that
    // came and went are inserted and deleted and the others reloaded.
    void updateRowsAfterSwitch(const std::vector<std::string>& before, bool animated);
    std::vector<RowInfo> rows_;
    std::shared_ptr<AccountChooserViewC> accountChooser_;
    std::shared_ptr<TableViewCell> numberCell_;
    std::shared_ptr<TableViewCell> notesCell_;
};

}  // namespace tallo
