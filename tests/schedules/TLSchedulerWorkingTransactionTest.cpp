// The schedule editor's working transaction left in the store file (the
// program ended while the editor was open): recognised by the identifier
// noted outside the store and removed without moving a balance.

#include "Classes/schedules/TLSchedulerWorkingTransaction.h"

#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

class TLSchedulerWorkingTransactionTest : public test::DollarBookTest {
protected:
    TLSchedulerWorkingTransactionTest() {
        TLSchedulerCalendar::resetEventStore();
        rent = category("Rent");
        // A real payment of 50 already booked: the balance is -50.
        transaction(checking, TLTransactionType::Expense, {"50"}, rent);
        // Rent of 700 a month from checking.
        auto* s = create<TLScheduler>();
        s->setType(TLTransactionType::Expense);
        s->setFrequency(TLSchedulerFrequency::Monthly);
        s->setInAccount(checking);
        s->setCurrency(usd);
        s->setTotalamount(D("-700"));
        auto* split = create<TLSplit>();
        split->setBill(s);
        split->setCategory(rent);
        split->changeAmountTo(D("700"));
        db().save();
        schedule = s;
    }
    ~TLSchedulerWorkingTransactionTest() override { TLSchedulerCalendar::resetEventStore(); }

    // The working transaction as the editor makes it: booking nothing,
    // noted, and saved with the store.
    TLTransaction* openEditor() {
        auto* working = create<TLTransaction>();
        working->isSchedulerHelper_ = true;
        working->copyValuesFromScheduler(schedule);
        TLSchedulerWorkingTransaction::remember(working);
        db().save();
        return working;
    }
    size_t transactions() { return db().fetchEntityCustom("Transaction").size(); }
    TLAccount* checkingAgain() {
        return static_cast<TLAccount*>(db().fetchEntityCustom("Account").front());
    }

    TLCategory* rent;
    TLScheduler* schedule;
};

TEST_F(TLSchedulerWorkingTransactionTest, ACopyLeftInTheFileIsRemovedAndTheBalanceStays) {
    openEditor();
    EXPECT_EQ(checking->balance(), D("-50")) << "the working transaction books nothing";

    db().reloadData();  // the program ended with the editor open
    ASSERT_EQ(transactions(), 2u) << "read back, the copy looks like a real payment";
    EXPECT_NE(checkBooks(), "") << "a balance of -50 beside payments of 750";

    EXPECT_TRUE(TLSchedulerWorkingTransaction::removeLeftover());
    EXPECT_EQ(transactions(), 1u);
    EXPECT_EQ(checkingAgain()->balance(), D("-50"));
    EXPECT_EQ(checkBooks(), "");
    EXPECT_FALSE(db().context()->hasChanges()) << "the removal is saved";
    EXPECT_EQ(TLSchedulerWorkingTransaction::remembered(), "");

    db().reloadData();
    EXPECT_EQ(transactions(), 1u) << "and stays removed in the file";
    EXPECT_FALSE(TLSchedulerWorkingTransaction::removeLeftover());
}

TEST_F(TLSchedulerWorkingTransactionTest, AWorkingTransactionTheEditorDeletedLeavesEveryPaymentInPlace) {
    TLTransaction* working = openEditor();
    working->deleteTransactionWithTransferCopy(true);
    db().save();
    EXPECT_NE(TLSchedulerWorkingTransaction::remembered(), "") << "still noted: only a look at the store clears it";

    db().reloadData();
    EXPECT_FALSE(TLSchedulerWorkingTransaction::removeLeftover());
    EXPECT_EQ(transactions(), 1u);
    EXPECT_EQ(checkingAgain()->balance(), D("-50"));
    EXPECT_EQ(TLSchedulerWorkingTransaction::remembered(), "") << "nothing left to look for";
}

}  // namespace
}  // namespace tallo
