#include "Classes/store/TLManagedObject.h"

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

class TLManagedObjectTest : public test::StoreTest {
protected:
    TLTransaction* transactionWithSplits(std::initializer_list<const char*> amounts) {
        auto* t = create<TLTransaction>();
        for (const char* amount : amounts) {
            auto* s = create<TLSplit>();
            s->setAmount(D(amount));
            s->setTransaction(t);
        }
        return t;
    }
};

TEST_F(TLManagedObjectTest, CopyValuesTakesAttributesAndRelationshipsButNotTheExcepted) {
    auto* cash = create<TLAccount>();
    auto* payee = create<TLPayee>();
    auto* origin = transactionWithSplits({"10", "2.5"});
    origin->setAccount(cash);
    origin->setPayee(payee);
    origin->setComments("Dinner");
    origin->setTotalamount(D("-12.5"));
    auto* mirror = create<TLTransaction>();
    std::string mirrorId = *mirror->uuid();
    mirror->copyValuesFromObject(origin, std::vector<std::string>{"uuid", "splits", "account", "totalamount"});
    EXPECT_EQ(mirror->comments(), "Dinner");
    EXPECT_EQ(mirror->payee(), payee);
    EXPECT_EQ(mirror->uuid(), mirrorId);
    EXPECT_EQ(mirror->account(), nullptr);
    EXPECT_EQ(mirror->totalamount(), Decimal::zero());  // its own default, not the origin's -12.5
    EXPECT_EQ(origin->splits().size(), 2u);  // excepted to-many keys stay where they are
    EXPECT_EQ(payee->transactions().size(), 2u);

    // Without excepting a to-many key its objects move over.
    auto* taker = create<TLTransaction>();
    taker->copyValuesFromObject(origin, std::vector<std::string>{"uuid"});
    EXPECT_EQ(taker->splits().size(), 2u);
    EXPECT_TRUE(origin->splits().empty());
}

TEST_F(TLManagedObjectTest, CopyRelationMovesOrDuplicates) {
    auto* source = transactionWithSplits({"10", "2.5"});
    auto* target = transactionWithSplits({"99"});
    target->copyRelationFromObject(source, "splits", std::vector<std::string>{"uuid", "transaction"}, true, false);
    std::vector<std::string> amounts;
    for (TLSplit* s : target->splits()) amounts.push_back(s->amount()->toString());
    EXPECT_EQ(amounts, (std::vector<std::string>{"10", "2.5"}));  // the 99 was deleted first
    EXPECT_EQ(source->splits().size(), 2u);  // duplicates leave the originals
    for (TLSplit* s : target->splits()) EXPECT_NE(s->uuid(), std::nullopt);

    auto* mover = create<TLTransaction>();
    mover->copyRelationFromObject(source, "splits", std::nullopt, false, true);
    EXPECT_EQ(mover->splits().size(), 2u);
    EXPECT_TRUE(source->splits().empty());
}

TEST_F(TLManagedObjectTest, CopyRelationFromAnEmptySourceLeavesTheReceiverAsItWas) {
    auto* empty = create<TLTransaction>();
    auto* target = transactionWithSplits({"7"});
    target->copyRelationFromObject(empty, "splits", std::nullopt, true, false);
    ASSERT_EQ(target->splits().size(), 1u);
    EXPECT_EQ((*target->splits().begin())->amount(), D("7"));
}

TEST_F(TLManagedObjectTest, ContainsAttributeWithNameCoversRelationships) {
    auto* rate = create<TLTransactionRate>();
    EXPECT_TRUE(rate->containsAttributeWithName("rate"));
    EXPECT_TRUE(rate->containsAttributeWithName("transaction"));
    EXPECT_FALSE(rate->containsAttributeWithName("commision"));
}

}  // namespace
}  // namespace tallo
