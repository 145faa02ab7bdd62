#pragma once
// AccountsViewC: the Home tab — the accounts with their balances under the
// net worth, in their order ("order", then kind).
//
// Buttons: "Settings" on the left opens the settings modally ("Home" closes
// them); on the right "+" while there is no account (the new-account
// editor) and "Edit" otherwise. In editing mode a "Create Account" row heads
// the list, rows are dragged into a new order (a row dropped on "Create
// Account" lands first) or deleted, and with two accounts or more the footer
// says "Drag to the top to make default."; "Cancel" undoes every change of
// the editing, "Done" saves them and then says when the accounts give no
// default account ("No default account") or the top one cannot take
// transactions ("Default Account" naming the one that will be used).
//
// A tap on an account opens its register; while editing, or on the row's
// accessory button, it opens the account editor — for investment and loan
// accounts "Edit not supported" instead.
//
// Each time the screen is about to be shown it asks for the first account
// (the editor opens at once when there is none) or, when a passcode is set
// and has not been entered, for the passcode (the lock screen); then it
// reloads: orders renumbered 0, 1, 2, … in list order, the net worth in the
// default currency recomputed. While `holdsAppearanceChecks` is set (the
// application's launch is not over) it only reloads.

#include <memory>
#include <string>
#include <vector>

#include "Classes/controls/TLNetworthView.h"
#include "Classes/shell/CDViewC.h"

namespace tallo {

class TLAccount;

class AccountsViewC : public CDViewC {
public:
    static constexpr double kNetworthHeight = 26;

    AccountsViewC();

    // The lock screen (over everything, until the right passcode).
    static void showPasscodeView();
    // Shows the lock when a passcode is set, it has not been entered since
    // launch (or a long absence) and the store has an account; true when
    // the lock is up.
    static bool askForPasscodeIfNeeded();

    bool holdsAppearanceChecks = false;
    // The checks of an appearance: the editor for a first account, else the lock.
    void askForAccountOrPasscode();

    TLNetworthView& networthView() { return networthView_; }
    // The listed accounts in row order (without the "Create Account" row).
    const std::vector<TLAccount*>& accounts() const { return accounts_; }
    // The account just created from the list; its row animates in when
    // the list is shown again.
    TLAccount* insertedAccount = nullptr;

    // Opens the account editor: a new account (nullptr) or `account`.
    void openEditor(TLAccount* account);

    std::string getEntityName() override { return "Account"; }
    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;
    void reloadData() override;
    void cancel() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void toggleEdit() override;
    void leftAction() override;
    void rightAction() override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) override { return isEditing(); }
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) override { openEditor(nullptr); }
    bool tableViewCanMoveRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewMoveRowAtIndexPathToIndexPath(TableView&, IndexPath from, IndexPath to) override;

private:
    // Rows before the first account: the "Create Account" row while editing.
    int firstAccountRow() const { return isEditing() ? 1 : 0; }
    TLAccount* accountAtRow(int row) const;
    void updateButtons();
    void takeFetchedAccounts();
    void renumberOrders();
    void editAccount(TLAccount* account);
    void finishEditing();
    void checkDefaultAccount();

    TLNetworthView networthView_;
    std::vector<TLAccount*> accounts_;
};

}  // namespace tallo
