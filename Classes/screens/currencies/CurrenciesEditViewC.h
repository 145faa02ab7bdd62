#pragma once
// CurrenciesEditViewC: the person's currencies with their exchange rates,
// used two ways.
//
// As the currency manager (Settings → Currencies, view mode 0, "Currencies"
// with an Edit button): the first row is the default currency ("1 USD"), every
// other row the rate from its currency into the default one ("1 EUR =
// 1.3000 USD"; grey while the download keeps it, black once typed). In edit
// mode an "Add currency" row opens the alphabetical list of the currencies
// not yet added; rows are dragged to reorder (row 0 becomes the default, and
// `order` follows the rows); a currency no account and no transaction uses
// can be deleted (deleting the default makes the next one default); tapping a
// rate opens the keypad for it — Done stores the typed rate and, from the
// "Automatic" switch, whether downloads keep it up to date; Cancel changes
// nothing. Done saves the store; Cancel undoes every unsaved change.
//
// As a chooser (kChooserMode, presented): for an account (`account` set) a
// tap on a row chooses its currency and closes; for a transaction
// (`transaction` set, isSelecting) the account's currency is the first row
// and the rates are into it: a tap on a row's left part moves the
// transaction to that currency at the row's rate and closes, a tap on the
// rate opens the keypad for the transaction's own rate. The opener reads
// `currency` in willDismissModalView unless isCanceled.
//
// Pulling the list down downloads the rates (TLUpdateView); with no quote
// service configured the header says so instead. Leaving the screen clears
// the rates cache, so a new default currency and new rates count at once.

#include <memory>
#include <string>
#include <vector>

#include "Classes/currencies/TLUpdateView.h"
#include "Classes/shell/CDViewC.h"

namespace tallo {

class TLAccount;
class TLCurrency;
class TLRateRecord;
class TLTransaction;

class CurrenciesEditViewC : public CDViewC {
public:
    // The view mode of a chooser (and of the manager opened for editing).
    static constexpr int kChooserMode = 2;

    CurrenciesEditViewC();
    ~CurrenciesEditViewC() override;

    TLAccount* account = nullptr;
    TLTransaction* transaction = nullptr;
    bool isSelecting = false;
    // The chosen currency, handed back to the opener.
    TLCurrency* currency = nullptr;

    // The rows: the currencies by order and code; for a transaction's
    // chooser the account's currency first.
    const std::vector<TLCurrency*>& currenciesArray() const { return currenciesArray_; }
    TLCurrency* defaultCurrency() const { return defaultCurrency_; }
    TLRateRecord* editingRecord() const { return editingRecord_; }
    const std::vector<TLCurrency*>& insertedCurrenciesArray() const { return insertedCurrenciesArray_; }
    bool shouldUpdateOnDone() const { return shouldUpdateOnDone_; }
    TLUpdateView& updateView() { return updateView_; }
    // The header's text instead of updating when no quote service is set.
    static const char* noServiceText() { return "No rate service set"; }

    void createCurrenciesArray();
    // A currency used by no account and no transaction.
    static bool canDeleteCurrency(TLCurrency* currency);
    // Starts a rate download, the header working meanwhile.
    void updateCurrencies();
    // The currencies list for new currencies.
    void insertCurrency();
    // The picker added `added` (nothing: closed without a choice).
    void currencyInserted(TLCurrency* added);

    std::string getEntityName() override { return "Currency"; }
    std::vector<SortDescriptor> getSortDescriptorsArray() override;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void viewWillDisappear(bool animated) override;
    void toggleEdit() override;
    void rightAction() override;
    void leftAction() override;
    void willPopNextView(TLNavigationViewC* next) override;
    void renderHeaderView(SceneNode& content, SceneContext& context) override;
    void controllerDidChangeContent() override;

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::string tableViewTitleForFooterInSection(TableView&, int) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanMoveRowAtIndexPath(TableView&, IndexPath indexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewMoveRowAtIndexPathToIndexPath(TableView&, IndexPath from, IndexPath to) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidPullToRefresh(TableView&) override;

private:
    int insertRow() const { return static_cast<int>(currenciesArray_.size()); }
    bool isChoosingForTransaction() const { return transaction != nullptr && isSelecting; }
    TLCurrency* currencyAtRow(int row) const;
    void ratesDownloaded();
    // Row taps of the transaction chooser: its own currency (first row) or another.
    void chooseForTransaction(int row, bool withRate);
    void editRate(int row);
    // Closes a chooser (its opener reads `currency`).
    void close();

    std::vector<TLCurrency*> currenciesArray_;
    TLCurrency* defaultCurrency_ = nullptr;
    TLRateRecord* editingRecord_ = nullptr;
    // The currency whose rate the transaction chooser's keypad is typing.
    TLCurrency* editingCurrency_ = nullptr;
    std::vector<TLCurrency*> insertedCurrenciesArray_;
    bool shouldUpdateOnDone_ = false;
    bool noService_ = false;
    TLUpdateView updateView_;
};

}  // namespace tallo
