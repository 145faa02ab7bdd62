#pragma once
// The money rules every ledger operation and every screen keeps, checked on
// the shared store as it stands, for any test — a ledger test after its
// operations, a screen test after a journey:
//
//   each account's balance is its opening balance plus its transactions'
//   converted totals, and what getBalance recomputes;
//   each transaction's total is the signed sum of its splits;
//   each transfer and its mirror are equal and opposite, in one currency.
//
// Answers every broken rule, one a line, named by account (and transaction
// comment or identifier); "" when the books hold.

#include <string>

namespace tallo::test {

std::string checkLedgerInvariants();

// The same, and the screens saved what they changed: "unsaved changes" when
// the store's context holds anything not yet saved.
std::string checkLedgerInvariantsSaved();

}  // namespace tallo::test
