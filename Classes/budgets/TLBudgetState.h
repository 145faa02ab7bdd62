#pragma once
// TLBudgetState: the budget state the application keeps for the budget
// screens — the month they show, the two section-total records, and the
// launch-time merge of every stored budget into one monthly budget. TLGlobal
// answers the same operations by forwarding here, so the budget classes read
// them without reaching up into the shell. Main thread only.
//
// The section-total records are the records without a category: the one of
// type TLBudgetRecordType::Expense holds the limit of all expenses, the one
// of type Income that of all income. Each is fetched on first use (the last
// one when there are several) and cached. The cache belongs to the store it
// was read from: it is forgotten whenever budget records change (inserted,
// deleted, rolled back) or the store is reloaded, so a cached record is never
// one the store has freed; the next call fetches again.

#include <cstdint>
#include <vector>

namespace tallo {

class TLBudgetRecord;
class TLCategory;

class TLBudgetState {
public:
    // The month shown by the budget screens (a month ID, year × 12 + month −
    // 1); 0 until a screen or the launch merge sets it.
    static uint32_t activeMonthID();
    static void setActiveMonthID(uint32_t monthID);
    // The month ID of today, by the injectable clock.
    static uint32_t currentMonthID();

    // The section-total records; nothing when the store has none.
    static TLBudgetRecord* expenseRecord();
    static TLBudgetRecord* incomeRecord();
    // Replace the cached record (nothing: fetch again on the next call).
    static void setExpenseRecord(TLBudgetRecord* record);
    static void setIncomeRecord(TLBudgetRecord* record);

    // The first record of `alreadyInSet` filed under the same category object
    // (nothing matches nothing) with the record type `withType`; nothing when
    // none is.
    static TLBudgetRecord* category(const TLCategory* target, const std::vector<TLBudgetRecord*>& alreadyInSet,
                                    int withType);

    // Run once at launch: folds every stored budget into one monthly budget
    // with the identifier and name "budget" (making it when the store has
    // none), and starts each record's limits at the current month. A store
    // that already holds only that budget is left as it is. Monthly budgets'
    // limits move over as they are; a yearly or fixed-period budget's limits
    // are first scaled to the share of the current month in its period
    // (1200 a year in a 31-day month of a 365-day year: 101.91777). Where two
    // budgets limit the same category and type, the larger limit stays.
    // A record that already carries month limits keeps them; the others get
    // their stored limit as a limit from the current month on. Nothing is
    // saved here.
    static void mergeBudgets();

    // Tests only: forgets the month and the cached records.
    static void reset();
};

}  // namespace tallo
