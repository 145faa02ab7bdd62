#include "Classes/screens/transactions/TransactionEditViewC.h"

#include <algorithm>

#include "Classes/controls/TLPictureCell.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/accounts/AccountChooserViewC.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/payees/PayeeSelectionViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLImageRecord.h"
#include "Classes/store/TLInvestmentTransaction.h"
#include "Classes/store/TLSecurity.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

namespace {

const Color kNegative{184 / 255.0, 62 / 255.0, 68 / 255.0};
const Color kPositive{123 / 255.0, 157 / 255.0, 74 / 255.0};
const Color kPlaceholder{0.6, 0.6, 0.6};

// Row heights in points: every row 44, the amount with its small label under
// it 88, and the notes, which grow by a line's height per line of text.
constexpr double kRowHeight = 44;
constexpr double kAmountWithLabelHeight = 88;
constexpr double kNotesLineHeight = 19;
constexpr double kNotesPadding = 42;

// The notes row for `text`: a line per line of text, at least one. Only
// the text's own line breaks count here; the page adds the lines that
// wrapping makes, which only it can measure.
double notesHeight(const std::string& text) {
    double lines = 1 + static_cast<double>(std::count(text.begin(), text.end(), '\n'));
    return kNotesLineHeight * lines + kNotesPadding;
}

std::string mediumDateText(Date date) {
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::None);
    return formatter.stringFromDate(date);
}

TLSplit* insertSplit(TLTransaction* transaction) {
    auto* split = static_cast<TLSplit*>(TLDatabase::sharedDatabase().createObjectForEntity("Split"));
    split->setTransaction(transaction);
    return split;
}

Decimal magnitude(const Decimal& amount) { return amount < Decimal::zero() ? Decimal::zero() - amount : amount; }

}  // namespace

TransactionEditViewC::TransactionEditViewC(TLTransaction* edited) : IconCDViewC(TableView::Style::Plain), transaction(edited) {}

TransactionEditViewC::~TransactionEditViewC() {
    TLDatePicker& picker = TLGlobal::sharedGlobal().datePicker();
    if (picker.delegate == this) picker.delegate = nullptr;
}

ManagedObject* TransactionEditViewC::getObject() { return transaction; }

std::string TransactionEditViewC::getDeleteButtonTitle() { return L("Delete Transaction"); }

bool TransactionEditViewC::isReadOnly() const {
    return transaction == nullptr || (transaction->account() != nullptr && transaction->account()->isNotSupported()) ||
           transaction->loaned().value_or(false);
}

TLSplit* TransactionEditViewC::splitAt(int index) const {
    if (transaction == nullptr || index < 0) return nullptr;
    std::vector<TLSplit*> splits = transaction->getOrderedSplit();
    return static_cast<size_t>(index) < splits.size() ? splits[static_cast<size_t>(index)] : nullptr;
}

std::string TransactionEditViewC::amountText(const Decimal& amount) const {
    std::string code = transaction->currency() != nullptr ? transaction->currency()->code().value_or("") : "";
    return TLGlobal::sharedGlobal().currencyStringFromNumber(amount, code);
}

// ---- loading and modes -------------------------------------------------------

void TransactionEditViewC::viewDidLoad() {
    IconCDViewC::viewDidLoad();
    tableView().rowHeight = kRowHeight;
    isDeletable = true;
    if (transaction != nullptr) {
        if (transaction->splits().toVector().empty()) insertSplit(transaction);
        if (viewMode != 1 && transaction->transferCopy() != nullptr) {
            transaction->transferAccount_ = transaction->transferCopy()->account();
        }
    }
    numberCell_ = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "number");
    numberCell_->textLabel().text = L("No.");
    numberCell_->selectable = false;
    numberCell_->textField = std::make_unique<TableViewCell::TextField>();
    numberCell_->textField->placeholder = L("Number");
    numberCell_->textField->keyboard = "number";
    numberCell_->textField->editingChanged = [this](const std::string& text) { transaction->setNumber(text); };

    notesCell_ = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "notes");
    notesCell_->textLabel().text = L("Notes");
    notesCell_->selectable = false;
    notesCell_->textField = std::make_unique<TableViewCell::TextField>();
    notesCell_->textField->multiline = true;
    // The row's height follows the text at the next drawing (textRowCell).
    notesCell_->textField->editingChanged = [this](const std::string& text) { transaction->setComments(text); };
    showStoredPicture();
}

void TransactionEditViewC::prepareForMode(int mode) {
    if ((mode == 1 || mode == 2) && !isReadOnly()) setEditing(true, false);
    updateTitleAndButtons();
    computeRows();
}

void TransactionEditViewC::updateTitleAndButtons() {
    setTitle(viewMode == 1 ? L("New Transaction") : viewMode == 2 ? L("Edit Transaction") : L("Transaction Info"));
    if (isEditing()) {
        setRightBarButtonType(TLBarButtonType::Done);
        setLeftBarButtonType(TLBarButtonType::Cancel);
        if (auto& done = navigationItem().rightBarButtonItem) done->enabled = canSave_;
        return;
    }
    if (isReadOnly()) {
        removeRightBarButton();
    } else {
        setRightBarButtonType(TLBarButtonType::Edit);
    }
    setLeftBarButtonType(TLBarButtonType::Back);
}

void TransactionEditViewC::setEditing(bool editing, bool animated) {
    std::vector<std::string> before = rowKeys();
    IconCDViewC::setEditing(editing, animated);
    computeRows();
    // Opening in editing is no switch the person sees.
    updateRowsAfterSwitch(before, animated && isVisible);
}

std::string TransactionEditViewC::rowKey(const RowInfo& row) {
    return std::to_string(static_cast<int>(row.kind)) + "/" + std::to_string(row.split);
}

std::vector<std::string> TransactionEditViewC::rowKeys() {
    std::vector<std::string> keys;
    for (const RowInfo& row : rows_) keys.push_back(rowKey(row));
    return keys;
}

void TransactionEditViewC::updateRowsAfterSwitch(const std::vector<std::string>& before, bool animated) {
    insertRowsArray.clear();
    deleteRowsArray.clear();
    reloadRowsArray.clear();
    std::vector<std::string> after = rowKeys();
    auto contains = [](const std::vector<std::string>& keys, const std::string& key) {
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    for (size_t i = 0; i < before.size(); ++i) {
        if (!contains(after, before[i])) deleteRowsArray.push_back(static_cast<int>(i));
    }
    for (size_t i = 0; i < after.size(); ++i) {
        (contains(before, after[i]) ? reloadRowsArray : insertRowsArray).push_back(static_cast<int>(i));
    }
    if (!animated) return tableView().reloadData();
    auto paths = [](const std::vector<int>& rows) {
        std::vector<IndexPath> out;
        for (int row : rows) out.push_back(IndexPath{0, row});
        return out;
    };
    tableView().deleteRowsAtIndexPaths(paths(deleteRowsArray), TableView::RowAnimation::Fade);
    tableView().insertRowsAtIndexPaths(paths(insertRowsArray), TableView::RowAnimation::Fade);
    tableView().reloadRowsAtIndexPaths(paths(reloadRowsArray), TableView::RowAnimation::None);
}

void TransactionEditViewC::reloadData() {
    if (transaction != nullptr && viewMode != 1 && transaction->transferCopy() != nullptr) {
        transaction->transferAccount_ = transaction->transferCopy()->account();
    }
    showStoredPicture();
    computeRows();
    tableView().reloadData();
}

void TransactionEditViewC::showStoredPicture() {
    if (transaction != nullptr) icon.image = transaction->getImageSmall(false).load();
}

const std::vector<TransactionEditViewC::RowInfo>& TransactionEditViewC::computeRows() {
    rows_.clear();
    if (transaction == nullptr) return rows_;
    bool editing = isEditing();
    bool preferPayee = transaction->shouldPreferPayee();
    rows_.push_back({Row::Amount});
    if (preferPayee) rows_.push_back({Row::Payee});
    // Investment buys and sells have no split rows: their security, shares,
    // price and commission say what they are. A transfer has none either:
    // its amount row holds its one split, and its accounts are the
    // account and transfer rows.
    if (!transaction->isTransfer() && !transaction->isInvestmentBuySell()) {
        std::vector<TLSplit*> splits = transaction->getOrderedSplit();
        bool hideLoneSplit = preferPayee && transaction->uncategorized() && !editing;
        for (size_t i = 0; i < splits.size(); ++i) {
            if (!hideLoneSplit) rows_.push_back({Row::Split, static_cast<int>(i)});
        }
        if (editing && splits.size() > 1) rows_.push_back({Row::AddSplit});
    }
    if (showAccount) rows_.push_back({Row::Account});
    if (transaction->isTransfer()) rows_.push_back({Row::Transfer});
    if (!editing && transaction->isInvestmentBuySell()) {
        for (Row row : {Row::Security, Row::Shares, Row::Price, Row::Commission}) rows_.push_back({row});
    }
    if (editing) {
        if (!preferPayee) rows_.push_back({Row::Payee});
        rows_.push_back({Row::Date});
        rows_.push_back({Row::Number});
        rows_.push_back({Row::Notes});
        if (!transaction->isTransfer() && !transaction->uncategorized() && transaction->getOrderedSplit().size() < 2) {
            rows_.push_back({Row::SplitTransaction});
        }
        if (viewMode != 1) rows_.push_back({Row::Delete});
    } else {
        if (!preferPayee && transaction->payee() != nullptr) rows_.push_back({Row::Payee});
        rows_.push_back({Row::Date});
        if (!transaction->number().value_or("").empty()) rows_.push_back({Row::Number});
        if (!transaction->comments().value_or("").empty()) rows_.push_back({Row::Notes});
    }
    return rows_;
}

// ---- cells -------------------------------------------------------------------

int TransactionEditViewC::tableViewNumberOfRowsInSection(TableView&, int) { return static_cast<int>(rows_.size()); }

std::shared_ptr<TableViewCell> TransactionEditViewC::splitCell(int index, size_t row) {
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Value1, "split");
    TLSplit* split = splitAt(index);
    if (split == nullptr) return cell;
    bool editing = isEditing();
    bool isSplit = transaction->getOrderedSplit().size() > 1;
    TLCategory* category = split->category();
    // Right under the amount a lone split needs no name. (Transfers have no
    // split rows: "Transfer" under their amount says what they are.)
    if (index == 0 && !(row == 1 && !isSplit)) {
        cell->caption = editing && category != nullptr ? L("Cat.") : L("Category");
    }
    if (category != nullptr) {
        cell->setPicture(category->getImageSmall(true));
        cell->textLabel().text = category->name().value_or("");
    } else if (editing) {
        cell->textLabel().text = L("Select Category");
        cell->textLabel().color = kPlaceholder;
    } else if (isSplit) {
        cell->textLabel().text = L("Uncategorized");
    }
    cell->detailTextLabel().text = amountText(split->amount().value_or(Decimal::zero()));
    if (editing) cell->accessoryType = TableViewCell::Accessory::DetailDisclosureButton;
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::amountCell() {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Subtitle, "amount");
    cell->textLabel().text = amountText(transaction->getTotalAmount());
    cell->textLabel().color = transaction->isNegative() ? kNegative : kPositive;
    cell->textLabel().bold = true;
    cell->textLabel().fontSize = 24;
    std::string small;
    if (transaction->isTransfer()) {
        small = L("Transfer");
    } else if (transaction->isInvestmentBuySell()) {
        small = transaction->isNegative() ? L("Buy") : L("Sell");
    } else if (transaction->isSplit() && !transaction->shouldPreferPayee()) {
        small = L("Split");
    }
    cell->detailTextLabel().text = small;
    if (!small.empty()) cell->rowHeight = kAmountWithLabelHeight;
    cell->selectable = isEditing() && transaction->getOrderedSplit().size() < 2;
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::textRowCell(const std::shared_ptr<TableViewCell>& field,
                                                                  const std::string& label, const std::string& text) {
    bool notes = field == notesCell_;
    if (isEditing()) {
        field->textField->text = text;
        if (notes) field->rowHeight = notesHeight(text);
        // A tap on the notes row (beside the text) starts typing in them.
        field->selectable = notes;
        return field;
    }
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "field");
    cell->textLabel().text = label;
    cell->detailTextLabel().text = text;
    if (notes) cell->rowHeight = notesHeight(text);
    cell->selectable = false;
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::investmentCell(Row kind) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "field");
    cell->selectable = false;
    auto* investment = dynamic_cast<TLInvestmentTransaction*>(transaction);
    auto amount = [&](const std::optional<Decimal>& value) { return value ? amountText(*value) : std::string(); };
    switch (kind) {
        case Row::Security: {
            cell->textLabel().text = L("Security", "investment");
            TLSecurity* security = investment != nullptr ? investment->security() : nullptr;
            std::string name = security != nullptr ? security->name().value_or("") : "";
            cell->detailTextLabel().text = name.empty() ? L("Name") : name;
            if (name.empty()) cell->detailTextLabel().color = kPlaceholder;
            break;
        }
        case Row::Shares:
            cell->textLabel().text = L("Shares");
            if (investment != nullptr && investment->shares()) cell->detailTextLabel().text = investment->shares()->toString();
            break;
        case Row::Price:
            cell->textLabel().text = L("Price");
            if (investment != nullptr) cell->detailTextLabel().text = amount(investment->price());
            break;
        default:
            cell->textLabel().text = L("Commis.");
            if (investment != nullptr) cell->detailTextLabel().text = amount(investment->commission());
            break;
    }
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::payeeCell(size_t row) {
    bool editing = isEditing();
    TLPayee* payee = transaction->payee();
    std::string name = payee != nullptr ? payee->representationString().value_or("") : "";
    // A payee that comes first stands under the amount on its own.
    bool preferred = row == 1 && transaction->shouldPreferPayee();
    auto cell = std::make_shared<TableViewCell>(preferred ? TableViewCell::Style::Default : TableViewCell::Style::Value2,
                                                preferred ? "payee" : "field");
    cell->selectable = editing;
    if (editing) cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    if (preferred) {
        cell->textLabel().text = name;
        cell->textLabel().bold = true;
        cell->textLabel().fontSize = 18;
    } else {
        cell->textLabel().text = L("Payee");
        cell->detailTextLabel().text = name.empty() && editing ? L("Name") : name;
        if (name.empty()) cell->detailTextLabel().color = kPlaceholder;
    }
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::detailCell(Row kind) {
    bool editing = isEditing();
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value2, "field");
    cell->selectable = editing;
    if (editing) cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    bool choosable = editing;
    if (kind == Row::Account) {
        cell->textLabel().text = L("Account");
        TLAccount* account = transaction->account();
        cell->detailTextLabel().text = account != nullptr ? account->name().value_or("") : L("Name");
        choosable = editing && canChooseAccount();
    } else if (kind == Row::Transfer) {
        bool sending = transaction->transferPrimary().value_or(false);
        cell->textLabel().text = sending ? L("To") : L("From");
        TLAccount* other = transaction->transferAccount_;
        cell->detailTextLabel().text = other != nullptr ? other->name().value_or("") : L("Select Account");
        if (other == nullptr) cell->detailTextLabel().color = kPlaceholder;
        choosable = editing && sending && TLAccount::getAccounts().size() >= 2;
    } else if (kind == Row::Date) {
        cell->textLabel().text = L("Date");
        std::optional<Date> date = transaction->transactionDate();
        cell->detailTextLabel().text = date ? mediumDateText(*date) : "";
        cell->accessoryType = TableViewCell::Accessory::None;
        return cell;
    }
    cell->selectable = choosable;
    if (!choosable) cell->accessoryType = TableViewCell::Accessory::None;
    return cell;
}

std::shared_ptr<TableViewCell> TransactionEditViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    if (row >= rows_.size()) return std::make_shared<TableViewCell>();
    const RowInfo& info = rows_[row];
    switch (info.kind) {
        case Row::Amount: return amountCell();
        case Row::Split: return splitCell(info.split, row);
        case Row::AddSplit:
        case Row::SplitTransaction: {
            auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "action");
            cell->textLabel().text = info.kind == Row::AddSplit ? L("Add split") : L("Split Transaction");
            return cell;
        }
        case Row::Delete: {
            auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "delete");
            cell->textLabel().text = getDeleteButtonTitle();
            cell->textLabel().color = kNegative;
            cell->textLabel().centered = true;
            return cell;
        }
        case Row::Notes: return textRowCell(notesCell_, L("Notes"), transaction->comments().value_or(""));
        case Row::Number: return textRowCell(numberCell_, L("No."), transaction->number().value_or(""));
        case Row::Payee: return payeeCell(row);
        case Row::Security:
        case Row::Shares:
        case Row::Price:
        case Row::Commission: return investmentCell(info.kind);
        default: return detailCell(info.kind);
    }
}

void TransactionEditViewC::renderContent(SceneNode& content, SceneContext& context) {
    IconCDViewC::renderContent(content, context);
}

// ---- taps --------------------------------------------------------------------

void TransactionEditViewC::endTextEntry() {
    NotificationCenter::defaultCenter().postNotification("resignAllResponders", this);
    if (datePickerOpen_) {
        TLGlobal::sharedGlobal().datePicker().hideAnimated(false);
        datePickerOpen_ = false;
    }
}

void TransactionEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    IconCDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    auto row = static_cast<size_t>(indexPath.row);
    if (!isEditing() || row >= rows_.size()) return;
    endTextEntry();
    const RowInfo info = rows_[row];
    switch (info.kind) {
        case Row::Amount:
            if (transaction->getOrderedSplit().size() < 2) openAmount(0);
            return;
        case Row::Split:
            if (!transaction->isTransfer()) openCategory(info.split);
            return;
        case Row::AddSplit:
        case Row::SplitTransaction: return addSplit();
        case Row::Account:
            if (canChooseAccount()) openAccounts(false);
            return;
        case Row::Transfer:
            if (transaction->transferPrimary().value_or(false) && TLAccount::getAccounts().size() >= 2) openAccounts(true);
            return;
        case Row::Payee: return openPayee();
        case Row::Date: return openDate();
        case Row::Notes: return notesCell_->textField->becomeFirstResponder();
        case Row::Delete: return showDeleteConfirmationSheet();
        default: return;
    }
}

void TransactionEditViewC::tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    if (!isEditing() || row >= rows_.size() || rows_[row].kind != Row::Split) return;
    endTextEntry();
    openAmount(rows_[row].split);
}

void TransactionEditViewC::openAmount(int splitIndex) {
    TLSplit* split = splitAt(splitIndex);
    if (split == nullptr) return;
    editingSplitIndex = splitIndex;
    auto amount = std::make_shared<AmountViewC>();
    amount->setTransaction(transaction);
    amount->setAmount(split->amount().value_or(Decimal::zero()));
    amount->setCanSelectCurrency(true);
    pushView(amount, 0);
}

void TransactionEditViewC::openCategory(int splitIndex) {
    editingSplitIndex = splitIndex;
    auto chooser = std::make_shared<SelectCategoryViewC>();
    chooser->transaction = transaction;
    if (TLSplit* split = splitAt(splitIndex); split != nullptr && split->category() != nullptr) {
        chooser->selectedCategoriesArray.push_back(split->category());
    }
    pushView(chooser, 0);
}

void TransactionEditViewC::openPayee() {
    auto chooser = std::make_shared<PayeeSelectionViewC>();
    pushView(chooser, 0);
}

void TransactionEditViewC::openDate() {
    TLDatePicker& picker = TLGlobal::sharedGlobal().datePicker();
    picker.picker().setDate(transaction->transactionDate().value_or(Date::now()));
    picker.delegate = this;
    picker.showAnimated(workAnimated);
    datePickerOpen_ = true;
}

void TransactionEditViewC::datePickerDateChanged(TLDatePicker* picker) {
    if (picker == nullptr || transaction == nullptr) return;
    transaction->setTransactionDate(picker->picker().date());
    tableView().reloadData();
}

void TransactionEditViewC::openAccounts(bool transfer) {
    isSelectingTransfer = transfer;
    TLAccount* marked = transfer ? transaction->transferAccount_ : transaction->account();
    accountChooser_ = std::make_shared<AccountChooserViewC>(marked, transfer ? transaction->account() : nullptr);
    presentModalView(accountChooser_, 0);
}

void TransactionEditViewC::addSplit() {
    editingSplitIndex = static_cast<int>(transaction->getOrderedSplit().size());
    TLSplit* split = insertSplit(transaction);
    TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::TransactionEditor, split);
}

// ---- results -----------------------------------------------------------------

void TransactionEditViewC::keepOnlyTransferSplit(TLSplit* edited) {
    if (!transaction->isTransfer() || edited == nullptr) return;
    edited->changeCategoryTo(nullptr);
    for (TLSplit* split : transaction->getOrderedSplit()) {
        if (split != edited) TLDatabase::sharedDatabase().deleteObject(split);
    }
    TLDatabase::sharedDatabase().context()->processPendingChanges();
}

void TransactionEditViewC::willPopNextView(TLNavigationViewC* next) {
    if (auto* chooser = dynamic_cast<SelectCategoryViewC*>(next)) {
        if (!chooser->isCanceled && chooser->category != nullptr) {
            if (TLSplit* split = splitAt(editingSplitIndex)) {
                split->changeCategoryTo(chooser->category);
            } else {
                insertSplit(transaction)->changeCategoryTo(chooser->category);
            }
        }
        editingSplitIndex = -1;
    } else if (auto* payees = dynamic_cast<PayeeSelectionViewC*>(next)) {
        if (!payees->isCanceled && payees->payee != nullptr) transaction->setPayee(payees->payee);
    } else if (auto* amount = dynamic_cast<AmountViewC*>(next)) {
        if (!amount->isCanceled) {
            TLSplit* edited = splitAt(editingSplitIndex);
            keepOnlyTransferSplit(edited);
            if (edited != nullptr) edited->changeAmountTo(magnitude(amount->getAmount()));
            if (amount->currency() != nullptr) transaction->changeCurrencyTo(amount->currency());
        }
        editingSplitIndex = -1;
    }
    reloadData();
}

void TransactionEditViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (accountChooser_ && modal == accountChooser_.get()) {
        accountChosen(*accountChooser_);
        accountChooser_.reset();
    } else if (editingSplitIndex >= 0) {
        // The entry wizard's new split is done (or was taken back).
        TLSplit* added = splitAt(editingSplitIndex);
        keepOnlyTransferSplit(added);
        editingSplitIndex = -1;
    }
    reloadData();
    updateTitleAndButtons();
}

void TransactionEditViewC::accountChosen(AccountChooserViewC& list) {
    TLAccount* chosen = list.account;
    if (list.isCanceled || chosen == nullptr) return;
    if (isSelectingTransfer) {
        transaction->transferAccount_ = chosen;
        canSave_ = true;
        return;
    }
    // A schedule's working transaction books nothing, so it only takes the
    // account; a real one carries its amount over to the new balance.
    if (editsSchedule()) {
        transaction->setAccount(chosen);
    } else {
        changeAccountTo(chosen);
    }
    if (transaction->transferAccount_ != nullptr && transaction->transferAccount_ == transaction->account()) {
        transaction->transferAccount_ = TLGlobal::sharedGlobal().getOtherAccountToAccount(transaction->account());
        canSave_ = transaction->transferAccount_ != nullptr;
    }
}

bool TransactionEditViewC::canChooseAccount() const {
    return (viewMode == 1 || editsSchedule()) && TLAccount::getAccounts().size() >= 2;
}

void TransactionEditViewC::changeAccountTo(TLAccount* account) {
    if (transaction == nullptr || account == nullptr) return;
    transaction->changeAccountTo(account);
}

// ---- swipe deletion ----------------------------------------------------------

bool TransactionEditViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    if (!isEditing() || row >= rows_.size()) return false;
    const RowInfo& info = rows_[row];
    if (info.kind == Row::Payee) return transaction->payee() != nullptr;
    if (info.kind == Row::AddSplit) return true;
    if (info.kind != Row::Split || transaction->isTransfer()) return false;
    TLSplit* split = splitAt(info.split);
    return split != nullptr && (split->category() != nullptr || transaction->getOrderedSplit().size() > 1);
}

TableViewCellEditingStyle TransactionEditViewC::tableViewEditingStyleForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    if (!tableViewCanEditRowAtIndexPath(table, indexPath)) return TableViewCellEditingStyle::None;
    return rows_[static_cast<size_t>(indexPath.row)].kind == Row::AddSplit ? TableViewCellEditingStyle::Insert
                                                                           : TableViewCellEditingStyle::Delete;
}

void TransactionEditViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    if (row >= rows_.size()) return;
    const RowInfo info = rows_[row];
    if (info.kind == Row::Payee) {
        transaction->setPayee(nullptr);
    } else if (info.kind == Row::Split) {
        TLSplit* split = splitAt(info.split);
        if (split == nullptr) return;
        if (transaction->getOrderedSplit().size() > 1) {
            TLDatabase::sharedDatabase().deleteObject(split);
            TLDatabase::sharedDatabase().context()->processPendingChanges();
        } else {
            split->changeCategoryTo(nullptr);
        }
        if (transaction->getOrderedSplit().empty()) insertSplit(transaction);
    }
    reloadData();
}

void TransactionEditViewC::tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) {
    endTextEntry();
    openCategory(-1);
}

// ---- save, cancel, delete ----------------------------------------------------

void TransactionEditViewC::rightAction() {
    if (isEditing()) return saveAction();
    if (isReadOnly()) return;
    toggleEdit();
    updateTitleAndButtons();
}

void TransactionEditViewC::leftAction() {
    if (isEditing()) return cancelAction();
    popView();
}

void TransactionEditViewC::saveAction() {
    if (!canSave_) return;
    endTextEntry();
    transaction->setSearchString(transaction->getSearchString());
    bool isTransfer = transaction->type() == TLTransactionType::Transfer;
    if (!isTransfer && transaction->transferCopy() != nullptr) {
        transaction->transferCopy()->deleteTransactionWithTransferCopy(false);
        transaction->setTransferCopy(nullptr);
    } else if (isTransfer && transaction->transferAccount_ != nullptr) {
        if (transaction->transferPrimary().value_or(false)) {
            transaction->transferToAccount(transaction->transferAccount_);
        } else {
            transaction->transferFromAccount(transaction->transferAccount_);
        }
    }
    TLDatabase& database = TLDatabase::sharedDatabase();
    TLWizard& wizard = TLWizard::activeWizard();
    if (wizard.isActive() && wizard.activeView() == this) {
        wizard.end();
        database.save();
        return;
    }
    database.save();
    if (viewMode == 1) return popView();
    viewMode = 0;
    setEditing(false, workAnimated);
    updateTitleAndButtons();
}

void TransactionEditViewC::cancelAction() {
    isCanceled = true;
    endTextEntry();
    TLWizard& wizard = TLWizard::activeWizard();
    if (wizard.isActive() && wizard.activeView() == this) {
        // Everything the wizard made (the transaction, a new payee or
        // category) goes with it.
        transaction = nullptr;
        return wizard.cancel();
    }
    if (viewMode == 1) {
        transaction->deleteTransactionWithTransferCopy(true);
        transaction = nullptr;
        TLGlobal::sharedGlobal().setShouldMissDeselect(true);
        return popView();
    }
    TLDatabase::sharedDatabase().rollback();
    canSave_ = true;
    // The rows as stored again, then the switch, so that it animates.
    reloadData();
    setEditing(false, workAnimated);
    updateTitleAndButtons();
}

void TransactionEditViewC::deleteAction(int buttonIndex) {
    if (buttonIndex != 0) return;
    endTextEntry();
    if (processingImage) {
        performAfterDelay(1.0, [this] { deleteTransaction(); });
        return;
    }
    deleteTransaction();
}

void TransactionEditViewC::deleteTransaction() {
    if (transaction == nullptr) return;
    transaction->deleteTransactionWithTransferCopy(true);
    transaction = nullptr;
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    TLDatabase::sharedDatabase().save();
    popView();
}

bool TransactionEditViewC::keyPressed(const std::string& key) {
    if (!isEditing()) return false;
    if (key == "Escape") {
        cancelAction();
        return true;
    }
    if (key != "Enter" || !canSave_) return false;
    saveAction();
    return true;
}

// ---- picture -----------------------------------------------------------------

void TransactionEditViewC::useImage(const Image& image) {
    IconCDViewC::useImage(image);
    if (transaction == nullptr || !icon.image) return;
    TLImageRecord* record = transaction->imageRecord();
    if (record == nullptr) {
        record = static_cast<TLImageRecord*>(TLDatabase::sharedDatabase().createObjectForEntity("ImageRecord"));
        transaction->setImageRecord(record);
    }
    record->setContent(icon.image->encodePNG());
}

void TransactionEditViewC::deleteImage() {
    if (transaction != nullptr && transaction->imageRecord() != nullptr) {
        TLDatabase::sharedDatabase().deleteObject(transaction->imageRecord());
        transaction->setImageRecord(nullptr);
    }
    IconCDViewC::deleteImage();
    showStoredPicture();
}

}  // namespace tallo
