#include "Classes/schedules/TLScheduler.h"

#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Platform/calendar/EventStore.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

// "Now" is 6 December 2026, 10:00 in New York, unless a test moves it.
class TLSchedulerTest : public test::LedgerTest {
protected:
    TLSchedulerTest() : clock_(localDate(2026, 12, 6, 10)) {
        TLSchedulerCalendar::resetEventStore();
        usd = currency("USD", true);
        checking = account("Checking", usd);
        rent = category("Rent");
    }
    ~TLSchedulerTest() override { TLSchedulerCalendar::resetEventStore(); }

    // A schedule of `amount` from checking, as the editor leaves it.
    TLScheduler* schedule(int frequency, Date due, const char* amount = "700", bool autopay = true) {
        auto* s = create<TLScheduler>();
        s->setType(TLTransactionType::Expense);
        s->setFrequency(frequency);
        s->setNextDate(due);
        s->setAutopay(autopay);
        s->setInAccount(checking);
        s->setCurrency(usd);
        s->setTotalamount(Decimal::zero() - D(amount));
        auto* split = create<TLSplit>();
        split->setBill(s);
        split->setCategory(rent);
        split->changeAmountTo(D(amount));
        return s;
    }
    std::vector<Date> paidDates(TLScheduler* s) {
        std::vector<Date> dates;
        for (TLTransaction* t : s->realTransactions()) dates.push_back(*t->transactionDate());
        std::sort(dates.begin(), dates.end(), [](Date a, Date b) { return a.timeIntervalSince1970() < b.timeIntervalSince1970(); });
        return dates;
    }
    size_t schedules() { return db().fetchEntityCustom("ScheduledBill").size(); }

    test::ScopedClock clock_;
    TLCurrency* usd;
    TLAccount* checking;
    TLCategory* rent;
};

TEST_F(TLSchedulerTest, AutopayCatchesUpWeekByWeek) {
    TLScheduler* weekly = schedule(TLSchedulerFrequency::EveryWeek, localDate(2026, 11, 21, 10));  // 15 days ago
    EXPECT_EQ(TLScheduler::updateSchedulers(), 0);
    EXPECT_EQ(paidDates(weekly), (std::vector<Date>{localDate(2026, 11, 21, 10), localDate(2026, 11, 28, 10),
                                                   localDate(2026, 12, 5, 10)}));
    EXPECT_EQ(*weekly->nextDate(), localDate(2026, 12, 12, 10));  // due in 6 days
    EXPECT_EQ(*checking->balance(), D("-2100"));
    EXPECT_EQ(weekly->getTotalPayed(), D("-2100"));
    for (TLTransaction* t : weekly->realTransactions()) {
        EXPECT_EQ(t->getCategoryString(), "Rent");
        EXPECT_EQ(t->splits().size(), 1u);
        EXPECT_FALSE(t->searchString()->empty());
    }
    EXPECT_EQ(weekly->splits().size(), 1u);  // the schedule keeps its own
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLSchedulerTest, NumberedSchedulesRunOutAndGo) {
    TLScheduler* weekly = schedule(TLSchedulerFrequency::EveryWeek, localDate(2026, 11, 21, 10));
    weekly->setIsNumbered(true);
    weekly->setNumberOfPayments(2);
    TLScheduler::updateSchedulers();
    EXPECT_EQ(schedules(), 0u);
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), 2u);  // the payments stay
    EXPECT_EQ(*checking->balance(), D("-1400"));

    TLScheduler* once = schedule(TLSchedulerFrequency::OneTime, localDate(2026, 12, 5, 9));  // due yesterday
    once->setIsNumbered(true);
    once->setNumberOfPayments(1);
    TLScheduler::updateSchedulers();
    EXPECT_EQ(schedules(), 0u);
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), 3u);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLSchedulerTest, AOneTimeScheduleWithoutCountPaysOnceAndStays) {
    TLScheduler* once = schedule(TLSchedulerFrequency::OneTime, localDate(2026, 12, 1, 9));
    TLScheduler::updateSchedulers();
    EXPECT_EQ(once->realTransactions().size(), 1u);  // never a second payment of the same date
    EXPECT_EQ(schedules(), 1u);
}

TEST_F(TLSchedulerTest, TodayLateNextAndTheBadgeCount) {
    TLScheduler* earlier = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 12, 6, 8), "10", false);
    TLScheduler* tomorrow = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 12, 7, 8), "10", false);
    TLScheduler* lastWeek = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 11, 29, 8), "10", false);
    TLScheduler* tonight = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 12, 6, 22), "10", false);
    EXPECT_TRUE(earlier->isToday());
    EXPECT_FALSE(earlier->isLate());
    EXPECT_FALSE(earlier->isNext());
    EXPECT_TRUE(earlier->isUnpayed());
    EXPECT_TRUE(tomorrow->isNext());
    EXPECT_FALSE(tomorrow->isUnpayed());
    EXPECT_TRUE(lastWeek->isLate());
    EXPECT_TRUE(tonight->isToday());
    EXPECT_FALSE(tonight->isUnpayed());  // not yet due
    EXPECT_EQ(TLScheduler::updateSchedulers(), 2);
    EXPECT_TRUE(db().fetchEntityCustom("Transaction").empty());  // no autopay: nothing paid
    EXPECT_EQ(earlier->getDueString(), "Today");
    EXPECT_EQ(lastWeek->getDueString(), "7 days");
    EXPECT_EQ(tomorrow->getDueString(), "1 day");
}

TEST_F(TLSchedulerTest, MonthsKeepTheirLastDay) {
    TLScheduler* monthly = schedule(TLSchedulerFrequency::Monthly, localDate(2027, 1, 31, 9));
    monthly->setNextDate(monthly->newNextDate());
    EXPECT_EQ(*monthly->nextDate(), localDate(2027, 2, 28, 9));
    EXPECT_EQ(*monthly->newNextDate(), localDate(2027, 3, 28, 9));
    monthly->setNextDate(localDate(2028, 1, 31, 9));
    EXPECT_EQ(*monthly->newNextDate(), localDate(2028, 2, 29, 9));  // a leap year
    TLScheduler* yearly = schedule(TLSchedulerFrequency::Annually, localDate(2028, 2, 29, 9));
    EXPECT_EQ(*yearly->newNextDate(), localDate(2029, 2, 28, 9));
    TLScheduler* fourWeeks = schedule(TLSchedulerFrequency::EveryFourWeeks, localDate(2027, 3, 1, 9));
    EXPECT_EQ(*fourWeeks->newNextDate(), localDate(2027, 3, 29, 9));  // across the change to summer time
}

TEST_F(TLSchedulerTest, EveryFrequencyStepsByItsOwnPeriod) {
    struct Case {
        int frequency;
        Date due, next;
    };
    const Case cases[] = {
        // into summer time
        {TLSchedulerFrequency::EveryDay, localDate(2027, 3, 13, 9), localDate(2027, 3, 14, 9)},
        {TLSchedulerFrequency::EveryWeek, localDate(2027, 2, 26, 9), localDate(2027, 3, 5, 9)},
        // across summer time
        {TLSchedulerFrequency::EveryTwoWeeks, localDate(2027, 3, 1, 9), localDate(2027, 3, 15, 9)},
        {TLSchedulerFrequency::EveryFourWeeks, localDate(2027, 1, 30, 9), localDate(2027, 2, 27, 9)},
        // to a shorter month
        {TLSchedulerFrequency::Monthly, localDate(2027, 10, 31, 9), localDate(2027, 11, 30, 9)},
        {TLSchedulerFrequency::EveryTwoMonths, localDate(2026, 12, 31, 9), localDate(2027, 2, 28, 9)},
        // to a leap day
        {TLSchedulerFrequency::Quarterly, localDate(2027, 11, 30, 9), localDate(2028, 2, 29, 9)},
        {TLSchedulerFrequency::EverySixMonths, localDate(2027, 8, 31, 9), localDate(2028, 2, 29, 9)},
        {TLSchedulerFrequency::Annually, localDate(2027, 6, 15, 9), localDate(2028, 6, 15, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("frequency " + std::to_string(c.frequency));
        TLScheduler* s = schedule(c.frequency, c.due);
        EXPECT_EQ(*s->newNextDate(), c.next);
    }
    // One time, and a code no list offers, never move.
    EXPECT_EQ(*schedule(TLSchedulerFrequency::OneTime, localDate(2027, 5, 1, 9))->newNextDate(),
              localDate(2027, 5, 1, 9));
    EXPECT_EQ(*schedule(14, localDate(2027, 5, 1, 9))->newNextDate(), localDate(2027, 5, 1, 9));
}

TEST_F(TLSchedulerTest, CatchUpAcrossAMonthEndALeapDayAndSummerTime) {
    test::ScopedClock later(localDate(2028, 3, 13, 12));  // summer time began on 12 March 2028
    TLScheduler* daily = schedule(TLSchedulerFrequency::EveryDay, localDate(2028, 2, 27, 7), "1.25");
    TLScheduler::updateSchedulers();
    std::vector<Date> dates = paidDates(daily);
    ASSERT_EQ(dates.size(), 15u);  // 27 Feb … 12 Mar
    EXPECT_EQ(dates[2], localDate(2028, 2, 29, 7));
    EXPECT_EQ(dates[3], localDate(2028, 3, 1, 7));
    EXPECT_EQ(dates[14], localDate(2028, 3, 12, 7));  // still 7 in the morning
    EXPECT_EQ(*daily->nextDate(), localDate(2028, 3, 13, 7));
    EXPECT_EQ(*checking->balance(), D("-18.75"));
}

TEST_F(TLSchedulerTest, TransferSchedulesPayBothSides) {
    TLAccount* savings = account("Savings", usd);
    TLScheduler* saving = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 11, 15, 9), "250");
    saving->setType(TLTransactionType::Transfer);
    saving->setTransferAccount(savings);
    saving->getSplit()->setCategory(nullptr);
    EXPECT_TRUE(saving->isNegative());
    TLScheduler::updateSchedulers();
    ASSERT_EQ(saving->realTransactions().size(), 1u);
    TLTransaction* paid = *saving->realTransactions().begin();
    ASSERT_NE(paid->transferCopy(), nullptr);
    EXPECT_EQ(*checking->balance(), D("-250"));
    EXPECT_EQ(*savings->balance(), D("250"));
    EXPECT_EQ(paid->getRepresentationString(), "Transfer to Savings");
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLSchedulerTest, AForeignScheduleFreezesTodaysRateOnEachPayment) {
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.10");
    TLScheduler* euros = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 11, 20, 9), "100");
    euros->setCurrency(eur);
    TLScheduler::updateSchedulers();
    TLTransaction* paid = *euros->realTransactions().begin();
    EXPECT_EQ(paid->currency(), eur);
    EXPECT_EQ(*paid->getRateToAccount()->rate(), D("1.10"));
    EXPECT_EQ(*checking->balance(), D("-110.00"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLSchedulerTest, ManualPaymentMovesTheScheduleOnOnlyWhenConfirmed) {
    TLScheduler* monthly = schedule(TLSchedulerFrequency::Monthly, localDate(2026, 12, 1, 9), "40", false);
    monthly->setIsNumbered(true);
    monthly->setNumberOfPayments(3);
    db().save();
    TLTransaction* payment = monthly->createPaymentTransaction();
    EXPECT_EQ(*payment->transactionDate(), localDate(2026, 12, 6, 10));
    EXPECT_EQ(payment->scheduledBill(), monthly);
    EXPECT_EQ(*checking->balance(), D("-40"));
    db().rollback();  // the editor was cancelled
    EXPECT_EQ(*monthly->nextDate(), localDate(2026, 12, 1, 9));
    EXPECT_EQ(*checking->balance(), D("0"));

    monthly->createPaymentTransaction();
    monthly->confirmPayment();
    EXPECT_EQ(*monthly->nextDate(), localDate(2027, 1, 1, 9));
    EXPECT_EQ(*monthly->numberOfPayments(), 2);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLSchedulerTest, TextsOfASchedule) {
    TLScheduler* monthly = schedule(TLSchedulerFrequency::Monthly, localDate(2027, 1, 15, 9), "700", false);
    EXPECT_EQ(monthly->getEventTitle(), "Rent (-$700.00)");
    EXPECT_EQ(monthly->getDueString(), "1 month 9 days");  // 40 days ahead
    auto* landlord = create<TLPayee>();
    landlord->setNamesFromString("Ann Lee");
    monthly->setPayee(landlord);
    EXPECT_EQ(monthly->getSearchString(), "Ann Lee Rent Jan 15, 2027 -$700.00");
    EXPECT_EQ(monthly->getCategoryString(), "Rent");
    auto* second = create<TLSplit>();
    second->setBill(monthly);
    EXPECT_EQ(monthly->getCategoryString(), "Split");
    EXPECT_EQ(monthly->getSplitImageSmall(true).name, "Miscellaneous.png");
    TLTransactionSettings::setUsePayee(true);
    EXPECT_EQ(monthly->getImageSmall(false).name, "payee@2x.png");
    EXPECT_EQ(TLScheduler::frequencyLabel(TLSchedulerFrequency::EveryTwoWeeks), "Every Two Weeks");
    EXPECT_EQ(TLScheduler::reminderLabel(TLSchedulerReminder::TwoDaysBefore), "2 days before");
}

TEST_F(TLSchedulerTest, RecurrenceAndAlarmOfTheCalendarMirror) {
    TLScheduler* s = schedule(TLSchedulerFrequency::EveryFourWeeks, localDate(2027, 3, 1, 9));
    ASSERT_TRUE(s->getRecurrenceRule());
    EXPECT_EQ(*s->getRecurrenceRule(), (RecurrenceRule{RecurrenceRule::Frequency::Weekly, 4, std::nullopt}));
    s->setIsNumbered(true);
    s->setNumberOfPayments(6);
    EXPECT_EQ(s->getRecurrenceRule()->occurrenceCount, 6);
    s->setNumberOfPayments(0);
    EXPECT_FALSE(s->getRecurrenceRule());
    s->setNumberOfPayments(2);
    s->setFrequency(TLSchedulerFrequency::EverySixMonths);
    EXPECT_EQ(*s->getRecurrenceRule(), (RecurrenceRule{RecurrenceRule::Frequency::Monthly, 6, 2}));
    s->setFrequency(TLSchedulerFrequency::OneTime);
    EXPECT_FALSE(s->getRecurrenceRule());
    const std::pair<int, double> offsets[] = {{TLSchedulerReminder::None, 0},
                                              {TLSchedulerReminder::TwoDaysBefore, -172800},
                                              {TLSchedulerReminder::OnDateOfEvent, 0},
                                              {TLSchedulerReminder::OneHourBefore, -3600},
                                              {42, 0}};  // a code no list offers
    for (auto [code, offset] : offsets) {
        s->setReminderType(code);
        EXPECT_EQ(s->getAlarmOffsetTimeInterval(), offset) << code;
    }
}

TEST_F(TLSchedulerTest, TheCalendarFileMirrorsTheSchedule) {
    TLScheduler* s = schedule(TLSchedulerFrequency::Monthly, localDate(2027, 1, 15, 9), "700", false);
    s->setReminderType(TLSchedulerReminder::OneDayBefore);
    s->setComments("flat 3b");
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(s));
    std::string identifier = *s->event_uuid();

    EventStore reopened;  // the file as any calendar program reads it
    std::optional<CalendarEvent> event = reopened.eventWithIdentifier(identifier);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->title, s->getEventTitle());
    EXPECT_TRUE(event->allDay);
    EXPECT_EQ(event->start, localDate(2027, 1, 15));  // the due day
    EXPECT_EQ(event->alarmOffset, -86400);
    EXPECT_EQ(event->notes, "flat 3b");
    EXPECT_EQ(event->recurrence, (RecurrenceRule{RecurrenceRule::Frequency::Monthly, 1, std::nullopt}));

    s->setTotalamount(D("-750"));
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(s));
    EXPECT_EQ(*s->event_uuid(), identifier);  // the same event, rewritten
    EventStore again;
    EXPECT_EQ(again.events().size(), 1u);

    // Removed in another program: the next save makes a new one.
    again.removeEvent(identifier, EventStore::Span::FutureEvents);
    TLSchedulerCalendar::resetEventStore();
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(s));
    EXPECT_NE(*s->event_uuid(), identifier);

    s->deleteWithSplits();
    EventStore afterDeletion;
    EXPECT_TRUE(afterDeletion.events().empty());
}

TEST_F(TLSchedulerTest, CopiesToAndFromTheEditorsTransaction) {
    auto* working = create<TLTransaction>();
    working->isSchedulerHelper_ = true;
    working->setAccount(checking);
    working->copyCurrencyFromAccount();
    working->setComments("gym");
    addSplit(working, "30", rent);
    addSplit(working, "5");
    auto* s = create<TLScheduler>();
    s->copyValuesFromTransaction(working, false);
    s->copySplitsDublicatingFromTransaction(working);
    EXPECT_EQ(*s->comments(), "gym");
    EXPECT_EQ(*s->totalamount(), D("-35"));
    EXPECT_EQ(s->inAccount(), checking);
    EXPECT_EQ(s->splits().size(), 2u);
    EXPECT_EQ(working->splits().size(), 2u);
    s->copySplitsDublicatingFromTransaction(working);  // again: replaced, not added
    EXPECT_EQ(s->splits().size(), 2u);

    auto* fresh = create<TLScheduler>();
    fresh->copyValuesFromTransaction(working, true);  // the splits move
    EXPECT_EQ(fresh->splits().size(), 2u);
    EXPECT_TRUE(working->splits().empty());
    EXPECT_EQ(*checking->balance(), D("0"));
}

}  // namespace
}  // namespace tallo
