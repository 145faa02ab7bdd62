#pragma once
// TransactionsViewC: an account's register — its transactions newest
// first under one heading per day (the medium date), 25 at a time, with
// the search bar above, the balance bar ("Balance:") below and "+" for a
// new transaction (none in investment and loan accounts, which are not
// edited here).
//
// Paging: when as many transactions were fetched as the limit allows, the
// last section ends in a row "Show 25 more..."; selecting it raises the
// limit by 25. An account of exactly 25 shows the row once; after it, the
// same 25 and no row. The search pages the same way.
//
// Search: the transactions of this account whose search text contains the
// typed text, ignoring case and accents ("cafe" finds "Café"), newest
// first, in one section without heading.
//
// Deleting (swipe): any transaction row, the search's too, except a
// transfer shown in a loan account; a transfer's other side is deleted with
// it. The store is saved and the balance bar follows.
//
// Credit limit: each time the register of a credit card comes into view
// while the balance is below the limit (and the warning was not silenced),
// "Limit exceeded" says by how much; "Don't Remind" silences it for good
// (the account's `closed` mark, saved).

#include <memory>
#include <string>
#include <vector>

#include "Classes/controls/TLNetworthView.h"
#include "Classes/shell/TLSearchViewC.h"
#include "Platform/foundation/DateFormatter.h"

namespace tallo {

class TLAccount;
class TLTransaction;

class TransactionsViewC : public TLSearchViewC {
public:
    static constexpr size_t kPageSize = 25;
    static constexpr double kBalanceBarHeight = 26;
    static constexpr double kSectionHeaderHeight = 23;

    TransactionsViewC();
    ~TransactionsViewC() override;

    // Set by the accounts list before the screen is shown.
    void setAccount(TLAccount* account) { account_ = account; }
    TLAccount* account() const { return account_; }

    // The day sections of the last reload, in display order.
    std::vector<std::vector<TLTransaction*>> sectionsArray;
    std::vector<std::string> sectionsTitlesArray;
    TLNetworthView& networthView() { return networthView_; }
    bool dontRecreateSections = false;

    std::string getEntityName() override { return "Transaction"; }
    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;
    void reloadData() override;
    void configureView() override;
    // "+": where a new transaction of this account starts the entry wizard.
    void rightAction() override;

    // Fetches and groups the transactions by day.
    void createSectionsArray();
    // Groups the transactions fetched last by day (every time the table is
    // drawn, unless dontRecreateSections).
    void buildSections();
    // The "Show 25 more..." row.
    bool isExtraCellAtLastSection(IndexPath indexPath);
    bool isLastCellAt(IndexPath indexPath);
    IndexPath lastCellIndexPath();
    // The transaction of a row (register or search), or nothing.
    TLTransaction* transactionAtIndexPath(IndexPath indexPath);

    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;

private:
    // Whether the fetch filled the limit: one more page may follow.
    bool registerHasMore() const;
    bool searchHasMore() const;
    void showMore();
    void warnOfCreditLimit();
    std::string extraRowTitle() const;

    TLAccount* account_ = nullptr;
    TLNetworthView networthView_;
    DateFormatter headingFormatter_;
    size_t fetchedCount_ = 0;
    std::shared_ptr<AlertView> limitAlert_;
};

}  // namespace tallo
