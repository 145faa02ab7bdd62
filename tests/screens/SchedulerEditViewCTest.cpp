// The scheduled-transaction editor: a new schedule entered through the
// wizard from the Scheduler tab, the rows in each mode, the frequency and
// reminder lists, payments, paying from the editor (saved and cancelled),
// the total with its list of payments, the calendar event, and every way
// out leaving no working transaction and no balance moved.

#include "Classes/screens/schedulers/SchedulerEditViewC.h"

#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/schedulers/SchedulerTransactionsViewC.h"
#include "Classes/shell/TLCheckListViewC.h"
#include "Platform/foundation/Clock.h"
#include "tests/screens/SchedulerScreenTest.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;
namespace Frequency = TLSchedulerFrequency;
namespace Reminder = TLSchedulerReminder;

class SchedulerEditViewCTest : public test::SchedulerScreenTest {
protected:
    // Rent of 700 from Checking, monthly, due 1 April, 3 payments left.
    TLScheduler* rentSchedule() {
        TLScheduler* s = schedule(Frequency::Monthly, localDate(2011, 4, 1, 9), "700", rent);
        s->setIsNumbered(true);
        s->setNumberOfPayments(3);
        s->setReminderType(Reminder::OneDayBefore);
        db().save();
        return s;
    }
    std::shared_ptr<SchedulerEditViewC> open(TLScheduler* shown, int mode) {
        editor = std::make_shared<SchedulerEditViewC>(shown);
        opener->pushView(editor, mode);
        return editor;
    }
    std::optional<CalendarEvent> eventOf(const TLScheduler* s) {
        return TLSchedulerCalendar::eventStore().eventWithIdentifier(s->event_uuid().value_or(""));
    }
    // The account row (the third in every mode) as scene text.
    std::string accountRow() {
        SceneNode rendered = app().render();
        const SceneNode* row = rendered.find("row:0:2");
        return row != nullptr ? row->toText() : "(no row)";
    }
    std::shared_ptr<SchedulerEditViewC> editor;
};

// ---- a new schedule ----------------------------------------------------------------

TEST_F(SchedulerEditViewCTest, PlusLeadsThroughCategoryAndAmountToANewScheduleWithItsCalendarEvent) {
    openList();
    tap("nav:right");
    ASSERT_NE(visible<SelectCategoryViewC>(), nullptr);
    tap("row:1:0");  // Rent
    ASSERT_NE(visible<AmountViewC>(), nullptr);
    keys("700");
    tap("nav:right");
    auto* made = visible<SchedulerEditViewC>();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(navbar(), "New Scheduled <Cancel|Done>");
    EXPECT_EQ(rows(), "-$700.00; Rent [$700.00]; Account [Checking]; Payee [Name]; Frequency [Monthly]; "
                      "Next Date [Mar 15, 2011]; Remind [None]; Payments; Pay automatically; No.; Notes; Split Scheduled");
    EXPECT_EQ(checking->balance(), D("0")) << "entering a schedule moves no balance";

    tap("row:0:6");  // Remind
    tap("row:0:7");  // 2 days before
    tap("row:0:5");  // Next Date
    type("datePicker", "2011-03-31");
    type("field:0:7", "3");
    send(R"({"kind":"toggle","target":"switch:0:8","on":true})");
    tap("nav:right");  // Done

    EXPECT_EQ(app().visibleViewController(), list.get());
    ASSERT_EQ(count("ScheduledBill"), 1u);
    auto* s = static_cast<TLScheduler*>(db().getAllObjectsWithEntityName("ScheduledBill").front());
    EXPECT_EQ(s->frequency(), Frequency::Monthly);
    EXPECT_EQ(s->reminderType(), Reminder::TwoDaysBefore);
    EXPECT_EQ(s->numberOfPayments(), 3);
    EXPECT_EQ(s->isNumbered(), true);
    EXPECT_EQ(s->autopay(), true);
    EXPECT_EQ(s->totalamount(), D("-700"));
    EXPECT_EQ(s->getCategoryString(), "Rent");
    EXPECT_EQ(count("Transaction"), 0u) << "the working transaction is gone";
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerTransaction(), nullptr);
    std::optional<CalendarEvent> event = eventOf(s);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->title, "Rent (-$700.00)");
    EXPECT_EQ(event->alarmOffset, -172800);
    EXPECT_EQ(event->recurrence, (RecurrenceRule{RecurrenceRule::Frequency::Monthly, 1, 3}));
    EXPECT_EQ(rows(), "16 days [Rent]");
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_FALSE(unsaved());
}

TEST_F(SchedulerEditViewCTest, TheListPlansPayeeCategoryAndAmountBeforeTheEditorAndAPaymentTheEditorAlone) {
    TLTransactionSettings::setUsePayee(true);
    openList();
    TLWizard& wizard = TLWizard::activeWizard();
    auto* working = create<TLTransaction>();
    working->setAccount(checking);
    wizard.setTag(TLWizard::kNewSchedulerTag);
    wizard.beginWithInitiator(list.get(), TLWizard::Initiator::SchedulerList, working);
    EXPECT_EQ(wizard.steps(), (std::vector<int>{TLWizard::PayeeStep, TLWizard::CategoryStep, TLWizard::AmountStep,
                                                TLWizard::SchedulerEditorStep}));
    wizard.cancel();

    TLScheduler* s = rentSchedule();
    wizard.setTag(TLWizard::kPaySchedulerTag);
    wizard.beginWithInitiator(list.get(), TLWizard::Initiator::SchedulerList, s->createPaymentTransaction());
    EXPECT_EQ(wizard.steps(), (std::vector<int>{TLWizard::TransactionEditorStep}));
    wizard.cancel();
    EXPECT_EQ(count("Transaction"), 0u);
}

TEST_F(SchedulerEditViewCTest, CancellingTheNewScheduleLeavesNothingBehind) {
    openList();
    tap("nav:right");
    tap("row:1:0");
    keys("45");
    tap("nav:right");
    ASSERT_NE(visible<SchedulerEditViewC>(), nullptr);
    tap("nav:left");  // Cancel
    EXPECT_EQ(app().visibleViewController(), list.get());
    EXPECT_EQ(count("ScheduledBill"), 0u);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(count("Split"), 0u);
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerTransaction(), nullptr);
    EXPECT_TRUE(TLSchedulerCalendar::eventStore().events().empty());
}

// ---- rows and lists ------------------------------------------------------------------

TEST_F(SchedulerEditViewCTest, ShowingGivesTheDueDistanceThePaymentsLeftAndTheTotal) {
    TLScheduler* s = rentSchedule();
    open(s, 0);
    EXPECT_EQ(navbar(), "Scheduler Info <Back|Edit>");
    EXPECT_EQ(rows(), "-$700.00; Rent [$700.00]; Account [Checking]; Due in [17 days]; Payments [3 left]; Total [$0.00]");
    EXPECT_EQ(payControl("row:0:0"), "Pay");

    Clock::setNow(localDate(2011, 4, 3, 10));
    editor->reloadData();
    EXPECT_TRUE(has(rows(), "Overdue [2 days]")) << rows();
    std::string overdue = scene();
    EXPECT_TRUE(has(overdue, "textColor=\"rgba(184,62,68,1)\"")) << overdue;
}

TEST_F(SchedulerEditViewCTest, TheReminderListOpensOnTheScheduleReminder) {
    TLScheduler* s = rentSchedule();
    open(s, 2);
    EXPECT_EQ(navbar(), "Edit Scheduler <Cancel|Done>");
    tap("row:0:6");  // Remind
    ASSERT_NE(visible<TLCheckListViewC>(), nullptr);
    EXPECT_EQ(navbar(), "Select Reminder <Cancel>");
    std::string choices = rows();
    EXPECT_TRUE(has(choices, "1 day before (checked)")) << choices;
    EXPECT_FALSE(has(choices, "None (checked)")) << choices;
    tap("nav:left");
    EXPECT_EQ(s->reminderType(), Reminder::OneDayBefore) << "cancelled: unchanged";

    tap("row:0:4");  // Frequency
    EXPECT_TRUE(has(rows(), "Monthly (checked)"));
    tap("row:0:9");  // Annually
    EXPECT_EQ(s->frequency(), Frequency::Annually);
    EXPECT_TRUE(has(rows(), "Frequency [Annually]"));
}

TEST_F(SchedulerEditViewCTest, OneTimeMeansOnePaymentAndAnEmptyFieldMeansContinuous) {
    TLScheduler* s = rentSchedule();
    open(s, 2);
    EXPECT_TRUE(has(scene(), "text=\"3\"")) << "the bare number while editing";
    type("field:0:7", "");
    EXPECT_EQ(s->isNumbered(), false);
    EXPECT_TRUE(has(scene(), "placeholder=\"Continuous\""));

    tap("row:0:4");
    tap("row:0:0");  // One Time
    EXPECT_EQ(s->isNumbered(), true);
    EXPECT_EQ(s->numberOfPayments(), 1);
    EXPECT_TRUE(has(rows(), "Payments [1 left]")) << rows();
    EXPECT_EQ(app().render().find("field:0:7"), nullptr) << "one payment, nothing to type";

    tap("nav:right");  // Done
    EXPECT_EQ(navbar(), "Scheduler Info <Back|Edit>");
    EXPECT_TRUE(has(rows(), "Payments [1 left]"));
    std::optional<CalendarEvent> event = eventOf(s);
    ASSERT_TRUE(event);
    EXPECT_FALSE(event->recurrence) << "a one-time bill does not repeat";
}

TEST_F(SchedulerEditViewCTest, CancelRollsTheEditBackAndBackLeavesNoWorkingTransaction) {
    TLScheduler* s = rentSchedule();
    open(s, 2);
    EXPECT_EQ(count("Transaction"), 1u) << "the working transaction";
    type("field:0:7", "12");
    tap("nav:left");  // Cancel
    EXPECT_EQ(s->numberOfPayments(), 3);
    EXPECT_EQ(navbar(), "Scheduler Info <Back|Edit>");
    tap("nav:left");  // Back
    EXPECT_EQ(opener->closed, editor.get());
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerTransaction(), nullptr);
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_FALSE(unsaved());
}

TEST_F(SchedulerEditViewCTest, AnExistingScheduleMovesToTheAccountChosenInItsEditor) {
    TLScheduler* s = rentSchedule();
    open(s, 0);
    EXPECT_FALSE(has(accountRow(), "accessory=\"disclosure\"")) << "only while editing: " << accountRow();

    tap("nav:right");  // Edit
    EXPECT_TRUE(has(accountRow(), "accessory=\"disclosure\"")) << accountRow();
    tap("row:0:2");    // Account
    ASSERT_NE(visible<TLCheckListViewC>(), nullptr);
    EXPECT_EQ(navbar(), "Select Account <Cancel>");
    EXPECT_EQ(rows(), "Checking (checked); Savings");
    tap("row:0:1");  // Savings
    EXPECT_EQ(app().visibleViewController(), editor.get());
    EXPECT_TRUE(has(rows(), "Account [Savings]")) << rows();
    EXPECT_EQ(s->inAccount(), checking) << "the schedule changes only on Done";

    tap("nav:right");  // Done
    EXPECT_EQ(s->inAccount(), savings);
    EXPECT_EQ(s->totalamount(), D("-700"));
    EXPECT_EQ(checking->balance(), D("0")) << "a schedule books nothing in either account";
    EXPECT_EQ(savings->balance(), D("0"));
    tap("nav:left");  // Back
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checkBooks(), "");
    EXPECT_FALSE(unsaved());
}

TEST_F(SchedulerEditViewCTest, AScheduleWithOnlyOneAccountOffersNoAccountChooser) {
    TLScheduler* s = rentSchedule();
    db().deleteObject(savings);
    db().save();
    open(s, 2);
    std::string row = accountRow();
    EXPECT_TRUE(has(row, "Checking")) << row;
    EXPECT_FALSE(has(row, "accessory=\"disclosure\"")) << "nothing to choose from: " << row;
}

// ---- paying --------------------------------------------------------------------------

TEST_F(SchedulerEditViewCTest, APaymentSavedFromTheEditorMovesTheScheduleOnAndTheTotalListsIt) {
    TLScheduler* s = rentSchedule();
    open(s, 0);
    tap("pay:0:0");
    EXPECT_EQ(payControl("row:0:0"), "PAY (active)");
    tap("pay:0:0");
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    EXPECT_NE(visible<SchedulerEditViewC>(), editor.get());
    tap("nav:right");  // Done
    EXPECT_EQ(app().visibleViewController(), editor.get());
    EXPECT_EQ(s->nextDate(), localDate(2011, 5, 1, 9));
    EXPECT_EQ(s->numberOfPayments(), 2);
    EXPECT_EQ(checking->balance(), D("-700"));
    EXPECT_EQ(rows(), "-$700.00; Rent [$700.00]; Account [Checking]; Due in [1 month 16 days]; Payments [2 left]; "
                      "Total [-$700.00]");

    tap("row:0:5");  // Total
    ASSERT_NE(visible<SchedulerTransactionsViewC>(), nullptr);
    EXPECT_EQ(navbar(), "Transactions <Back>");
    EXPECT_EQ(rows(), "Rent");
    EXPECT_TRUE(has(scene(), "label=\"Total Paid:\"")) << scene();
    tap("nav:back");
    tap("nav:left");  // Back
    EXPECT_EQ(checkBooks(), "") << "once the working transaction is gone";
}

TEST_F(SchedulerEditViewCTest, APaymentCancelledFromTheEditorLeavesTheDueDateAndCount) {
    TLScheduler* s = rentSchedule();
    open(s, 0);
    tap("pay:0:0");
    tap("pay:0:0");
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    tap("nav:left");  // Cancel
    EXPECT_EQ(app().visibleViewController(), editor.get());
    EXPECT_EQ(s->nextDate(), localDate(2011, 4, 1, 9));
    EXPECT_EQ(s->numberOfPayments(), 3);
    EXPECT_TRUE(s->realTransactions().empty());
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(payControl("row:0:0"), "Pay");
    EXPECT_EQ(count("Transaction"), 1u) << "only the working transaction";
}

TEST_F(SchedulerEditViewCTest, ANumberedScheduleWithNoPaymentLeftHasNoPayControl) {
    TLScheduler* s = rentSchedule();
    s->setNumberOfPayments(0);
    db().save();
    open(s, 0);
    EXPECT_EQ(payControl("row:0:0"), "");
    EXPECT_TRUE(has(rows(), "Payments [0 left]"));
}

// ---- calendar and deleting ---------------------------------------------------------------

TEST_F(SchedulerEditViewCTest, AnEventRemovedOutsideTheProgramIsMadeAgainOnTheNextSave) {
    TLScheduler* s = rentSchedule();
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(s));
    db().save();
    std::string first = s->event_uuid().value_or("");
    ASSERT_TRUE(TLSchedulerCalendar::eventStore().removeEvent(first, EventStore::Span::FutureEvents));
    open(s, 2);
    tap("nav:right");  // Done
    std::optional<CalendarEvent> event = eventOf(s);
    ASSERT_TRUE(event);
    EXPECT_NE(event->identifier, first);
    EXPECT_EQ(event->alarmOffset, -86400);
    EXPECT_EQ(TLSchedulerCalendar::eventStore().events().size(), 1u);
}

TEST_F(SchedulerEditViewCTest, DeleteSchedulerRemovesItWithItsEvent) {
    TLScheduler* s = rentSchedule();
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(s));
    db().save();
    open(s, 2);
    std::string shown = rows();
    ASSERT_TRUE(has(shown, "Split Scheduled; Delete Scheduler")) << shown;
    tap("row:0:12");
    EXPECT_TRUE(has(scene(), "title=\"Delete Scheduler\"")) << scene();
    tap("overlay:0:0");
    EXPECT_EQ(count("ScheduledBill"), 0u);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_TRUE(TLSchedulerCalendar::eventStore().events().empty());
    EXPECT_EQ(opener->closed, editor.get());
    EXPECT_FALSE(unsaved());
}

}  // namespace
}  // namespace tallo
