#include "Platform/objectstore/ManagedObjectContext.h"

#include <gtest/gtest.h>

#include "tests/objectstore/TestModel.h"
#include "tests/support/StoreDump.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {

namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

class ContextTest : public ::testing::Test {
protected:
    ContextTest() : context(test::ledgerModel(), test::testFactory()) { test::TestObject::hookLog().clear(); }

    ManagedObject* insert(const char* entity, std::initializer_list<std::pair<const char*, Value>> values = {}) {
        ManagedObject* object = context.insertNewObjectForEntityForName(entity);
        for (const auto& [key, value] : values) EXPECT_TRUE(object->setValueForKey(value, key)) << key;
        return object;
    }

    std::vector<std::string> ids(const std::vector<ManagedObject*>& objects) {
        std::vector<std::string> out;
        for (const ManagedObject* o : objects) out.push_back(o->objectIDString());
        return out;
    }

    ManagedObjectContext context;
};

TEST_F(ContextTest, RelationshipsKeepTheirInversesFromEitherSide) {
    ManagedObject* groceries = insert("Transaction");
    ManagedObject* rent = insert("Transaction");
    ManagedObject* split = insert("Split", {{"amount", D("12.50")}});

    split->setValueForKey(groceries, "transaction");
    EXPECT_EQ(groceries->valueForKey("splits").description(), "[Split#1]");

    // Moving the split through the other side takes it out of the first set.
    rent->setValueForKey(ObjectList{split}, "splits");
    EXPECT_EQ(groceries->valueForKey("splits").description(), "[]");
    EXPECT_EQ(split->valueForKey("transaction").asObject(), rent);

    rent->setValueForKey(ObjectList{}, "splits");
    EXPECT_TRUE(split->valueForKey("transaction").isNull());

    // Moving it through its own to-one takes it out of the old set too.
    split->setValueForKey(groceries, "transaction");
    split->setValueForKey(rent, "transaction");
    EXPECT_EQ(groceries->valueForKey("splits").description(), "[]");
    EXPECT_EQ(rent->valueForKey("splits").description(), "[Split#1]");
    split->setValueForKey(Value(), "transaction");
    EXPECT_EQ(rent->valueForKey("splits").description(), "[]");

    // One-to-one: the mirror of a transfer points back, and taking the mirror
    // for another transfer frees the first.
    ManagedObject* mirror = insert("Transaction");
    groceries->setValueForKey(mirror, "transferCopy");
    EXPECT_EQ(mirror->valueForKey("transferCopyInverse").asObject(), groceries);
    rent->setValueForKey(mirror, "transferCopy");
    EXPECT_TRUE(groceries->valueForKey("transferCopy").isNull());
    EXPECT_EQ(mirror->valueForKey("transferCopyInverse").asObject(), rent);

    // Many-to-many.
    ManagedObject* cash = insert("Account");
    ManagedObject* bank = insert("Account");
    ManagedObject* budget = insert("Budget");
    budget->setValueForKey(ObjectList{cash, bank}, "accounts");
    EXPECT_EQ(cash->valueForKey("budgets").description(), "[Budget#1]");
    bank->setValueForKey(ObjectList{}, "budgets");
    EXPECT_EQ(budget->valueForKey("accounts").description(), "[Account#1]");
}

TEST_F(ContextTest, SettingByKeyConvertsNumbersAndRefusesWrongKinds) {
    ManagedObject* account = insert("Account");
    EXPECT_TRUE(account->setValueForKey(3, "balance"));  // an integer into a decimal
    EXPECT_EQ(account->valueForKey("balance"), Value(D("3")));
    EXPECT_TRUE(account->setValueForKey(true, "order"));
    EXPECT_EQ(account->valueForKey("order").asInteger(), 1);
    EXPECT_FALSE(account->setValueForKey("twelve", "balance"));
    EXPECT_FALSE(account->setValueForKey(12, "name"));
    EXPECT_FALSE(account->setValueForKey(1, "noSuchKey"));
    ManagedObject* split = insert("Split");
    EXPECT_FALSE(split->setValueForKey(account, "transaction"));  // an account is not a transaction
    EXPECT_EQ(account->valueForKey("balance"), Value(D("3")));
    EXPECT_TRUE(account->valueForKey("noSuchKey").isNull());
}

TEST_F(ContextTest, KeyPathsCrossToOneRelationshipsAndCountToMany) {
    ManagedObject* account = insert("Account", {{"name", "Cash"}});
    ManagedObject* transaction = insert("Transaction", {{"account", account}});
    insert("Split", {{"transaction", transaction}});
    insert("Split", {{"transaction", transaction}});
    ManagedObject* split = insert("Split");
    EXPECT_EQ(transaction->valueForKeyPath("account.name"), Value("Cash"));
    EXPECT_EQ(transaction->valueForKeyPath("splits.@count").asInteger(), 2);
    EXPECT_TRUE(split->valueForKeyPath("transaction.account.name").isNull());  // nil on the way
}

TEST_F(ContextTest, RollbackRestoresTheExactSavedGraph) {
    ManagedObject* cash = insert("Account", {{"name", "Cash"}, {"balance", D("100")}});
    ManagedObject* bank = insert("Account", {{"name", "Bank"}, {"balance", D("2500.75")}});
    ManagedObject* lunch = insert("Transaction", {{"totalamount", D("-12.5")}, {"account", cash}});
    insert("Split", {{"amount", D("12.5")}, {"transaction", lunch}});
    ManagedObject* budget = insert("Budget", {{"name", "budget"}, {"accounts", ObjectList{cash}}});
    ASSERT_TRUE(context.save());
    std::string saved = test::dumpContext(context);

    // Changes across relationships, inserts and deletes...
    lunch->setValueForKey(bank, "account");
    lunch->setValueForKey(D("-99"), "totalamount");
    cash->setValueForKey("Wallet", "name");
    budget->setValueForKey(ObjectList{bank}, "accounts");
    ManagedObject* rent = insert("Transaction", {{"account", bank}});
    insert("Split", {{"transaction", rent}});
    context.deleteObject(cash);
    context.processPendingChanges();
    EXPECT_TRUE(context.hasChanges());
    EXPECT_NE(test::dumpContext(context), saved);

    context.rollback();
    EXPECT_EQ(test::dumpContext(context), saved);
    EXPECT_FALSE(context.hasChanges());
    // New objects after a rollback never reuse the keys of discarded ones.
    EXPECT_EQ(insert("Transaction")->objectIDString(), "Transaction#3");
}

TEST_F(ContextTest, DeletionRunsTheHookThenTheRules) {
    ManagedObject* cash = insert("Account", {{"name", "Cash"}});
    ManagedObject* lunch = insert("Transaction", {{"account", cash}});
    ManagedObject* split = insert("Split", {{"transaction", lunch}});
    ManagedObject* budget = insert("Budget", {{"accounts", ObjectList{cash}}});
    test::TestObject::hookLog().clear();

    context.deleteObject(cash);
    context.processPendingChanges();
    // Cascade: the account's transactions and their splits go too.
    EXPECT_TRUE(cash->isDeleted());
    EXPECT_TRUE(lunch->isDeleted());
    EXPECT_TRUE(split->isDeleted());
    EXPECT_EQ(test::TestObject::hookLog(),
              (std::vector<std::string>{"delete Account#1", "delete Transaction#1 from Account#1", "delete Split#1"}));
    // Nullify: the budget stays, without the account.
    EXPECT_FALSE(budget->isDeleted());
    EXPECT_EQ(budget->valueForKey("accounts").description(), "[]");
    EXPECT_EQ(test::dumpContext(context), "Budget#1 {}\n");
}

// A deletion hook that fetches processes the pending deletions inside the
// outer run; one that deletes an object whose deletion is already under way
// (a category's hook deleting an emptied budget) must not run that deletion
// twice, and the save frees each object once.
TEST(ContextDeletionHooks, AHookThatFetchesAndDeletesAgainRunsEachDeletionOnce) {
    class DeletesItsAccountToo : public test::TestObject {
    protected:
        void prepareForDeletion() override {
            test::TestObject::prepareForDeletion();
            FetchRequest accounts;
            accounts.entityName = "Account";
            managedObjectContext()->executeFetchRequest(accounts);
            if (ManagedObject* account = valueForKey("account").asObject()) managedObjectContext()->deleteObject(account);
        }
    };
    ManagedObjectContext context(test::ledgerModel(), [](const EntityDescription& entity) {
        if (entity.name() == "Transaction") return std::unique_ptr<ManagedObject>(new DeletesItsAccountToo());
        return std::unique_ptr<ManagedObject>(new test::TestObject());
    });
    ManagedObject* checking = context.insertNewObjectForEntityForName("Account");
    for (int i = 0; i < 3; ++i) context.insertNewObjectForEntityForName("Transaction")->setValueForKey(checking, "account");
    ASSERT_TRUE(context.save());
    test::TestObject::hookLog().clear();

    context.deleteObject(checking);
    ASSERT_TRUE(context.save());
    EXPECT_EQ(test::TestObject::hookLog(),
              (std::vector<std::string>{"delete Account#1", "delete Transaction#1 from Account#1", "delete Transaction#2 from Account#1",
                                        "delete Transaction#3 from Account#1"}));
    EXPECT_TRUE(context.allObjects().empty());
}

TEST_F(ContextTest, ObjectsInsertedAndDeletedBeforeASaveAreNoChange) {
    ASSERT_TRUE(context.save());
    EXPECT_FALSE(context.hasChanges());
    ManagedObject* draft = insert("Transaction");
    EXPECT_TRUE(context.hasChanges());
    context.deleteObject(draft);
    context.processPendingChanges();
    EXPECT_FALSE(context.hasChanges());
}

TEST_F(ContextTest, FetchesSeeUnsavedChangesAndNeverDeletedObjects) {
    ManagedObject* cash = insert("Account");
    for (int day = 1; day <= 5; ++day) {
        insert("Transaction", {{"transactionDate", Date(1300000000 + day * 86400)}, {"account", cash}});
    }
    ManagedObject* trade = insert("InvestmentTransaction", {{"transactionDate", Date(1300000000)}});
    FetchRequest all{"Transaction"};
    EXPECT_EQ(context.executeFetchRequest(all).size(), 6u);  // sub-entity included
    FetchRequest onlyPlain{"Transaction"};
    onlyPlain.includesSubentities = false;
    EXPECT_EQ(context.executeFetchRequest(onlyPlain).size(), 5u);
    EXPECT_EQ(ids(context.executeFetchRequest(FetchRequest{"InvestmentTransaction"})),
              std::vector<std::string>{"InvestmentTransaction#6"});

    FetchRequest page{"Transaction"};
    page.sortDescriptors = {{"transactionDate", false}};
    page.fetchLimit = 2;
    page.fetchOffset = 1;
    EXPECT_EQ(ids(context.executeFetchRequest(page)), (std::vector<std::string>{"Transaction#4", "Transaction#3"}));

    context.deleteObject(trade);
    EXPECT_EQ(context.countForFetchRequest(all), 5u);
    EXPECT_EQ(ids(context.executeFetchRequest(FetchRequest{"Budget"})), std::vector<std::string>{});
    EXPECT_TRUE(context.executeFetchRequest(FetchRequest{"NoSuchEntity"}).empty());
}

TEST_F(ContextTest, ListenersHearWhichEntitiesChanged) {
    std::vector<std::string> heard;
    int token = context.addChangeListener([&](const std::set<const EntityDescription*>& entities) {
        std::string names;
        for (const EntityDescription* e : entities) names += e->name() + " ";
        heard.push_back(names);
    });
    ManagedObject* cash = insert("Account");
    context.processPendingChanges();
    cash->setValueForKey("Cash", "name");
    ASSERT_TRUE(context.save());
    context.removeChangeListener(token);
    insert("Budget");
    context.processPendingChanges();
    EXPECT_EQ(heard, (std::vector<std::string>{"Account ", "Account "}));
}

TEST_F(ContextTest, ObjectListenersHearEveryObjectABatchTouchedEvenOnceItIsGone) {
    std::vector<std::string> heard;
    int token = context.addChangeListener([&](const ManagedObjectContext::Changes& changes) {
        std::string names = changes.everything ? "everything " : "";
        for (const auto& key : changes.objects) names += key.root->name() + "#" + std::to_string(key.primaryKey) + " ";
        heard.push_back(names);
    });
    ManagedObject* checking = insert("Account");
    ManagedObject* rent = insert("Transaction", {{"account", checking}});
    ManagedObject* split = insert("Split", {{"transaction", rent}, {"amount", D("950")}});
    ASSERT_TRUE(context.save());
    EXPECT_EQ(heard.back(), "Account#1 Transaction#1 Split#1 ");

    split->setValueForKey(D("975"), "amount");
    context.processPendingChanges();
    split->setValueForKey(D("980"), "amount");  // changed again before the save: heard again
    ASSERT_TRUE(context.save());
    EXPECT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[1], "Split#1 ");
    EXPECT_EQ(heard[2], "Split#1 ");

    // A deletion names what its rules took with it, which is then no longer held.
    context.deleteObject(rent);
    context.processPendingChanges();
    EXPECT_EQ(heard.back(), "Account#1 Transaction#1 Split#1 ");
    const EntityDescription& splits = *context.model().entityNamed("Split");
    EXPECT_EQ(context.registeredObject(splits, 1), nullptr);
    // Rolled back, the same objects are back and named again; so is an insert the rollback drops.
    insert("Split");
    context.rollback();
    EXPECT_EQ(heard.back(), "Account#1 Transaction#1 Split#1 Split#2 ");
    EXPECT_EQ(context.registeredObject(splits, 1), split);
    EXPECT_EQ(context.registeredObject(splits, 2), nullptr);

    context.reset();
    EXPECT_EQ(heard.back(), "everything ");
    context.removeChangeListener(token);
    insert("Budget");
    context.processPendingChanges();
    EXPECT_EQ(heard.size(), 6u) << "a removed listener hears nothing";
}

}  // namespace
}  // namespace tallo
