#pragma once
// AccountEditViewC: the editor of one account, presented modally from the
// accounts list — a new account ("New Account", view mode kNewMode) or an
// existing one ("Edit Account", kEditMode).
//
// Rows: the name field, the type (its name and icon; a check list "Account
// Type" of Bank, Cash, Credit Card and Asset), "Balance" (the opening
// balance, typed on the keypad, whose currency key chooses the account's
// currency) and, for a credit card only, "Limit" (the credit limit, typed
// positive and kept negative). The save button ("Done") is enabled only
// while the name is not empty. An existing account has a "Delete Account"
// row, which asks before deleting it.
//
// Everything chosen here is kept in the editor and applied to the account
// only by Save, which then saves the store: the currency through
// changeCurrencyTo, the opening balance through changeStartingBalanceTo, so
// the balance follows. Cancel leaves the account exactly as it was (a new
// one is deleted again) — nothing of the edit reaches the store, not even
// with a later save of another screen.
//
// A new account exists in the store from the moment the editor opens, in
// the default currency, listed after the accounts already there; the
// editor opens with the caret in its name.

#include <memory>
#include <optional>
#include <string>

#include "Classes/shell/CDViewC.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class AmountViewC;
class TLAccount;
class TLCheckListViewC;
class TLCurrency;

class AccountEditViewC : public CDViewC {
public:
    static constexpr int kNewMode = 0;
    static constexpr int kEditMode = 1;

    AccountEditViewC();

    // Before it is shown in kEditMode: the account to edit.
    void setAccount(TLAccount* account) { account_ = account; }
    TLAccount* account() const { return account_; }
    bool isNewAccount() const { return viewMode == kNewMode; }
    // Whether Save closed it (the list animates a new account's row in).
    bool wasSaved() const { return saved_; }

    // What Save will store.
    const std::string& name() const { return name_; }
    int type() const { return type_; }
    const Decimal& startingBalance() const { return startingBalance_; }
    const std::optional<Decimal>& ccLimit() const { return ccLimit_; }
    TLCurrency* currency() const { return currency_; }

    void prepareForMode(int mode) override;
    void viewWillAppear(bool animated) override;
    // Cancel.
    void leftAction() override;
    // Save.
    void rightAction() override;
    // The computer's keyboard: "Enter" saves (when the name allows it),
    // "Escape" cancels.
    bool keyPressed(const std::string& key) override;
    void willPopNextView(TLNavigationViewC* next) override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    ManagedObject* getObject() override;
    std::string getDeleteButtonTitle() override;

    int numberOfSectionsInTableView(TableView&) override { return isNewAccount() ? 1 : 2; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    enum Row { NameRow = 0, TypeRow = 1, BalanceRow = 2, LimitRow = 3 };
    bool hasLimitRow() const;
    void updateSaveButton();
    std::string amountText(const Decimal& amount) const;
    void chooseType();
    void typeChosen(const TLCheckListViewC& list);
    void editAmount(Row row);
    void amountEntered(const AmountViewC& amount);

    TLAccount* account_ = nullptr;
    std::string name_;
    int type_ = 0;
    Decimal startingBalance_;
    std::optional<Decimal> ccLimit_;
    TLCurrency* currency_ = nullptr;
    bool saved_ = false;
    // The keypad open now and the row it is for.
    Row amountRow_ = BalanceRow;
    std::shared_ptr<TLCheckListViewC> typeList_;
    std::shared_ptr<TableViewCell> nameCell_;
    // The caret goes into the name at the next drawing (a new account).
    bool focusName_ = false;
};

}  // namespace tallo
