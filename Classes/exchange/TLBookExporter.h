#pragma once
// TLBookExporter: the book, or one account of it, as text other programs read.
//
//   csv      Date,Account,Payee,Category,Memo,Number,Amount,Currency — a row
//            per transaction, dates as 2024-01-15, amounts signed in the
//            account's currency with '.' decimals, RFC 4180 quoting. A divided
//            transaction names its categories joined by " + ".
//   qif      a register per account (!Type:Bank, Cash, CCard, Oth A, Oth L),
//            dates as 01/15/2024, transfers as L[Other account], the parts of
//            a divided transaction as S/E/$ lines; tallo-import and the
//            preview read it back. A transaction in another currency than
//            its account's is written converted, parts and all, with its
//            frozen rate (the products are exact, so the parts still add up).
//   journal  a plain-text journal that ledger and hledger read: an opening
//            entry per account, then each transaction with a posting per
//            part. Accounts are Assets:Name or Liabilities:Name (credit cards
//            and loans); categories Expenses:Master:Sub or Income:Master:Sub
//            by the transaction's sign (Expenses:Uncategorized for none); a
//            transfer is one entry with both accounts. Parts in a currency
//            other than the account's carry their frozen rate ("10 EUR @
//            1.0837 USD"), and a transfer between currencies the amount the
//            other side received at its price, so that each account's balance
//            there equals its balance here, to the last digit.
// Amounts are exact (never rounded). Dates are the current time zone's days.
// Nothing is changed or saved; transactions are written in date order.

#include <string>

namespace tallo {

class TLAccount;

class TLBookExporter {
public:
    // `account` nullptr: every account of the book.
    static std::string csv(TLAccount* account);
    static std::string qif(TLAccount* account);
    static std::string journal(TLAccount* account);
    // The journal's name for an account ("Assets:Checking", "Liabilities:Visa").
    static std::string journalAccountName(const TLAccount* account);
};

}  // namespace tallo
