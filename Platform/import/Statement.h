#pragma once
// Statement: what a bank file says, read by one of the statement readers
// (OfxReader, QifReader, CsvMapping) and not yet matched against any book.
// Amounts are signed as the bank sees the account: money in is positive,
// money out negative. Texts are UTF-8 as the file gave them, trimmed.

#include <string>
#include <vector>

#include "Platform/foundation/Decimal.h"

namespace tallo {

// A calendar day without a time or zone: statements date by day.
struct StatementDay {
    int year = 0;
    int month = 0;  // 1–12
    int day = 0;    // 1–31, valid for the month
    friend bool operator==(const StatementDay&, const StatementDay&) = default;
    friend auto operator<=>(const StatementDay&, const StatementDay&) = default;
};

// One part of a divided entry: its own category, memo and signed amount.
struct StatementSplit {
    std::string category;  // "Food:Groceries", "[Savings]" for a transfer part, "" for none
    std::string memo;
    Decimal amount;
};

struct StatementEntry {
    int line = 0;  // the file's line the entry starts on (1 = first), for messages
    StatementDay day;
    Decimal amount;
    std::string payee;
    std::string memo;
    // "Master:Sub", "Master", "" for none; "[Account name]" names the other
    // account of a transfer.
    std::string category;
    std::string number;  // cheque or reference number
    std::string fitid;   // the bank's own identifier of the entry (OFX), or ""
    std::vector<StatementSplit> splits;  // empty unless the entry is divided
};

struct Statement {
    std::vector<StatementEntry> entries;
    std::string currency;   // ISO 4217 code when the file names one
    std::string accountId;  // the bank's account number when the file names one
};

// The result of reading outside data: the statement, or a message naming the
// line at fault ("line 12: no amount"). Nothing partial is returned.
struct StatementResult {
    Statement statement;
    std::string error;
    int errorLine = 0;
    bool ok() const { return error.empty(); }
};

// A calendar day is valid: year 1900–2200, month 1–12, day within the month.
bool isValidStatementDay(const StatementDay& day);
// Days from 1970-01-01 (negative before it), for "within two days" tests.
long statementDayNumber(const StatementDay& day);

}  // namespace tallo
