#pragma once
// AmountViewC: the calculator keypad through which every amount is typed —
// transaction amounts, opening balances, budget limits and exchange rates
// (AmountViewType). It shows the keypad model's text after every key and
// adds what its opener needs around it: the currency key, the sign flip, the
// transaction-type segments with the transfer account, the "Automatic"
// switch of a rate and the every-month toggle of a budget limit.
//
// Keys: the on-screen keypad (digits 0–9 and AmountKey tags) and the
// computer's keyboard arrive at the same pressed(tag): digits, "." and ","
// (either is the decimal point, whatever the locale), "+", "-", "=",
// "Backspace" and "Delete". "Enter" is Done, "Escape" Cancel; "*", "/" and a
// disabled key (the point of a currency without fraction digits) are not
// taken.
//
// The amount shown when the screen opens is replaced by the first digit or
// point typed: opened with 12.50, typing 3 shows 3. A pending addition is
// completed by Done: 5 + 2 Done gives 7.
//
// Closing: Done (after completing a pending operation) and Cancel close the
// screen with popView, so the opener reads getAmount, isAutomatic,
// isGlobalBudgetLimit and transactionType in its willPopNextView (pushed) or
// willDismissModalView (presented), and ignores the screen when isCanceled.
// Opened by the entry wizard (view mode 1) with wizardDone / wizardCancel
// set, those run instead of closing: the wizard moves on or ends.
//
// A transaction's type is changed on the transaction at once
// (changeTypeTo). Choosing Transfer puts the split's category aside and
// takes the other account: with more than two accounts through a chooser
// (own account left out, the current one checked; cancelling it returns to
// the type before), otherwise the other one at once. Choosing another type
// again puts the category back.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes/shell/TLViewC.h"
#include "Classes/values/TLDecimalInput.h"
#include "Platform/foundation/Date.h"
#include "Platform/ui/KeypadView.h"

namespace tallo {

class AccountChooserViewC;
class TLAccount;
class TLCategory;
class TLCurrency;
class TLTransaction;

class AmountViewC : public TLViewC {
public:
    AmountViewC();
    ~AmountViewC() override;

    // Configuration, before the screen is shown. `type` is an AmountViewType.
    void setType(int type) { type_ = type; }
    // Transaction mode: the transaction's currency, date, account and type;
    // the display can be tapped to flip the sign. A new transaction whose
    // split has a category starts with the category's type.
    void setTransaction(TLTransaction* transaction);
    void setAccount(TLAccount* account) { account_ = account; }
    // Applies the currency's fraction digits (a currency without any
    // disables the point); a transaction attached changes to it. Nothing:
    // no currency can be chosen.
    void setCurrency(TLCurrency* currency);
    // The value shown; the first digit or point typed replaces it.
    void setAmount(const Decimal& amount);
    // Fraction digits of an amount that is not money (a rate: 4).
    void setPrecision(int precision);
    // false: plain decimals, with exactly `precision` fraction digits, no symbol.
    void setIsCurrency(bool isCurrency);
    void setIsSigned(bool isSigned) { isSigned_ = isSigned; }
    // A positive value typed with a digit turns negative.
    void setForceNegative(bool forceNegative) { forceNegative_ = forceNegative; }
    void setCanSelectCurrency(bool canSelect) { canSelectCurrency_ = canSelect; }
    // Shows the "Automatic" switch, set to `automatic`.
    void setIsAutomatic(bool automatic);
    void setIsGlobalBudgetLimit(bool global) { isGlobalBudgetLimit_ = global; }
    void setHideSegmentControl(bool hide) { hideSegmentControl_ = hide; }
    // The type the opener reads back where no segments choose one (a budget
    // limit's direction).
    void setTransactionType(int type) { transactionType_ = type; }
    void setDate(Date date) { date_ = date; }
    // The line "Tap on the screen to change sign (+/-)." under the display.
    void showSignHint() { showsSignHint_ = true; }

    // What the opener reads.
    Decimal getAmount() const;
    bool isAutomatic() const { return isAutomatic_; }
    bool isGlobalBudgetLimit() const { return isGlobalBudgetLimit_; }
    int transactionType() const { return transactionType_; }
    int type() const { return type_; }
    TLCurrency* currency() const { return currency_; }
    TLTransaction* transaction() const { return transaction_; }
    bool isSigned() const { return isSigned_; }
    const TLDecimalInput& input() const { return input_; }
    // The text the display shows.
    std::string resultString() const { return input_.resultString(); }

    // The entry wizard's step (view mode 1): run by Done and Cancel instead
    // of closing the screen. Unset: the screen closes.
    std::function<void()> wizardDone;
    std::function<void()> wizardCancel;

    // Key actions.
    void pressed(int tag);
    void push(int digit);
    void pressedPoint();
    void screenPressed();
    void clear();
    void selectCurrency();
    void touchUpInsideSegmentIndex(int index);
    void switchAction(bool on) { isAutomatic_ = on; }
    void leftAction() override;
    void rightAction() override;
    bool keyPressed(const std::string& key) override;

    void viewDidLoad() override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;

private:
    bool showsSegments() const;
    void setUpSegments();
    void refreshKeys();
    // The line above the amount: the transaction's title or its transfer.
    std::string nameText() const;
    void chooseTransferAccount();
    void transferAccountChosen(AccountChooserViewC& list);
    // Back to a type that is not a transfer, the category put back.
    void leaveTransfer(int newType);

    TLDecimalInput input_;
    KeypadView keypad_;
    int type_ = 0;
    int transactionType_ = 0;
    TLTransaction* transaction_ = nullptr;
    TLAccount* account_ = nullptr;
    TLCurrency* currency_ = nullptr;
    std::optional<Date> date_;
    int precision_ = 2;
    bool isCurrency_ = true;
    bool isSigned_ = false;
    bool forceNegative_ = false;
    bool canSelectCurrency_ = false;
    bool isAutomatic_ = false;
    bool showsAutomaticSwitch_ = false;
    bool isGlobalBudgetLimit_ = false;
    bool hideSegmentControl_ = false;
    bool showsSignHint_ = false;
    bool shouldClearOnEdit_ = false;
    TLCategory* categorySaver_ = nullptr;
    std::vector<std::string> labelsArray_;
    std::vector<int> segmentTypes_;
    // The type before Transfer was chosen, for a cancelled account chooser.
    int typeBeforeTransfer_ = 0;
    // The accounts the transfer chooser lists, in its row order.
    std::shared_ptr<AccountChooserViewC> transferChooser_;
    std::shared_ptr<TableViewCell> segmentCell_;
    std::shared_ptr<TableViewCell> automaticCell_;
};

}  // namespace tallo
