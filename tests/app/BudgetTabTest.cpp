// The Budget tab of the launched application: the budget screen at its
// root, titled with the shown year while the tab keeps its own title, and
// the month chosen kept while the person visits other tabs.

#include "Classes/app/TalloMobile2AppDelegate.h"

#include "Classes/screens/budgets/BudgetInfoViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/sync/TLSync.h"
#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/TabBarController.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

class BudgetTabTest : public test::LedgerTest {
protected:
    BudgetTabTest() : clock_(test::localDate(2026, 1, 6, 10)) {
        TLGlobal::resetSharedGlobal();
        Application::resetSharedApplication();
        TLSync::resetSharedSync();
        TLSync::sharedSync().setListeningInterface("localhost");
        delegate_.downloadRates = [] {};
        account("Checking");
        db().save();
        Application::sharedApplication().setDelegate(&delegate_);
        Application::sharedApplication().launch(delegate_.tabBarController());
    }
    ~BudgetTabTest() override {
        TLSync::resetSharedSync();
        Application::resetSharedApplication();
        TLGlobal::resetSharedGlobal();
        RunLoop::main().runFor(0);
    }
    void tap(const std::string& id) {
        Application& app = Application::sharedApplication();
        app.render();
        std::string error;
        ASSERT_TRUE(app.handleMessage(R"({"kind":"tap","target":")" + id + "\"}", &error)) << error;
    }
    std::string screen() { return Application::sharedApplication().render().toText(); }
    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    test::ScopedClock clock_;
    TalloMobile2AppDelegate delegate_;
};

TEST_F(BudgetTabTest, TheBudgetTabShowsTheMonthAndKeepsTheChosenOneAcrossTabs) {
    tap("tab:1");
    auto* budget = dynamic_cast<BudgetInfoViewC*>(Application::sharedApplication().visibleViewController());
    ASSERT_NE(budget, nullptr);
    std::string shown = screen();
    EXPECT_TRUE(has(shown, "navbar title=\"2026 Budget\"")) << shown;
    EXPECT_TRUE(has(shown, "Press \\\"Edit\\\" to manage budget.")) << "a new book has no limits: " << shown;
    EXPECT_FALSE(has(shown, "Not available yet."));

    // Nothing shown means no month bar; the month is chosen with the keys.
    Application::sharedApplication().handleMessage(R"({"kind":"key","key":"-"})", nullptr);
    EXPECT_EQ(budget->dateBar().month(), 1) << "the empty budget has no months to step through";

    budget->didSelectMonth(12, 2025);
    tap("tab:0");
    tap("tab:1");
    EXPECT_TRUE(has(screen(), "navbar title=\"2025 Budget\"")) << screen();
    EXPECT_EQ(TLGlobal::sharedGlobal().activeMonthID(), TLMonthID::fromYearMonth(2025, 12));
    auto* tabs = TLGlobal::sharedGlobal().tabBarController();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->viewControllers()[1]->tabBarItem().title, "Budget");
}

}  // namespace
}  // namespace tallo
