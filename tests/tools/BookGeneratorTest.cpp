#include "tools/gen/BookGenerator.h"

#include <filesystem>
#include <map>

#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

class BookGeneratorTest : public test::LedgerTest {
protected:
    void generate(size_t transactions, uint32_t seed) {
        BookGenerator::Options options;
        options.transactions = transactions;
        options.seed = seed;
        BookGenerator::generate(options);
    }
    std::map<std::string, std::string> balances() {
        std::map<std::string, std::string> out;
        for (TLAccount* a : TLAccount::getAccounts()) out[*a->name()] = a->balance()->toString();
        return out;
    }
};

TEST_F(BookGeneratorTest, ARealisticBookWhoseBooksBalance) {
    test::ScopedClock clock(test::localDate(2026, 12, 6, 12));
    generate(3000, 7);
    EXPECT_EQ(checkBooks(), "");
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), 3000u);

    std::set<int> kinds;
    std::set<std::string> currencies;
    for (TLAccount* a : TLAccount::getAccounts()) {
        kinds.insert(*a->type());
        currencies.insert(*a->currency()->code());
    }
    EXPECT_EQ(kinds, (std::set<int>{TLAccountType::Bank, TLAccountType::Cash, TLAccountType::CreditCard,
                                    TLAccountType::Investment, TLAccountType::Loan, TLAccountType::Asset}));
    EXPECT_GE(currencies.size(), 3u);

    size_t transfers = 0, splitOnes = 0, foreign = 0, incomes = 0, unsearchable = 0;
    Date earliest = test::localDate(2030, 1, 1);
    for (ManagedObject* o : db().fetchEntityCustom("Transaction")) {
        auto* t = static_cast<TLTransaction*>(o);
        transfers += t->isTransfer() && t->transferCopy() != nullptr;
        splitOnes += t->isSplit();
        foreign += t->currency() != t->account()->currency();
        incomes += *t->type() == TLTransactionType::Income;
        unsearchable += t->searchString().value_or("").empty();
        if (t->transactionDate()->timeIntervalSince1970() < earliest.timeIntervalSince1970()) earliest = *t->transactionDate();
    }
    EXPECT_GT(transfers, 100u);  // both sides counted
    EXPECT_GT(splitOnes, 100u);
    EXPECT_GT(foreign, 20u);
    EXPECT_GT(incomes, 100u);
    EXPECT_EQ(unsearchable, 0u);
    EXPECT_LT(earliest.timeIntervalSince1970(), test::localDate(2024, 1, 1).timeIntervalSince1970());
    EXPECT_GT(db().fetchEntityCustom("Category").size(), 50u);
    EXPECT_GT(db().fetchEntityCustom("Payee").size(), 50u);
}

TEST_F(BookGeneratorTest, TheSameSeedMakesTheSameBookAndItSurvivesReopening) {
    test::ScopedClock clock(test::localDate(2026, 12, 6, 12));
    generate(800, 3);
    auto first = balances();
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    EXPECT_EQ(balances(), first);
    EXPECT_EQ(checkBooks(), "");

    std::filesystem::remove_all(folder_.path() + "/Documents");
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    UserDefaults::resetStandardUserDefaults(folder_.path() + "/Other.plist");
    generate(800, 3);
    EXPECT_EQ(balances(), first);
}

}  // namespace
}  // namespace tallo
