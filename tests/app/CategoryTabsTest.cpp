// The Categories tab and Payees under More, as the launched application
// shows them: the default categories with their totals, and the payee list
// opened from More with a way back.

#include "Classes/app/TalloMobile2AppDelegate.h"

#include "Classes/screens/categories/CategoriesViewC.h"
#include "Classes/screens/payees/PayeesViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

class CategoryTabsTest : public test::LedgerTest {
protected:
    CategoryTabsTest() : clock_(test::localDate(2026, 12, 6, 10)) {
        TLGlobal::resetSharedGlobal();
        Application::resetSharedApplication();
        TLSync::resetSharedSync();
        TLSync::sharedSync().setListeningInterface("localhost");
        delegate_.downloadRates = [] {};
        // A book with an account: Home shows its list, not the editor of a
        // first account over the tabs.
        account("Checking");
        db().save();
        Application::sharedApplication().setDelegate(&delegate_);
        Application::sharedApplication().launch(delegate_.tabBarController());
    }
    ~CategoryTabsTest() override {
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

    test::ScopedClock clock_;
    TalloMobile2AppDelegate delegate_;
};

TEST_F(CategoryTabsTest, TheCategoriesTabListsTheDefaultCategories) {
    tap("tab:3");
    auto* list = dynamic_cast<CategoriesViewC*>(Application::sharedApplication().visibleViewController());
    ASSERT_NE(list, nullptr);
    std::string shown = screen();
    EXPECT_NE(shown.find("button#nav:left title=\"Edit\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("text=\"Auto\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("detail=\"$0.00\""), std::string::npos);
    EXPECT_EQ(shown.find("Not available yet."), std::string::npos);
}

TEST_F(CategoryTabsTest, PayeesOpenFromMoreWithAWayBack) {
    tap("tab:4");  // More
    tap("row:0:0");  // Payees
    auto* list = dynamic_cast<PayeesViewC*>(Application::sharedApplication().visibleViewController());
    ASSERT_NE(list, nullptr);
    std::string shown = screen();
    EXPECT_NE(shown.find("title=\"No payees\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("button#nav:left image=\"nav_back_left.png\" title=\"Back\""), std::string::npos) << shown;
    tap("nav:left");
    EXPECT_NE(screen().find("navbar title=\"More\""), std::string::npos) << screen();
}

}  // namespace
}  // namespace tallo
