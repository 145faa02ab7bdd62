#include "Platform/objectstore/Model.h"

#include <gtest/gtest.h>

#include "tests/objectstore/TestModel.h"

namespace tallo {
namespace {

TEST(Model, SubEntitiesShareTheirParentsSlots) {
    auto model = test::ledgerModel();
    const EntityDescription* transaction = model->entityNamed("Transaction");
    const EntityDescription* investment = model->entityNamed("InvestmentTransaction");
    ASSERT_NE(investment, nullptr);
    EXPECT_EQ(investment->superentity(), transaction);
    EXPECT_EQ(investment->rootEntity(), transaction);
    EXPECT_TRUE(investment->isKindOfEntity(transaction));
    EXPECT_FALSE(transaction->isKindOfEntity(investment));
    EXPECT_EQ(investment->attributeNamed("totalamount")->slot, transaction->attributeNamed("totalamount")->slot);
    EXPECT_EQ(investment->valueSlotCount(), transaction->valueSlotCount() + 1);
    const RelationshipDescription* splits = transaction->relationshipNamed("splits");
    EXPECT_TRUE(splits->isToMany);
    EXPECT_EQ(splits->inverse, model->entityNamed("Split")->relationshipNamed("transaction"));
    EXPECT_EQ(splits->deleteRule, DeleteRule::Cascade);
    EXPECT_TRUE(model->entityNamed("Budget")->relationshipNamed("accounts")->isManyToMany());
}

TEST(Model, DeclaredDefaultsAreWhatNewObjectsStartWith) {
    auto model = Model::parseDeclaration(
        "model M version 1\nentity Rate TLRate\n  oneFromInTo decimal = 1\n  automatic boolean = YES\n"
        "  order integer32 = -2\n  note string\n");
    ASSERT_NE(model, nullptr);
    ManagedObjectContext context(model, test::testFactory());
    ManagedObject* rate = context.insertNewObjectForEntityForName("Rate");
    EXPECT_EQ(rate->valueForKey("oneFromInTo"), Value(*Decimal::fromString("1")));
    EXPECT_EQ(rate->valueForKey("automatic"), Value(true));
    EXPECT_EQ(rate->valueForKey("order"), Value(-2));
    EXPECT_TRUE(rate->valueForKey("note").isNull());
    // The defaults travel in the model file and are part of its identity.
    auto again = Model::fromModelData(model->modelData());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->versionHash(), model->versionHash());
    EXPECT_EQ(again->entityNamed("Rate")->attributeNamed("automatic")->defaultValue, Value(true));
}

TEST(Model, TheBinaryModelFileReadsBackAsTheSameModel) {
    auto model = test::ledgerModel();
    Bytes data = model->modelData();
    std::string error;
    auto again = Model::fromModelData(data, &error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(again->versionHash(), model->versionHash());
    EXPECT_EQ(again->name(), "Ledger");
    EXPECT_EQ(again->entities().size(), model->entities().size());
}

TEST(Model, AnyChangeOfTheDeclarationChangesTheVersionHash) {
    std::string text = test::kLedgerModel;
    auto base = Model::parseDeclaration(text);
    std::string added = text + "  note string\n";  // a new attribute of Budget
    std::string retyped = text;
    retyped.replace(retyped.find("amount        decimal"), 21, "amount        double ");
    for (const std::string& changed : {added, retyped}) {
        auto other = Model::parseDeclaration(changed);
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other->versionHash(), base->versionHash());
    }
}

TEST(Model, BrokenDeclarationsSayWhere) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {
             Case{"entity A TLA\n", "line 1: the model line must come first"},
             Case{"model M version 1\nentity A TLA\n  x decmal\n", "line 3: unknown attribute type 'decmal'"},
             Case{"model M version 1\n  x string\n", "line 2: a property outside an entity"},
             Case{"model M version 1\nentity A TLA\n  x string\n  x date\n", "line 4: property x declared twice"},
             Case{"model M version 1\nentity A TLA\n  b -> B.a\n", "A.b: unknown entity B"},
             Case{"model M version 1\nentity A TLA\n  b -> B.a\nentity B TLB\n  c -> A.b\n",
                  "A.b: B has no relationship a"},
             Case{"model M version 1\nentity A TLA : Z\n", "entity A: unknown parent Z"},
             Case{"model M version 1\nentity A TLA\n  b -> A.b sometimes\n", "line 3: unknown delete rule 'sometimes'"},
             Case{"model M version 1\nentity A TLA\n  n decimal = lots\n", "line 3: 'lots' is not a decimal default"},
             Case{"model M version 1\nentity A TLA\n  f boolean = maybe\n", "line 3: 'maybe' is not a boolean default"},
             Case{"model M version 1\nentity A TLA\n  d date = today\n", "line 3: 'today' is not a date default"},
         }) {
        std::string error;
        EXPECT_EQ(Model::parseDeclaration(c.text, &error), nullptr) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(Model, ForeignOrDamagedModelFilesAreRefused) {
    std::string error;
    EXPECT_EQ(Model::fromModelData(Bytes{'h', 'e', 'l', 'l', 'o', '!', '!', '!'}, &error), nullptr);
    EXPECT_EQ(error, "not a model file: not a binary property list");
    Bytes data = test::ledgerModel()->modelData();
    data.resize(data.size() / 2);
    EXPECT_EQ(Model::fromModelData(data, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tallo
