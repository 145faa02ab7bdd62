// Importing bank statements into one account: the preview tells new rows
// from ones already in the book and guesses categories; confirming enters the
// rest in one save, or nothing at all with the line at fault.
#include <gtest/gtest.h>

#include "Classes/exchange/TLImportPreview.h"
#include "Classes/exchange/TLImportRowState.h"
#include "Platform/import/CsvMapping.h"
#include "Platform/import/OfxReader.h"
#include "Platform/import/QifReader.h"
#include "tests/support/LedgerInvariants.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo::test {
namespace {

const char* kStateNames[] = {"new", "duplicate", "unmatched"};

// The preview as one text: line, state, amount, payee, the category it will be filed under.
std::string dump(const TLImportPreview& preview) {
    std::string out;
    for (const TLImportRow& row : preview.rows()) {
        std::string filed = row.category != nullptr ? row.category->name().value_or("")
                            : !row.newCategory.empty() ? "new " + row.newCategory
                            : row.transferAccount != nullptr ? "[" + row.transferAccount->name().value_or("") + "]"
                                                             : "-";
        out += std::to_string(row.entry.line) + " " + kStateNames[row.state] + " " + row.entry.amount.toString() + " " +
               row.entry.payee + " -> " + filed + (row.problem.empty() ? "" : " (" + row.problem + ")") + "\n";
    }
    return out;
}

class ImportPreviewTest : public DollarBookTest {
protected:
    ImportPreviewTest() {
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        groceries = category("Groceries");
        rent = category("Rent");
        gifts = category("Gifts");
        db().save();
    }
    TLPayee* payee(const char* name, TLCategory* usual = nullptr) {
        auto* p = create<TLPayee>();
        p->setCompany(name);
        p->setIscompany(true);
        p->initializeNilNames();
        p->setRepresentationString(p->getRepresentationString());
        p->setCategory(usual);
        return p;
    }
    TLTransaction* spent(const char* amount, int year, int month, int day, TLPayee* to, TLCategory* filed = nullptr) {
        TLTransaction* t = transaction(checking, TLTransactionType::Expense, {amount}, filed);
        t->setTransactionDate(localDate(year, month, day, 12));
        t->setPayee(to);
        return t;
    }
    Statement csv(const char* text) {
        return CsvMapping::guessFromHeader({"Date", "Payee", "Amount"}, CsvMapping::forLocale("en_US")).read(text).statement;
    }
    size_t count(const char* entity) { return db().fetchEntityCustom(entity).size(); }

    TLAccount* savings;
    TLCategory* groceries;
    TLCategory* rent;
    TLCategory* gifts;
};

const char* kOfx =
    "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\n\n"
    "<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS><DTSERVER>20240131<LANGUAGE>ENG</SONRS>"
    "</SIGNONMSGSRSV1>\n<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
    "<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>1<ACCTID>42<ACCTTYPE>CHECKING</BANKACCTFROM><BANKTRANLIST>\n"
    "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20240115<TRNAMT>-54.17<FITID>F1<NAME>Acme Market</STMTTRN>\n"
    "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20240131<TRNAMT>2150.00<FITID>F2<NAME>Northwind Payroll</STMTTRN>\n"
    "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20240120<TRNAMT>-120.00<FITID>F3<NAME>Union Rent</STMTTRN>\n"
    "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";

TEST_F(ImportPreviewTest, OfxStatementIsEnteredOnceAndKnownAgainByItsFitids) {
    payee("Union Rent", rent);
    db().save();
    StatementResult read = OfxReader::read(kOfx);
    ASSERT_TRUE(read.ok()) << read.error;
    TLImportPreview preview(read.statement, checking);
    EXPECT_EQ(dump(preview),
              "8 unmatched -54.17 Acme Market -> -\n"
              "9 unmatched 2150 Northwind Payroll -> -\n"
              "10 new -120 Union Rent -> Rent\n");
    EXPECT_EQ(count("Transaction"), 0u);  // the preview changes nothing

    TLImportPreview::Outcome outcome = preview.confirm();
    EXPECT_TRUE(outcome.ok()) << outcome.error;
    EXPECT_EQ(outcome.imported, 3);
    EXPECT_EQ(*checking->balance(), D("1975.83"));
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
    EXPECT_EQ(count("Payee"), 3u);  // Acme Market and Northwind Payroll made, Union Rent found

    // The same file again (the bank's next download overlaps): nothing new.
    TLImportPreview again(read.statement, checking);
    EXPECT_EQ(again.count(TLImportRowState::Duplicate), 3);
    EXPECT_EQ(again.confirm().imported, 0);
    EXPECT_EQ(*checking->balance(), D("1975.83"));
    EXPECT_EQ(count("Transaction"), 3u);
}

TEST_F(ImportPreviewTest, SameAmountAndPayeeWithinTwoDaysIsADuplicate) {
    TLPayee* acme = payee("Acme Market");
    spent("54.17", 2024, 1, 13, acme, groceries);
    spent("9.99", 2024, 1, 15, nullptr);  // typed without a payee
    db().save();
    TLImportPreview preview(csv("Date,Payee,Amount\n"
                                "01/15/2024,ACME MARKET,-54.17\n"   // two days later, payee in capitals
                                "01/16/2024,Acme Market,-54.17\n"   // the book's one is taken already
                                "01/16/2024,Harbor Books,-9.99\n"   // the book's has no payee
                                "01/18/2024,Corner Bakery,-9.99\n"  // three days: new
                                "01/15/2024,Acme Market,-54.18\n"), checking);
    EXPECT_EQ(dump(preview),
              "2 duplicate -54.17 ACME MARKET -> -\n"
              "3 new -54.17 Acme Market -> Groceries\n"
              "4 duplicate -9.99 Harbor Books -> -\n"
              "5 unmatched -9.99 Corner Bakery -> -\n"
              "6 new -54.18 Acme Market -> Groceries\n");
    TLImportPreview::Outcome outcome = preview.confirm();
    EXPECT_EQ(outcome.imported, 3);
    EXPECT_EQ(outcome.skipped, 2);
    EXPECT_EQ(*checking->balance(), D("-182.50"));  // −54.17 −9.99 typed, −54.17 −9.99 −54.18 imported
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
}

TEST_F(ImportPreviewTest, CategoriesComeFromThePayeeThenItsHistory) {
    payee("Union Rent", rent);
    TLPayee* bakery = payee("Corner Bakery");
    spent("4.20", 2023, 11, 2, bakery, groceries);
    spent("3.80", 2023, 11, 9, bakery, groceries);
    spent("25.00", 2023, 12, 20, bakery, gifts);
    db().save();
    TLImportPreview preview(csv("Date,Payee,Amount\n02/01/2024,Union Rent,-950\n02/02/2024,corner bakery,-4.40\n"
                                "02/03/2024,Someone New,-12\n"), checking);
    EXPECT_EQ(dump(preview),
              "2 new -950 Union Rent -> Rent\n"
              "3 new -4.4 corner bakery -> Groceries\n"
              "4 unmatched -12 Someone New -> -\n");
    preview.confirm();
    std::vector<std::string> filed;
    for (TLTransaction* t : checking->transactions()) {
        if (t->transactionDate() >= localDate(2024, 1, 1)) filed.push_back(t->getCategoryString());
    }
    std::sort(filed.begin(), filed.end());
    EXPECT_EQ(filed, (std::vector<std::string>{"Groceries", "Rent", "Uncategorized"}));
}

const char* kCheckingQif =
    "!Type:Bank\n"
    "D1/16'24\nT-60.00\nPAcme Market\nSFood:Groceries\nEBread\n$-45.00\nSHousehold\n$-15.00\n^\n"
    "D1/17'24\nT-500.00\nL[Savings]\nMMonthly saving\n^\n"
    "D1/18'24\nT1200\nPNorthwind\nLSalary\n^\n";

TEST_F(ImportPreviewTest, QifSplitsMakeTheirCategoriesAndTransfersTheirMirror) {
    StatementResult read = QifReader::read(kCheckingQif);
    ASSERT_TRUE(read.ok()) << read.error;
    TLImportPreview preview(read.statement, checking);
    EXPECT_EQ(dump(preview),
              "2 new -60 Acme Market -> -\n"
              "11 new -500  -> [Savings]\n"
              "16 new 1200 Northwind -> new Salary\n");
    EXPECT_TRUE(preview.confirm().ok());
    EXPECT_EQ(*checking->balance(), D("640"));
    EXPECT_EQ(*savings->balance(), D("500"));
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
    TLCategory* food = TLCategory::getCategoryWithName("Food");
    ASSERT_NE(food, nullptr);
    ASSERT_EQ(food->getOrderedSubcats().size(), 1u);
    EXPECT_EQ(food->getOrderedSubcats()[0]->name(), "Groceries");
    EXPECT_TRUE(*food->isExpense());
    EXPECT_TRUE(*TLCategory::getCategoryWithName("Salary")->isIncome());

    // Savings' own file holds the other side of the transfer: known, not
    // entered twice. A deposit of the same amount filed as a gift is no transfer.
    TLImportPreview other(QifReader::read("!Type:Bank\nD1/17'24\nT500\nLGifts\n^\n"
                                          "D1/18'24\nT500\nL[Checking]\n^\nD1/31'24\nT1.25\nLInterest\n^\n")
                              .statement,
                          savings);
    EXPECT_EQ(dump(other), "2 new 500  -> Gifts\n6 duplicate 500  -> [Checking]\n10 new 1.25  -> new Interest\n");
    other.confirm();
    EXPECT_EQ(*savings->balance(), D("1001.25"));
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
}

TEST_F(ImportPreviewTest, AnyBadRowLeavesTheBookAsItWasAndNamesItsLine) {
    StatementResult read = QifReader::read("!Type:Bank\n"
                                           "D1/16'24\nT-60.00\nPAcme Market\nLFood:Snacks\n^\n"
                                           "D1/17'24\nT-500.00\nL[Holiday Fund]\n^\n");
    TLImportPreview preview(read.statement, checking);
    EXPECT_EQ(dump(preview),
              "2 new -60 Acme Market -> new Food:Snacks\n"
              "7 unmatched -500  -> - (no account named Holiday Fund)\n");
    TLImportPreview::Outcome outcome = preview.confirm();
    EXPECT_EQ(outcome.error, "line 7: no account named Holiday Fund");
    EXPECT_EQ(outcome.imported, 0);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(count("Payee"), 0u);
    EXPECT_EQ(TLCategory::getCategoryWithName("Snacks"), nullptr);
    EXPECT_EQ(*checking->balance(), D("0"));
    EXPECT_FALSE(db().context()->hasChanges());

    StatementResult parts = QifReader::read("!Type:Bank\nD1/16'24\nT-60.00\nSFood\n$-45.00\nSHousehold\n$-5.00\n^\n");
    EXPECT_EQ(TLImportPreview(parts.statement, checking).confirm().error, "line 2: the parts add up to -50, not -60");
    EXPECT_EQ(count("Transaction"), 0u);
}

TEST_F(ImportPreviewTest, AStatementInAnotherCurrencyIsRefused) {
    Statement statement = OfxReader::read(kOfx).statement;
    statement.currency = "EUR";
    TLImportPreview preview(statement, checking);
    EXPECT_EQ(preview.problem(), "line 0: the statement is in EUR, the account in USD");
    EXPECT_FALSE(preview.confirm().ok());
    EXPECT_EQ(count("Transaction"), 0u);
}

}  // namespace
}  // namespace tallo::test
