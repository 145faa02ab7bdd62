// A context over a store whose transactions and splits are read on demand
// keeps every promise of a context that loaded them whole: one object per
// row, inverses in step, unsaved changes seen by every set and fetch,
// delete rules, rollback and reload. A store that counts the rows it hands
// out shows what was read, and when.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "Platform/foundation/RunLoop.h"
#include "Platform/objectstore/ManagedObjectContext.h"
#include "Platform/objectstore/SqliteStore.h"
#include "tests/objectstore/TestModel.h"
#include "tests/support/StoreDump.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

// Feeds what the SQLite store feeds and counts the rows read per entity.
class CountingSink : public StoreLoadSink {
public:
    CountingSink(StoreLoadSink& inner, std::map<std::string, int>& counts) : inner_(inner), counts_(counts) {}
    bool loadRow(const EntityDescription& entity, int64_t primaryKey, std::vector<Value> values, std::string* error) override {
        ++counts_[entity.rootEntity()->name()];
        return inner_.loadRow(entity, primaryKey, std::move(values), error);
    }
    bool loadPair(const RelationshipDescription& relationship, int64_t ownerKey, int64_t targetKey, std::string* error) override {
        return inner_.loadPair(relationship, ownerKey, targetKey, error);
    }
    void deferredTable(const EntityDescription& root, int64_t largestKey) override { inner_.deferredTable(root, largestKey); }
    // Rows the context holds already are not read again, so not counted.
    bool knowsRow(const EntityDescription& entity, int64_t primaryKey) override { return inner_.knowsRow(entity, primaryKey); }

private:
    StoreLoadSink& inner_;
    std::map<std::string, int>& counts_;
};

class CountingStore : public PersistentStore {
public:
    CountingStore(std::unique_ptr<SqliteStore> inner, std::map<std::string, int>& counts)
        : inner_(std::move(inner)), counts_(counts) {}
    static inline int reads = 0;  // the reads on demand asked of any counting store
    bool load(StoreLoadSink& sink, std::string* error) override {
        CountingSink counting(sink, counts_);
        return inner_->load(counting, error);
    }
    bool canReadOnDemand() const override { return true; }
    bool loadDeferring(StoreLoadSink& sink, const std::vector<const EntityDescription*>& roots, std::string* error) override {
        CountingSink counting(sink, counts_);
        return inner_->loadDeferring(counting, roots, error);
    }
    bool loadRows(const StoreRowQuery& query, StoreLoadSink& sink, std::string* error) override {
        ++reads;
        CountingSink counting(sink, counts_);
        return inner_->loadRows(query, counting, error);
    }
    bool scanValues(const StoreValueScan& scan, const StoreValueScan::Row& row, std::string* error) override {
        return inner_->scanValues(scan, row, error);
    }
    bool save(const StoreChanges& changes, std::string* error) override { return inner_->save(changes, error); }

private:
    std::unique_ptr<SqliteStore> inner_;
    std::map<std::string, int>& counts_;
};

class ReadOnDemandTest : public ::testing::Test {
protected:
    // Checking (3 transactions of one split each, the second a transfer to
    // Savings' mirror) and Savings (the mirror and one more).
    ReadOnDemandTest() {
        auto context = open(false);
        ManagedObject* checking = insert(*context, "Account", {{"name", Value("Checking")}});
        ManagedObject* savings = insert(*context, "Account", {{"name", Value("Savings")}});
        const char* amounts[] = {"-42.50", "-100", "-7.25"};
        const int days[] = {3, 1, 2};
        const char* texts[] = {"Café Latte", "Transfer to savings", "cafe au lait"};
        std::vector<ManagedObject*> checkingTransactions;
        for (int i = 0; i < 3; ++i) {
            const char* amount = amounts[i];
            ManagedObject* transaction = insert(*context, "Transaction", {{"totalamount", Value(D(amount))}});
            transaction->setValueForKey(checking, "account");
            transaction->setValueForKey(Value(test::localDate(2026, 1, days[i])), "transactionDate");
            transaction->setValueForKey(Value(texts[i]), "searchString");
            insert(*context, "Split", {{"amount", Value(D(amount))}, {"transaction", Value(transaction)}});
            checkingTransactions.push_back(transaction);
        }
        ManagedObject* mirror = insert(*context, "Transaction", {{"totalamount", Value(D("100"))}, {"account", Value(savings)}});
        checkingTransactions[1]->setValueForKey(mirror, "transferCopy");
        mirror->setValueForKey(checkingTransactions[1], "transferCopyInverse");
        insert(*context, "Transaction", {{"totalamount", Value(D("2500"))}, {"account", Value(savings)}});
        std::string error;
        EXPECT_TRUE(context->save(&error)) << error;
        wholeDump = test::dumpContext(*context);
    }

    std::unique_ptr<ManagedObjectContext> open(bool onDemand) {
        std::string error;
        auto store = SqliteStore::open(path, test::ledgerModel(), &error);
        EXPECT_TRUE(store) << error;
        counts.clear();
        auto context = std::make_unique<ManagedObjectContext>(test::ledgerModel(), test::testFactory(),
                                                              std::make_unique<CountingStore>(std::move(store), counts));
        if (onDemand) context->readOnDemand({"Transaction", "Split"});
        EXPECT_TRUE(context->load(&error)) << error;
        return context;
    }

    static ManagedObject* insert(ManagedObjectContext& context, const char* entity,
                                 std::initializer_list<std::pair<const char*, Value>> values = {}) {
        ManagedObject* object = context.insertNewObjectForEntityForName(entity);
        for (const auto& [key, value] : values) EXPECT_TRUE(object->setValueForKey(value, key)) << key;
        return object;
    }

    static std::vector<ManagedObject*> fetch(ManagedObjectContext& context, const char* entity, const char* format = nullptr,
                                             std::vector<Value> arguments = {}) {
        FetchRequest request;
        request.entityName = entity;
        if (format != nullptr) request.predicate = Predicate::parse(format, arguments);
        return context.executeFetchRequest(request);
    }

    // The object at `index` of a to-many.
    static ManagedObject* member(const ManagedObject* owner, const char* key, size_t index) {
        Value members = owner->valueForKey(key);
        const ObjectList* objects = members.asObjects();
        return objects != nullptr && index < objects->size() ? (*objects)[index] : nullptr;
    }

    // The newest `limit` of an account's transactions, as a register asks.
    static std::string page(ManagedObjectContext& context, ManagedObject* owner, size_t limit) {
        return newestFirst(context, Predicate::parse("account == %@", {Value(owner)}), limit);
    }
    // The totals of the transactions `predicate` finds, newest first, at
    // most `limit` of them (0: all).
    static std::string newestFirst(ManagedObjectContext& context, std::shared_ptr<const Predicate> predicate, size_t limit) {
        FetchRequest request;
        request.entityName = "Transaction";
        request.predicate = std::move(predicate);
        request.sortDescriptors = {{"transactionDate", false}};
        request.fetchLimit = limit;
        std::string out;
        for (const ManagedObject* object : context.executeFetchRequest(request)) {
            out += (out.empty() ? "" : " ") + object->valueForKey("totalamount").description();
        }
        return out;
    }

    static ManagedObject* account(ManagedObjectContext& context, const char* name) {
        auto found = fetch(context, "Account", "name == %@", {Value(name)});
        return found.size() == 1 ? found[0] : nullptr;
    }

    static std::string amounts(const ManagedObject* owner, const char* key = "transactions") {
        std::string out;
        Value members = owner->valueForKey(key);
        if (const ObjectList* objects = members.asObjects()) {
            for (const ManagedObject* object : *objects) {
                out += (out.empty() ? "" : " ") + object->valueForKey("totalamount").description();
            }
        }
        return out;
    }

    test::TemporaryFolder folder;
    std::string path = folder.path() + "/TalloMobile2.sqlite";
    std::map<std::string, int> counts;
    std::string wholeDump;
};

TEST_F(ReadOnDemandTest, OpeningReadsOnlyTheSmallTablesAndASetReadsOnlyItsOwnRows) {
    auto context = open(true);
    EXPECT_EQ(counts["Account"], 2);
    EXPECT_EQ(counts["Transaction"], 0);
    EXPECT_EQ(counts["Split"], 0);

    ManagedObject* checking = account(*context, "Checking");
    ASSERT_NE(checking, nullptr);
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    // Checking's three, and the transfer's mirror its second one names.
    EXPECT_EQ(counts["Transaction"], 4);
    EXPECT_EQ(counts["Split"], 0);

    // The mirror reached through the transfer is the object Savings lists:
    // one object per row, whichever way it was reached.
    ManagedObject* transfer = member(checking, "transactions", 1);
    ManagedObject* mirror = transfer->valueForKey("transferCopy").asObject();
    ASSERT_NE(mirror, nullptr);
    ManagedObject* savings = account(*context, "Savings");
    EXPECT_EQ(amounts(savings), "100 2500");
    EXPECT_EQ(member(savings, "transactions", 0), mirror);
    EXPECT_EQ(mirror->valueForKey("transferCopyInverse").asObject(), transfer);
    EXPECT_EQ(counts["Transaction"], 5);  // Savings' two rows, one of them known: not read again

    ManagedObject* split = member(transfer, "splits", 0);
    EXPECT_EQ(split->valueForKey("transaction").asObject(), transfer);
    EXPECT_EQ(counts["Split"], 1);

    // A second use of a set reads nothing more.
    amounts(checking);
    amounts(savings);
    EXPECT_EQ(counts["Transaction"], 5);
}

TEST_F(ReadOnDemandTest, SetsAndFetchesSeeUnsavedChangesToRowsReadLater) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    ManagedObject* savings = account(*context, "Savings");

    // Savings' 2500 moves to Checking and a new 12 is entered in Checking,
    // both while Checking's set is still unread.
    ManagedObject* salary = member(savings, "transactions", 1);
    salary->setValueForKey(checking, "account");
    ManagedObject* coffee = insert(*context, "Transaction", {{"totalamount", Value(D("-12"))}, {"account", Value(checking)}});
    EXPECT_EQ(counts["Transaction"], 3);  // Savings' two and the transfer its mirror names

    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25 2500 -12");
    EXPECT_EQ(amounts(savings), "100");
    EXPECT_EQ(fetch(*context, "Transaction", "account == %@", {Value(checking)}).size(), 5U);

    // A deletion not yet saved hides the row from a set read after it.
    context->deleteObject(coffee);
    ManagedObject* mirror = member(savings, "transactions", 0);
    context->deleteObject(mirror);
    context->processPendingChanges();
    EXPECT_EQ(amounts(savings), "");
    EXPECT_EQ(fetch(*context, "Transaction", "totalamount > 0").size(), 1U);

    // The new row's key follows the store's largest, so the save cannot
    // collide with a row never read; the file then holds what the sets show.
    ManagedObject* rent = insert(*context, "Transaction", {{"totalamount", Value(D("-900"))}, {"account", Value(savings)}});
    EXPECT_GT(rent->primaryKey(), 5);
    std::string error;
    ASSERT_TRUE(context->save(&error)) << error;
    context.reset();
    auto whole = open(false);
    EXPECT_EQ(amounts(account(*whole, "Checking")), "-42.5 -100 -7.25 2500");
    EXPECT_EQ(amounts(account(*whole, "Savings")), "-900");
}

TEST_F(ReadOnDemandTest, ARegisterPageReadsItsRowsInDateOrderAndSeesUnsavedChanges) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    // Jan 3, then Jan 2: only the page's rows are read (the -100 of Jan 1,
    // which would bring its mirror, is not).
    EXPECT_EQ(page(*context, checking, 2), "-42.5 -7.25");
    EXPECT_EQ(counts["Transaction"], 2);

    // While Checking's set is still unread: -42.50 moves back to Dec 31,
    // -7.25 is deleted and a -5 of Jan 4 is entered.
    auto newestTwo = [&] {
        FetchRequest request;
        request.entityName = "Transaction";
        request.predicate = Predicate::parse("account == %@", {Value(checking)});
        request.sortDescriptors = {{"transactionDate", false}};
        request.fetchLimit = 2;
        return context->executeFetchRequest(request);
    }();
    ASSERT_EQ(newestTwo.size(), 2U);
    newestTwo[0]->setValueForKey(Value(test::localDate(2025, 12, 31)), "transactionDate");
    context->deleteObject(newestTwo[1]);
    insert(*context, "Transaction",
           {{"totalamount", Value(D("-5"))}, {"account", Value(checking)}, {"transactionDate", Value(test::localDate(2026, 1, 4))}});
    EXPECT_EQ(page(*context, checking, 2), "-5 -100");
    EXPECT_EQ(page(*context, checking, 5), "-5 -100 -42.5");
    // The whole set, read now, agrees with the pages.
    EXPECT_EQ(amounts(checking), "-42.5 -100 -5");
}

TEST_F(ReadOnDemandTest, ASearchPageReadsTheAccountsRowsOnlyUntilItHasItsMatches) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    auto search = [&](const char* text, size_t limit) {
        return newestFirst(*context, Predicate::parse("(account == %@) AND (searchString contains[cd] %@)",
                                                      {Value(checking), Value(text)}),
                           limit);
    };
    // "cafe" finds "Café Latte" and "cafe au lait", newest first; the store
    // hands over only the rows that contain the text, folded as the
    // predicate folds it.
    EXPECT_EQ(search("tea", 25), "");
    EXPECT_EQ(counts["Transaction"], 0) << "no row contains it: none is read";
    EXPECT_EQ(search("cafe", 25), "-42.5 -7.25");
    EXPECT_EQ(counts["Transaction"], 2) << "the transfer to savings is not read";
    EXPECT_EQ(search("CAFÉ", 1), "-42.5");
    EXPECT_EQ(search("savings", 25), "-100");

    // An unsaved edit of the text counts at once.
    Value listed = checking->valueForKey("transactions");  // reads the set now
    FetchRequest byAmount;
    byAmount.entityName = "Transaction";
    byAmount.predicate = Predicate::parse("totalamount == -7.25");
    ManagedObject* fuel = context->executeFetchRequest(byAmount).at(0);
    fuel->setValueForKey(Value("green tea"), "searchString");
    EXPECT_EQ(search("tea", 25), "-7.25");
    EXPECT_EQ(search("cafe", 25), "-42.5");
}

TEST_F(ReadOnDemandTest, ASearchPageBeforeAnySetIsReadSeesUnsavedEditsToo) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    FetchRequest request;
    request.entityName = "Transaction";
    request.predicate = Predicate::parse("(account == %@) AND (searchString contains[cd] %@)", {Value(checking), Value("cafe")});
    request.sortDescriptors = {{"transactionDate", false}};
    request.fetchLimit = 1;
    ManagedObject* latte = context->executeFetchRequest(request).at(0);
    EXPECT_EQ(latte->valueForKey("totalamount").description(), "-42.5");
    // Renamed, the newest match is the older one; a new café of Jan 9 then
    // comes first, all unsaved.
    latte->setValueForKey(Value("Bakery"), "searchString");
    EXPECT_EQ(context->executeFetchRequest(request).at(0)->valueForKey("totalamount").description(), "-7.25");
    ManagedObject* espresso = insert(*context, "Transaction", {{"totalamount", Value(D("-3.10"))}, {"searchString", Value("Café")}});
    espresso->setValueForKey(checking, "account");
    espresso->setValueForKey(Value(test::localDate(2026, 1, 9)), "transactionDate");
    EXPECT_EQ(context->executeFetchRequest(request).at(0), espresso);
    request.fetchLimit = 5;
    EXPECT_EQ(context->executeFetchRequest(request).size(), 2U);
}

TEST_F(ReadOnDemandTest, ADateRangeReadsOnlyItsDaysRowsAndSeesUnsavedChanges) {
    auto context = open(true);
    auto within = [&](int fromDay, int toDay, size_t limit = 0) {
        return newestFirst(*context,
                           Predicate::parse("transactionDate >= %@ AND transactionDate <= %@",
                                            {Value(test::localDate(2026, 1, fromDay)), Value(test::localDate(2026, 1, toDay))}),
                           limit);
    };
    // Jan 2 and 3: two rows read, not the transfer of Jan 1 nor Savings'.
    EXPECT_EQ(within(2, 3), "-42.5 -7.25");
    EXPECT_EQ(counts["Transaction"], 2);
    EXPECT_EQ(within(1, 3, 1), "-42.5") << "the newest, with a limit";
    EXPECT_EQ(within(4, 31), "");

    // Moved out of the range, a new one in it, one deleted: all unsaved.
    ManagedObject* latte = fetch(*context, "Transaction", "totalamount == -42.5").at(0);
    latte->setValueForKey(Value(test::localDate(2026, 1, 10)), "transactionDate");
    ManagedObject* tea = insert(*context, "Transaction", {{"totalamount", Value(D("-2.40"))}});
    tea->setValueForKey(Value(test::localDate(2026, 1, 2)), "transactionDate");
    EXPECT_EQ(within(2, 3), "-7.25 -2.4");
    EXPECT_EQ(within(4, 31), "-42.5");
    context->deleteObject(fetch(*context, "Transaction", "totalamount == -7.25").at(0));
    EXPECT_EQ(within(1, 3), "-2.4 -100");

    context->rollback();
    EXPECT_EQ(within(1, 3), "-42.5 -7.25 -100");
}

TEST_F(ReadOnDemandTest, TheSetsOfManyOwnersAreReadInOneReadWithTheirUnsavedChanges) {
    auto context = open(true);
    std::vector<ManagedObject*> days = fetch(*context, "Transaction", "transactionDate >= %@",
                                             {Value(test::localDate(2026, 1, 1))});
    ASSERT_EQ(days.size(), 3U);
    auto splitAmounts = [](const ManagedObject* transaction) {
        std::string out;
        Value splits = transaction->valueForKey("splits");
        for (const ManagedObject* split : *splits.asObjects()) {
            out += (out.empty() ? "" : " ") + split->valueForKey("amount").description();
        }
        return out;
    };
    ManagedObject* latte = fetch(*context, "Transaction", "totalamount == -42.5").at(0);
    ManagedObject* transfer = fetch(*context, "Transaction", "totalamount == -100").at(0);
    // Unsaved: a second split for the latte.
    insert(*context, "Split", {{"amount", Value(D("-0.50"))}, {"transaction", Value(latte)}});

    int readsBefore = CountingStore::reads;
    context->prefetchToMany(days, "splits");
    EXPECT_EQ(CountingStore::reads, readsBefore + 1) << "one read for the three sets";
    EXPECT_EQ(counts["Split"], 3);
    EXPECT_EQ(splitAmounts(latte), "-42.5 -0.5");
    EXPECT_EQ(splitAmounts(transfer), "-100");
    context->prefetchToMany(days, "splits");
    EXPECT_EQ(CountingStore::reads, readsBefore + 1) << "sets read already are left";
    EXPECT_EQ(counts["Split"], 3);

    // The same sets as a whole load gives, once the unsaved split is gone.
    context->rollback();
    for (ManagedObject* transaction : days) transaction->valueForKey("splits");
    fetch(*context, "Split");
    EXPECT_EQ(test::dumpContext(*context), wholeDump);
}

TEST_F(ReadOnDemandTest, DeletingAnAccountCascadesThroughRowsNeverRead) {
    auto context = open(true);
    context->deleteObject(account(*context, "Checking"));
    std::string error;
    ASSERT_TRUE(context->save(&error)) << error;
    context.reset();

    auto whole = open(false);
    EXPECT_EQ(fetch(*whole, "Transaction").size(), 2U);
    // The splits of Checking's transactions went with them; the mirror lost
    // its partner.
    EXPECT_EQ(fetch(*whole, "Split").size(), 0U);
    ManagedObject* mirror = fetch(*whole, "Transaction", "totalamount == 100").at(0);
    EXPECT_TRUE(mirror->valueForKey("transferCopyInverse").isNull());
}

TEST_F(ReadOnDemandTest, RollbackPutsReadAndChangedObjectsAndTheirSetsBack) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    ManagedObject* savings = account(*context, "Savings");
    ManagedObject* groceries = member(checking, "transactions", 0);

    groceries->setValueForKey(D("-45"), "totalamount");
    groceries->setValueForKey(savings, "account");  // Savings' set not read yet
    insert(*context, "Transaction", {{"totalamount", Value(D("-3"))}, {"account", Value(checking)}});
    EXPECT_EQ(amounts(savings), "-45 100 2500");
    EXPECT_EQ(amounts(checking), "-100 -7.25 -3");

    context->rollback();
    EXPECT_EQ(groceries->valueForKey("totalamount").description(), "-42.5");
    EXPECT_EQ(groceries->valueForKey("account").asObject(), checking);
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    EXPECT_EQ(amounts(savings), "100 2500");
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(ReadOnDemandTest, AFetchNoSetCanAnswerReadsTheTableOnceAndFillsEverySetFromIt) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    ManagedObject* savings = account(*context, "Savings");
    // A change made before the table is read whole is kept, not overwritten.
    ManagedObject* mirror = member(savings, "transactions", 0);
    mirror->setValueForKey(D("101"), "totalamount");

    int before = counts["Transaction"];
    auto expenses = fetch(*context, "Transaction", "totalamount < 0");
    EXPECT_EQ(expenses.size(), 3U);
    EXPECT_EQ(counts["Transaction"], before + 2) << "the two rows not read yet; the other three are known";
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    EXPECT_EQ(amounts(savings), "101 2500");
    EXPECT_EQ(counts["Transaction"], before + 2);  // the sets came from the table read

    // Everything read, the context is the one a whole load gives.
    context->rollback();
    EXPECT_EQ(test::dumpContext(*context), wholeDump);
}

TEST_F(ReadOnDemandTest, RowsNamingMuchOfATableReadThatTableWholeAndItsSetsFromIt) {
    {
        // 300 more transactions with a split each, and 30 without.
        auto whole = open(false);
        ManagedObject* checking = account(*whole, "Checking");
        for (int i = 0; i < 330; ++i) {
            ManagedObject* transaction = insert(*whole, "Transaction", {{"totalamount", Value(D("-1"))}});
            transaction->setValueForKey(checking, "account");
            if (i < 300) insert(*whole, "Split", {{"amount", Value(D("-1"))}, {"transaction", Value(transaction)}});
        }
        std::string error;
        ASSERT_TRUE(whole->save(&error)) << error;
    }
    auto context = open(true);
    ManagedObject* savings = account(*context, "Savings");
    ManagedObject* mirror = member(savings, "transactions", 0);  // read before: must stay in its set
    int before = counts["Transaction"];

    // The splits name 303 of 335 transactions: those are read as one table
    // (the 332 rows not known yet), not one by one, and every set comes
    // from that read.
    auto splits = fetch(*context, "Split");
    ASSERT_EQ(splits.size(), 303U);
    EXPECT_EQ(counts["Transaction"], before + 332);
    for (ManagedObject* split : splits) {
        ManagedObject* transaction = split->valueForKey("transaction").asObject();
        ASSERT_NE(transaction, nullptr);
        EXPECT_EQ(member(transaction, "splits", 0), split);
    }
    EXPECT_EQ(member(account(*context, "Checking"), "transactions", 0)->valueForKey("totalamount").description(), "-42.5");
    EXPECT_EQ(account(*context, "Checking")->valueForKeyPath("transactions.@count").description(), "333");
    EXPECT_EQ(amounts(savings), "100 2500");
    EXPECT_EQ(member(savings, "transactions", 0), mirror);
    EXPECT_EQ(counts["Transaction"], before + 332);
}

TEST_F(ReadOnDemandTest, ReloadForgetsEveryReadRowAndReadsTheFileAsItIsNow) {
    auto context = open(true);
    ManagedObject* checking = account(*context, "Checking");
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    {
        // Another context (as sync does through the file) adds to Checking.
        auto other = open(false);
        insert(*other, "Transaction", {{"totalamount", Value(D("-8.80"))}, {"account", Value(account(*other, "Checking"))}});
        std::string error;
        ASSERT_TRUE(other->save(&error)) << error;
    }
    context->reset();
    checking = account(*context, "Checking");
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25 -8.8");
    std::string read = test::dumpContext(*context);
    EXPECT_EQ(read, test::dumpContext(*open(false)));
}

// The index a register's reads use is added when the store is opened, and
// a file that cannot be written opens without it.
TEST_F(ReadOnDemandTest, TheOrderedIndexIsAddedAtOpenAndAReadOnlyFileOpensWithout) {
    auto indexes = [&] {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE '%TRANSACTIONDATE%'", -1,
                           &statement, nullptr);
        std::string names;
        while (sqlite3_step(statement) == SQLITE_ROW) names += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return names;
    };
    SqliteStoreOptions options;
    options.orderedIndexes = {{"Transaction", "account", "transactionDate"}};
    std::string error;
    ::chmod(path.c_str(), 0444);
    {
        auto store = SqliteStore::open(path, test::ledgerModel(), &error, options);
        ASSERT_TRUE(store) << error;
        EXPECT_TRUE(store->isReadOnly() || ::geteuid() == 0);
    }
    if (::geteuid() != 0) {
        EXPECT_EQ(indexes(), "");
    }
    ::chmod(path.c_str(), 0644);
    {
        auto store = SqliteStore::open(path, test::ledgerModel(), &error, options);
        ASSERT_TRUE(store) << error;
        ManagedObjectContext context(test::ledgerModel(), test::testFactory(), std::move(store));
        context.readOnDemand({"Transaction", "Split"});
        ASSERT_TRUE(context.load(&error)) << error;
        EXPECT_EQ(page(context, account(context, "Checking"), 2), "-42.5 -7.25");
    }
    EXPECT_EQ(indexes(), "ZTRANSACTION_ZACCOUNT_ZTRANSACTIONDATE_INDEX");
    // A file with the index is still one any copy of this model accepts.
    EXPECT_TRUE(SqliteStore::checkStoreFile(path, *test::ledgerModel(), &error)) << error;

    // With an index of the dates alone too, a register page and a month's
    // rows are each searched through their index, never scanned.
    options.orderedIndexes.push_back({"Transaction", "", "transactionDate"});
    auto store = SqliteStore::open(path, test::ledgerModel(), &error, options);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(indexes(), "ZTRANSACTION_ZACCOUNT_ZTRANSACTIONDATE_INDEXZTRANSACTION_ZTRANSACTIONDATE_INDEX");
    const EntityDescription* transaction = test::ledgerModel()->entityNamed("Transaction");
    const AttributeDescription* date = transaction->attributeNamed("transactionDate");
    StoreRowQuery page;
    page.kind = StoreRowQuery::Kind::ForeignKey;
    page.root = transaction;
    page.keys = {1};
    page.toOne = transaction->relationshipNamed("account");
    page.orderBy = {{date, false}};
    page.limit = 25;
    EXPECT_NE(store->queryPlan(page).find("USING INDEX ZTRANSACTION_ZACCOUNT_ZTRANSACTIONDATE_INDEX"), std::string::npos)
        << store->queryPlan(page);
    page.contains = {{transaction->attributeNamed("searchString"), "café", true, true}};
    EXPECT_NE(store->queryPlan(page).find("USING INDEX ZTRANSACTION_ZACCOUNT_ZTRANSACTIONDATE_INDEX"), std::string::npos)
        << store->queryPlan(page);
    StoreRowQuery month;
    month.kind = StoreRowQuery::Kind::Matching;
    month.root = transaction;
    month.bounds = {{date, Value(test::localDate(2026, 1, 1)), true, true}, {date, Value(test::localDate(2026, 1, 31)), false, true}};
    EXPECT_NE(store->queryPlan(month).find("USING INDEX ZTRANSACTION_ZTRANSACTIONDATE_INDEX"), std::string::npos)
        << store->queryPlan(month);
    store.reset();

    options.orderedIndexes = {{"Transaction", "account", "nothing"}};
    EXPECT_FALSE(SqliteStore::open(path, test::ledgerModel(), &error, options));
    EXPECT_NE(error.find("stores no nothing"), std::string::npos) << error;
}

// A sum over a whole table reads the saved values alone: no object is made,
// a to-one comes as its target's key, a step through it as the target's value.
TEST_F(ReadOnDemandTest, AScanOfATableReadsItsSavedValuesWithoutMakingObjects) {
    auto context = open(true);
    std::string rows;
    auto collect = [&](int64_t key, const std::vector<Value>& values) {
        rows += std::to_string(key) + ":";
        for (const Value& value : values) rows += " " + value.description();
        rows += "; ";
    };
    std::string error;
    ASSERT_TRUE(context->scanSavedValues("Split", {"amount", "transaction", "transaction.self", "transaction.account",
                                                   "transaction.searchString"},
                                         collect, &error))
        << error;
    EXPECT_EQ(rows,
              "1: -42.5 1 1 1 \"Café Latte\"; 2: -100 2 2 1 \"Transfer to savings\"; 3: -7.25 3 3 1 \"cafe au lait\"; ");
    EXPECT_EQ(counts["Split"] + counts["Transaction"], 0) << "no row became an object";

    // A split naming a transaction the store does not hold: its key, but no "self".
    {
        sqlite3* raw = nullptr;
        sqlite3_open(path.c_str(), &raw);
        sqlite3_exec(raw, "UPDATE ZSPLIT SET ZTRANSACTION = 99 WHERE Z_PK = 3", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    rows.clear();
    ASSERT_TRUE(context->scanSavedValues("Split", {"transaction", "transaction.self", "transaction.searchString"}, collect));
    EXPECT_EQ(rows.substr(rows.find("3:")), "3: 99 nil nil; ");

    // While anything is unsaved the rows are not what the objects say.
    account(*context, "Checking")->setValueForKey(Value("Current"), "name");
    rows.clear();
    EXPECT_FALSE(context->scanSavedValues("Split", {"amount"}, collect));
    EXPECT_EQ(rows, "");
    context->rollback();
    EXPECT_FALSE(context->scanSavedValues("Split", {"nothing"}, collect, &error));
    EXPECT_NE(error.find("stores no nothing"), std::string::npos) << error;
    EXPECT_FALSE(context->scanSavedValues("Split", {"amount.value"}, collect, &error));
    EXPECT_NE(error.find("is not a to-one"), std::string::npos) << error;
}


// Memory stays within the limit the context states: clean rows past it lose
// their values and read them again when used, with nothing else about them
// changed.
TEST_F(ReadOnDemandTest, CleanRowsPastTheLimitDropTheirValuesAndReadThemAgainWhenUsed) {
    auto context = open(true);
    context->setCleanRowLimit(2);
    ManagedObject* checking = account(*context, "Checking");
    ManagedObject* savings = account(*context, "Savings");
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    EXPECT_EQ(context->cleanRowsHeld(), 4U) << "Checking's three and the mirror its transfer names";
    ManagedObject* groceries = member(checking, "transactions", 0);
    ManagedObject* transfer = member(checking, "transactions", 1);

    // The mirror was never used: it goes first; then the oldest of the three
    // used ones, after the round each used row is given.
    EXPECT_EQ(context->trimCleanRows(), 2U);
    EXPECT_EQ(context->cleanRowsHeld(), 2U);
    int read = counts["Transaction"];
    EXPECT_EQ(amounts(checking), "-42.5 -100 -7.25");
    EXPECT_EQ(counts["Transaction"], read + 1) << "only the one dropped row of the three is read again";
    EXPECT_EQ(member(checking, "transactions", 0), groceries) << "the same object, with its relationships";
    ManagedObject* mirror = transfer->valueForKey("transferCopy").asObject();
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->valueForKey("totalamount").description(), "100");
    EXPECT_EQ(mirror->valueForKey("account").asObject(), savings);

    // A changed row keeps its values however far past the limit, and saves
    // what was changed; a dropped row that is changed reads its values first.
    context->setCleanRowLimit(1);
    groceries->setValueForKey(D("-45"), "totalamount");
    context->trimCleanRows();
    context->trimCleanRows();
    EXPECT_EQ(groceries->valueForKey("totalamount").description(), "-45");
    ManagedObject* latte = member(checking, "transactions", 2);
    latte->setValueForKey(Value("Latte"), "searchString");
    EXPECT_EQ(latte->valueForKey("totalamount").description(), "-7.25");
    std::string error;
    ASSERT_TRUE(context->save(&error)) << error;
    context->rollback();
    EXPECT_EQ(latte->valueForKey("searchString").description(), "\"Latte\"");

    // A fetch reads the dropped rows it looks at in one read, not one each;
    // so does a prefetch of sets read before.
    context->trimCleanRows();
    int reads = CountingStore::reads;
    EXPECT_EQ(fetch(*context, "Transaction", "totalamount > 0").size(), 2U);
    EXPECT_LE(CountingStore::reads, reads + 2) << "the rest of the table, then the dropped rows";
    context->trimCleanRows();
    ASSERT_LT(context->cleanRowsHeld(), 5U);
    reads = CountingStore::reads;
    context->prefetchToMany({checking, savings}, "transactions");
    EXPECT_EQ(CountingStore::reads, reads + 1);
    EXPECT_EQ(context->cleanRowsHeld(), 5U);

    // A deletion of a dropped row (and the splits its rule takes along) is
    // saved, and the file holds exactly what the objects say.
    context->trimCleanRows();
    context->deleteObject(transfer);
    ASSERT_TRUE(context->save(&error)) << error;
    context.reset();
    auto whole = open(false);
    EXPECT_EQ(amounts(account(*whole, "Checking")), "-45 -7.25");
    EXPECT_EQ(amounts(account(*whole, "Savings")), "100 2500");
    EXPECT_EQ(fetch(*whole, "Transaction", "searchString == 'Latte'").size(), 1U);
}

TEST_F(ReadOnDemandTest, RowsReadPastTheLimitAreTrimmedAtTheNextTurnOfTheLoopAndAReloadForgetsThem) {
    RunLoop::main().reset();
    auto context = open(true);
    context->setCleanRowLimit(2);
    ManagedObject* checking = account(*context, "Checking");
    amounts(checking);
    // Nothing is dropped while the caller's work goes on.
    EXPECT_EQ(context->cleanRowsHeld(), 4U);
    RunLoop::main().runPending();
    EXPECT_LE(context->cleanRowsHeld(), 2U);

    // Dropped rows are forgotten by a reload like any other; what was read
    // again is the file as it is.
    context->reset();
    EXPECT_EQ(context->cleanRowsHeld(), 0U);
    EXPECT_EQ(amounts(account(*context, "Checking")), "-42.5 -100 -7.25");
    EXPECT_EQ(amounts(account(*context, "Savings")), "100 2500");
    RunLoop::main().runPending();
    fetch(*context, "Split");
    context->rollback();
    EXPECT_EQ(test::dumpContext(*context), wholeDump) << "every value read again is the one the file holds";

    // A row entered and saved is held, and may lose its values, like a read one.
    ManagedObject* coffee = insert(*context, "Transaction", {{"totalamount", Value(D("-3"))}, {"account", Value(account(*context, "Checking"))}});
    std::string error;
    ASSERT_TRUE(context->save(&error)) << error;
    context->setCleanRowLimit(1);
    context->trimCleanRows();
    context->trimCleanRows();
    EXPECT_LE(context->cleanRowsHeld(), 1U);
    int read = counts["Transaction"];
    EXPECT_EQ(coffee->valueForKey("totalamount").description(), "-3");
    EXPECT_EQ(counts["Transaction"], read + 1) << "its values were dropped and read again";

    // A trim still waiting when its context is gone does nothing.
    fetch(*context, "Transaction");
    context.reset();
    RunLoop::main().runPending();
}

}  // namespace
}  // namespace tallo
