#pragma once
// AmountViewType: what an AmountViewC is entering — its `type`, set by the
// screen that opens it. Not stored; the numbers never change.
//
//   Plain 0            an amount and nothing else
//   Transaction 1      a transaction's amount, with the type segments and
//                      the transfer account (set by setTransaction)
//   StartingBalance 3  an account's opening balance; the currency key
//                      chooses the account's currency
//   ExchangeRate 5     a rate: plain decimals, four fraction digits, the
//                      "Automatic" switch
//   BudgetLimit 6      a budget limit; the currency key toggles "every month"

namespace tallo::AmountViewType {

inline constexpr int Plain = 0;
inline constexpr int Transaction = 1;
inline constexpr int StartingBalance = 3;
inline constexpr int ExchangeRate = 5;
inline constexpr int BudgetLimit = 6;

}  // namespace tallo::AmountViewType
