// OFX statements in the layouts banks send (1.x SGML from a bank, 2.x XML
// from a card issuer, Quicken's QFX), with made-up accounts and shops.
#include <gtest/gtest.h>

#include "Platform/import/OfxReader.h"

namespace tallo {
namespace {

std::string dump(const StatementResult& result) {
    if (!result.ok()) return result.error;
    std::string out = "[" + result.statement.currency + "] [" + result.statement.accountId + "]\n";
    for (const StatementEntry& e : result.statement.entries) {
        char day[16];
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", e.day.year, e.day.month, e.day.day);
        out += std::to_string(e.line) + " " + day + " " + e.amount.toString() + " [" + e.payee + "] [" + e.memo + "] [" +
               e.fitid + "] [" + e.number + "]\n";
    }
    return out;
}

const char* kSgmlBank =
    "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:USASCII\nCHARSET:1252\n"
    "COMPRESSION:NONE\nOLDFILEUID:NONE\nNEWFILEUID:NONE\n\n"
    "<OFX>\n<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
    "<DTSERVER>20240131120000<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\n"
    "<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
    "<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>121000358<ACCTID>000123456789<ACCTTYPE>CHECKING</BANKACCTFROM>\n"
    "<BANKTRANLIST><DTSTART>20240101<DTEND>20240131\n"
    "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20240115<TRNAMT>-54.17<FITID>202401150001<NAME>ACME MARKET #42<MEMO>POS PURCHASE</STMTTRN>\n"
    "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20240131120000[-5:EST]<TRNAMT>2150.00<FITID>202401310007<NAME>PAYROLL NORTHWIND</STMTTRN>\n"
    "<STMTTRN><TRNTYPE>CHECK<DTPOSTED>20240120<TRNAMT>-120.00<FITID>202401200003<CHECKNUM>1042<NAME>CHECK 1042</STMTTRN>\n"
    "</BANKTRANLIST><LEDGERBAL><BALAMT>1975.83<DTASOF>20240131</LEDGERBAL></STMTRS></STMTTRNRS></BANKMSGSRSV1>\n"
    "</OFX>\n";

TEST(OfxReader, SgmlBankStatementKeepsFitidsDaysAndAmounts) {
    EXPECT_EQ(dump(OfxReader::read(kSgmlBank)),
              "[USD] [000123456789]\n"
              "17 2024-01-15 -54.17 [ACME MARKET #42] [POS PURCHASE] [202401150001] []\n"
              "18 2024-01-31 2150 [PAYROLL NORTHWIND] [] [202401310007] []\n"
              "19 2024-01-20 -120 [CHECK 1042] [] [202401200003] [1042]\n");
}

TEST(OfxReader, XmlCardStatementAndQuickenQfx) {
    const char* xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<?OFX OFXHEADER=\"200\" VERSION=\"220\" SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n"
        "<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS>"
        "<DTSERVER>20240205</DTSERVER><LANGUAGE>ENG</LANGUAGE><INTU.BID>10898</INTU.BID></SONRS></SIGNONMSGSRSV1>\n"
        "<CREDITCARDMSGSRSV1><CCSTMTTRNRS><TRNUID>0</TRNUID><STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS>"
        "<CCSTMTRS><CURDEF>EUR</CURDEF><CCACCTFROM><ACCTID>4111XXXXXXXX1111</ACCTID></CCACCTFROM>\n"
        "<BANKTRANLIST><DTSTART>20240101</DTSTART><DTEND>20240131</DTEND>\n"
        "<STMTTRN><TRNTYPE>DEBIT</TRNTYPE><DTPOSTED>20240103000000.000[+1:CET]</DTPOSTED><TRNAMT>-19.99</TRNAMT>"
        "<FITID>AX-77-1</FITID><NAME>HARBOR BOOKS</NAME></STMTTRN>\n"
        "<STMTTRN><TRNTYPE>CREDIT</TRNTYPE><DTPOSTED>20240110</DTPOSTED><TRNAMT>500</TRNAMT>"
        "<FITID>AX-77-2</FITID><NAME>PAYMENT THANK YOU</NAME></STMTTRN>\n"
        "</BANKTRANLIST></CCSTMTRS></CCSTMTTRNRS></CREDITCARDMSGSRSV1></OFX>\n";
    EXPECT_EQ(dump(OfxReader::read(xml)),
              "[EUR] [4111XXXXXXXX1111]\n"
              "6 2024-01-03 -19.99 [HARBOR BOOKS] [] [AX-77-1] []\n"
              "7 2024-01-10 500 [PAYMENT THANK YOU] [] [AX-77-2] []\n");
}

TEST(OfxReader, TextThatIsNoStatementIsRefused) {
    EXPECT_EQ(OfxReader::read("Date,Payee,Amount\n01/02/2024,A,1\n").error,
              "line 1: not an OFX statement (no <OFX> element)");
    EXPECT_EQ(OfxReader::read("").error, "line 1: not an OFX statement (no <OFX> element)");
    // A statement cut off in the middle of its third entry: refused, naming that entry.
    std::string cut(kSgmlBank, std::string(kSgmlBank).find("<TRNAMT>-120.00"));
    StatementResult result = OfxReader::read(cut);
    EXPECT_EQ(result.error, "line 19: an entry without an amount");
    EXPECT_TRUE(result.statement.entries.empty());
    // An entry without its amount.
    std::string noAmount = kSgmlBank;
    noAmount.erase(noAmount.find("<TRNAMT>-120.00"), 15);
    EXPECT_EQ(OfxReader::read(noAmount).error, "line 19: an entry without an amount");
}

}  // namespace
}  // namespace tallo
