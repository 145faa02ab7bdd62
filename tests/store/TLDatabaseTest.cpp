#include "Classes/store/TLDatabase.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "Classes/ledger/TLAccount.h"
#include "Classes/budgets/TLBudget.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/store/TLImageRecord.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/store/TLSecurityInfo.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/StoreDump.h"

namespace tallo {
namespace {

using test::localDate;

// Keeps a read from being optimised away.
void touch(const std::optional<std::string>& value) {
    volatile size_t size = value ? value->size() : 0;
    (void)size;
}

class TLDatabaseTest : public test::StoreTest {
protected:
    TLCurrency* currency(const char* code, bool isDefault) {
        auto* c = create<TLCurrency>();
        c->setCode(code);
        c->setDefault(isDefault);
        return c;
    }

    TLAccount* account(const char* name, int type, int order) {
        auto* a = create<TLAccount>();
        a->setName(name);
        a->setType(type);
        a->setOrder(order);
        return a;
    }
};

TEST_F(TLDatabaseTest, NewObjectsCarryTheirInsertionDefaults) {
    test::ScopedClock clock(localDate(2011, 3, 9, 15, 7, 42));
    TLCurrency* euro = currency("EUR", true);
    currency("USD", false);
    auto* transaction = create<TLTransaction>();
    EXPECT_EQ(transaction->type(), TLTransactionType::Expense);
    EXPECT_EQ(transaction->currency(), euro);
    EXPECT_EQ(transaction->transactionDate(), transaction->creationDate());
    EXPECT_EQ(transaction->creationDate(), localDate(2011, 3, 9, 15, 7, 42));
    EXPECT_FALSE(transaction->isSchedulerHelper_);
    EXPECT_EQ(create<TLAccount>()->currency(), euro);
    auto* split = create<TLSplit>();
    EXPECT_EQ(split->amount(), Decimal::zero());
    auto* schedule = create<TLScheduler>();
    EXPECT_EQ(schedule->nextDate(), schedule->creationDate());

    // The identifier: entity, the time on the 12-hour clock, an upper-case UUID.
    std::regex form("TL-A-Split-2011-0309-030742-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(*split->uuid(), form)) << *split->uuid();
    EXPECT_NE(*split->uuid(), *create<TLSplit>()->uuid());
    {
        test::ScopedClock night(localDate(2011, 3, 9, 3, 7, 42));
        EXPECT_EQ(create<TLSplit>()->uuid()->substr(0, 28), "TL-A-Split-2011-0309-030742-");
    }
    // Every budget is the budget.
    EXPECT_EQ(create<TLBudget>()->uuid(), "budget");
    EXPECT_EQ(create<TLBudget>()->uuid(), "budget");
}

TEST_F(TLDatabaseTest, ImageRecordsHaveNoIdentifierAndNoGenericCopying) {
    ManagedObject* image = db().createObjectForEntity("ImageRecord");
    EXPECT_EQ(dynamic_cast<TLManagedObject*>(image), nullptr);
    EXPECT_FALSE(image->entity().attributeNamed("uuid"));
}

TEST_F(TLDatabaseTest, AccountListsHideTheNeverListedAndFollowTheirOrder) {
    account("Savings", TLAccountType::Bank, 2);
    account("Hidden", TLAccountType::NeverListed, 0);
    TLAccount* brokerage = account("Brokerage", TLAccountType::Investment, 1);
    TLAccount* wallet = account("Wallet", TLAccountType::Cash, 3);
    std::vector<std::string> names;
    for (TLAccount* a : TLAccount::getAccounts()) names.push_back(*a->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Brokerage", "Savings", "Wallet"}));
    // The default account skips investment and loan accounts.
    EXPECT_EQ(*TLAccount::getDefaultAccount()->name(), "Savings");
    EXPECT_TRUE(brokerage->isNotSupported());
    EXPECT_FALSE(wallet->isNotSupported());
}

TEST_F(TLDatabaseTest, CategoriesAreFoundByNameWithoutCaseOrAccents) {
    auto* cafe = create<TLCategory>();
    cafe->setName("Café");
    auto* rent = create<TLCategory>();
    rent->setName("Rent");
    EXPECT_EQ(TLCategory::getCategoryWithName("CAFE"), cafe);
    EXPECT_EQ(TLCategory::getCategoryWithName("r?nt"), rent);
    EXPECT_EQ(TLCategory::getCategoryWithName("Groceries"), nullptr);
}

TEST_F(TLDatabaseTest, SecurityInfoIsMadeOnceAndSurvivesAReload) {
    TLSecurityInfo* info = db().securityInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(db().securityInfo(), info);
    info->setPasscode("1234");
    db().save();
    db().reloadData();
    EXPECT_EQ(db().getAllObjectsWithEntityName("SecurityInfo").size(), 1u);
    EXPECT_EQ(db().securityInfo()->passcode(), "1234");
}

TEST_F(TLDatabaseTest, ReloadForgetsUnsavedWorkAndReadsTheFileAgain) {
    currency("EUR", true);
    db().save();
    account("Unsaved", TLAccountType::Bank, 0);
    ManagedObjectContext* before = db().context();
    db().reloadData();
    EXPECT_TRUE(TLAccount::getAccounts().empty());
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 1u);
    (void)before;  // belongs to the dropped context: never touched again
}

TEST_F(TLDatabaseTest, ReloadPicksUpAStoreReplacedOnDisk) {
    currency("EUR", true);
    db().save();
    std::string file = db().urlToSqliteFile();
    std::filesystem::copy_file(file, folder_.path() + "/one-currency.sqlite");
    currency("USD", false);
    db().save();
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 2u);
    // The file is replaced (as sync does) and the store reloaded.
    std::filesystem::copy_file(folder_.path() + "/one-currency.sqlite", file,
                               std::filesystem::copy_options::overwrite_existing);
    int hooks = 0;
    db().addReloadHook([&] { ++hooks; });
    db().reloadData();
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 1u);
}

#if defined(__SANITIZE_ADDRESS__)
// Objects of a dropped context are freed, so a screen that kept one across a
// reload is caught at its first touch instead of reading stale memory.
TEST_F(TLDatabaseTest, TouchingAnObjectHeldAcrossAReloadIsCaught) {
    TLAccount* kept = account("Cash", TLAccountType::Cash, 0);
    db().save();
    db().reloadData();
    ASSERT_EQ(TLAccount::getAccounts().size(), 1u);
    EXPECT_DEATH(touch(kept->name()), "heap-use-after-free");
}
#endif

TEST_F(TLDatabaseTest, SavingWithNothingChangedDoesNotTouchTheFile) {
    currency("EUR", true);
    db().save();
    struct stat before {};
    ASSERT_EQ(::stat(db().urlToSqliteFile().c_str(), &before), 0);
    std::ifstream in(db().urlToSqliteFile(), std::ios::binary);
    std::string bytesBefore((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    db().save();
    struct stat after {};
    ASSERT_EQ(::stat(db().urlToSqliteFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST_F(TLDatabaseTest, AForeignFileIsLeftAloneAndASaveEndsTheProcess) {
    std::filesystem::create_directories(db().applicationDocumentsDirectory());
    std::string file = db().urlToSqliteFile();
    std::ofstream(file) << "my tax notes, not a store";
    EXPECT_FALSE(db().hasPersistentStore());
    EXPECT_NE(db().storeError(), "");
    account("Cash", TLAccountType::Cash, 0);
    EXPECT_EXIT(db().save(), ::testing::ExitedWithCode(255), "saving the store failed");
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "my tax notes, not a store");
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void runSql(const std::string& path, const char* sql) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    sqlite3_close(raw);
}

// The state a sync cut off between putting a store in place and loading it
// would leave: the store from before the sync kept as ".previous", and in
// place a store that does not load (an opening balance of "abc").
class StoreOpeningTest : public TLDatabaseTest {
protected:
    StoreOpeningTest() {
        account("Checking", TLAccountType::Bank, 0);
        db().save();
        store = db().urlToSqliteFile();
        previous = store + ".previous";
        std::filesystem::copy_file(store, previous);
        runSql(store, "UPDATE ZACCOUNT SET ZSTARTINGBALANCE = 'abc'");
        unloadable = fileText(store);
        TLDatabase::resetSharedDatabase();  // the next launch
    }
    std::string accountNames() {
        std::string names;
        for (TLAccount* a : TLAccount::getAccounts()) names += a->name().value_or("?") + " ";
        return names;
    }
    std::string store, previous, unloadable;
};

TEST_F(StoreOpeningTest, AStoreThatDoesNotLoadGivesWayToTheOneKeptFromBeforeTheSync) {
    std::string kept = fileText(previous);
    EXPECT_TRUE(db().hasPersistentStore()) << db().storeError();
    EXPECT_EQ(accountNames(), "Checking ");
    EXPECT_EQ(fileText(store), kept);
    EXPECT_FALSE(std::filesystem::exists(previous));
    EXPECT_EQ(fileText(store + ".refused"), unloadable);  // kept, never deleted
    EXPECT_NE(db().recoveryNote().find(store + ".refused"), std::string::npos) << db().recoveryNote();
    // Saving works again.
    account("Savings", TLAccountType::Bank, 1);
    db().save();
    db().reloadData();
    EXPECT_EQ(accountNames(), "Checking Savings ");
    EXPECT_EQ(db().recoveryNote(), "");
}

TEST_F(StoreOpeningTest, WithoutAKeptStoreTheUnloadableOneIsLeftAsItIs) {
    std::filesystem::remove(previous);
    EXPECT_FALSE(db().hasPersistentStore());
    EXPECT_NE(db().storeError().find("abc"), std::string::npos) << db().storeError();
    EXPECT_EQ(fileText(store), unloadable);
}

TEST_F(StoreOpeningTest, AKeptStoreThatDoesNotLoadEitherChangesNothing) {
    std::filesystem::copy_file(store, previous, std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(db().hasPersistentStore());
    EXPECT_EQ(fileText(store), unloadable);
    EXPECT_EQ(fileText(previous), unloadable);
    EXPECT_FALSE(std::filesystem::exists(store + ".refused"));
}

TEST_F(TLDatabaseTest, AReceivedStoreLeftByACutTransferIsRemovedAtOpening) {
    currency("EUR", true);
    db().save();
    std::string received = db().urlToSqliteFile() + ".received";
    std::ofstream(received) << "the first half of a store";
    db().reloadData();
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(received));
}

// Run as a user that may read the home but not write it (root writes
// anywhere, so the check runs in a child process that gives up root).
TEST_F(TLDatabaseTest, AStoreThatCannotBeWrittenOpensReadOnlyAndKeepsChangesInMemory) {
    account("Checking", TLAccountType::Bank, 0);
    db().save();
    std::string store = db().urlToSqliteFile();
    std::string before = fileText(store);
    TLDatabase::resetSharedDatabase();
    EXPECT_EXIT(
        {
            if (::geteuid() == 0) {
                for (const std::string& path : {folder_.path(), db().applicationDocumentsDirectory()}) ::chmod(path.c_str(), 0755);
                ::chmod(store.c_str(), 0644);
                if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
            } else {
                ::chmod(db().applicationDocumentsDirectory().c_str(), 0555);
            }
            if (!db().hasPersistentStore() || !db().isReadOnly()) std::_Exit(1);
            account("Savings", TLAccountType::Bank, 1);
            db().save();  // kept in memory, no exit
            if (TLAccount::getAccounts().size() != 2) std::_Exit(2);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "cannot be written to");
    ::chmod(db().applicationDocumentsDirectory().c_str(), 0755);
    EXPECT_EQ(fileText(store), before);
}

}  // namespace
}  // namespace tallo
