#include "Platform/objectstore/FetchedResultsController.h"

#include <gtest/gtest.h>

#include "tests/objectstore/TestModel.h"

namespace tallo {
namespace {

class FetchedResultsControllerTest : public ::testing::Test {
protected:
    FetchedResultsControllerTest()
        : context(std::make_unique<ManagedObjectContext>(test::ledgerModel(), test::testFactory())) {}

    ManagedObject* account(const char* name, int order) {
        ManagedObject* a = context->insertNewObjectForEntityForName("Account");
        a->setValueForKey(name, "name");
        a->setValueForKey(order, "order");
        return a;
    }

    std::vector<std::string> names(const FetchedResultsController& controller) {
        std::vector<std::string> out;
        for (const ManagedObject* o : controller.fetchedObjects()) {
            Value name = o->valueForKey("name");
            out.push_back(*name.asString());
        }
        return out;
    }

    std::unique_ptr<ManagedObjectContext> context;
};

TEST_F(FetchedResultsControllerTest, RefetchesWhenItsEntityChanges) {
    account("Savings", 2);
    FetchedResultsController controller(context.get(), FetchRequest{"Account", nullptr, {{"order", true}}});
    int changes = 0;
    controller.setContentDidChange([&] { ++changes; });
    ASSERT_TRUE(controller.performFetch());
    EXPECT_EQ(names(controller), std::vector<std::string>{"Savings"});

    account("Wallet", 1);
    context->processPendingChanges();
    EXPECT_EQ(names(controller), (std::vector<std::string>{"Wallet", "Savings"}));
    EXPECT_EQ(changes, 1);

    context->rollback();
    EXPECT_EQ(names(controller), std::vector<std::string>{});
    EXPECT_EQ(changes, 2);

    // Changes to other entities leave it alone.
    context->insertNewObjectForEntityForName("Budget");
    context->processPendingChanges();
    EXPECT_EQ(changes, 2);
}

TEST_F(FetchedResultsControllerTest, GroupsConsecutiveObjectsIntoSections) {
    ManagedObject* cash = account("Cash", 0);
    ManagedObject* bank = account("Bank", 1);
    for (auto [owner, day] : {std::pair{cash, 1}, {bank, 1}, {bank, 2}}) {
        ManagedObject* t = context->insertNewObjectForEntityForName("Transaction");
        t->setValueForKey(owner, "account");
        t->setValueForKey(Date(1300000000 + day * 86400), "transactionDate");
    }
    FetchRequest request{"Transaction", nullptr, {{"account.name", true}, {"transactionDate", true}}};
    FetchedResultsController controller(context.get(), request, "account.name");
    controller.performFetch();
    ASSERT_EQ(controller.sections().size(), 2u);
    EXPECT_EQ(controller.sections()[0].name, "Bank");
    EXPECT_EQ(controller.sections()[0].objects.size(), 2u);
    EXPECT_EQ(controller.sections()[1].name, "Cash");
    EXPECT_EQ(controller.objectAtIndexPath(1, 0)->valueForKeyPath("account.name"), Value("Cash"));
    EXPECT_EQ(controller.objectAtIndexPath(2, 0), nullptr);
}

TEST_F(FetchedResultsControllerTest, OutlivingItsContextIsHarmless) {
    account("Cash", 0);
    auto controller = std::make_unique<FetchedResultsController>(context.get(), FetchRequest{"Account"});
    controller->performFetch();
    EXPECT_EQ(controller->fetchedObjects().size(), 1u);
    context.reset();  // the store was reloaded
    EXPECT_FALSE(controller->performFetch());
    EXPECT_TRUE(controller->fetchedObjects().empty());
    controller.reset();  // and its end does not touch the dead context
}

}  // namespace
}  // namespace tallo
