#include "Classes/screens/transactions/TransactionsViewC.h"

#include <algorithm>

#include "Classes/controls/TransactionCell.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/accounts/AccountTypeName.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

TransactionsViewC::TransactionsViewC() : networthView_(L("Balance:")) {
    headingFormatter_.setDateStyle(DateStyle::Medium);
    headingFormatter_.setTimeStyle(DateStyle::None);
}

TransactionsViewC::~TransactionsViewC() = default;

std::shared_ptr<const Predicate> TransactionsViewC::getPredicate() {
    return Predicate::parse("account == %@", {Value(static_cast<ManagedObject*>(account_))});
}

std::vector<SortDescriptor> TransactionsViewC::getSortDescriptorsArray() { return {{"transactionDate", false}}; }

void TransactionsViewC::configureView() {
    canCreateRecord = false;
    networthHeight = kBalanceBarHeight;
}

void TransactionsViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    label = L("No transactions");
    if (account_ != nullptr && account_->isNotSupported()) {
        label2 = stringWithFormat(L("Editing %@ account is not supported on iPhone."),
                                  {accountTypeName(account_->type().value_or(TLAccountType::Bank))});
        removeRightBarButton();
    } else {
        label2 = L("Press \"+\" to create your first transaction.");
        setRightBarButtonType(TLBarButtonType::Add);
    }
    setFetchLimit(kPageSize);
    if (account_ != nullptr) setTitle(account_->name().value_or(""));
}

void TransactionsViewC::viewWillAppear(bool animated) {
    TLSearchViewC::viewWillAppear(animated);
    if (account_ != nullptr) networthView_.setCurrency(account_->currency());
    reloadData();
}

void TransactionsViewC::viewDidAppear(bool animated) {
    TLSearchViewC::viewDidAppear(animated);
    warnOfCreditLimit();
}

void TransactionsViewC::rightAction() {
    if (account_ == nullptr || account_->isNotSupported()) return;
    // The entry wizard starts here with a new transaction in this account.
    auto* made = static_cast<TLTransaction*>(createObjectForEntity("Transaction"));
    made->setAccount(account_);
    made->copyCurrencyFromAccount();
    TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::TransactionsList, made);
}

// ---- the register -----------------------------------------------------------

void TransactionsViewC::reloadData() {
    if (account_ == nullptr) return;
    createSectionsArray();
    networthView_.setAmount(account_->balance().value_or(Decimal::zero()));
    tableView().reloadData();
}

void TransactionsViewC::createSectionsArray() {
    performFetch();
    buildSections();
}

void TransactionsViewC::buildSections() {
    sectionsArray.clear();
    sectionsTitlesArray.clear();
    fetchedCount_ = 0;
    FetchedResultsController* controller = frc();
    if (controller == nullptr) return;
    const std::vector<ManagedObject*>& fetched = controller->fetchedObjects();
    fetchedCount_ = fetched.size();
    for (ManagedObject* object : fetched) {
        auto* transaction = static_cast<TLTransaction*>(object);
        std::optional<Date> date = transaction->transactionDate();
        std::string heading = date ? headingFormatter_.stringFromDate(*date) : std::string();
        // Newest first, so a day's transactions follow each other: only the
        // last heading can be the same.
        if (sectionsTitlesArray.empty() || (sectionsTitlesArray.back() != heading &&
                                            std::find(sectionsTitlesArray.begin(), sectionsTitlesArray.end(),
                                                      heading) == sectionsTitlesArray.end())) {
            sectionsTitlesArray.push_back(heading);
            sectionsArray.emplace_back();
        }
        sectionsArray.back().push_back(transaction);
    }
}

bool TransactionsViewC::registerHasMore() const { return fetchLimit() > 0 && fetchedCount_ >= fetchLimit(); }

bool TransactionsViewC::searchHasMore() const { return fetchLimit() > 0 && foundObjectsArray.size() >= fetchLimit(); }

std::string TransactionsViewC::extraRowTitle() const {
    std::string title = L("Show %d more...");
    size_t at = title.find("%d");
    if (at != std::string::npos) title.replace(at, 2, std::to_string(kPageSize));
    return title;
}

bool TransactionsViewC::isExtraCellAtLastSection(IndexPath indexPath) {
    if (isSearching()) return searchHasMore() && indexPath.section == 0 &&
                              indexPath.row == static_cast<int>(foundObjectsArray.size());
    if (!registerHasMore() || sectionsArray.empty()) return false;
    size_t last = sectionsArray.size() - 1;
    return indexPath.section == static_cast<int>(last) && indexPath.row == static_cast<int>(sectionsArray[last].size());
}

IndexPath TransactionsViewC::lastCellIndexPath() {
    if (isSearching()) {
        int rows = static_cast<int>(foundObjectsArray.size()) + (searchHasMore() ? 1 : 0);
        return IndexPath{0, rows - 1};
    }
    if (sectionsArray.empty()) return IndexPath{0, -1};
    int section = static_cast<int>(sectionsArray.size()) - 1;
    int rows = static_cast<int>(sectionsArray.back().size()) + (registerHasMore() ? 1 : 0);
    return IndexPath{section, rows - 1};
}

bool TransactionsViewC::isLastCellAt(IndexPath indexPath) { return indexPath == lastCellIndexPath(); }

TLTransaction* TransactionsViewC::transactionAtIndexPath(IndexPath indexPath) {
    if (indexPath.section < 0 || indexPath.row < 0) return nullptr;
    auto row = static_cast<size_t>(indexPath.row);
    if (isSearching()) {
        if (indexPath.section != 0 || row >= foundObjectsArray.size()) return nullptr;
        return static_cast<TLTransaction*>(foundObjectsArray[row]);
    }
    auto section = static_cast<size_t>(indexPath.section);
    if (section >= sectionsArray.size() || row >= sectionsArray[section].size()) return nullptr;
    return sectionsArray[section][row];
}

// ---- table ------------------------------------------------------------------

int TransactionsViewC::numberOfSectionsInTableView(TableView&) {
    if (isSearching()) return 1;
    // From the objects fetched now: the controller fetches again by itself
    // when the store changes what it shows.
    if (!dontRecreateSections) buildSections();
    return static_cast<int>(sectionsArray.size());
}

int TransactionsViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (isSearching()) return static_cast<int>(foundObjectsArray.size()) + (searchHasMore() ? 1 : 0);
    if (section < 0 || section >= static_cast<int>(sectionsArray.size())) return 0;
    int rows = static_cast<int>(sectionsArray[static_cast<size_t>(section)].size());
    bool last = section == static_cast<int>(sectionsArray.size()) - 1;
    return rows + (last && registerHasMore() ? 1 : 0);
}

std::shared_ptr<TableViewCell> TransactionsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (isExtraCellAtLastSection(indexPath)) {
        auto more = std::make_shared<TableViewCell>();
        more->textLabel().text = extraRowTitle();
        more->textLabel().centered = true;
        more->textLabel().bold = true;
        return more;
    }
    auto cell = std::make_shared<TransactionCell>();
    if (TLTransaction* transaction = transactionAtIndexPath(indexPath)) cell->setTransaction(transaction);
    if (!isSearching()) {
        cell->hasBottomLine = !isLastCellAt(indexPath);
        cell->backgroundColor = Color::white(0.98);
    }
    return cell;
}

std::string TransactionsViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (isSearching() || section < 0 || section >= static_cast<int>(sectionsTitlesArray.size())) return {};
    return sectionsTitlesArray[static_cast<size_t>(section)];
}

void TransactionsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    if (isExtraCellAtLastSection(indexPath)) return showMore();
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    TLTransaction* shown = transactionAtIndexPath(indexPath);
    if (shown == nullptr) return;
    pushView(std::make_shared<TransactionEditViewC>(shown), 0);
}

void TransactionsViewC::showMore() {
    setFetchLimit(fetchLimit() + kPageSize);
    if (isSearching()) {
        searchDisplayControllerShouldReloadTableForSearchString(searchBar().text);
        tableView().reloadData();
    } else {
        reloadData();
    }
}

bool TransactionsViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (isExtraCellAtLastSection(indexPath)) return false;
    TLTransaction* transaction = transactionAtIndexPath(indexPath);
    if (transaction == nullptr) return false;
    if (isSearching()) return true;
    return !(transaction->isTransfer() && account_->type() == TLAccountType::Loan);
}

void TransactionsViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    TLTransaction* transaction = transactionAtIndexPath(indexPath);
    if (transaction == nullptr) return;
    transaction->deleteTransactionWithTransferCopy(true);
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    if (isSearching()) {
        reloadSearchResults();
        createSectionsArray();
    } else {
        createSectionsArray();
        tableView().reloadData();
    }
    TLDatabase::sharedDatabase().save();
    networthView_.setAmount(account_->balance().value_or(Decimal::zero()));
}

// ---- search -----------------------------------------------------------------

bool TransactionsViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    foundTitlesArray.clear();
    foundObjectsArray.clear();
    auto predicate = Predicate::parse("(account == %@) AND (searchString contains[cd] %@)",
                                      {Value(static_cast<ManagedObject*>(account_)), Value(text)});
    foundObjectsArray = TLDatabase::sharedDatabase().fetchEntityCustom(getEntityName(), predicate,
                                                                       getSortDescriptorsArray(), fetchLimit(), 0);
    return true;
}

// ---- credit limit -----------------------------------------------------------

void TransactionsViewC::warnOfCreditLimit() {
    if (account_ == nullptr || !account_->isCreditLimitExceeded() || limitAlert_) return;
    limitAlert_ = std::make_shared<AlertView>(L("Limit exceeded"), account_->getCreditLimitExceededMessage(), L("Close"),
                                              std::vector<std::string>{L("Don't Remind")});
    std::weak_ptr<ViewController> weak = weak_from_this();
    limitAlert_->clicked = [this, weak](int button) {
        if (!weak.lock()) return;
        limitAlert_.reset();
        if (button != 1) return;
        account_->setClosed(true);
        TLDatabase::sharedDatabase().save();
    };
    limitAlert_->show();
}

// ---- drawing ----------------------------------------------------------------

void TransactionsViewC::renderContent(SceneNode& content, SceneContext& context) {
    TLSearchViewC::renderContent(content, context);
    content.add(networthView_.node("bottom", kBalanceBarHeight));
}

}  // namespace tallo
