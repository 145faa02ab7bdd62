#pragma once
// One row of an import preview: the file's entry and what the book makes of it.

#include <string>

#include "Platform/import/Statement.h"

namespace tallo {

class TLAccount;
class TLCategory;
class TLTransaction;

struct TLImportRow {
    StatementEntry entry;
    int state = 0;  // TLImportRowState
    // The category the transaction will be filed under (guessed or named by
    // the file); nothing for an uncategorised row, a transfer or a split one.
    TLCategory* category = nullptr;
    // A category path the file names and the book lacks ("Pets:Vet"): made
    // when the import is confirmed.
    std::string newCategory;
    // The other account of a transfer ("[Savings]" in the file).
    TLAccount* transferAccount = nullptr;
    // The book's transaction a duplicate row matched.
    TLTransaction* duplicateOf = nullptr;
    // A duplicate side of a transfer between currencies whose amount here
    // differs from the book's: the file tells what arrived, and confirming
    // sets the transfer's rate so that the book says the same.
    bool correctsAmount = false;
    // Why this row cannot be imported ("no account named Savings"); "" when it can.
    std::string problem;
};

}  // namespace tallo
