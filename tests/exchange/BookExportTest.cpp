// Exporting the book: CSV and QIF a person opens elsewhere, and a journal
// that hledger — a real peer program — balances exactly as Tallo does.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

#include "Classes/exchange/TLBookExporter.h"
#include "Platform/import/CsvReader.h"
#include "tests/support/LedgerTestSupport.h"
#include "tools/gen/BookGenerator.h"

namespace tallo::test {
namespace {

// A small book: an expense in two parts, a salary, a transfer to savings, a
// purchase in euros at 1.1 on the dollar account, and 200 sent to a euro
// account that received 180.
class BookExportTest : public DollarBookTest {
protected:
    BookExportTest() {
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        visa = account("Visa", usd, TLAccountType::CreditCard, 2);
        euros = account("Euro Account", eur, TLAccountType::Bank, 3);
        checking->changeStartingBalanceTo(D("1000"));
        TLCategory* food = category("Food");
        TLCategory* groceries = category("Groceries", food);
        TLCategory* household = category("Household");
        TLCategory* salary = category("Salary");
        auto* acme = create<TLPayee>();
        acme->setNamesFromString("Acme");

        TLTransaction* shop = transaction(checking, TLTransactionType::Expense, {"45.50"}, groceries);
        addSplit(shop, "15", household)->setComments("soap");
        shop->setTransactionDate(localDate(2024, 1, 16, 12));
        shop->setPayee(acme);
        shop->setComments("weekly, big");
        transaction(checking, TLTransactionType::Income, {"1200"}, salary)->setTransactionDate(localDate(2024, 1, 18, 12));

        TLTransaction* saving = transaction(checking, TLTransactionType::Transfer, {});
        saving->setTransferPrimary(true);
        saving->changeTypeTo(TLTransactionType::Transfer);
        addSplit(saving, "500");
        saving->setTransactionDate(localDate(2024, 1, 17, 12));
        saving->transferToAccount(savings);

        TLTransaction* abroad = transaction(visa, TLTransactionType::Expense, {"10"}, food);
        abroad->changeCurrencyTo(eur);
        abroad->setValueToRateRecordToAccount(D("1.1"));
        abroad->setTransactionDate(localDate(2024, 1, 20, 12));

        TLTransaction* sent = transaction(checking, TLTransactionType::Transfer, {});
        sent->setTransferPrimary(true);
        sent->changeTypeTo(TLTransactionType::Transfer);
        addSplit(sent, "200");
        sent->setTransactionDate(localDate(2024, 1, 21, 12));
        sent->transferToAccount(euros);
        sent->transferCopy()->setValueToRateRecordToAccount(D("0.9"));
        db().save();
    }

    TLAccount* savings;
    TLAccount* visa;
    TLAccount* euros;
};

TEST_F(BookExportTest, CsvHasARowPerTransactionInTheAccountsCurrency) {
    ASSERT_EQ(checkBooks(), "");
    EXPECT_EQ(TLBookExporter::csv(checking),
              "Date,Account,Payee,Category,Memo,Number,Amount,Currency\r\n"
              "2024-01-16,Checking,Acme,Food:Groceries + Household,\"weekly, big\",,-60.5,USD\r\n"
              "2024-01-17,Checking,,[Savings],,,-500,USD\r\n"
              "2024-01-18,Checking,,Salary,,,1200,USD\r\n"
              "2024-01-21,Checking,,[Euro Account],,,-200,USD\r\n");
    // The whole book reads back as CSV: a row per transaction, transfer mirrors included.
    CsvTable table = CsvReader::read(TLBookExporter::csv(nullptr));
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(table.records.size(), 1u + 4 + 1 + 1 + 1);
}

TEST_F(BookExportTest, QifHasSplitsTransfersAndConvertedForeignTotals) {
    EXPECT_EQ(TLBookExporter::qif(checking),
              "!Type:Bank\n"
              "D01/16/2024\nT-60.5\nPAcme\nMweekly, big\nSFood:Groceries\n$-45.5\nSHousehold\nEsoap\n$-15\n^\n"
              "D01/17/2024\nT-500\nL[Savings]\n^\n"
              "D01/18/2024\nT1200\nLSalary\n^\n"
              "D01/21/2024\nT-200\nL[Euro Account]\n^\n");
    EXPECT_EQ(TLBookExporter::qif(visa), "!Type:CCard\nD01/20/2024\nT-11\nLFood\n^\n");
    EXPECT_EQ(TLBookExporter::qif(euros), "!Type:Bank\nD01/21/2024\nT180\nL[Checking]\n^\n");
}

TEST_F(BookExportTest, JournalPostsPartsRatesAndBothSidesOfTransfers) {
    EXPECT_EQ(TLBookExporter::journal(nullptr),
              "; The book exported by Tallo: an opening entry per account, then every transaction.\n\n"
              "2024-01-16 Opening balance of Checking\n    Assets:Checking  1000 USD\n    Equity:Opening Balances\n\n"
              "2024-01-16 Opening balance of Savings\n    Assets:Savings  0 USD\n    Equity:Opening Balances\n\n"
              "2024-01-16 Opening balance of Visa\n    Liabilities:Visa  0 USD\n    Equity:Opening Balances\n\n"
              "2024-01-16 Opening balance of Euro Account\n    Assets:Euro Account  0 EUR\n"
              "    Equity:Opening Balances\n\n"
              "2024-01-16 Acme  ; weekly, big\n    Assets:Checking  -60.5 USD\n"
              "    Expenses:Food:Groceries  45.5 USD\n    Expenses:Household  15 USD\n\n"
              "2024-01-17 Transfer\n    Assets:Checking  -500 USD\n    Assets:Savings  500 USD\n\n"
              "2024-01-18 -\n    Assets:Checking  1200 USD\n    Income:Salary  -1200 USD\n\n"
              "2024-01-20 -\n    Liabilities:Visa  -11 USD\n    Expenses:Food  10 EUR @ 1.1 USD\n\n"
              "2024-01-21 Transfer\n    Assets:Checking  -200 USD\n    Assets:Euro Account  180 EUR @@ 200 USD\n\n");
}

// hledger's balance of each account, read from its CSV report.
std::map<std::string, std::string> hledgerBalances(const std::string& journalPath, std::string& failure) {
    std::string command = "hledger -f '" + journalPath + "' balance --flat --no-total -O csv 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
    std::map<std::string, std::string> balances;
    CsvTable table = CsvReader::read(output);
    for (const CsvRecord& record : table.records) {
        if (record.fields.size() == 2 && record.fields[0] != "account") balances[record.fields[0]] = record.fields[1];
    }
    if (balances.empty()) failure = output;
    return balances;
}

TEST_F(BookExportTest, HledgerReadsTheJournalWithTalloBalances) {
    std::string journalPath = folder_.path() + "/small.journal";
    std::ofstream(journalPath) << TLBookExporter::journal(nullptr);
    std::string failure;
    std::map<std::string, std::string> small = hledgerBalances(journalPath, failure);
    ASSERT_FALSE(small.empty()) << "hledger (installed by scripts/bootstrap.sh) said: " << failure;
    EXPECT_EQ(small["Assets:Checking"], "1439.5 USD");  // 1000 − 60.50 − 500 + 1200 − 200
    EXPECT_EQ(small["Assets:Savings"], "500.0 USD");
    EXPECT_EQ(small["Assets:Euro Account"], "180 EUR");
    EXPECT_EQ(small["Liabilities:Visa"], "-11.0 USD");
}

class GeneratedBookExportTest : public LedgerTest {};

TEST_F(GeneratedBookExportTest, HledgerBalancesEveryAccountOfAGeneratedBookAsTalloDoes) {
    BookGenerator::Options options;
    options.transactions = 1500;
    options.years = 2;
    options.seed = 7;
    BookGenerator::generate(options);
    ASSERT_EQ(checkBooks(), "");
    std::string journalPath = folder_.path() + "/book.journal";
    std::ofstream(journalPath) << TLBookExporter::journal(nullptr);
    std::string failure;
    std::map<std::string, std::string> balances = hledgerBalances(journalPath, failure);
    ASSERT_FALSE(balances.empty()) << "hledger (installed by scripts/bootstrap.sh) said: " << failure;
    int compared = 0;
    for (ManagedObject* o : db().fetchEntityCustom("Account")) {
        auto* account = static_cast<TLAccount*>(o);
        std::string name = TLBookExporter::journalAccountName(account);
        std::string theirs = balances.count(name) != 0 ? balances[name] : "0 " + *account->currency()->code();
        size_t space = theirs.rfind(' ');
        ASSERT_NE(space, std::string::npos) << name << ": " << theirs;
        EXPECT_EQ(theirs.substr(space + 1), *account->currency()->code()) << name;
        std::optional<Decimal> value = Decimal::fromString(theirs.substr(0, space));
        ASSERT_TRUE(value) << name << ": " << theirs;
        EXPECT_EQ(*value, *account->balance()) << name << ": hledger " << theirs;
        ++compared;
    }
    EXPECT_EQ(compared, 9);
}

}  // namespace
}  // namespace tallo::test
