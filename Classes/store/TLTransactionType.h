#pragma once
// TLTransactionType: what kind of movement a transaction is — the `type` of a
// "Transaction" record, and of a "ScheduledBill" (the schedule's transactions
// take it over). The values are written into the store and shared with the
// desktop companion: they are stored and never change. 3 is never produced
// or read here.
//
//   Expense 0   InvestmentBuy 4     negative
//   Income 1    InvestmentSell 5    positive
//   Transfer 2                      negative on the sending side only
//
// Stored fields are plain ints, so these are ints too:
//   t->setType(TLTransactionType::Transfer);
//   switch (t->type().value_or(TLTransactionType::Expense)) { case TLTransactionType::Income: … }

namespace tallo::TLTransactionType {

inline constexpr int Expense = 0;         // a withdrawal
inline constexpr int Income = 1;          // a deposit
inline constexpr int Transfer = 2;        // one side of a pair between two accounts
inline constexpr int InvestmentBuy = 4;   // made only on the desktop
inline constexpr int InvestmentSell = 5;  // made only on the desktop

}  // namespace tallo::TLTransactionType
