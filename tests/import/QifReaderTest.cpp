// QIF registers as Quicken, GnuCash-style and European programs write them
// (made-up shops and people), and broken files refused with their line.
#include <gtest/gtest.h>

#include "Platform/import/QifReader.h"

namespace tallo {
namespace {

std::string dump(const StatementResult& result) {
    if (!result.ok()) return result.error;
    std::string out;
    for (const StatementEntry& e : result.statement.entries) {
        char day[16];
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", e.day.year, e.day.month, e.day.day);
        out += std::to_string(e.line) + " " + day + " " + e.amount.toString() + " [" + e.payee + "] [" + e.category +
               "] [" + e.memo + "] [" + e.number + "]";
        for (const StatementSplit& s : e.splits) out += " {" + s.category + " " + s.amount.toString() + " " + s.memo + "}";
        out += "\n";
    }
    return out;
}

TEST(QifReader, QuickenBankRegisterWithSplitsAndTransfers) {
    const char* file =
        "!Type:Bank\n"
        "D1/15'24\nT-1,234.56\nCX\nPUnion Rent\nLHousing:Rent\nN1042\n^\n"
        "D1/16'24\nT-60.00\nPAcme Market\nMWeekly shop\nSFood:Groceries\nEBread and milk\n$-45.00\nSHousehold\n$-15.00\n^\n"
        "D1/17'24\nT-500.00\nL[Savings]\n^\n";
    EXPECT_EQ(dump(QifReader::read(file)),
              "2 2024-01-15 -1234.56 [Union Rent] [Housing:Rent] [] [1042]\n"
              "9 2024-01-16 -60 [Acme Market] [] [Weekly shop] [] {Food:Groceries -45 Bread and milk} {Household -15 }\n"
              "19 2024-01-17 -500 [] [[Savings]] [] []\n");
}

TEST(QifReader, AccountListsAndCategoryListsAreSkipped) {
    const char* file =
        "!Option:AutoSwitch\n!Account\nNChecking\nTBank\n^\n!Clear:AutoSwitch\n"
        "!Type:Cat\nNFood\nE\n^\n"
        "!Type:CCard\r\nD12/31/2023\r\nU-19.99\r\nT-19.99\r\nPHarbor Books\r\n^\r\n";
    EXPECT_EQ(dump(QifReader::read(file)), "12 2023-12-31 -19.99 [Harbor Books] [] [] []\n");
}

TEST(QifReader, DatesOfSeveralPrograms) {
    auto day = [](const char* text) {
        std::optional<StatementDay> d = QifReader::parseDay(text);
        return d ? std::to_string(d->year) + "-" + std::to_string(d->month) + "-" + std::to_string(d->day) : "none";
    };
    EXPECT_EQ(day("1/15'24"), "2024-1-15");
    EXPECT_EQ(day(" 1/ 5' 4"), "2004-1-5");
    EXPECT_EQ(day("01/15/2024"), "2024-1-15");
    EXPECT_EQ(day("1/15/98"), "1998-1-15");
    EXPECT_EQ(day("15.01.2024"), "2024-1-15");
    EXPECT_EQ(day("2024-01-15"), "2024-1-15");
    EXPECT_EQ(day("2/30'24"), "none");
}

TEST(QifReader, BrokenEntriesAreRefusedWithTheirLine) {
    EXPECT_EQ(QifReader::read("!Type:Bank\nD1/15'24\nPNo amount\n^\n").error, "line 2: an entry without an amount");
    EXPECT_EQ(QifReader::read("!Type:Bank\nT-5\n^\n").error, "line 2: an entry without a date");
    EXPECT_EQ(QifReader::read("!Type:Bank\nD1/15'24\nT-5\n$-5\n^\n").error, "line 4: a split amount before its category");
    EXPECT_EQ(QifReader::read("!Type:Bank\nD13/45'24\nT-5\n^\n").error, "line 2: \"13/45'24\" is not a date");
    EXPECT_EQ(QifReader::read("!Type:Bank\nD1/15'24\nTfive\n^\n").error, "line 3: \"five\" is not an amount");
    EXPECT_EQ(QifReader::read("!Type:Bank\nD1/15'24\nT-5\n").error, "line 2: the last entry has no closing ^");
    EXPECT_EQ(QifReader::read("!Type:Invst\nD1/15'24\n").error, "line 1: investment registers cannot be imported");
    StatementResult partial = QifReader::read("!Type:Bank\nD1/15'24\nT-5\n^\nD1/16'24\n^\n");
    EXPECT_EQ(partial.error, "line 5: an entry without an amount");
    EXPECT_TRUE(partial.statement.entries.empty());
}

}  // namespace
}  // namespace tallo
