#include "Classes/screens/amount/AmountViewC.h"

#include <algorithm>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/accounts/AccountChooserViewC.h"
#include "Classes/screens/amount/AmountKey.h"
#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/screens/currencies/CurrenciesEditViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

// The desktop's dividend of an investment account; investment transactions
// are made there, this is only the segment's type.
constexpr int kDividend = 3;

constexpr const char* kSignHint = "Tap on the screen to change sign (+/-).";

std::string mediumDateText(Date date) {
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::None);
    return formatter.stringFromDate(date);
}

}  // namespace

AmountViewC::AmountViewC() : TLViewC(TableView::Style::Grouped), keypad_(KeypadView::amountKeypad()) {
    setTitle(L("Amount"));
    keypad_.pressed = [this](int tag) { pressed(tag); };
}

AmountViewC::~AmountViewC() = default;

void AmountViewC::viewDidLoad() {
    TLViewC::viewDidLoad();
    setLeftBarButtonType(TLBarButtonType::Cancel);
    setRightBarButtonType(TLBarButtonType::Done);
    setUpSegments();
    refreshKeys();
}

// ---- configuration ----------------------------------------------------------

void AmountViewC::setTransaction(TLTransaction* transaction) {
    type_ = AmountViewType::Transaction;
    transaction_ = transaction;
    isSigned_ = true;
    if (transaction == nullptr) return;
    account_ = transaction->account();
    date_ = transaction->transactionDate();
    transactionType_ = transaction->type().value_or(TLTransactionType::Expense);
    setCurrency(transaction->currency());
    // A new transaction starts as its category's kind of movement.
    TLSplit* split = transaction->getSplit();
    if (transaction->isInserted() && split != nullptr && split->category() != nullptr &&
        transactionType_ != TLTransactionType::Transfer) {
        int categoryType = split->category()->getDefaultTransactionType();
        if (categoryType != transactionType_) {
            transaction->changeTypeTo(categoryType);
            transactionType_ = categoryType;
        }
    }
}

void AmountViewC::setCurrency(TLCurrency* currency) {
    bool changed = currency != currency_;
    currency_ = currency;
    if (currency != nullptr) input_.setCurrCode(currency->code().value_or(""));
    if (changed && transaction_ != nullptr && currency != nullptr) transaction_->changeCurrencyTo(currency);
    if (currency == nullptr) canSelectCurrency_ = false;
    refreshKeys();
}

void AmountViewC::setAmount(const Decimal& amount) {
    input_.setDecimal(amount);
    input_.setSavedDecimal(amount);
    shouldClearOnEdit_ = true;
}

void AmountViewC::setPrecision(int precision) {
    precision_ = precision;
    input_.setMaximumScale(static_cast<int16_t>(precision));
    input_.pop();
    if (!isCurrency_) input_.currencyFormatter().setMinimumFractionDigits(precision);
    refreshKeys();
}

void AmountViewC::setIsCurrency(bool isCurrency) {
    isCurrency_ = isCurrency;
    NumberFormatter& formatter = input_.currencyFormatter();
    formatter.setNumberStyle(isCurrency ? NumberStyle::Currency : NumberStyle::Decimal);
    if (!isCurrency) {
        // A rate shows every one of its fraction digits: 1.3000.
        formatter.setMinimumFractionDigits(precision_);
        formatter.setMaximumFractionDigits(precision_);
    }
}

void AmountViewC::setIsAutomatic(bool automatic) {
    isAutomatic_ = automatic;
    showsAutomaticSwitch_ = true;
}

Decimal AmountViewC::getAmount() const { return input_.decimal().value_or(Decimal::zero()); }

// ---- keys -------------------------------------------------------------------

void AmountViewC::pressed(int tag) {
    if (tag >= 0 && tag <= 9) return push(tag);
    KeypadView::Key* plusKey = keypad_.keyWithTag(AmountKey::Plus);
    KeypadView::Key* minusKey = keypad_.keyWithTag(AmountKey::Minus);
    switch (tag) {
        case AmountKey::Currency: return selectCurrency();
        case AmountKey::Point: return pressedPoint();
        case AmountKey::Plus:
            plusKey->highlighted = true;
            minusKey->highlighted = false;
            input_.plus();
            break;
        case AmountKey::Minus:
            minusKey->highlighted = true;
            plusKey->highlighted = false;
            input_.minus();
            break;
        case AmountKey::Equals:
            input_.equal();
            plusKey->highlighted = false;
            minusKey->highlighted = false;
            break;
        case AmountKey::Backspace: input_.pop(); break;
        default: return;
    }
    refreshKeys();
}

void AmountViewC::push(int digit) {
    if (shouldClearOnEdit_) {
        input_.clearC();
        shouldClearOnEdit_ = false;
    }
    input_.push(digit);
    if (forceNegative_ && getAmount().doubleValue() > 0) input_.setDecimal(negative(getAmount()));
}

void AmountViewC::pressedPoint() {
    if (shouldClearOnEdit_) {
        input_.clear();
        shouldClearOnEdit_ = false;
    }
    input_.point();
}

void AmountViewC::screenPressed() {
    if (!isSigned_) return;
    input_.setDecimal(Decimal::zero() - getAmount());
}

void AmountViewC::clear() {
    keypad_.keyWithTag(AmountKey::Plus)->highlighted = false;
    keypad_.keyWithTag(AmountKey::Minus)->highlighted = false;
    setAmount(Decimal::zero());
    input_.clear();
    refreshKeys();
}

bool AmountViewC::keyPressed(const std::string& key) {
    if (key == "Enter") {
        rightAction();
        return true;
    }
    if (key == "Escape") {
        leftAction();
        return true;
    }
    int tag = -1;
    if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') {
        tag = key[0] - '0';
    } else if (key == "." || key == ",") {
        tag = AmountKey::Point;
    } else if (key == "+") {
        tag = AmountKey::Plus;
    } else if (key == "-") {
        tag = AmountKey::Minus;
    } else if (key == "=") {
        tag = AmountKey::Equals;
    } else if (key == "Backspace" || key == "Delete") {
        tag = AmountKey::Backspace;
    }
    // What the on-screen key would do, and nothing where it is disabled.
    KeypadView::Key* onScreen = keypad_.keyWithTag(tag);
    if (onScreen == nullptr || !onScreen->enabled) return false;
    pressed(tag);
    return true;
}

void AmountViewC::refreshKeys() {
    keypad_.keyWithTag(AmountKey::Point)->enabled = input_.maximumScale() > 0;
    KeypadView::Key* plusKey = keypad_.keyWithTag(AmountKey::Plus);
    KeypadView::Key* minusKey = keypad_.keyWithTag(AmountKey::Minus);
    plusKey->image = plusKey->highlighted ? "plus_active.png" : "plus.png";
    minusKey->image = minusKey->highlighted ? "minus_active.png" : "minus.png";
    KeypadView::Key* currencyKey = keypad_.keyWithTag(AmountKey::Currency);
    std::string code = currency_ != nullptr ? currency_->code().value_or("") : "";
    currencyKey->image.clear();
    currencyKey->title = code;
    if (type_ == AmountViewType::BudgetLimit) {
        currencyKey->title = L("Every month");
        currencyKey->image = isGlobalBudgetLimit_ ? "every_month_on.png" : "every_month.png";
        currencyKey->highlighted = isGlobalBudgetLimit_;
        currencyKey->enabled = true;
    } else if (type_ == AmountViewType::StartingBalance) {
        currencyKey->enabled = true;
    } else {
        currencyKey->enabled = currency_ != nullptr && canSelectCurrency_;
    }
    if (currencyKey->title.empty()) currencyKey->title = "¤";
}

// ---- currency ---------------------------------------------------------------

void AmountViewC::selectCurrency() {
    if (type_ == AmountViewType::BudgetLimit) {
        isGlobalBudgetLimit_ = !isGlobalBudgetLimit_;
        refreshKeys();
        return;
    }
    auto chooser = std::make_shared<CurrenciesEditViewC>();
    if (type_ == AmountViewType::StartingBalance) {
        chooser->account = account_;
    } else if (currency_ != nullptr && canSelectCurrency_ && transaction_ != nullptr) {
        chooser->transaction = transaction_;
        chooser->isSelecting = true;
    } else {
        return;
    }
    presentModalView(chooser, CurrenciesEditViewC::kChooserMode);
}

void AmountViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (modal == transferChooser_.get()) {
        transferAccountChosen(*transferChooser_);
        transferChooser_.reset();
        return;
    }
    if (auto* chooser = dynamic_cast<CurrenciesEditViewC*>(modal)) {
        if (!chooser->isCanceled && chooser->currency != nullptr) setCurrency(chooser->currency);
    }
}

// ---- transaction type -------------------------------------------------------

bool AmountViewC::showsSegments() const {
    return type_ == AmountViewType::Transaction && !hideSegmentControl_ && transaction_ != nullptr;
}

void AmountViewC::setUpSegments() {
    labelsArray_.clear();
    segmentTypes_.clear();
    if (!showsSegments()) return;
    int accountType = account_ != nullptr ? account_->type().value_or(TLAccountType::Bank) : TLAccountType::Bank;
    if (accountType == TLAccountType::Investment) {
        labelsArray_ = {L("Buy"), L("Sell"), L("Dividend"), L("Transfer")};
        segmentTypes_ = {TLTransactionType::InvestmentBuy, TLTransactionType::InvestmentSell, kDividend,
                         TLTransactionType::Transfer};
    } else if (accountType == TLAccountType::Asset) {
        labelsArray_ = {L("Decrease"), L("Increase"), L("Transfer")};
        segmentTypes_ = {TLTransactionType::Expense, TLTransactionType::Income, TLTransactionType::Transfer};
    } else {
        labelsArray_ = {L("Expense"), L("Income"), L("Transfer")};
        segmentTypes_ = {TLTransactionType::Expense, TLTransactionType::Income, TLTransactionType::Transfer};
    }
}

void AmountViewC::touchUpInsideSegmentIndex(int index) {
    if (index < 0 || static_cast<size_t>(index) >= segmentTypes_.size() || transaction_ == nullptr) return;
    int chosen = segmentTypes_[static_cast<size_t>(index)];
    if (chosen == TLTransactionType::Transfer) {
        if (transactionType_ != TLTransactionType::Transfer) {
            typeBeforeTransfer_ = transactionType_;
            if (TLSplit* split = transaction_->getSplit()) {
                categorySaver_ = split->category();
                split->changeCategoryTo(nullptr);
            }
            // The amount keeps its sign: an expense becomes the sending side.
            transaction_->setTransferPrimary(transaction_->isNegative());
            transaction_->changeTypeTo(TLTransactionType::Transfer);
            transactionType_ = TLTransactionType::Transfer;
        }
        chooseTransferAccount();
    } else {
        leaveTransfer(chosen);
    }
    tableView().reloadData();
}

void AmountViewC::leaveTransfer(int newType) {
    if (transactionType_ == TLTransactionType::Transfer) {
        if (TLSplit* split = transaction_->getSplit()) split->changeCategoryTo(categorySaver_);
        categorySaver_ = nullptr;
        transaction_->transferAccount_ = nullptr;
    }
    transaction_->changeTypeTo(newType);
    transactionType_ = newType;
}

void AmountViewC::chooseTransferAccount() {
    std::vector<TLAccount*> accounts = TLAccount::getAccounts();
    if (accounts.size() <= 2) {
        transaction_->transferAccount_ = TLGlobal::sharedGlobal().getOtherAccountToAccount(account_);
        return;
    }
    transferChooser_ = std::make_shared<AccountChooserViewC>(transaction_->transferAccount_, account_);
    presentModalView(transferChooser_, 0);
}

void AmountViewC::transferAccountChosen(AccountChooserViewC& list) {
    if (transaction_ == nullptr) return;
    if (list.isCanceled || list.account == nullptr) {
        // No account: a transaction that was not a transfer goes back to what it was.
        if (transaction_->transferAccount_ == nullptr) leaveTransfer(typeBeforeTransfer_);
        tableView().reloadData();
        return;
    }
    transaction_->transferAccount_ = list.account;
}

std::string AmountViewC::nameText() const {
    if (transaction_ == nullptr) return {};
    if (transaction_->isTransfer()) {
        TLAccount* other = transaction_->transferCopy() != nullptr ? transaction_->transferCopy()->account()
                                                                   : transaction_->transferAccount_;
        std::string name = other != nullptr ? other->name().value_or("") : "";
        bool sending = transaction_->transferPrimary().value_or(false);
        return stringWithFormat(sending ? L("Transfer to %@") : L("Transfer from %@"), {name});
    }
    return transaction_->getRepresentationString();
}

// ---- closing ----------------------------------------------------------------

void AmountViewC::rightAction() {
    pressed(AmountKey::Equals);
    if (viewMode == 1 && wizardDone) return wizardDone();
    popView();
}

void AmountViewC::leftAction() {
    isCanceled = true;
    if (viewMode == 1 && wizardCancel) return wizardCancel();
    popView();
}

// ---- drawing ----------------------------------------------------------------

void AmountViewC::renderContent(SceneNode& content, SceneContext& context) {
    SceneNode& display = content.add(SceneNode("amount", isSigned_ ? "display" : ""));
    display.set("amount", input_.resultString());
    std::string name = nameText();
    if (!name.empty()) display.set("name", name);
    if (date_) display.set("date", mediumDateText(*date_));
    if (showsSignHint_) display.set("hint", L(kSignHint));
    if (isSigned_) {
        context.addAction("display", [this](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Tap) screenPressed();
        });
    }
    if (numberOfSectionsInTableView(tableView()) > 0) TLViewC::renderContent(content, context);
    keypad_.render(content, context);
}

// Section 0: the type segments (transactions); then the "Automatic" switch (rates).
int AmountViewC::numberOfSectionsInTableView(TableView&) { return (showsSegments() ? 1 : 0) + (showsAutomaticSwitch_ ? 1 : 0); }

int AmountViewC::tableViewNumberOfRowsInSection(TableView&, int) { return 1; }

// The cells hold the controls' handlers, so the screen keeps them.
std::shared_ptr<TableViewCell> AmountViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == 0 && showsSegments()) {
        if (!segmentCell_) {
            segmentCell_ = std::make_shared<TableViewCell>();
            segmentCell_->selectable = false;
            segmentCell_->segmentedControl = std::make_unique<TableViewCell::Segmented>();
            segmentCell_->segmentedControl->valueChanged = [this](int index) { touchUpInsideSegmentIndex(index); };
        }
        segmentCell_->segmentedControl->items = labelsArray_;
        auto selected = std::find(segmentTypes_.begin(), segmentTypes_.end(), transactionType_);
        segmentCell_->segmentedControl->selectedIndex =
            selected == segmentTypes_.end() ? -1 : static_cast<int>(selected - segmentTypes_.begin());
        return segmentCell_;
    }
    if (!automaticCell_) {
        automaticCell_ = std::make_shared<TableViewCell>();
        automaticCell_->selectable = false;
        automaticCell_->textLabel().text = L("Automatic");
        automaticCell_->switchControl = std::make_unique<TableViewCell::Switch>();
        automaticCell_->switchControl->valueChanged = [this](bool on) { switchAction(on); };
    }
    automaticCell_->switchControl->on = isAutomatic_;
    return automaticCell_;
}

}  // namespace tallo
