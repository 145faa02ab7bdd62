#pragma once
// BudgetLimitEntry: a limit typed on the amount screen in its budget mode,
// and how the budget screens store it.
//
// The amount screen for a limit shows no type segments and no currency
// choice (limits are in the default currency) and its every-month toggle.
// What it answers is written as month limits of the shown month
// (TLGlobal's activeMonthID):
//
//   a record without one:  a new record for the category (nothing: the
//                          section total) with the limit for this month
//   a record with one:     the limit that holds now is changed where it was
//                          entered for this month, else a new one for this
//                          month takes its place from here on; a limit for
//                          every month also removes every-month limits of
//                          later months (one-month limits stay)
//
// So 50 for every month in March, 80 for April only, then 60 for every
// month in February: February, March and May on read 60, April 80.
// A limit typed below zero (5 − 10) is stored as its magnitude.

#include <memory>
#include <string>

#include "Platform/foundation/Decimal.h"

namespace tallo {

class AmountViewC;
class TLBudget;
class TLBudgetRecord;
class TLBudgetRecordCustom;
class TLCategory;

struct BudgetLimitEntry {
    Decimal limit;
    bool everyMonth = true;
    // The record type (TLBudgetRecordType) the limit is for.
    int type = 0;

    // The amount screen for a limit titled `title`, starting at `start`.
    static std::shared_ptr<AmountViewC> amountScreen(const std::string& title, const Decimal& start, bool everyMonth,
                                                     int type);
    // What a closed (not cancelled) amount screen answered.
    static BudgetLimitEntry from(const AmountViewC& amount);

    // A new record of `budget` for `category` with this limit.
    TLBudgetRecord* createRecord(TLBudget* budget, TLCategory* category) const;
    // The limit for `record`, whose month limit holding now is `holding`.
    void change(TLBudgetRecord* record, TLBudgetRecordCustom* holding) const;
};

}  // namespace tallo
