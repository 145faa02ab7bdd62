// The payee chooser: choosing a listed payee, and the search's first row
// that makes a payee from the typed words.

#include "Classes/screens/payees/PayeeSelectionViewC.h"

#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class PayeeSelectionViewCTest : public test::CategoryPayeeScreenTest {
protected:
    PayeeSelectionViewCTest() {
        for (const char* name : {"Ann Lee", "Bob Stone"}) {
            auto* made = create<TLPayee>();
            made->initializeNilNames();
            made->setNamesFromString(name);
        }
        TLDatabase::sharedDatabase().save();
    }
    std::shared_ptr<PayeeSelectionViewC> open(int mode = 0) {
        chooser = std::make_shared<PayeeSelectionViewC>();
        opener->pushView(chooser, mode);
        return chooser;
    }
    std::shared_ptr<PayeeSelectionViewC> chooser;
};

TEST_F(PayeeSelectionViewCTest, ChoosingAListedPayee) {
    open();
    EXPECT_EQ(navbar(), "Select Payee <Cancel>");
    EXPECT_EQ(rows(), "Ann Lee | Bob Stone");
    EXPECT_TRUE(has(scene(), "placeholder=\"Search or Create New\"")) << scene();
    tap("row:1:0");
    ASSERT_NE(chooser->payee, nullptr);
    EXPECT_EQ(chooser->payee->representationString(), "Bob Stone");
    EXPECT_EQ(opener->closed, chooser.get());
}

TEST_F(PayeeSelectionViewCTest, TheSearchsFirstRowMakesAPayeeFromTheWords) {
    open();
    type("search", "Ann Marie Okafor");
    EXPECT_EQ(rows(), "Create \"Ann Marie Okafor\"");
    type("search", "an");
    EXPECT_EQ(rows(), "Create \"an\"; Ann Lee");
    type("search", "Ann Marie Okafor");
    tap("row:0:0");
    ASSERT_NE(chooser->payee, nullptr);
    EXPECT_EQ(chooser->payee->firstname(), "Ann");
    EXPECT_EQ(chooser->payee->lastname(), "Marie");
    EXPECT_EQ(chooser->payee->representationString(), "Ann Marie");
    EXPECT_EQ(opener->closed, chooser.get());
}

TEST_F(PayeeSelectionViewCTest, ASearchResultIsChosenBelowTheCreateRow) {
    open();
    type("search", "stone");
    tap("row:0:1");
    EXPECT_EQ(chooser->payee->representationString(), "Bob Stone");
}

TEST_F(PayeeSelectionViewCTest, InTheWizardsModeTheRightButtonIsNext) {
    open(1);
    EXPECT_EQ(navbar(), "Select Payee <Cancel|Next>");
    tap("nav:left");
    EXPECT_TRUE(chooser->isCanceled);
    EXPECT_EQ(chooser->payee, nullptr);
}

}  // namespace
}  // namespace tallo
