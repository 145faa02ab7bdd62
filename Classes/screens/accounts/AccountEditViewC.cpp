#include "Classes/screens/accounts/AccountEditViewC.h"

#include <algorithm>
#include <array>
#include <utility>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/screens/accounts/AccountTypeName.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/shell/TLCheckListViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

// The kinds a person can choose here, in the check list's row order.
constexpr std::array<int, 4> kChoosableTypes = {TLAccountType::Bank, TLAccountType::Cash, TLAccountType::CreditCard,
                                                TLAccountType::Asset};
constexpr std::array<const char*, 4> kTypeIcons = {"home-bank.png", "home-cash.png", "home-credit.png", "home-asset.png"};

}  // namespace

AccountEditViewC::AccountEditViewC() : CDViewC(TableView::Style::Grouped) {}

void AccountEditViewC::prepareForMode(int mode) {
    if (mode == kNewMode) {
        setTitle(L("New Account"));
        size_t listed = TLAccount::getAccounts().size();
        account_ = static_cast<TLAccount*>(createObjectForEntity("Account"));
        account_->setType(TLAccountType::Bank);
        account_->setOrder(static_cast<int>(listed));
        // A new account is named first: the caret goes into the name.
        focusName_ = true;
    } else {
        setTitle(L("Edit Account"));
    }
    name_ = account_->name().value_or("");
    type_ = account_->type().value_or(TLAccountType::Bank);
    startingBalance_ = account_->startingBalance().value_or(Decimal::zero());
    ccLimit_ = account_->ccLimit();
    currency_ = account_->currency();
    setLeftBarButtonType(TLBarButtonType::Cancel);
    setRightBarButtonType(TLBarButtonType::Done);
    updateSaveButton();
}

void AccountEditViewC::viewWillAppear(bool animated) {
    CDViewC::viewWillAppear(animated);
    updateSaveButton();
}

bool AccountEditViewC::hasLimitRow() const { return type_ == TLAccountType::CreditCard; }

void AccountEditViewC::updateSaveButton() {
    if (auto& save = navigationItem().rightBarButtonItem) save->enabled = !name_.empty();
}

std::string AccountEditViewC::amountText(const Decimal& amount) const {
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (currency_ != nullptr && currency_->code()) return global.currencyStringFromNumber(amount, *currency_->code());
    return global.currencyStringFromNumber(amount);
}

// ---- rows -------------------------------------------------------------------

int AccountEditViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (section == 1) return 1;
    return hasLimitRow() ? 4 : 3;
}

std::shared_ptr<TableViewCell> AccountEditViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == 1) {
        auto cell = std::make_shared<TableViewCell>();
        cell->textLabel().text = getDeleteButtonTitle();
        cell->textLabel().centered = true;
        cell->textLabel().bold = true;
        cell->textLabel().color = Color{0.8, 0.1, 0.1};
        return cell;
    }
    switch (indexPath.row) {
        case NameRow: {
            // One cell for the life of the screen: the field keeps its text
            // while the person types.
            if (!nameCell_) {
                nameCell_ = std::make_shared<TableViewCell>();
                nameCell_->selectable = false;
                nameCell_->textLabel().text = L("Name");
                nameCell_->textField = std::make_unique<TableViewCell::TextField>();
                nameCell_->textField->placeholder = L("Account Name");
                nameCell_->textField->editingChanged = [this](const std::string& text) {
                    name_ = text;
                    updateSaveButton();
                };
            }
            nameCell_->textField->text = name_;
            if (std::exchange(focusName_, false)) nameCell_->textField->becomeFirstResponder();
            return nameCell_;
        }
        case TypeRow: {
            auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
            cell->textLabel().text = accountTypeName(type_);
            // The chosen kind's icon (the account keeps its own until Save).
            auto chosen = std::find(kChoosableTypes.begin(), kChoosableTypes.end(), type_);
            cell->imageName = chosen != kChoosableTypes.end() ? kTypeIcons[static_cast<size_t>(chosen - kChoosableTypes.begin())]
                                                              : account_->getIcon().name;
            cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
            return cell;
        }
        default: {
            bool limit = indexPath.row == LimitRow;
            auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
            cell->textLabel().text = L(limit ? "Limit" : "Balance");
            cell->detailTextLabel().text = amountText(limit ? ccLimit_.value_or(Decimal::zero()) : startingBalance_);
            cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
            return cell;
        }
    }
}

void AccountEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    CDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.section == 1) return showDeleteConfirmationSheet();
    switch (indexPath.row) {
        case TypeRow: return chooseType();
        case BalanceRow: return editAmount(BalanceRow);
        case LimitRow: return editAmount(LimitRow);
        default: return;
    }
}

// ---- type -------------------------------------------------------------------

void AccountEditViewC::chooseType() {
    typeList_ = std::make_shared<TLCheckListViewC>();
    typeList_->setTitle(L("Account Type"));
    for (size_t i = 0; i < kChoosableTypes.size(); ++i) {
        typeList_->labelsArray.push_back(accountTypeName(kChoosableTypes[i]));
        typeList_->iconPathsArray.push_back(kTypeIcons[i]);
        if (kChoosableTypes[i] == type_) typeList_->checkedIndexArray.push_back(static_cast<int>(i));
    }
    typeList_->type = TLCheckListType::ChooseOneAndClose;
    presentModalView(typeList_, 0);
}

void AccountEditViewC::typeChosen(const TLCheckListViewC& list) {
    if (list.isCanceled || list.selectedIndex < 0 || list.selectedIndex >= static_cast<int>(kChoosableTypes.size())) return;
    type_ = kChoosableTypes[static_cast<size_t>(list.selectedIndex)];
    tableView().reloadData();
}

void AccountEditViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (typeList_ && modal == typeList_.get()) {
        typeChosen(*typeList_);
        typeList_.reset();
    }
}

// ---- amounts ----------------------------------------------------------------

void AccountEditViewC::editAmount(Row row) {
    amountRow_ = row;
    auto amount = std::make_shared<AmountViewC>();
    amount->setType(AmountViewType::StartingBalance);
    amount->setAccount(account_);
    amount->setCanSelectCurrency(true);
    amount->setCurrency(currency_);
    if (row == BalanceRow) {
        amount->setTitle(L("Starting Balance"));
        amount->setIsSigned(true);
        amount->showSignHint();
        amount->setAmount(startingBalance_);
    } else {
        amount->setTitle(L("Credit Limit"));
        amount->setIsSigned(false);
        amount->setForceNegative(true);
        amount->setAmount(ccLimit_.value_or(Decimal::zero()));
    }
    pushView(amount, 0);
}

void AccountEditViewC::amountEntered(const AmountViewC& amount) {
    if (amount.isCanceled) return;
    if (amount.currency() != nullptr) currency_ = amount.currency();
    if (amountRow_ == BalanceRow) {
        startingBalance_ = amount.getAmount();
    } else {
        ccLimit_ = amount.getAmount();
    }
    tableView().reloadData();
}

void AccountEditViewC::willPopNextView(TLNavigationViewC* next) {
    if (auto* amount = dynamic_cast<AmountViewC*>(next)) amountEntered(*amount);
}

// ---- closing ----------------------------------------------------------------

void AccountEditViewC::leftAction() {
    isCanceled = true;
    if (isNewAccount() && account_ != nullptr) {
        TLDatabase::sharedDatabase().deleteObject(account_);
        account_ = nullptr;
    }
    popView();
}

void AccountEditViewC::rightAction() {
    if (name_.empty()) return;
    account_->setName(name_);
    account_->setType(type_);
    if (ccLimit_ != account_->ccLimit()) account_->setCcLimit(ccLimit_);
    account_->changeCurrencyTo(currency_);
    account_->changeStartingBalanceTo(startingBalance_);
    TLDatabase::sharedDatabase().save();
    saved_ = true;
    popView();
}

bool AccountEditViewC::keyPressed(const std::string& key) {
    if (key == "Escape") {
        leftAction();
        return true;
    }
    if (key == "Enter" && !name_.empty()) {
        rightAction();
        return true;
    }
    return false;
}

ManagedObject* AccountEditViewC::getObject() { return account_; }

std::string AccountEditViewC::getDeleteButtonTitle() { return L("Delete Account"); }

}  // namespace tallo
