#pragma once
// TLImportPreview: what importing a bank statement into one account would
// do, row by row, before anything changes — and then doing it.
//
//   TLImportPreview preview(statementResult.statement, account);
//   // show preview.rows(): New, Duplicate, Unmatched (TLImportRowState)
//   TLImportPreview::Outcome outcome = preview.confirm();
//
// Making the preview changes nothing in the book. confirm() enters every
// row that is not a duplicate through the ledger operations (so balances,
// totals and transfer mirrors hold exactly as if typed), makes the payees
// and categories the file names that the book lacks, and saves once. When
// any row cannot be entered, everything unsaved is rolled back — the book is
// as it was — and the outcome names the row's line. Call confirm() with
// nothing else unsaved (the screens and tallo-import do), and once.
//
// Dates become noon of the day in the current time zone. Amounts are in
// the account's currency; a statement that names another currency is
// refused as a whole. A negative amount is an expense, any other an income;
// a row naming "[Other account]" is a transfer, sent or received by its
// sign, and is a duplicate of the mirror an earlier import of the other
// account's file made (between accounts of two currencies, the same
// transfer within two days whatever its amount: the file's amount then sets
// the rate the book converts it with). A divided row becomes one transaction with a split
// per part (the parts must add up to the amount).

#include <string>
#include <vector>

#include "Classes/exchange/TLImportRow.h"
#include "Platform/import/Statement.h"

namespace tallo {

class TLAccount;

class TLImportPreview {
public:
    TLImportPreview(const Statement& statement, TLAccount* account);

    TLAccount* account() const { return account_; }
    const std::vector<TLImportRow>& rows() const { return rows_; }
    int count(int state) const;
    // A reason the whole statement cannot be imported ("the statement is in
    // EUR, the account in USD"), or "".
    const std::string& problem() const { return problem_; }

    struct Outcome {
        int imported = 0;  // transactions entered (transfer mirrors not counted)
        int skipped = 0;   // duplicates left out
        std::string error;  // "" on success, else "line 12: …" and nothing was saved
        bool ok() const { return error.empty(); }
    };
    Outcome confirm();

private:
    void classify(TLImportRow& row);
    TLAccount* account_;
    std::vector<TLImportRow> rows_;
    std::string problem_;
};

}  // namespace tallo
