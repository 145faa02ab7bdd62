#pragma once
// TLScheduler: a scheduled (recurring) transaction — a bill, a salary, a
// transfer — with the date its next payment falls due, a frequency, an
// optional count of payments left, autopay and a reminder. Paying it makes a
// real transaction (linked back through scheduledBill) and moves the due
// date on by one step of the frequency, by calendar addition: a monthly bill
// due on 31 January falls due on 28 (or 29) February, then on 28 (29) March;
// the time of day stays.
//
// The frequency and reminder are TLSchedulerFrequency and
// TLSchedulerReminder codes; an unknown frequency never advances, an unknown
// reminder sets no alarm. The type is a TLTransactionType (an expense or a
// transfer when made here).
//
// The splits of a schedule carry amounts but book nothing: they have no
// transaction, so no balance or category total counts them.

#include <optional>
#include <string>
#include <vector>

#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLPicture.h"
#include "Classes/store/TLSchedulerAcc.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/calendar/CalendarEvent.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLScheduler : public TLSchedulerAcc {
public:
    // The launch and foreground pass over every schedule: autopay pays what
    // is due, schedules with no payment left are deleted (the transactions
    // they paid stay), and the answer is how many remaining ones are unpaid
    // — the count the application and scheduler-tab badges show.
    static int updateSchedulers();

    // The labels of the codes, in English ("Every Two Weeks", "1 day
    // before"); "" for an unlisted code.
    static std::string frequencyLabel(int code);
    static std::string reminderLabel(int code);

    // nextDate advanced by one step of the frequency (unchanged for one-time
    // and unlisted codes).
    std::optional<Date> newNextDate() const;
    // Not numbered, or payments left.
    bool leftToPay() const;
    // Due today (any time of today).
    bool isToday() const;
    // Due before now and not today.
    bool isLate() const;
    // Neither late nor today.
    bool isNext() const;
    // Due before now (earlier today counts), payments left, not autopay:
    // what the badges count.
    bool isUnpayed() const;
    bool isTransfer() const;
    // An expense or a transfer to another account.
    bool isNegative() const;

    // Pays every occurrence that is late, oldest first, each as its own
    // transaction dated at its due date, until the due date reaches today or
    // the payments run out; then saves. Only when autopay is on.
    void doAutopay();
    // The sum of the totals of the transactions paid from it.
    Decimal getTotalPayed() const;

    // Manual payment: a new transaction filled from the schedule, linked to
    // it and dated now, for the transaction editor to show. When the editor
    // is closed without cancelling, confirmPayment moves the schedule on.
    TLTransaction* createPaymentTransaction();
    void confirmPayment();

    // Splits by "order".
    std::vector<TLSplit*> getSplitsArray() const;
    TLSplit* getSplit() const;
    void deleteSplits();
    void deleteWithSplits();

    // Takes the transaction's values (and, with `withSplits`, its splits,
    // which move here), its rates always, and the account of its transfer
    // counterpart as transferAccount.
    void copyValuesFromTransaction(TLTransaction* transaction, bool withSplits);
    // Replaces the splits by copies of the transaction's, amounts included.
    void copySplitsDublicatingFromTransaction(TLTransaction* transaction);

    // Texts.
    std::string getCategoryString() const;
    // "Rent ($700.00)": the category text and the amount in the default
    // currency's form.
    std::string getEventTitle() const;
    // "Today", or the calendar distance to the due day in words ("3 days",
    // "1 month 9 days"), without sign.
    std::string getDueString() const;
    std::string getSearchString() const;
    bool isPayeePriority() const;
    TLPicture getImageSmall(bool small) const;
    TLPicture getSplitImageSmall(bool small) const;

    // The calendar mirror's recurrence: none for one-time, unlisted codes or
    // no payments left; counted occurrences when numbered.
    std::optional<RecurrenceRule> getRecurrenceRule() const;
    // Seconds from the event start (−172,800 for "2 days before").
    double getAlarmOffsetTimeInterval() const;

protected:
    // Created now, next due now, with a new identifier.
    void awakeFromInsert() override;
    // The calendar event mirroring it goes too.
    void prepareForDeletion() override;

private:
    TLTransaction::PictureParts pictureParts() const;
};

}  // namespace tallo
