// Bank CSV exports of several real layouts (made-up people and shops) read
// through a column mapping, and the numbers and dates of several locales.
#include <gtest/gtest.h>

#include "Platform/import/CsvMapping.h"

namespace tallo {
namespace {

std::string dump(const StatementResult& result) {
    if (!result.ok()) return result.error;
    std::string out;
    for (const StatementEntry& e : result.statement.entries) {
        char day[16];
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", e.day.year, e.day.month, e.day.day);
        out += std::to_string(e.line) + " " + day + " " + e.amount.toString() + " [" + e.payee + "] [" + e.memo +
               "] [" + e.category + "] [" + e.number + "]\n";
    }
    return out;
}

TEST(CsvMapping, AmountsInEveryLocaleForm) {
    EXPECT_EQ(CsvMapping::parseAmount("-1,234.56", '.')->toString(), "-1234.56");
    EXPECT_EQ(CsvMapping::parseAmount("-1.234,56", ',')->toString(), "-1234.56");
    EXPECT_EQ(CsvMapping::parseAmount("$1,234.56", '.')->toString(), "1234.56");
    EXPECT_EQ(CsvMapping::parseAmount("1\xc2\xa0" "234,56 \xe2\x82\xac", ',')->toString(), "1234.56");
    EXPECT_EQ(CsvMapping::parseAmount("(12.00)", '.')->toString(), "-12");
    EXPECT_EQ(CsvMapping::parseAmount("12.00-", '.')->toString(), "-12");
    EXPECT_EQ(CsvMapping::parseAmount("1'234.50 CHF", '.')->toString(), "1234.5");
    EXPECT_FALSE(CsvMapping::parseAmount("", '.'));
    EXPECT_FALSE(CsvMapping::parseAmount("twelve", '.'));
    EXPECT_FALSE(CsvMapping::parseAmount("1.2.3", '.'));
    EXPECT_FALSE(CsvMapping::parseAmount("12#", '.'));
}

TEST(CsvMapping, DatesInEachOrder) {
    auto day = [](const char* text, CsvDateOrder order) {
        std::optional<StatementDay> d = CsvMapping::parseDay(text, order);
        return d ? std::to_string(d->year) + "-" + std::to_string(d->month) + "-" + std::to_string(d->day) : "none";
    };
    EXPECT_EQ(day("01/15/2024", CsvDateOrder::MonthDayYear), "2024-1-15");
    EXPECT_EQ(day("15.01.24", CsvDateOrder::DayMonthYear), "2024-1-15");
    EXPECT_EQ(day("2024-01-15", CsvDateOrder::DayMonthYear), "2024-1-15");  // ISO wins over the order
    EXPECT_EQ(day("20240229", CsvDateOrder::MonthDayYear), "2024-2-29");
    EXPECT_EQ(day("12/31/99", CsvDateOrder::MonthDayYear), "1999-12-31");
    EXPECT_EQ(day("2024-01-15 13:45:00", CsvDateOrder::YearMonthDay), "2024-1-15");
    EXPECT_EQ(day("02/29/2023", CsvDateOrder::MonthDayYear), "none");  // not a leap year
    EXPECT_EQ(day("15/01/2024", CsvDateOrder::MonthDayYear), "none");
    EXPECT_EQ(day("yesterday", CsvDateOrder::MonthDayYear), "none");
}

TEST(CsvMapping, LocalesChooseOrderSeparatorAndDelimiter) {
    CsvMapping us = CsvMapping::forLocale("en_US"), de = CsvMapping::forLocale("de_DE"),
               gb = CsvMapping::forLocale("en_GB"), jp = CsvMapping::forLocale("ja_JP");
    EXPECT_EQ(us.dateOrder, CsvDateOrder::MonthDayYear);
    EXPECT_EQ(us.decimalSeparator, '.');
    EXPECT_EQ(de.dateOrder, CsvDateOrder::DayMonthYear);
    EXPECT_EQ(de.decimalSeparator, ',');
    EXPECT_EQ(de.delimiter, ';');
    EXPECT_EQ(gb.dateOrder, CsvDateOrder::DayMonthYear);
    EXPECT_EQ(gb.decimalSeparator, '.');
    EXPECT_EQ(jp.dateOrder, CsvDateOrder::YearMonthDay);
}

// A US checking export: one signed amount column, a check number.
TEST(CsvMapping, UsCheckingWithSignedAmounts) {
    const char* file =
        "Posted Date,Description,Amount,Check Number,Memo\n"
        "01/02/2024,\"ACME MARKET #42\",-54.17,,groceries\n"
        "01/03/2024,PAYROLL NORTHWIND,\"2,150.00\",,\n"
        "01/05/2024,CHECK 1042,-120.00,1042,rent share\n";
    CsvMapping mapping = CsvMapping::guessFromHeader({"Posted Date", "Description", "Amount", "Check Number", "Memo"},
                                                     CsvMapping::forLocale("en_US"));
    EXPECT_EQ(dump(mapping.read(file)),
              "2 2024-01-02 -54.17 [ACME MARKET #42] [groceries] [] []\n"
              "3 2024-01-03 2150 [PAYROLL NORTHWIND] [] [] []\n"
              "4 2024-01-05 -120 [CHECK 1042] [rent share] [] [1042]\n");
}

// A UK current account: money out and money in in two columns.
TEST(CsvMapping, UkCurrentAccountWithPaidOutAndPaidIn) {
    const char* file =
        "Date,Type,Description,Paid out,Paid in,Balance\n"
        "03/01/2024,DEB,CORNER BAKERY,3.40,,996.60\n"
        "04/01/2024,BGC,SALARY,,1800.00,2796.60\n";
    CsvMapping mapping = CsvMapping::guessFromHeader({"Date", "Type", "Description", "Paid out", "Paid in", "Balance"},
                                                     CsvMapping::forLocale("en_GB"));
    EXPECT_EQ(dump(mapping.read(file)),
              "2 2024-01-03 -3.4 [CORNER BAKERY] [] [] []\n"
              "3 2024-01-04 1800 [SALARY] [] [] []\n");
}

// A German giro account: ';', day first, comma decimals, header in German.
TEST(CsvMapping, GermanGiroAccount) {
    const char* file =
        "Buchungstag;Empf\xc3\xa4nger;Verwendungszweck;Betrag (EUR)\n"
        "15.01.2024;Stadtwerke M\xc3\xbcnster;Abschlag Strom;-1.234,56\n"
        "16.01.2024;Lena Weber;Miete Februar;850,00\n";
    CsvMapping mapping = CsvMapping::guessFromHeader(
        {"Buchungstag", "Empf\xc3\xa4nger", "Verwendungszweck", "Betrag (EUR)"}, CsvMapping::forLocale("de_DE"));
    EXPECT_EQ(dump(mapping.read(file)),
              "2 2024-01-15 -1234.56 [Stadtwerke M\xc3\xbcnster] [Abschlag Strom] [] []\n"
              "3 2024-01-16 850 [Lena Weber] [Miete Februar] [] []\n");
}

TEST(CsvMapping, BrokenRowsAreRefusedWithTheirLine) {
    CsvMapping mapping = CsvMapping::guessFromHeader({"Date", "Payee", "Amount"}, CsvMapping::forLocale("en_US"));
    EXPECT_EQ(mapping.read("Date,Payee,Amount\n01/02/2024,A,-1\n13/45/2024,B,-2\n").error,
              "line 3: \"13/45/2024\" is not a date");
    EXPECT_EQ(mapping.read("Date,Payee,Amount\n01/02/2024,A,abc\n").error, "line 2: \"abc\" is not an amount");
    EXPECT_EQ(mapping.read("Date,Payee,Amount\n01/02/2024,A\n").error, "line 2: no amount column");
    EXPECT_EQ(mapping.read("Date,Payee,Amount\n01/02/2024,A,\n").error, "line 2: no amount");
    EXPECT_EQ(mapping.read("Date,Payee,Amount\n01/02/2024,\"A,1\n").error, "line 2: a quoted field is never closed");
    CsvMapping none;
    EXPECT_EQ(none.read("a,b\n").error, "line 0: the mapping names no date or no amount column");
    StatementResult bad = mapping.read("Date,Payee,Amount\n01/02/2024,A,1\n01/03/2024,B,x\n");
    EXPECT_TRUE(bad.statement.entries.empty());  // nothing partial
}

}  // namespace
}  // namespace tallo
