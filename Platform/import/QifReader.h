#pragma once
// QifReader: the Quicken Interchange Format of bank, cash and card
// registers. A file is a header line and entries of one field a line, each
// entry closed by "^":
//
//   !Type:Bank
//   D01/15'24          date (month/day'year; also 1/15/2024, 15.01.2024, 2024-01-15)
//   T-1,234.56         amount (U is the same field in newer files)
//   PAcme Market       payee
//   MWeekly shop       memo
//   LFood:Groceries    category, or [Savings] for a transfer to that account
//   N1042              number
//   SFood              a split's category, then its memo (E) and amount ($)
//   EBread
//   $-4.20
//   ^
//
// Fields it does not know (cleared status C, address lines A, …) are
// skipped. Blocks of account lists, categories, classes and memorised
// entries (!Account, !Type:Cat, !Type:Class, !Type:Memorized) and the
// options lines are skipped whole. Investment registers (!Type:Invst) are
// refused: their amounts are not a register's. Errors name the line: an entry
// without date or amount, a date or amount that cannot be read, a split
// amount without its category line.

#include <string_view>

#include "Platform/import/Statement.h"

namespace tallo {

class QifReader {
public:
    static StatementResult read(std::string_view text);
    // "1/15'24", "01/15/2024", "1/15/24", "15.01.2024", "2024-01-15".
    static std::optional<StatementDay> parseDay(std::string_view text);
};

}  // namespace tallo
