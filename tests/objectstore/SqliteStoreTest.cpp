#include "Platform/objectstore/SqliteStore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <fstream>
#include <iterator>

#include "Platform/objectstore/ManagedObjectContext.h"
#include "Platform/objectstore/StoreRowCheck.h"
#include "tests/support/StoreDump.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

// Every attribute type, a transient, a sub-entity sharing its root's table,
// a to-one/to-many pair and a many-to-many pair.
constexpr const char* kStoreModelV1 = R"(
model StoreTest version 1
entity Account TLAccount
  name          string
  balance       decimal
  order         integer16
  kind          integer32
  serial        integer64
  closed        boolean
  ratio         double
  opened        date
  picture       data
  draft         string transient
  transactions  ->> Transaction.account   cascade
  budgets       ->> Budget.accounts       nullify
entity Transaction TLTransaction
  amount        decimal
  memo          string
  account       -> Account.transactions   nullify
entity InvestmentTransaction TLInvestmentTransaction : Transaction
  shares        decimal
entity Budget TLBudget
  name          string
  accounts      ->> Account.budgets       nullify
)";

// The next version: a new attribute, a new entity and a new to-one.
constexpr const char* kStoreModelV2 = R"(
model StoreTest version 2
entity Account TLAccount
  name          string
  balance       decimal
  order         integer16
  kind          integer32
  serial        integer64
  closed        boolean
  ratio         double
  opened        date
  picture       data
  draft         string transient
  iban          string
  transactions  ->> Transaction.account   cascade
  budgets       ->> Budget.accounts       nullify
entity Transaction TLTransaction
  amount        decimal
  memo          string
  account       -> Account.transactions   nullify
  payee         -> Payee.transactions     nullify
entity InvestmentTransaction TLInvestmentTransaction : Transaction
  shares        decimal
entity Budget TLBudget
  name          string
  accounts      ->> Account.budgets       nullify
entity Payee TLPayee
  name          string
  transactions  ->> Transaction.payee     nullify
)";

std::shared_ptr<const Model> parse(const char* declaration) {
    std::string error;
    auto model = Model::parseDeclaration(declaration, &error);
    if (!model) throw std::runtime_error(error);
    return model;
}

std::shared_ptr<const Model> modelV1() {
    static auto model = parse(kStoreModelV1);
    return model;
}

struct TestObject : ManagedObject {};

ManagedObjectContext::ObjectFactory factory() {
    return [](const EntityDescription&) { return std::make_unique<TestObject>(); };
}

Decimal D(const char* text) { return *Decimal::fromString(text); }

}  // namespace

// Values print as their canonical text in failure messages.
static void PrintTo(const Value& value, std::ostream* out) { *out << value.description(); }

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A second, independent connection to the file, as another program would have.
class RawDb {
public:
    explicit RawDb(const std::string& path) { sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); }
    ~RawDb() { sqlite3_close_v2(db_); }
    void exec(const std::string& sql) {
        char* message = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
        ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << (message ? message : "");
    }
    // Rows as "a|b" lines: a canonical text to compare at a glance.
    std::string query(const std::string& sql) {
        std::string out;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const unsigned char* text = sqlite3_column_text(statement, i);
                out += (i == 0 ? "" : "|") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            out += "\n";
        }
        sqlite3_finalize(statement);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<ManagedObjectContext> openContext(std::shared_ptr<const Model> model = modelV1(),
                                                      SqliteStoreOptions options = {}) {
        std::string error;
        auto store = SqliteStore::open(path, model, &error, options);
        EXPECT_TRUE(store) << error;
        if (!store) return nullptr;
        auto context = std::make_unique<ManagedObjectContext>(model, factory(), std::move(store));
        EXPECT_TRUE(context->load(&error)) << error;
        return context;
    }

    static ManagedObject* insert(ManagedObjectContext& context, const char* entity,
                                 std::initializer_list<std::pair<const char*, Value>> values = {}) {
        ManagedObject* object = context.insertNewObjectForEntityForName(entity);
        for (const auto& [key, value] : values) EXPECT_TRUE(object->setValueForKey(value, key)) << key;
        return object;
    }

    static std::vector<ManagedObject*> all(ManagedObjectContext& context, const char* entity) {
        FetchRequest request;
        request.entityName = entity;
        return context.executeFetchRequest(request);
    }

    void saveOrFail(ManagedObjectContext& context) {
        std::string error;
        ASSERT_TRUE(context.save(&error)) << error;
    }

    test::TemporaryFolder folder;
    std::string path = folder.path() + "/TalloMobile2.sqlite";
};

// ---- values and relationships ----

TEST_F(SqliteStoreTest, EveryAttributeTypeComesBackExactly) {
    const Bytes picture{0x89, 'P', 'N', 'G', 0x00, 0x00, 0xff, 0x00};
    {
        auto context = openContext();
        insert(*context, "Account",
               {{"name", "Épargne 日本 💶"},
                {"balance", D("12345678901234567890.123456789")},
                {"order", 32767},
                {"kind", -2147483647 - 1},
                {"serial", 9223372036854775807LL},
                {"closed", true},
                {"ratio", 0.1},
                {"opened", Date(1299682062.375)},
                {"picture", picture},
                {"draft", "only in memory"}});
        // Empty text and empty data are values, not nil.
        insert(*context, "Account", {{"name", ""}, {"picture", Bytes{}}, {"balance", D("-0.01")}});
        saveOrFail(*context);
    }
    auto context = openContext();
    auto accounts = all(*context, "Account");
    ASSERT_EQ(accounts.size(), 2u);
    const ManagedObject& savings = *accounts[0];
    EXPECT_EQ(savings.valueForKey("name"), Value("Épargne 日本 💶"));
    EXPECT_EQ(savings.valueForKey("balance").asDecimal()->toString(), "12345678901234567890.123456789");
    EXPECT_EQ(savings.valueForKey("order").asInteger(), 32767);
    EXPECT_EQ(savings.valueForKey("kind").asInteger(), -2147483648LL);
    EXPECT_EQ(savings.valueForKey("serial").asInteger(), 9223372036854775807LL);
    EXPECT_EQ(savings.valueForKey("closed").asBool(), true);
    EXPECT_EQ(savings.valueForKey("ratio").asDouble(), 0.1);
    EXPECT_EQ(savings.valueForKey("opened").asDate()->timeIntervalSince1970(), 1299682062.375);
    EXPECT_EQ(savings.valueForKey("picture"), Value(picture));
    EXPECT_TRUE(savings.valueForKey("draft").isNull()) << "a transient is never stored";

    const ManagedObject& empty = *accounts[1];
    EXPECT_EQ(empty.valueForKey("name"), Value(""));
    EXPECT_EQ(empty.valueForKey("picture"), Value(Bytes{}));
    EXPECT_EQ(empty.valueForKey("balance").asDecimal()->toString(), "-0.01");
    for (const char* key : {"order", "kind", "serial", "closed", "ratio", "opened"}) {
        EXPECT_TRUE(empty.valueForKey(key).isNull()) << key;
    }
}

TEST_F(SqliteStoreTest, RelationshipsSubEntitiesAndManyToManySurviveReopening) {
    std::string before;
    {
        auto context = openContext();
        ManagedObject* checking = insert(*context, "Account", {{"name", "Checking"}});
        ManagedObject* broker = insert(*context, "Account", {{"name", "Broker"}});
        insert(*context, "Transaction", {{"amount", D("-42.10")}, {"account", checking}});
        insert(*context, "InvestmentTransaction", {{"amount", D("-1000")}, {"shares", D("12.5")}, {"account", broker}});
        insert(*context, "Transaction", {{"amount", D("2500")}, {"account", checking}});
        insert(*context, "Budget", {{"name", "Household"}, {"accounts", ObjectList{checking, broker}}});
        insert(*context, "Budget", {{"name", "Savings"}, {"accounts", ObjectList{broker}}});
        saveOrFail(*context);
        before = test::dumpContext(*context);
    }
    {
        auto context = openContext();
        EXPECT_EQ(test::dumpContext(*context), before);
        auto accounts = all(*context, "Account");
        EXPECT_EQ(accounts[0]->valueForKey("transactions").description(), "[Transaction#1, Transaction#3]");
        EXPECT_EQ(accounts[1]->valueForKey("budgets").description(), "[Budget#1, Budget#2]");
        auto transactions = all(*context, "Transaction");
        EXPECT_EQ(transactions[1]->entity().name(), "InvestmentTransaction");
        EXPECT_EQ(transactions[1]->valueForKey("shares").asDecimal()->toString(), "12.5");

        // Take the broker out of the household budget and delete the checking
        // account (its transactions cascade, its pairs go).
        auto budgets = all(*context, "Budget");
        budgets[0]->setValueForKey(ObjectList{}, "accounts");
        context->deleteObject(accounts[0]);
        saveOrFail(*context);
    }
    auto context = openContext();
    EXPECT_EQ(test::dumpContext(*context),
              "Account#2 {name=\"Broker\", transactions=[InvestmentTransaction#2], budgets=[Budget#2]}\n"
              "InvestmentTransaction#2 {amount=-1000, shares=12.5, account=Account#2}\n"
              "Budget#1 {name=\"Household\"}\n"
              "Budget#2 {name=\"Savings\", accounts=[Account#2]}\n");
    RawDb raw(path);
    EXPECT_EQ(raw.query("SELECT Z_OWNER, Z_TARGET FROM Z_ACCOUNT_BUDGETS"), "2|2\n");
}

// Other programs read the file (the desktop through sync, a person with the
// sqlite3 shell): the layout and its value formats are part of the contract.
TEST_F(SqliteStoreTest, FileLayoutIsReadableByOtherPrograms) {
    {
        auto context = openContext();
        ManagedObject* account = insert(*context, "Account",
                                        {{"name", "Cash"}, {"balance", D("1200.5")}, {"opened", Date(1300000000.25)}, {"closed", false}});
        insert(*context, "InvestmentTransaction", {{"amount", D("-7.5")}, {"account", account}});
        saveOrFail(*context);
    }
    RawDb raw(path);
    EXPECT_EQ(raw.query("PRAGMA journal_mode"), "delete\n");
    EXPECT_EQ(raw.query("SELECT Z_KEY, Z_VALUE FROM Z_METADATA ORDER BY Z_KEY"),
              "modelName|StoreTest\nmodelVersion|1\nversionHash|" + modelV1()->versionHash() + "\n");
    EXPECT_EQ(raw.query("SELECT typeof(ZBALANCE), ZBALANCE, typeof(ZOPENED), ZOPENED, ZCLOSED, ZNAME FROM ZACCOUNT"),
              "text|1200.5|real|1300000000.25|0|Cash\n");
    // The sub-entity's row sits in its root's table, marked with its entity.
    EXPECT_EQ(raw.query("SELECT Z_PK, Z_ENT, ZAMOUNT, ZSHARES, ZACCOUNT FROM ZTRANSACTION"),
              "1|InvestmentTransaction|-7.5|NULL|1\n");
    EXPECT_EQ(raw.query("SELECT count(*) FROM pragma_table_info('ZACCOUNT') WHERE name = 'ZDRAFT'"), "0\n");
    // A register fetch by account is an index search, not a scan.
    EXPECT_NE(raw.query("EXPLAIN QUERY PLAN SELECT Z_PK FROM ZTRANSACTION WHERE ZACCOUNT = 1").find("INDEX"), std::string::npos);
}

TEST_F(SqliteStoreTest, OpeningOrSavingNothingLeavesTheFileUntouched) {
    {
        auto context = openContext();
        insert(*context, "Account", {{"name", "Cash"}});
        saveOrFail(*context);
    }
    std::string bytes = readFile(path);
    {
        auto context = openContext();
        saveOrFail(*context);
    }
    EXPECT_EQ(readFile(path), bytes);
}

// ---- what cannot be read ----

TEST_F(SqliteStoreTest, AValueThatIsNotItsTypeStopsTheLoadNamingTableRowAndColumn) {
    struct Case {
        const char* damage;
        const char* expected;
    };
    const Case cases[] = {
        {"UPDATE ZACCOUNT SET ZBALANCE = 'abc' WHERE Z_PK = 2", "table ZACCOUNT, row 2, column ZBALANCE (Account.balance): 'abc' is not a decimal"},
        {"UPDATE ZACCOUNT SET ZBALANCE = X'0C' WHERE Z_PK = 1", "row 1, column ZBALANCE (Account.balance): holds data, not an exact decimal"},
        {"UPDATE ZACCOUNT SET ZOPENED = 'yesterday' WHERE Z_PK = 1", "column ZOPENED (Account.opened): holds text, not a date"},
        {"UPDATE ZACCOUNT SET ZORDER = 40000 WHERE Z_PK = 1", "column ZORDER (Account.order): 40000 does not fit integer16"},
        {"UPDATE ZACCOUNT SET ZPICTURE = 'png' WHERE Z_PK = 1", "column ZPICTURE (Account.picture): holds text, not data"},
        {"UPDATE ZTRANSACTION SET ZACCOUNT = 'Cash' WHERE Z_PK = 1", "table ZTRANSACTION, row 1, column ZACCOUNT (Transaction.account)"},
        {"UPDATE ZTRANSACTION SET Z_ENT = 'Ghost' WHERE Z_PK = 1", "table ZTRANSACTION, row 1: the entity 'Ghost'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        std::filesystem::remove(path);
        {
            auto context = openContext();
            ManagedObject* cash = insert(*context, "Account", {{"name", "Cash"}, {"balance", D("10")}});
            insert(*context, "Account", {{"name", "Bank"}, {"balance", D("20")}});
            insert(*context, "Transaction", {{"amount", D("1")}, {"account", cash}});
            saveOrFail(*context);
        }
        std::string error;
        if (&c == &cases[0]) {
            auto sound = SqliteStore::open(path, modelV1(), &error);
            StoreRowCheck check;
            ASSERT_TRUE(sound && sound->load(check, &error)) << error;
            EXPECT_EQ(check.rows(), 3u) << "two accounts and a transaction";
        }
        RawDb(path).exec(c.damage);
        auto store = SqliteStore::open(path, modelV1(), &error);
        ASSERT_TRUE(store) << error;
        // The check of every row without objects finds what the load finds.
        std::string checked;
        EXPECT_FALSE(StoreRowCheck::checkEveryRow(*store, &checked));
        EXPECT_NE(checked.find(c.expected), std::string::npos) << checked;
        ManagedObjectContext context(modelV1(), factory(), std::move(store));
        EXPECT_FALSE(context.load(&error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST_F(SqliteStoreTest, AForeignOrBrokenFileIsRefusedAndLeftByteForByte) {
    auto makeStore = [&](const std::shared_ptr<const Model>& model, int accounts) {
        std::filesystem::remove(path);
        auto context = openContext(model);
        for (int i = 0; i < accounts; ++i) {
            insert(*context, "Account", {{"name", "Account " + std::to_string(i)}, {"picture", Bytes(600, uint8_t(i))}});
        }
        saveOrFail(*context);
    };
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* expected;
    };
    const Case cases[] = {
        {"a text file", [&] { writeFile(path, "Date,Amount\n2011-03-09,-12.50\n"); }, "is not a SQLite database"},
        {"an empty file", [&] { writeFile(path, ""); }, "is empty"},
        {"SQLite of another schema",
         [&] {
             std::filesystem::remove(path);
             RawDb(path).exec("CREATE TABLE notes (title TEXT, body TEXT); INSERT INTO notes VALUES ('a', 'b')");
         },
         "no metadata"},
        {"a store of another model",
         [&] { makeStore(parse("model Notes version 1\nentity Account TLAccount\n  name string\n  picture data\n"), 1); },
         "is a store of the model 'Notes', not 'StoreTest'"},
        {"a store of a newer version", [&] { makeStore(parse(kStoreModelV2), 1); }, "was written by version 2"},
        {"a column of another type",
         [&] {
             makeStore(parse("model StoreTest version 1\nentity Account TLAccount\n  balance double\n  name string\n  picture data\n"), 1);
         },
         "keeps REAL in column ZBALANCE of ZACCOUNT, where this model stores TEXT"},
        {"a store with a trigger",
         [&] {
             makeStore(modelV1(), 1);
             RawDb(path).exec("CREATE TRIGGER wipe AFTER INSERT ON ZACCOUNT BEGIN DELETE FROM ZACCOUNT; END");
         },
         "holds a trigger"},
        {"a truncated store",
         [&] {
             makeStore(modelV1(), 60);
             std::string bytes = readFile(path);
             writeFile(path, bytes.substr(0, bytes.size() / 2));
         },
         "integrity"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        std::string bytes = readFile(path);
        std::string error;
        EXPECT_FALSE(SqliteStore::checkStoreFile(path, *modelV1(), &error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        error.clear();
        EXPECT_EQ(SqliteStore::open(path, modelV1(), &error), nullptr);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path, 0), 0u) << "the message names the file: " << error;
        EXPECT_TRUE(readFile(path) == bytes) << "the refused file was changed";
        EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
    }
    makeStore(modelV1(), 3);
    std::string error;
    EXPECT_TRUE(SqliteStore::checkStoreFile(path, *modelV1(), &error)) << error;
}

// ---- saves that fail ----

TEST_F(SqliteStoreTest, ASaveBlockedByAnotherProgramLeavesTheFileAndKeepsTheChanges) {
    SqliteStoreOptions options;
    options.busyTimeoutMilliseconds = 20;
    auto context = openContext(modelV1(), options);
    ManagedObject* cash = insert(*context, "Account", {{"name", "Cash"}, {"balance", D("10")}});
    saveOrFail(*context);
    std::string bytes = readFile(path);

    cash->setValueForKey(D("99.99"), "balance");
    insert(*context, "Transaction", {{"amount", D("89.99")}, {"account", cash}});
    {
        // Another program writes: the file is read-only and locked exclusively
        // (the lock holds even for root, whom file modes do not stop).
        RawDb other(path);
        ::chmod(path.c_str(), 0444);
        other.exec("BEGIN EXCLUSIVE");
        std::string error;
        EXPECT_FALSE(context->save(&error));
        EXPECT_NE(error.find("locked"), std::string::npos) << error;
        other.exec("ROLLBACK");
        ::chmod(path.c_str(), 0644);
    }
    EXPECT_TRUE(readFile(path) == bytes);
    {
        // Another program reads: every row is written, but the commit cannot
        // get the file to itself and rolls back.
        RawDb reader(path);
        reader.exec("BEGIN");
        EXPECT_EQ(reader.query("SELECT ZBALANCE FROM ZACCOUNT"), "10\n");
        std::string error;
        EXPECT_FALSE(context->save(&error));
        EXPECT_NE(error.find("locked"), std::string::npos) << error;
        reader.exec("COMMIT");
    }
    EXPECT_TRUE(readFile(path) == bytes);
    EXPECT_TRUE(context->hasChanges());

    saveOrFail(*context);
    context.reset();
    EXPECT_EQ(test::dumpContext(*openContext()),
              "Account#1 {name=\"Cash\", balance=99.99, transactions=[Transaction#1]}\n"
              "Transaction#1 {amount=89.99, account=Account#1}\n");
}

TEST_F(SqliteStoreTest, ASaveFailingHalfWayWritesNothing) {
    auto context = openContext();
    ManagedObject* cash = insert(*context, "Account", {{"name", "Cash"}});
    saveOrFail(*context);
    // Row 3 is taken behind the context's back, so the second of two inserts
    // fails after the first one and an update were written.
    RawDb(path).exec("INSERT INTO ZACCOUNT (Z_PK, Z_ENT, ZNAME) VALUES (3, 'Account', 'Intruder')");
    std::string bytes = readFile(path);

    cash->setValueForKey("Wallet", "name");
    insert(*context, "Account", {{"name", "Bank"}});
    insert(*context, "Account", {{"name", "Card"}});
    std::string error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_NE(error.find("UNIQUE constraint failed: ZACCOUNT.Z_PK"), std::string::npos) << error;
    EXPECT_TRUE(readFile(path) == bytes);

    RawDb(path).exec("DELETE FROM ZACCOUNT WHERE Z_PK = 3");
    saveOrFail(*context);
    EXPECT_EQ(RawDb(path).query("SELECT Z_PK, ZNAME FROM ZACCOUNT"), "1|Wallet\n2|Bank\n3|Card\n");
}

// A process killed at any point of a save leaves the last completed save:
// each save adds one batch of transactions and records its number on the
// account, so the file must hold whole batches 1…n and say n.
TEST_F(SqliteStoreTest, AProcessKilledWhileSavingLeavesTheLastSave) {
    constexpr int kBatchSize = 300;
    {
        auto context = openContext();
        insert(*context, "Account", {{"name", "Counter"}, {"serial", 0}});
        saveOrFail(*context);
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            auto store = SqliteStore::open(path, modelV1());
            if (!store) ::_exit(2);
            ManagedObjectContext context(modelV1(), factory(), std::move(store));
            if (!context.load()) ::_exit(3);
            ManagedObject* counter = all(context, "Account").front();
            bool signalled = false;
            for (long long batch = *counter->valueForKey("serial").asInteger() + 1;; ++batch) {
                for (int i = 0; i < kBatchSize; ++i) {
                    ManagedObject* t = context.insertNewObjectForEntityForName("Transaction");
                    t->setValueForKey(Decimal(batch), "amount");
                    t->setValueForKey(counter, "account");
                }
                counter->setValueForKey(batch, "serial");
                if (!context.save()) ::_exit(4);
                if (!signalled) {  // the parent waits for one finished save, then picks its moment
                    char byte = 1;
                    if (::write(ready[1], &byte, 1) != 1) ::_exit(5);
                    ::close(ready[1]);
                    signalled = true;
                }
            }
        }
        ::close(ready[1]);
        char byte;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(15000 + round * 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with " << WEXITSTATUS(status);

        auto context = openContext();
        ASSERT_TRUE(context);
        long long saved = *all(*context, "Account").front()->valueForKey("serial").asInteger();
        EXPECT_GE(saved, 1);
        std::map<long long, int> batches;
        for (ManagedObject* t : all(*context, "Transaction")) ++batches[t->valueForKey("amount").asDecimal()->longLongValue()];
        EXPECT_EQ(static_cast<long long>(batches.size()), saved);
        for (const auto& [batch, count] : batches) {
            EXPECT_LE(batch, saved);
            EXPECT_EQ(count, kBatchSize) << "batch " << batch;
        }
        context.reset();
        std::string error;
        EXPECT_TRUE(SqliteStore::checkStoreFile(path, *modelV1(), &error)) << error;
    }
}

// A file copied in the middle of another program's write (half-written pages
// plus its journal): a received file like that is refused as it is, while
// opening it as the store rolls the write back.
TEST_F(SqliteStoreTest, AnInterruptedWriteIsRefusedByTheCheckAndUndoneByOpening) {
    {
        auto context = openContext();
        for (int i = 0; i < 40; ++i) insert(*context, "Account", {{"name", "Account " + std::to_string(i)}, {"order", i}});
        saveOrFail(*context);
    }
    std::string copy = folder.path() + "/Received.sqlite";
    {
        RawDb writer(path);
        writer.exec("PRAGMA cache_size = 1");  // pages spill into the file before the commit
        writer.exec("BEGIN");
        writer.exec("UPDATE ZACCOUNT SET ZPICTURE = zeroblob(3000), ZORDER = -1");
        std::filesystem::copy_file(path, copy);
        std::filesystem::copy_file(path + "-journal", copy + "-journal");
        writer.exec("ROLLBACK");
    }
    std::string torn = readFile(copy);
    ASSERT_FALSE(torn == readFile(path)) << "the copy should hold half-written pages";

    std::string error;
    EXPECT_FALSE(SqliteStore::checkStoreFile(copy, *modelV1(), &error));
    EXPECT_NE(error.find("interrupted"), std::string::npos) << error;
    EXPECT_TRUE(readFile(copy) == torn);

    auto store = SqliteStore::open(copy, modelV1(), &error);
    ASSERT_TRUE(store) << error;
    ManagedObjectContext context(modelV1(), factory(), std::move(store));
    ASSERT_TRUE(context.load(&error)) << error;
    auto accounts = all(context, "Account");
    ASSERT_EQ(accounts.size(), 40u);
    EXPECT_EQ(accounts[39]->valueForKey("order").asInteger(), 39);
    EXPECT_TRUE(accounts[39]->valueForKey("picture").isNull());
    EXPECT_FALSE(std::filesystem::exists(copy + "-journal"));
}

// ---- the file as the store left it ----

// Overwrites a stretch in the middle of the file in place (same inode and
// size, the header and its change counter untouched); with `keepTime` the
// modification time is put back as it was.
void damageMiddle(const std::string& path, bool keepTime) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(before.st_size / 2);
    file << std::string(2048, 'x');
    file.close();
    if (!keepTime) return;
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(SqliteStoreTest, AFileExactlyAsTheStoreLastLeftItSkipsTheCheckAndAnyOtherIsChecked) {
    SqliteStoreOptions trusting;
    trusting.skipCheckOfUnchangedFile = true;
    auto makeStore = [&] {
        std::filesystem::remove(path);
        auto context = openContext(modelV1(), trusting);
        for (int i = 0; i < 60; ++i) {
            insert(*context, "Account", {{"name", "Account " + std::to_string(i)}, {"picture", Bytes(600, uint8_t(i))}});
        }
        saveOrFail(*context);
    };
    auto opens = [&](SqliteStoreOptions options) {
        std::string error;
        bool opened = SqliteStore::open(path, modelV1(), &error, options) != nullptr;
        EXPECT_TRUE(opened || error.find("integrity") != std::string::npos) << error;
        return opened;
    };

    // What the skip trusts is the record alone: damage that leaves inode,
    // size, time and change count as recorded is not looked for...
    makeStore();
    EXPECT_TRUE(SqliteStore::isUnchangedSinceChecked(path));
    damageMiddle(path, true);
    EXPECT_TRUE(SqliteStore::isUnchangedSinceChecked(path));
    EXPECT_TRUE(opens(trusting));
    EXPECT_FALSE(opens({})) << "the quick check finds the damage";

    // ...while the same damage with its own modification time is.
    makeStore();
    damageMiddle(path, false);
    EXPECT_FALSE(SqliteStore::isUnchangedSinceChecked(path));
    EXPECT_FALSE(opens(trusting));
    EXPECT_FALSE(opens(trusting)) << "a refused file stays unrecorded";

    // A record cut short names no file.
    makeStore();
    damageMiddle(path, true);
    std::string record = readFile(path + "-verified");
    writeFile(path + "-verified", record.substr(0, record.size() - 1));
    EXPECT_FALSE(opens(trusting));

    // Every save records the file it leaves, and only a trusting store keeps a record.
    makeStore();
    {
        auto context = openContext(modelV1(), trusting);
        insert(*context, "Account", {{"name", "Savings"}});
        saveOrFail(*context);
    }
    damageMiddle(path, true);
    EXPECT_TRUE(opens(trusting)) << "the record follows the last save";
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-verified");
    openContext();
    EXPECT_FALSE(std::filesystem::exists(path + "-verified"));
}

// ---- migration ----

TEST_F(SqliteStoreTest, AStoreOfTheOlderModelGainsWhatIsNewAndKeepsEveryRow) {
    {
        auto context = openContext(modelV1());
        ManagedObject* cash = insert(*context, "Account", {{"name", "Cash"}, {"balance", D("12.34")}});
        insert(*context, "Transaction", {{"amount", D("-2.5")}, {"memo", "Coffee"}, {"account", cash}});
        insert(*context, "InvestmentTransaction", {{"shares", D("3")}, {"account", cash}});
        insert(*context, "Budget", {{"name", "Food"}, {"accounts", ObjectList{cash}}});
        saveOrFail(*context);
    }
    auto v2 = parse(kStoreModelV2);
    {
        auto context = openContext(v2);
        EXPECT_EQ(test::dumpContext(*context),
                  "Account#1 {name=\"Cash\", balance=12.34, transactions=[Transaction#1, InvestmentTransaction#2], budgets=[Budget#1]}\n"
                  "Transaction#1 {amount=-2.5, memo=\"Coffee\", account=Account#1}\n"
                  "InvestmentTransaction#2 {shares=3, account=Account#1}\n"
                  "Budget#1 {name=\"Food\", accounts=[Account#1]}\n");
        ManagedObject* payee = insert(*context, "Payee", {{"name", "Corner Café"}});
        all(*context, "Transaction").front()->setValueForKey(payee, "payee");
        all(*context, "Account").front()->setValueForKey("DE89 3704 0044 0532 0130 00", "iban");
        saveOrFail(*context);
    }
    std::string migrated = readFile(path);
    auto context = openContext(v2);
    EXPECT_EQ(test::dumpContext(*context),
              "Account#1 {name=\"Cash\", balance=12.34, iban=\"DE89 3704 0044 0532 0130 00\", "
              "transactions=[Transaction#1, InvestmentTransaction#2], budgets=[Budget#1]}\n"
              "Transaction#1 {amount=-2.5, memo=\"Coffee\", account=Account#1, payee=Payee#1}\n"
              "InvestmentTransaction#2 {shares=3, account=Account#1}\n"
              "Budget#1 {name=\"Food\", accounts=[Account#1]}\n"
              "Payee#1 {name=\"Corner Café\", transactions=[Transaction#1]}\n");
    EXPECT_TRUE(readFile(path) == migrated) << "a migrated store is not migrated again";
    RawDb raw(path);
    EXPECT_EQ(raw.query("SELECT Z_VALUE FROM Z_METADATA WHERE Z_KEY IN ('modelVersion', 'versionHash') ORDER BY Z_KEY"),
              "2\n" + v2->versionHash() + "\n");
    EXPECT_NE(raw.query("EXPLAIN QUERY PLAN SELECT Z_PK FROM ZTRANSACTION WHERE ZPAYEE = 1").find("INDEX"), std::string::npos);
}

}  // namespace
}  // namespace tallo
