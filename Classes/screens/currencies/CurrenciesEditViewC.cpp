#include "Classes/screens/currencies/CurrenciesEditViewC.h"

#include <algorithm>
#include <cstdio>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/screens/currencies/CurrencyInsertViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

namespace {

constexpr int kRatePrecision = 4;
// A rate the download keeps is grey; one typed by hand black.
const Color kAutomaticRateColor = Color::white(0.5);
const Color kManualRateColor = Color::white(0);

std::string codeOf(const TLCurrency* currency) { return currency != nullptr ? currency->code().value_or("") : ""; }

// The record from → to: looked up among from's own records (a fetch would
// scan every record of the store for each row), made when missing.
TLRateRecord* rateRecord(TLCurrency* from, TLCurrency* to) {
    if (from == nullptr || to == nullptr) return nullptr;
    for (TLRateRecord* record : from->ratesFrom()) {
        if (record->currTo() == to && !record->isDeleted()) return record;
    }
    return TLGlobal::sharedGlobal().getRateRecordFrom(from, to);
}

// "1 EUR = 1.3000 USD": one unit of the record's currency in the other one.
std::string rateText(const TLRateRecord* record) {
    double value = record->oneFromInTo().value_or(Decimal::zero()).doubleValue();
    char number[64];
    std::snprintf(number, sizeof number, "%6.4f", value);
    std::string digits = number;
    digits.erase(0, digits.find_first_not_of(' '));
    return stringWithFormat(L("1 %@"), {codeOf(record->currFrom())}) + " = " + digits + " " + codeOf(record->currTo());
}

}  // namespace

CurrenciesEditViewC::CurrenciesEditViewC() : CDViewC(TableView::Style::Grouped) {
    setTitle(L("Currencies"));
    canCreateRecord = true;
    NotificationCenter::defaultCenter().addObserver(this, "ratesDownloaded", [this](const Notification&) { ratesDownloaded(); });
}

CurrenciesEditViewC::~CurrenciesEditViewC() { NotificationCenter::defaultCenter().removeObserver(this); }

std::vector<SortDescriptor> CurrenciesEditViewC::getSortDescriptorsArray() {
    return {SortDescriptor{"order", true, SortDescriptor::Comparison::Compare},
            SortDescriptor{"code", true, SortDescriptor::Comparison::Compare}};
}

void CurrenciesEditViewC::viewDidLoad() {
    CDViewC::viewDidLoad();
    isHeaderViewEnabled = true;
    updateView_.startDownload = [] { TLCurrencyCenter::sharedCenter().downloadRatesOfActiveCurrencies(); };
    performFetch();
    createCurrenciesArray();
}

void CurrenciesEditViewC::prepareForMode(int mode) {
    if (mode != kChooserMode) {
        setTitle(L("Currencies"));
        setRightBarButtonType(TLBarButtonType::Edit);
        setLeftBarButtonType(TLBarButtonType::Back);
        return;
    }
    setTitle(isChoosingForTransaction() ? L("Select Currency") : L("Edit Currencies"));
    setEditing(true, false);
    setRightBarButtonType(TLBarButtonType::Done);
    setLeftBarButtonType(TLBarButtonType::Cancel);
}

void CurrenciesEditViewC::viewWillDisappear(bool animated) {
    CDViewC::viewWillDisappear(animated);
    // A new default currency and new rates count from now on.
    TLGlobal::sharedGlobal().clearRatesCache();
}

// ---- rows -------------------------------------------------------------------

void CurrenciesEditViewC::createCurrenciesArray() {
    std::vector<TLCurrency*> rows;
    if (FetchedResultsController* controller = frc()) {
        for (ManagedObject* object : controller->fetchedObjects()) rows.push_back(static_cast<TLCurrency*>(object));
    }
    // The transaction's chooser shows rates into the account's currency.
    TLCurrency* accountCurrency = isChoosingForTransaction() && transaction->account() != nullptr
                                      ? transaction->account()->currency()
                                      : nullptr;
    auto top = std::find(rows.begin(), rows.end(), accountCurrency);
    if (accountCurrency != nullptr && top != rows.end()) std::rotate(rows.begin(), top, top + 1);
    currenciesArray_ = std::move(rows);
    defaultCurrency_ = currenciesArray_.empty() ? nullptr : currenciesArray_.front();
}

TLCurrency* CurrenciesEditViewC::currencyAtRow(int row) const {
    if (row < 0 || row >= insertRow()) return nullptr;
    return currenciesArray_[static_cast<size_t>(row)];
}

bool CurrenciesEditViewC::canDeleteCurrency(TLCurrency* currency) {
    return currency != nullptr && currency->accounts().size() == 0 && currency->transactions().size() == 0;
}

void CurrenciesEditViewC::controllerDidChangeContent() {
    createCurrenciesArray();
    tableView().reloadData();
}

int CurrenciesEditViewC::tableViewNumberOfRowsInSection(TableView&, int) {
    return insertRow() + (isEditing() ? 1 : 0);
}

std::shared_ptr<TableViewCell> CurrenciesEditViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
    TLCurrency* rowCurrency = currencyAtRow(indexPath.row);
    if (rowCurrency == nullptr) {
        cell->textLabel().text = L("Add currency");
        // Not while an update is running: the new currency's rates come with the next one.
        cell->selectable = updateView_.state() != 2;
        return cell;
    }
    cell->textLabel().text = rowCurrency->title().value_or(codeOf(rowCurrency));
    if (indexPath.row == 0) {
        cell->detailTextLabel().text = stringWithFormat(L("1 %@"), {codeOf(rowCurrency)});
    } else if (TLRateRecord* record = rateRecord(rowCurrency, defaultCurrency_)) {
        cell->detailTextLabel().text = rateText(record);
        cell->detailTextLabel().color = record->automatic().value_or(false) ? kAutomaticRateColor : kManualRateColor;
    }
    bool accountChooser = viewMode == kChooserMode && !isChoosingForTransaction() && account != nullptr;
    if (!accountChooser && (indexPath.row > 0 || isChoosingForTransaction())) {
        cell->accessoryType = TableViewCell::Accessory::DetailDisclosureButton;
    }
    if (isChoosingForTransaction() && rowCurrency == transaction->currency()) {
        cell->accessoryType = TableViewCell::Accessory::Checkmark;
    }
    return cell;
}

std::string CurrenciesEditViewC::tableViewTitleForFooterInSection(TableView&, int) {
    return L("Drag to the top to make default. Tap to change rate.");
}

bool CurrenciesEditViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    // Deleting and adding belong to edit mode: no swipe-to-delete outside it.
    if (!isEditing()) return false;
    if (indexPath.row == insertRow()) return true;
    return canDeleteCurrency(currencyAtRow(indexPath.row));
}

bool CurrenciesEditViewC::tableViewCanMoveRowAtIndexPath(TableView&, IndexPath indexPath) {
    return currencyAtRow(indexPath.row) != nullptr;
}

TableViewCellEditingStyle CurrenciesEditViewC::tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return indexPath.row == insertRow() ? TableViewCellEditingStyle::Insert : TableViewCellEditingStyle::Delete;
}

// ---- editing the list -------------------------------------------------------

void CurrenciesEditViewC::tableViewMoveRowAtIndexPathToIndexPath(TableView& table, IndexPath from, IndexPath to) {
    if (currencyAtRow(from.row) == nullptr) return;
    // Never below the last currency (the "Add currency" row stays last).
    int target = std::clamp(to.row, 0, insertRow() - 1);
    std::vector<TLCurrency*> rows = currenciesArray_;
    TLCurrency* moved = rows[static_cast<size_t>(from.row)];
    rows.erase(rows.begin() + from.row);
    rows.insert(rows.begin() + target, moved);
    // The rows between the two places take their row as order; row 0 is the default.
    for (int row = std::min(from.row, target); row <= std::max(from.row, target); ++row) {
        TLCurrency* currency = rows[static_cast<size_t>(row)];
        currency->setOrder(row);
        currency->setDefault(row == 0);
    }
    currenciesArray_ = rows;
    defaultCurrency_ = rows.front();
    table.reloadData();
}

void CurrenciesEditViewC::tableViewCommitDeleteForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLCurrency* doomed = currencyAtRow(indexPath.row);
    if (!canDeleteCurrency(doomed)) return;
    bool wasFirst = indexPath.row == 0;
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    TLDatabase::sharedDatabase().deleteObject(doomed);
    performFetch();
    createCurrenciesArray();
    if (wasFirst && !currenciesArray_.empty()) currenciesArray_.front()->setDefault(true);
    for (size_t row = 0; row < currenciesArray_.size(); ++row) currenciesArray_[row]->setOrder(static_cast<int>(row));
    table.reloadData();
}

void CurrenciesEditViewC::tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) { insertCurrency(); }

void CurrenciesEditViewC::insertCurrency() {
    if (updateView_.state() == 2) return;
    auto picker = std::make_shared<CurrencyInsertViewC>();
    pushView(picker, 0);
}

void CurrenciesEditViewC::currencyInserted(TLCurrency* added) {
    if (added == nullptr) return;
    insertedCurrenciesArray_.push_back(added);
    shouldUpdateOnDone_ = true;
    performFetch();
    createCurrenciesArray();
    tableView().reloadData();
    // A chooser wants the new currency's rate now.
    if (viewMode == kChooserMode) updateCurrencies();
}

// ---- taps ---------------------------------------------------------------------

void CurrenciesEditViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    CDViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row == insertRow()) return insertCurrency();
    TLCurrency* rowCurrency = currencyAtRow(indexPath.row);
    if (rowCurrency == nullptr) return;
    if (isChoosingForTransaction()) return chooseForTransaction(indexPath.row, false);
    if (viewMode == kChooserMode && account != nullptr) {
        currency = rowCurrency;
        return close();
    }
    // The manager: the default currency has no rate; the others open theirs.
    if (indexPath.row > 0) editRate(indexPath.row);
}

void CurrenciesEditViewC::tableViewAccessoryButtonTappedForRowWithIndexPath(TableView& table, IndexPath indexPath) {
    TLCurrency* rowCurrency = currencyAtRow(indexPath.row);
    if (rowCurrency == nullptr) return;
    if (isChoosingForTransaction()) return chooseForTransaction(indexPath.row, true);
    if (viewMode == kChooserMode && account != nullptr) return tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row > 0) editRate(indexPath.row);
}

void CurrenciesEditViewC::chooseForTransaction(int row, bool withRate) {
    TLCurrency* rowCurrency = currencyAtRow(row);
    if (row == 0) {
        // The account's own currency: no rate any more.
        transaction->changeCurrencyTo(rowCurrency);
        transaction->deleteRatesToAccountCurrency();
        currency = rowCurrency;
        return close();
    }
    TLRateRecord* record = rateRecord(rowCurrency, defaultCurrency_);
    if (transaction->currency() != rowCurrency) {
        transaction->changeCurrencyTo(rowCurrency);
        if (record != nullptr) transaction->setValueToRateRecordToAccount(record->oneFromInTo().value_or(Decimal::one()));
    }
    currency = rowCurrency;
    if (!withRate) return close();
    TLTransactionRate* own = transaction->getRateToAccount();
    Decimal rate = own != nullptr && own->rate() ? *own->rate()
                                                 : (record != nullptr ? record->oneFromInTo().value_or(Decimal::one()) : Decimal::one());
    editingCurrency_ = rowCurrency;
    editingRecord_ = record;
    auto amount = std::make_shared<AmountViewC>();
    amount->setType(AmountViewType::ExchangeRate);
    amount->setTitle(stringWithFormat(L("%@ to %@ rate"), {codeOf(rowCurrency), codeOf(defaultCurrency_)}));
    amount->setIsCurrency(false);
    amount->setPrecision(kRatePrecision);
    amount->setAmount(rate);
    pushView(amount, 0);
    tableView().reloadData();
}

void CurrenciesEditViewC::editRate(int row) {
    TLCurrency* rowCurrency = currencyAtRow(row);
    TLRateRecord* record = rateRecord(rowCurrency, defaultCurrency_);
    if (record == nullptr) return;
    // The record stays as it is until Done: a cancelled entry must leave an
    // automatic rate automatic, or the downloads would stop updating it.
    editingRecord_ = record;
    editingCurrency_ = nullptr;
    auto amount = std::make_shared<AmountViewC>();
    amount->setTitle(stringWithFormat(L("%@ to %@ rate"), {codeOf(rowCurrency), codeOf(defaultCurrency_)}));
    amount->setIsCurrency(false);
    amount->setPrecision(kRatePrecision);
    amount->setAmount(record->oneFromInTo().value_or(Decimal::one()));
    amount->setIsAutomatic(false);
    pushView(amount, 0);
}

void CurrenciesEditViewC::willPopNextView(TLNavigationViewC* next) {
    if (auto* picker = dynamic_cast<CurrencyInsertViewC*>(next)) return currencyInserted(picker->insertedCurrency());
    auto* amount = dynamic_cast<AmountViewC*>(next);
    if (amount == nullptr) return;
    TLRateRecord* record = editingRecord_;
    TLCurrency* rateCurrency = editingCurrency_;
    editingRecord_ = nullptr;
    editingCurrency_ = nullptr;
    if (amount->isCanceled) return;
    Decimal value = amount->getAmount();
    if (rateCurrency != nullptr && isChoosingForTransaction()) {
        // The transaction's own rate, and the global rate with it.
        transaction->changeCurrencyTo(rateCurrency);
        transaction->setValueToRateRecordToAccount(value);
        if (record != nullptr) record->setOneFromInTo(value);
        currency = rateCurrency;
    } else if (record != nullptr) {
        record->setOneFromInTo(value);
        record->setAutomatic(amount->isAutomatic());
        // Typed outside editing, the rate is kept at once.
        if (!isEditing()) TLDatabase::sharedDatabase().save();
    }
    tableView().reloadData();
}

// ---- buttons ------------------------------------------------------------------

void CurrenciesEditViewC::toggleEdit() {
    CDViewC::toggleEdit();
    tableView().reloadData();
}

void CurrenciesEditViewC::rightAction() {
    if (!isEditing()) return toggleEdit();
    if (viewMode == kChooserMode) {
        // The opener's own save keeps what the chooser changed (its cancel
        // undoes it), so the chooser saves nothing of an unfinished edit.
        if (shouldUpdateOnDone_) updateCurrencies();
        shouldUpdateOnDone_ = false;
        if (isChoosingForTransaction() && currency == nullptr) currency = transaction->currency();
        return close();
    }
    TLDatabase::sharedDatabase().save();
    if (shouldUpdateOnDone_) updateCurrencies();
    shouldUpdateOnDone_ = false;
    insertedCurrenciesArray_.clear();
    toggleEdit();
}

void CurrenciesEditViewC::leftAction() {
    if (viewMode == kChooserMode) {
        isCanceled = true;
        currency = nullptr;
        return close();
    }
    if (!isEditing()) return popView();
    // Every change of this visit that was not saved is undone.
    TLDatabase::sharedDatabase().rollback();
    insertedCurrenciesArray_.clear();
    shouldUpdateOnDone_ = false;
    performFetch();
    createCurrenciesArray();
    toggleEdit();
}

void CurrenciesEditViewC::close() { popView(); }

// ---- rate download ------------------------------------------------------------

void CurrenciesEditViewC::updateCurrencies() {
    if (TLCurrencyCenter::sharedCenter().quoteServiceURL().empty()) {
        noService_ = true;
        return;
    }
    noService_ = false;
    if (updateView_.state() == 2) return;
    updateView_.setState(2);
    if (updateView_.startDownload) updateView_.startDownload();
    tableView().reloadData();
}

void CurrenciesEditViewC::tableViewDidPullToRefresh(TableView&) {
    if (TLCurrencyCenter::sharedCenter().quoteServiceURL().empty()) {
        noService_ = true;
        return;
    }
    noService_ = false;
    // Pulled past the header and let go.
    updateView_.scrollViewDidScroll(-60, true);
    updateView_.scrollViewDidScroll(0, false);
    tableView().reloadData();
}

void CurrenciesEditViewC::ratesDownloaded() {
    performFetch();
    createCurrenciesArray();
    updateView_.setState(0);
    updateView_.updateDate();
    tableView().reloadData();
}

void CurrenciesEditViewC::renderHeaderView(SceneNode& content, SceneContext&) {
    if (noService_) {
        SceneNode& header = content.add(SceneNode("updater"));
        header.set("status", L(noServiceText()));
        header.set("state", 0);
        return;
    }
    if (updateView_.state() != 0) updateView_.render(content);
}

}  // namespace tallo
