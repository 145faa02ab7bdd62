// The Scheduler tab as a person uses it: the schedules under Overdue, Today
// and Next, the empty and disabled states, the two-tap pay control and what
// paying or cancelling does to the schedule, autopay caught up before the
// list is drawn, transfers, search, and deleting with the badge and the
// calendar event following.

#include "Classes/screens/schedulers/SchedulersViewC.h"

#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Platform/foundation/Clock.h"
#include "tests/screens/SchedulerScreenTest.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;
namespace Frequency = TLSchedulerFrequency;

class SchedulersViewCTest : public test::SchedulerScreenTest {};

// ---- sections and badges ----------------------------------------------------------

TEST_F(SchedulersViewCTest, SchedulesStandUnderOverdueTodayAndNextInTheOrderTheyWereMade) {
    schedule(Frequency::Monthly, localDate(2011, 4, 1, 9), "50", rent);
    Clock::advance(1);
    schedule(Frequency::Monthly, localDate(2011, 3, 10, 9), "700", rent);
    Clock::advance(1);
    schedule(Frequency::EveryWeek, localDate(2011, 3, 20, 9), "30", food);
    db().save();
    openList();
    EXPECT_EQ(headers(), "Overdue|Next") << "no section for today without rows";
    EXPECT_EQ(rows(), "5 days [Rent] | 17 days [Rent]; 5 days [Food]");
    EXPECT_EQ(app().applicationIconBadgeNumber(), 1) << "the overdue one is unpaid";

    schedule(Frequency::Monthly, localDate(2011, 3, 15, 8), "12", food);  // earlier today
    db().save();
    list->notifyAppearing(false);
    EXPECT_EQ(headers(), "Overdue|Today|Next");
    EXPECT_EQ(rows(), "5 days [Rent] | Today [Food] | 17 days [Rent]; 5 days [Food]");
    EXPECT_EQ(app().applicationIconBadgeNumber(), 2) << "one due earlier today counts too";
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerBadgeValue(), "2");
}

TEST_F(SchedulersViewCTest, ShownAgainTheListFollowsMidnightAndThePayeeSetting) {
    TLScheduler* water = schedule(Frequency::Monthly, localDate(2011, 3, 16, 9), "40", food);
    auto* utility = create<TLPayee>();
    utility->setCompany("City Water");
    utility->setIscompany(true);
    utility->setRepresentationString("City Water");
    water->setPayee(utility);
    db().save();
    openList();
    EXPECT_EQ(rows(), "1 day [Food]");

    // Nothing in the store changed, but the day did: due today now.
    Clock::setNow(localDate(2011, 3, 16, 0, 0, 1));
    list->notifyAppearing(false);
    EXPECT_EQ(headers(), "Today");
    EXPECT_EQ(rows(), "Today [Food]");

    // Payees first: the second line names the payee.
    TLTransactionSettings::setUsePayee(true);
    list->notifyAppearing(false);
    EXPECT_EQ(rows(), "Today [City Water]");

    Clock::setNow(localDate(2011, 3, 17, 10));
    list->notifyAppearing(false);
    EXPECT_EQ(headers(), "Overdue");
    EXPECT_EQ(rows(), "1 day [City Water]");
}

TEST_F(SchedulersViewCTest, WithoutAnAccountThatCanCarryASchedulePlusIsOff) {
    checking->setType(TLAccountType::Investment);
    savings->setType(TLAccountType::Investment);
    db().save();
    openList();
    EXPECT_EQ(emptyState(),
              "No scheduled transactions / You must have at least one supported account to create scheduled transaction.");
    EXPECT_EQ(navbar(), "Scheduler <+ (off)>");

    db().deleteObject(checking);
    db().deleteObject(savings);
    db().save();
    list->notifyAppearing(false);
    EXPECT_EQ(emptyState(), "No scheduled transactions / You must have at least one account to create scheduled transaction.");

    account("Cash", usd, TLAccountType::Cash);
    db().save();
    list->notifyAppearing(false);
    EXPECT_EQ(emptyState(), "No scheduled transactions / Press \"+\" to create your first scheduled transaction.");
    EXPECT_EQ(navbar(), "Scheduler <+>");
}

// ---- paying -------------------------------------------------------------------------

TEST_F(SchedulersViewCTest, TheFirstTapShowsPayTheSecondOpensThePaymentAndSavingMovesTheMonthEndOn) {
    Clock::setNow(localDate(2011, 1, 31, 12));
    TLScheduler* rentDue = schedule(Frequency::Monthly, localDate(2011, 1, 31, 9), "700", rent);
    rentDue->setIsNumbered(true);
    rentDue->setNumberOfPayments(3);
    db().save();
    openList();
    EXPECT_EQ(headers(), "Today");
    EXPECT_EQ(payControl("row:0:0"), "-$700.00");

    tap("pay:0:0");
    EXPECT_EQ(payControl("row:0:0"), "PAY (active)");
    EXPECT_EQ(count("Transaction"), 0u) << "one tap pays nothing";

    tap("pay:0:0");
    auto* editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->viewMode, 1);
    EXPECT_EQ(editor->transaction->transactionDate(), localDate(2011, 1, 31, 12)) << "paid today, not on the due day";
    tap("nav:right");  // Done
    EXPECT_EQ(app().visibleViewController(), list.get());
    EXPECT_EQ(rentDue->nextDate(), localDate(2011, 2, 28, 9)) << "31 January plus a month is February's last day";
    EXPECT_EQ(rentDue->numberOfPayments(), 2);
    EXPECT_EQ(rentDue->realTransactions().size(), 1u);
    EXPECT_EQ(checking->balance(), D("-700"));
    EXPECT_EQ(headers(), "Next");
    EXPECT_EQ(rows(), "1 month [Rent]") << "31 January to 28 February is one calendar month";
    EXPECT_EQ(payControl("row:0:0"), "-$700.00");
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(SchedulersViewCTest, CancellingThePaymentLeavesTheScheduleDueAsItWas) {
    TLScheduler* rentDue = schedule(Frequency::Monthly, localDate(2011, 3, 1, 9), "700", rent);
    rentDue->setIsNumbered(true);
    rentDue->setNumberOfPayments(3);
    db().save();
    openList();
    tap("pay:0:0");
    tap("pay:0:0");
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    tap("nav:left");  // Cancel
    EXPECT_EQ(app().visibleViewController(), list.get());
    EXPECT_EQ(rentDue->nextDate(), localDate(2011, 3, 1, 9));
    EXPECT_EQ(rentDue->numberOfPayments(), 3);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(headers(), "Overdue");
    EXPECT_EQ(app().applicationIconBadgeNumber(), 1);
}

TEST_F(SchedulersViewCTest, AutopayCatchesUpAcrossMonthEndsBeforeTheListIsDrawn) {
    Clock::setNow(localDate(2011, 3, 31, 10));
    TLScheduler* rentDue = schedule(Frequency::Monthly, localDate(2011, 1, 31, 9), "700", rent, true);
    db().save();
    openList();
    std::vector<Date> paid;
    for (TLTransaction* t : rentDue->realTransactions()) paid.push_back(*t->transactionDate());
    std::sort(paid.begin(), paid.end(), [](Date a, Date b) { return a.timeIntervalSince1970() < b.timeIntervalSince1970(); });
    EXPECT_EQ(paid, (std::vector<Date>{localDate(2011, 1, 31, 9), localDate(2011, 2, 28, 9), localDate(2011, 3, 28, 9)}))
        << "each month's payment on its own due day; from 28 February the day stays the 28th";
    EXPECT_EQ(rentDue->nextDate(), localDate(2011, 4, 28, 9));
    EXPECT_EQ(checking->balance(), D("-2100"));
    EXPECT_EQ(headers(), "Next");
    EXPECT_EQ(rows(), "28 days [Rent]");
    EXPECT_EQ(app().applicationIconBadgeNumber(), 0) << "autopay schedules never count as unpaid";
    EXPECT_FALSE(unsaved());
}

// ---- rows -----------------------------------------------------------------------------

TEST_F(SchedulersViewCTest, ATransferNamesBothAccountsAndOneToADeletedAccountCannotBePaid) {
    TLScheduler* move = schedule(Frequency::Monthly, localDate(2011, 3, 20, 9), "100", nullptr);
    move->setType(TLTransactionType::Transfer);
    move->setTransferAccount(savings);
    Clock::advance(1);
    TLScheduler* lost = schedule(Frequency::Monthly, localDate(2011, 3, 25, 9), "40", nullptr);
    lost->setType(TLTransactionType::Transfer);
    db().save();
    openList();
    EXPECT_EQ(rows(), "5 days [From Checking to Savings]; 10 days [Transfer to deleted account]");
    EXPECT_EQ(payControl("row:0:0"), "-$100.00");
    EXPECT_EQ(payControl("row:0:1"), "") << "nothing to pay into";
}

TEST_F(SchedulersViewCTest, SearchFindsSchedulesByCategoryUnderResults) {
    schedule(Frequency::Monthly, localDate(2011, 3, 20, 9), "700", rent);
    Clock::advance(1);
    schedule(Frequency::EveryWeek, localDate(2011, 3, 18, 9), "30", food);
    db().save();
    openList();
    type("search", "FOOD");
    EXPECT_EQ(headers(), "Results");
    EXPECT_EQ(rows(), "3 days [Food]");
    type("search", "");
    EXPECT_EQ(headers(), "Next");
}

// ---- deleting ---------------------------------------------------------------------------

TEST_F(SchedulersViewCTest, DeletingTheLastScheduleTakesItsEventAndClearsTheBadgeButKeepsItsPayments) {
    TLScheduler* rentDue = schedule(Frequency::Monthly, localDate(2011, 3, 1, 9), "700", rent);
    TLTransaction* earlier = rentDue->createPaymentTransaction();
    earlier->setSearchString(earlier->getSearchString());
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(rentDue));
    db().save();
    openList();
    EXPECT_EQ(app().applicationIconBadgeNumber(), 1);
    EXPECT_EQ(TLSchedulerCalendar::eventStore().events().size(), 1u);

    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(count("ScheduledBill"), 0u);
    EXPECT_EQ(count("Split"), 1u) << "the payment keeps its split";
    EXPECT_EQ(count("Transaction"), 1u);
    EXPECT_EQ(app().applicationIconBadgeNumber(), 0);
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerBadgeValue(), "");
    EXPECT_TRUE(TLSchedulerCalendar::eventStore().events().empty());
    EXPECT_EQ(emptyState(), "No scheduled transactions / Press \"+\" to create your first scheduled transaction.");
    EXPECT_FALSE(unsaved());
}

}  // namespace
}  // namespace tallo
