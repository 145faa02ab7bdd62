// Settings → Import & Export: a bank file chosen in the browser comes in
// through a preview, and the book goes out as a file the page saves.
#include <gtest/gtest.h>

#include "Classes/exchange/TLBookExporter.h"
#include "Classes/screens/exchange/ExchangeViewC.h"
#include "Classes/screens/settings/SettingsViewC.h"
#include "Platform/ui/DownloadOffer.h"
#include "Platform/ui/UIEvent.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo::test {
namespace {

class ExchangeViewCTest : public ScreenTest {
protected:
    ExchangeViewCTest() {
        usd = currency("USD", true);
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        TLTransaction* old = transaction(checking, TLTransactionType::Expense, {"54.17"});
        old->setTransactionDate(localDate(2024, 1, 14, 12));
        db().save();
        auto settings = std::make_shared<SettingsViewC>();
        settings->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(settings));
        tap("row:0:4");
    }
    void upload(const std::string& data) {
        app().render();
        UIEvent event;
        event.kind = UIEvent::Kind::Picture;
        event.target = "statementpicker";
        event.data.assign(data.begin(), data.end());
        std::string error;
        ASSERT_TRUE(app().handleEvent(event, &error)) << error;
    }
    TLCurrency* usd;
    TLAccount* checking;
    TLAccount* savings;
};

TEST_F(ExchangeViewCTest, ABankCsvIsPreviewedThenImportedIntoTheChosenAccount) {
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "title=\"Import & Export\"")) << shown;
    EXPECT_TRUE(has(shown, "filepicker#statementpicker accept=\".ofx,.qfx,.qif,.csv,.txt\" title=\"Import Bank File\""))
        << shown;
    upload("Date,Description,Amount\n01/15/2024,Acme Market,-54.17\n01/16/2024,Harbor Books,-19.99\n");
    shown = scene();
    EXPECT_TRUE(has(shown, "title=\"Preview\"")) << shown;
    EXPECT_TRUE(has(shown, "Without Category (1)")) << shown;
    EXPECT_TRUE(has(shown, "Already in the Book (1)")) << shown;
    EXPECT_TRUE(has(shown, "2024-01-16 · -19.99 · Uncategorized")) << shown;

    tap("nav:right");  // Import
    shown = scene();
    EXPECT_TRUE(has(shown, "1 transactions imported into Checking, 1 already in the book left out.")) << shown;
    tap("overlay:0:0");
    EXPECT_TRUE(has(scene(), "title=\"Import & Export\"")) << scene();
    EXPECT_EQ(*checking->balance(), D("-74.16"));
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
}

TEST_F(ExchangeViewCTest, ACsvFileIsReadAgainWhenThePersonChangesItsDateOrder) {
    // A British bank's file on a computer set to American English.
    upload("Date,Description,Paid out,Paid in\n15/01/2024,Corner Bakery,3.40,\n16/01/2024,Salary,,1800.00\n");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "line 2: \\\"15/01/2024\\\" is not a date")) << shown;
    EXPECT_TRUE(has(shown, "Dates")) << shown;
    tap("row:0:0");  // 01/15/2024 → 15/01/2024
    shown = scene();
    EXPECT_FALSE(has(shown, "is not a date")) << shown;
    EXPECT_TRUE(has(shown, "2024-01-15 · -3.4 · Uncategorized")) << shown;
    EXPECT_TRUE(has(shown, "2024-01-16 · 1800 · Uncategorized")) << shown;
    tap("nav:right");
    tap("overlay:0:0");
    EXPECT_EQ(*checking->balance(), D("1742.43"));  // −54.17 − 3.40 + 1800
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
}

TEST_F(ExchangeViewCTest, TheChosenAccountOrTheBookIsOfferedAsAFileToSave) {
    // Rows: Whole Book, Checking (ticked, the default account), Savings; then CSV, QIF, Journal.
    EXPECT_TRUE(has(scene(), "Checking")) << scene();
    tap("row:1:1");  // QIF of Checking
    const DownloadOffer* offered = DownloadOffer::named("Checking.qif");
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->bytes, "!Type:Bank\nD01/14/2024\nT-54.17\n^\n");
    EXPECT_TRUE(has(scene(), "download#download detail=\"1 transactions\" name=\"Checking.qif\" title=\"Save Checking.qif\""))
        << scene();

    tap("row:0:0");  // the whole book, as a journal
    tap("row:1:2");
    offered = DownloadOffer::named("Tallo.journal");
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->bytes, TLBookExporter::journal(nullptr));
    EXPECT_EQ(DownloadOffer::named("Checking.qif"), nullptr);  // the newer offer replaced it
    DownloadOffer::reset();
}

TEST_F(ExchangeViewCTest, AFileThatCannotBeImportedSaysWhyAndChangesNothing) {
    upload("!Type:Bank\nD1/15'24\nTfive\n^\n");
    EXPECT_TRUE(has(scene(), "error=\"line 3: \\\"five\\\" is not an amount\"")) << scene();
    EXPECT_TRUE(has(scene(), "title=\"Import & Export\"")) << scene();

    tap("row:0:0");  // the whole book: no account to import into
    upload("Date,Payee,Amount\n01/15/2024,Acme,-1\n");
    EXPECT_TRUE(has(scene(), "error=\"Choose the account the statement belongs to.\"")) << scene();
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), 1u);
    EXPECT_EQ(checkLedgerInvariantsSaved(), "");
}

}  // namespace
}  // namespace tallo::test
