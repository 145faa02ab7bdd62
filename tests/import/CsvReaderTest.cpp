// The CSV reader against the quoting rules bank exports rely on, and broken
// files that must be refused with the line at fault.
#include <gtest/gtest.h>

#include "Platform/import/CsvReader.h"

namespace tallo {
namespace {

// Records as one text: fields in brackets, a record a line with its line number.
std::string dump(const CsvTable& table) {
    if (!table.ok()) return table.error;
    std::string out;
    for (const CsvRecord& record : table.records) {
        out += std::to_string(record.line) + ":";
        for (const std::string& field : record.fields) out += "[" + field + "]";
        out += "\n";
    }
    return out;
}

TEST(CsvReader, QuotedFieldsKeepDelimitersQuotesAndLineEnds) {
    EXPECT_EQ(dump(CsvReader::read("Date,Payee,Amount\r\n"
                                   "01/15/2024,\"Smith, J.\",-12.50\r\n"
                                   "01/16/2024,\"say \"\"hi\"\"\",3\r\n"
                                   "01/17/2024,\"two\nlines\",4\r\n"
                                   "01/18/2024,last,5")),
              "1:[Date][Payee][Amount]\n"
              "2:[01/15/2024][Smith, J.][-12.50]\n"
              "3:[01/16/2024][say \"hi\"][3]\n"
              "4:[01/17/2024][two\nlines][4]\n"
              "6:[01/18/2024][last][5]\n");
}

TEST(CsvReader, EmptyFieldsBomAndBlankLines) {
    EXPECT_EQ(dump(CsvReader::read("\xEF\xBB\xBF" "a,,c,\n\n\"\",x\n")), "1:[a][][c][]\n3:[][x]\n");
    EXPECT_EQ(dump(CsvReader::read("a;b;\"1;5\"", ';')), "1:[a][b][1;5]\n");
    EXPECT_EQ(dump(CsvReader::read("a,b\"c\"")), "1:[a][b\"c\"]\n");  // quotes inside an unquoted field stay
}

TEST(CsvReader, BrokenQuotingIsRefusedWithItsLine) {
    CsvTable unclosed = CsvReader::read("Date,Payee\n01/15/2024,\"Acme\n01/16/2024,Other\n");
    EXPECT_FALSE(unclosed.ok());
    EXPECT_EQ(unclosed.error, "line 2: a quoted field is never closed");
    EXPECT_TRUE(unclosed.records.empty());
    EXPECT_EQ(CsvReader::read("a,b\nc,\"d\"e,f\n").error, "line 2: text after a closing quote");
}

TEST(CsvReader, GuessesTheDelimiterFromTheFirstLine) {
    EXPECT_EQ(CsvReader::guessDelimiter("Buchungstag;Empf\xc3\xa4nger;Betrag\n15.01.2024;x;-1,50"), ';');
    EXPECT_EQ(CsvReader::guessDelimiter("Date,\"Payee; Name\",Amount\n"), ',');
    EXPECT_EQ(CsvReader::guessDelimiter("Date\tPayee\tAmount\n"), '\t');
}

}  // namespace
}  // namespace tallo
