#pragma once
// CsvMapping: which column of a bank's CSV export holds what, and how its
// dates and numbers are written; read() turns the file into a Statement.
//
// Amounts come from one signed column, or from two columns of magnitudes —
// money out (debit) and money in (credit) — of which a row fills one:
//   amount column  "-1.234,56" with ',' as decimal separator → −1234.56
//   debit "12.00", credit ""                                → −12.00
// Numbers may carry a currency sign, spaces or the other separator as
// thousands grouping ("$1,234.56", "1 234,56 €", "1'234.56"), a leading or
// trailing minus, or parentheses for money out ("(12.00)" → −12.00).
// Dates are three numbers in the mapping's order with any separators
// ("01/15/2024", "15.01.24"); a four-digit first number or eight digits in a
// row ("2024-01-15", "20240115") are always year, month, day. Two-digit
// years are 2000–2069 below 70, else 1970–1999.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/import/Statement.h"

namespace tallo {

enum class CsvDateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

class CsvMapping {
public:
    static constexpr int kNone = -1;
    // Column numbers from 0, kNone when the file has no such column.
    int date = kNone;
    int amount = kNone;
    int debit = kNone;
    int credit = kNone;
    int payee = kNone;
    int memo = kNone;
    int category = kNone;
    int number = kNone;
    bool hasHeader = true;  // the first record names the columns and is not an entry
    char delimiter = ',';
    CsvDateOrder dateOrder = CsvDateOrder::MonthDayYear;
    char decimalSeparator = '.';

    // Dates and numbers as a locale writes them ("en_US": 01/15/2024 and
    // 1,234.56; "de_DE": 15.01.2024 and 1.234,56; "en_GB": 15/01/2024 and
    // 1,234.56; "ja_JP", "zh_CN", "ko_KR", "sv_SE": year first), with ';'
    // as delimiter where ',' is the decimal separator. No columns are set.
    static CsvMapping forLocale(const std::string& locale);
    // The columns named by a header record in English, German or French
    // ("Date", "Buchungstag", "Montant", "Withdrawal", …), case ignored; the
    // formats are kept from `formats`.
    static CsvMapping guessFromHeader(const std::vector<std::string>& header, const CsvMapping& formats);
    // Reads the whole file. Errors name the line: an unreadable date or
    // amount, a row without the date or amount column, a mapping without a
    // date or any amount column (line 0), or the CSV error itself.
    StatementResult read(std::string_view text) const;

    static std::optional<Decimal> parseAmount(std::string_view text, char decimalSeparator);
    static std::optional<StatementDay> parseDay(std::string_view text, CsvDateOrder order);
};

}  // namespace tallo
