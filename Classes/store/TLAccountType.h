#pragma once
// TLAccountType: the kind of an account — the `type` of an "Account" record,
// which picks its icon, whether it has a credit limit and whether it can be
// edited here. The values are written into the store and shared with the
// desktop companion: they are stored and never change.
//
//   Bank 0   Cash 1   CreditCard 2   Investment 3   Loan 4   Asset 5
//   NeverListed 20: kept in the store, but left out of every account list,
//   count and choice (the fetch of the listed accounts is "type != 20").
//
// Investment and loan accounts come from the desktop; they are listed but
// not edited here.

namespace tallo::TLAccountType {

inline constexpr int Bank = 0;
inline constexpr int Cash = 1;
inline constexpr int CreditCard = 2;  // has a credit limit (ccLimit)
inline constexpr int Investment = 3;
inline constexpr int Loan = 4;
inline constexpr int Asset = 5;       // new transactions in it start as income
inline constexpr int NeverListed = 20;

}  // namespace tallo::TLAccountType
