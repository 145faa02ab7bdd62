#pragma once
// NewTransactionFromPicture: a new transaction started from a category's or
// a payee's picture (and from the category screen's button), before the
// entry wizard takes it over.
//
// With no account at all it shows "No accounts" ("You must have an account
// to add transaction.", "Close"); with accounts but none that can take a
// transaction (only investment and loan accounts) "No supported accounts"
// ("You must have a supported account to add transaction.", "Close"), and
// makes nothing. Otherwise it inserts a transaction in the default account
// (TLAccount::getDefaultAccount), in that account's currency; from a
// category with one split in it, from a payee with that payee and, when the
// payee has a default category, one split in that category. Nothing is
// saved here.

namespace tallo {

class TLCategory;
class TLPayee;
class TLTransaction;

class NewTransactionFromPicture {
public:
    // The new transaction, or nothing after the alert.
    static TLTransaction* fromCategory(TLCategory* category);
    static TLTransaction* fromPayee(TLPayee* payee);
    // Takes back a transaction made here that nothing took over, leaving the
    // store as it was: rolled back to the last save when it held no other
    // unsaved change then, else the transaction and its split deleted.
    static void discard(TLTransaction* transaction);
};

}  // namespace tallo
