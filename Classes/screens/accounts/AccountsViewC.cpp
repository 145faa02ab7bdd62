#include "Classes/screens/accounts/AccountsViewC.h"

#include <algorithm>

#include "Classes/controls/AccountCell.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/accounts/AccountEditViewC.h"
#include "Classes/screens/accounts/AccountTypeName.h"
#include "Classes/screens/passcode/PasscodeEditViewC.h"
#include "Classes/screens/settings/SettingsViewC.h"
#include "Classes/screens/transactions/TransactionsViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/Application.h"

namespace tallo {

namespace {

constexpr double kFooterFadeSeconds = 0.3;

}  // namespace

AccountsViewC::AccountsViewC() : networthView_(L("Net Worth:")) { setTitle(L("Home")); }

void AccountsViewC::showPasscodeView() { PasscodeEditViewC::showLockScreen(); }

bool AccountsViewC::askForPasscodeIfNeeded() {
    if (TLGlobal::sharedGlobal().isUnlocked() || !PasscodeEditViewC::isPasscodeSet()) return false;
    // With no account the new-account editor comes first.
    if (TLAccount::getAccounts().empty()) return false;
    showPasscodeView();
    return true;
}

std::shared_ptr<const Predicate> AccountsViewC::getPredicate() {
    return Predicate::parse("type != %d", {Value(TLAccountType::NeverListed)});
}

std::vector<SortDescriptor> AccountsViewC::getSortDescriptorsArray() { return {{"order", true}, {"type", true}}; }

void AccountsViewC::viewDidLoad() {
    label = L("No accounts");
    label2 = L("Press \"+\" to create your first account.");
    networthHeight = kNetworthHeight;
    CDViewC::viewDidLoad();
}

void AccountsViewC::viewWillAppear(bool animated) {
    CDViewC::viewWillAppear(animated);
    networthView_.setCurrency(TLGlobal::sharedGlobal().defaultCurrency());
    if (!holdsAppearanceChecks) askForAccountOrPasscode();
    reloadData();
    if (insertedAccount != nullptr) {
        auto at = std::find(accounts_.begin(), accounts_.end(), insertedAccount);
        if (at != accounts_.end()) {
            int row = firstAccountRow() + static_cast<int>(at - accounts_.begin());
            tableView().insertRowsAtIndexPaths({IndexPath{0, row}}, TableView::RowAnimation::Fade);
        }
        insertedAccount = nullptr;
    }
}

void AccountsViewC::askForAccountOrPasscode() {
    if (TLAccount::getAccounts().empty()) {
        // Not while the editor (or anything else) is already over the list.
        if (modalViewController() == nullptr && !Application::sharedApplication().isLocked()) openEditor(nullptr);
        return;
    }
    askForPasscodeIfNeeded();
}

// ---- the list ---------------------------------------------------------------

void AccountsViewC::reloadData() {
    performFetch();
    takeFetchedAccounts();
    renumberOrders();
    networthView_.setAmount(TLAccount::getNetWorth(accounts_));
    updateButtons();
    tableView().reloadData();
}

void AccountsViewC::renumberOrders() {
    bool changed = false;
    for (size_t i = 0; i < accounts_.size(); ++i) {
        if (accounts_[i]->order() == static_cast<int>(i)) continue;
        accounts_[i]->setOrder(static_cast<int>(i));
        changed = true;
    }
    // Outside editing (whose Done saves) and with no editor open over the
    // list, the closed gap is kept at once: a deletion elsewhere was saved.
    if (changed && !isEditing() && modalViewController() == nullptr) TLDatabase::sharedDatabase().save();
}

TLAccount* AccountsViewC::accountAtRow(int row) const {
    int index = row - firstAccountRow();
    if (index < 0 || index >= static_cast<int>(accounts_.size())) return nullptr;
    return accounts_[static_cast<size_t>(index)];
}

void AccountsViewC::updateButtons() {
    if (isEditing()) {
        setLeftBarButtonType(TLBarButtonType::Cancel);
        setRightBarButtonType(TLBarButtonType::Done);
        return;
    }
    setLeftBarButtonType(TLBarButtonType::Settings);
    setRightBarButtonType(accounts_.empty() ? TLBarButtonType::Add : TLBarButtonType::Edit);
}

void AccountsViewC::takeFetchedAccounts() {
    accounts_.clear();
    if (FetchedResultsController* controller = frc()) {
        for (ManagedObject* object : controller->fetchedObjects()) accounts_.push_back(static_cast<TLAccount*>(object));
    }
}

int AccountsViewC::tableViewNumberOfRowsInSection(TableView&, int) {
    // What the controller holds now: it fetches again by itself when the
    // store changes, and holds nothing of a store replaced by a sync.
    takeFetchedAccounts();
    return firstAccountRow() + static_cast<int>(accounts_.size());
}

std::shared_ptr<TableViewCell> AccountsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    TLAccount* account = accountAtRow(indexPath.row);
    if (account == nullptr) {
        auto create = std::make_shared<TableViewCell>();
        create->textLabel().text = L("Create Account");
        create->textLabel().bold = true;
        return create;
    }
    auto cell = std::make_shared<AccountCell>();
    cell->setAccount(account);
    // Outside editing, a tap on the icon of a supported account starts the
    // entry wizard with a new transaction in it.
    if (!isEditing() && !account->isNotSupported()) {
        cell->pictureTapped = [this, account] {
            auto* made = static_cast<TLTransaction*>(createObjectForEntity("Transaction"));
            made->setAccount(account);
            made->copyCurrencyFromAccount();
            TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::AccountsList, made);
        };
    }
    return cell;
}

void AccountsViewC::renderContent(SceneNode& content, SceneContext& context) {
    content.add(networthView_.node("top", kNetworthHeight));
    CDViewC::renderContent(content, context);
    if (isEditing() && accounts_.size() >= 2) {
        SceneNode hint = footerText(L("Drag to the top to make default."), 14, false);
        hint.set("fade", kFooterFadeSeconds);
        content.add(std::move(hint));
    }
    content.add(SceneNode("logo")).set("image", "corvane_logo.png");
}

// ---- taps -------------------------------------------------------------------

void AccountsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    CDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    TLAccount* account = accountAtRow(indexPath.row);
    if (account == nullptr) return openEditor(nullptr);
    if (isEditing()) return editAccount(account);
    table.selectRowAtIndexPath(indexPath, false);
    auto transactions = std::make_shared<TransactionsViewC>();
    transactions->setAccount(account);
    pushView(transactions, 0);
}

void AccountsViewC::tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath indexPath) {
    if (TLAccount* account = accountAtRow(indexPath.row)) editAccount(account);
}

void AccountsViewC::editAccount(TLAccount* account) {
    if (account->isNotSupported()) {
        std::string message = stringWithFormat(L("Editing %@ account is not supported on iPhone."),
                                               {accountTypeName(account->type().value_or(TLAccountType::Bank))});
        std::make_shared<AlertView>(L("Edit not supported"), message, L("Close"))->show();
        return;
    }
    openEditor(account);
}

void AccountsViewC::openEditor(TLAccount* account) {
    auto editor = std::make_shared<AccountEditViewC>();
    editor->setAccount(account);
    presentModalView(editor, account == nullptr ? AccountEditViewC::kNewMode : AccountEditViewC::kEditMode);
}

void AccountsViewC::willDismissModalView(TLNavigationViewC* modal) {
    auto* editor = dynamic_cast<AccountEditViewC*>(modal);
    if (editor != nullptr && editor->wasSaved() && editor->isNewAccount()) insertedAccount = editor->account();
}

// ---- editing ----------------------------------------------------------------

void AccountsViewC::leftAction() {
    if (isEditing()) return cancel();
    auto settings = std::make_shared<SettingsViewC>();
    presentModalView(settings, 0);
}

void AccountsViewC::rightAction() {
    if (isEditing()) return finishEditing();
    if (accounts_.empty()) return openEditor(nullptr);
    toggleEdit();
}

void AccountsViewC::toggleEdit() {
    CDViewC::toggleEdit();
    updateButtons();
    if (isEditing()) {
        tableView().insertRowsAtIndexPaths({IndexPath{0, 0}}, TableView::RowAnimation::Top);
    } else {
        tableView().deleteRowsAtIndexPaths({IndexPath{0, 0}}, TableView::RowAnimation::Top);
    }
}

void AccountsViewC::cancel() {
    TLDatabase::sharedDatabase().rollback();
    if (isEditing()) toggleEdit();
    reloadData();
}

void AccountsViewC::finishEditing() {
    TLDatabase::sharedDatabase().save();
    toggleEdit();
    reloadData();
    checkDefaultAccount();
}

void AccountsViewC::checkDefaultAccount() {
    TLAccount* preferred = TLAccount::getDefaultAccount();
    if (preferred == nullptr) {
        std::make_shared<AlertView>(L("No default account"), L("You must have at least one account"), L("Close"))->show();
        return;
    }
    if (preferred->order().value_or(0) == 0) return;
    std::vector<ManagedObject*> top =
        TLDatabase::sharedDatabase().fetchEntityCustom("Account", getPredicate(), {{"order", true}}, 1);
    if (top.empty()) return;
    std::string message = stringWithFormat(L("\"%@\" will be used as default because \"%@\" can not add transactions."),
                                           {preferred->name().value_or(""),
                                            static_cast<TLAccount*>(top.front())->name().value_or("")});
    std::make_shared<AlertView>(L("Default Account"), message, L("Close"))->show();
}

TableViewCellEditingStyle AccountsViewC::tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return accountAtRow(indexPath.row) == nullptr ? TableViewCellEditingStyle::Insert : TableViewCellEditingStyle::Delete;
}

void AccountsViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    TLAccount* account = accountAtRow(indexPath.row);
    if (account == nullptr) return;
    TLDatabase& database = TLDatabase::sharedDatabase();
    database.deleteObject(account);
    // While editing, "Done" saves (and "Cancel" brings it back).
    if (!isEditing()) database.save();
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    reloadData();
    tableView().deleteRowsAtIndexPaths({indexPath}, TableView::RowAnimation::Fade);
}

bool AccountsViewC::tableViewCanMoveRowAtIndexPath(TableView&, IndexPath indexPath) {
    return accountAtRow(indexPath.row) != nullptr;
}

void AccountsViewC::tableViewMoveRowAtIndexPathToIndexPath(TableView&, IndexPath from, IndexPath to) {
    int count = static_cast<int>(accounts_.size());
    int a = from.row - firstAccountRow();
    // Dropped on "Create Account": the first place.
    int b = std::clamp(to.row - firstAccountRow(), 0, count - 1);
    if (a < 0 || a >= count || a == b) return;
    TLAccount* moved = accounts_[static_cast<size_t>(a)];
    accounts_.erase(accounts_.begin() + a);
    accounts_.insert(accounts_.begin() + b, moved);
    for (int i = std::min(a, b); i <= std::max(a, b); ++i) accounts_[static_cast<size_t>(i)]->setOrder(i);
    reloadData();
}

}  // namespace tallo
