// The launch and the return from the background, and the settings a person
// reaches through More, on a fresh application home.

#include "Classes/app/TalloMobile2AppDelegate.h"

#include "Classes/schedules/TLScheduler.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/shell/TLTabBarController.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "tests/support/LedgerTestSupport.h"
#include "tools/gen/BookGenerator.h"

namespace tallo {
namespace {

using test::localDate;

class AppDelegateTest : public test::LedgerTest {
protected:
    AppDelegateTest() : clock_(localDate(2026, 12, 6, 10)) {
        TLGlobal::resetSharedGlobal();
        Application::resetSharedApplication();
        TLSync::resetSharedSync();
        TLSync::sharedSync().setListeningInterface("localhost");
    }
    ~AppDelegateTest() override {
        TLSync::resetSharedSync();
        Application::resetSharedApplication();
        TLGlobal::resetSharedGlobal();
        RunLoop::main().runFor(0);
    }
    void launch() {
        delegate_ = std::make_unique<TalloMobile2AppDelegate>();
        delegate_->downloadRates = [this] { ++downloads_; };
        Application::sharedApplication().setDelegate(delegate_.get());
        Application::sharedApplication().launch(delegate_->tabBarController());
    }
    // A launch on a store that has an account: Home shows the list, not
    // the editor for a first account.
    void launchWithAnAccount() {
        account("Checking");
        db().save();
        launch();
    }
    // Taps what the screen shows under `id`.
    void tap(const std::string& id) {
        Application& app = Application::sharedApplication();
        app.render();
        std::string error;
        ASSERT_TRUE(app.handleMessage(R"({"kind":"tap","target":")" + id + "\"}", &error)) << error;
    }
    void event(const std::string& message) {
        Application& app = Application::sharedApplication();
        app.render();
        std::string error;
        ASSERT_TRUE(app.handleMessage(message, &error)) << error;
    }
    std::string screen() { return Application::sharedApplication().render().toText(); }

    test::ScopedClock clock_;
    std::unique_ptr<TalloMobile2AppDelegate> delegate_;
    int downloads_ = 0;
};

TEST_F(AppDelegateTest, TheFirstLaunchWritesTheDefaultsAndMakesTheDefaults) {
    launch();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_TRUE(defaults.boolForKey("not_first_time"));
    EXPECT_TRUE(defaults.boolForKey("use_category"));
    EXPECT_FALSE(defaults.hasKey("use_payee"));
    EXPECT_TRUE(defaults.boolForKey("defaultCategoriesMade"));
    EXPECT_GT(db().fetchEntityCustom("Category").size(), 15u);
    EXPECT_FALSE(db().fetchEntityCustom("Currency").empty());
    EXPECT_EQ(db().fetchEntityCustom("Budget").size(), 1u);  // the one merged budget
    EXPECT_EQ(downloads_, 1);
    EXPECT_EQ(TLGlobal::sharedGlobal().tabBarController(), delegate_->tabBarController().get());
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 0);
    // Home, with no account, opened the editor for the first one at once.
    std::string first = screen();
    EXPECT_NE(first.find("navbar title=\"New Account\""), std::string::npos) << first;
    EXPECT_NE(first.find("field#field:0:0 focus=yes"), std::string::npos) << "the caret in the name: " << first;
    EXPECT_EQ(screen().find("focus=yes"), std::string::npos) << "asked for once";
    ASSERT_EQ(db().fetchEntityCustom("Account").size(), 1u);
    EXPECT_EQ(*static_cast<TLAccount*>(db().fetchEntityCustom("Account")[0])->currency()->code(), "USD");
    // That account is all the launch left unsaved.
    db().rollback();
    EXPECT_FALSE(db().context()->hasChanges());
    EXPECT_GT(db().fetchEntityCustom("Category").size(), 15u);
}

TEST_F(AppDelegateTest, TheScreensBottomCornersAreRoundedByPicturesOverEverything) {
    launchWithAnAccount();
    std::string shown = screen();
    // After the screen and the tab bar, as the last views of the window.
    size_t tabbar = shown.find("tabbar");
    size_t left = shown.find("view frame=\"0,468,12,12\" image=\"left_corner.png\"");
    size_t right = shown.find("view frame=\"308,468,12,12\" image=\"right_corner.png\"");
    ASSERT_NE(left, std::string::npos) << shown;
    ASSERT_NE(right, std::string::npos) << shown;
    EXPECT_LT(tabbar, left);
    EXPECT_LT(left, right);
}

TEST_F(AppDelegateTest, CategoriesDeletedByThePersonAreNotMadeAgain) {
    launch();
    for (ManagedObject* category : db().fetchEntityCustom("Category")) db().context()->deleteObject(category);
    db().save();
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    launch();
    EXPECT_TRUE(db().fetchEntityCustom("Category").empty());
}

TEST_F(AppDelegateTest, FiveMinutesAwayStartsOverOnTheFirstTab) {
    launchWithAnAccount();
    tap("tab:2");
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 2);

    event(R"({"kind":"hidden"})");
    Clock::setNow(localDate(2026, 12, 6, 10, 4, 59));
    event(R"({"kind":"shown"})");
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 2);  // 4 min 59 s: as it was
    EXPECT_EQ(downloads_, 1);

    event(R"({"kind":"hidden"})");
    Clock::setNow(localDate(2026, 12, 6, 10, 9, 59));
    event(R"({"kind":"shown"})");
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 0);  // exactly 5 minutes
    EXPECT_EQ(downloads_, 2);
    EXPECT_FALSE(TLGlobal::sharedGlobal().isUnlocked());
}

TEST_F(AppDelegateTest, EveryReturnPaysDueSchedulesAndUpdatesTheBadges) {
    TLAccount* checking = account("Checking");
    launch();
    auto* rent = create<TLScheduler>();
    rent->setInAccount(checking);
    rent->setFrequency(TLSchedulerFrequency::Monthly);
    rent->setNextDate(localDate(2026, 12, 7, 9));
    db().save();
    event(R"({"kind":"hidden"})");
    Clock::setNow(localDate(2026, 12, 8, 10));
    event(R"({"kind":"shown"})");
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 1);
    EXPECT_NE(screen().find("tab#tab:2 badge=\"1\""), std::string::npos) << screen();
}

// A schedule's editor keeps a working transaction in the store while it is
// open; a program ended then must not leave it as a payment nobody made.
class ScheduleEditorLeftOpenTest : public AppDelegateTest {
protected:
    // Rent of 700 a month from Checking, due in 5 days, and its editor open.
    void openRentEditor() {
        TLAccount* checking = account("Checking");
        auto* rent = create<TLScheduler>();
        rent->setInAccount(checking);
        rent->setFrequency(TLSchedulerFrequency::Monthly);
        rent->setNextDate(localDate(2026, 12, 11, 9));
        rent->setTotalamount(*Decimal::fromString("-700"));
        auto* split = create<TLSplit>();
        split->setBill(rent);
        split->changeAmountTo(*Decimal::fromString("700"));
        db().save();
        launch();
        tap("tab:2");
        tap("row:0:0");
        ASSERT_NE(screen().find("navbar title=\"Scheduler Info\""), std::string::npos) << screen();
        ASSERT_EQ(payments(), 1u) << "the editor's working transaction";
    }
    size_t payments() { return db().fetchEntityCustom("Transaction").size(); }
    TLAccount* checking() { return static_cast<TLAccount*>(db().fetchEntityCustom("Account").front()); }
};

TEST_F(ScheduleEditorLeftOpenTest, TheNextLaunchRemovesTheWorkingTransactionAKillLeftInTheFile) {
    openRentEditor();
    // Killed: nothing of this run is cleaned up; the next run reads the file.
    Application::resetSharedApplication();
    delegate_.reset();
    TLSync::resetSharedSync();
    TLGlobal::resetSharedGlobal();
    db().reloadData();
    ASSERT_EQ(payments(), 1u) << "the file holds the working transaction";

    TLSync::sharedSync().setListeningInterface("localhost");
    launch();
    EXPECT_EQ(payments(), 0u);
    EXPECT_EQ(checking()->balance(), *Decimal::fromString("0"));
    EXPECT_EQ(checkBooks(), "");
    tap("tab:2");
    EXPECT_NE(screen().find("navbar title=\"Scheduler\""), std::string::npos) << screen();
}

TEST_F(ScheduleEditorLeftOpenTest, ASyncWhileTheEditorIsOpenLeavesNoWorkingTransactionAndNoDanglingOne) {
    openRentEditor();
    delegate_->syncResetTabs();
    EXPECT_EQ(TLGlobal::sharedGlobal().schedulerTransaction(), nullptr);
    TLSync::sharedSync().sendNotification();  // the store read again from the file
    EXPECT_EQ(payments(), 0u);
    EXPECT_EQ(checkBooks(), "");
    // Leaving the first tab again finds no working transaction to delete.
    tap("tab:2");
    tap("tab:0");
    EXPECT_EQ(payments(), 0u);
}

TEST_F(AppDelegateTest, MoreSettingsTransactionAndThePayeeSwitch) {
    launchWithAnAccount();
    tap("tab:4");  // More
    std::string more = screen();
    EXPECT_NE(more.find("row#row:0:0 accessory=\"disclosure\" image=\"more_tab_payees.png\" style=\"default\" text=\"Payees\""),
              std::string::npos)
        << more;
    tap("row:0:1");  // Settings
    EXPECT_NE(screen().find("navbar title=\"Settings\"\n      button#nav:left image=\"nav_back_left.png\" title=\"Back\""),
              std::string::npos)
        << screen();
    tap("row:0:3");  // Transaction
    std::string settings = screen();
    EXPECT_NE(settings.find("switch#switch:0:0 on=yes"), std::string::npos) << settings;
    EXPECT_NE(settings.find("switch#switch:0:1 on=no"), std::string::npos);
    EXPECT_NE(settings.find("Select if transaction entering should be based on categories, payees, both, or neither."),
              std::string::npos);

    event(R"({"kind":"toggle","target":"switch:0:1","on":true})");
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("use_payee"));
    EXPECT_TRUE(TLGlobal::sharedGlobal().usePayee());  // at once, without a restart
    event(R"({"kind":"toggle","target":"switch:0:0","on":false})");

    // A restart keeps both choices: the first-launch defaults are not written again.
    TLGlobal::resetSharedGlobal();
    Application::resetSharedApplication();
    TLTransactionSettings::setUsePayee(false);
    launch();
    EXPECT_TRUE(TLGlobal::sharedGlobal().usePayee());
    EXPECT_FALSE(TLGlobal::sharedGlobal().useCategory());
}

TEST_F(AppDelegateTest, APairedLibraryKeepsTheSyncServerWithTheProgram) {
    UserDefaults::standardUserDefaults().setString("desktop_identifier", "library-1");
    launch();
    TLSync& sync = TLSync::sharedSync();
    EXPECT_TRUE(sync.bonjourIsRunning());
    event(R"({"kind":"hidden"})");
    EXPECT_FALSE(sync.bonjourIsRunning());
    event(R"({"kind":"shown"})");
    EXPECT_TRUE(sync.bonjourIsRunning());

    sync.setIsSyncing(true);  // a transfer under way keeps it running
    event(R"({"kind":"hidden"})");
    EXPECT_TRUE(sync.bonjourIsRunning());
    sync.setIsSyncing(false);
    event(R"({"kind":"shown"})");
    sync.stopBonjour();
}

TEST_F(AppDelegateTest, SyncCoversTheScreenAndSaysWhenTheConnectionIsLost) {
    launchWithAnAccount();
    tap("tab:3");
    delegate_->syncShowScreen();
    std::string covered = screen();
    EXPECT_NE(covered.find("busy#overlay:0 activity=yes"), std::string::npos) << covered;
    EXPECT_FALSE(Application::sharedApplication().handleMessage(R"({"kind":"tap","target":"tab:1"})"));
    delegate_->syncSetIdleTimerDisabled(true);
    EXPECT_NE(screen().find("keepAwake=yes"), std::string::npos);

    delegate_->syncResetTabs();
    delegate_->syncRemoveScreen();
    delegate_->syncShowAlert("Connection lost", "Connection to Corvane Tallo for Mac lost. Sync cancelled.", "OK");
    std::string after = screen();
    EXPECT_EQ(after.find("busy#"), std::string::npos);
    EXPECT_NE(after.find("alert#overlay:0 message=\"Connection to Corvane Tallo for Mac lost. Sync cancelled.\" "
                         "title=\"Connection lost\""),
              std::string::npos)
        << after;
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 0);
    tap("overlay:0:0");
    EXPECT_TRUE(Application::sharedApplication().overlays().empty());
}

TEST_F(AppDelegateTest, TheSelectedTabShowsItsButtonAndTakesItsStackBackToTheRoot) {
    launchWithAnAccount();
    std::string first = screen();
    EXPECT_NE(first.find("tabbar background=\"tab-back.png\""), std::string::npos) << first;
    EXPECT_NE(first.find("tab#tab:0 button=\"tab_button_0.png\""), std::string::npos) << first;
    tap("tab:4");
    tap("row:0:1");  // Settings on the More stack
    EXPECT_NE(screen().find("navbar title=\"Settings\""), std::string::npos);
    tap("tab:4");  // More again: back to its list
    EXPECT_NE(screen().find("navbar title=\"More\""), std::string::npos);
    tap("tab:1");
    EXPECT_NE(screen().find("tab#tab:1 button=\"tab_button_1.png\""), std::string::npos);
}

TEST_F(AppDelegateTest, TabsReorderedThroughMoreEditKeepTheirButtonsAndWhatMoreLists) {
    launchWithAnAccount();
    TabBarController& tabs = *delegate_->tabBarController();
    auto* custom = dynamic_cast<TLTabBarController*>(&tabs);
    ASSERT_NE(custom, nullptr);
    tap("tab:4");  // More
    tap("nav:right");  // Edit
    std::string configure = screen();
    EXPECT_NE(configure.find("navbar title=\"Configure\""), std::string::npos) << configure;
    EXPECT_NE(configure.find("section header=\"Tab Bar\""), std::string::npos) << configure;
    EXPECT_NE(configure.find("row#row:1:0 glyph=\"tab-payees.png\" movable=yes text=\"Payees\""), std::string::npos)
        << configure;
    // The tabs take no tap meanwhile.
    std::string error;
    EXPECT_FALSE(Application::sharedApplication().handleMessage(R"({"kind":"tap","target":"tab:0"})", &error));
    EXPECT_TRUE(tabs.isCustomizing());

    // Payees dragged onto Budget's place in the bar; Budget goes one down.
    event(R"({"kind":"move","target":"move:1:0","toSection":0,"toRow":1})");
    tap("nav:right");  // Done
    EXPECT_FALSE(tabs.isCustomizing());
    std::vector<std::string> order;
    for (const auto& screen : tabs.viewControllers()) order.push_back(screen->tabBarItem().title);
    EXPECT_EQ(order, (std::vector<std::string>{"Home", "Payees", "Budget", "Scheduler", "Categories", "Settings", "Reports"}));
    // Each item's own button (found by its tag) stands at its new place.
    ASSERT_EQ(custom->buttons().size(), 7u);
    EXPECT_EQ(custom->buttons()[6].x, 64);  // Payees, second
    EXPECT_EQ(custom->buttons()[0].x, 0);
    EXPECT_EQ(custom->buttons()[1].x, 128);  // Budget, third
    EXPECT_EQ(custom->buttons()[2].x, 192);  // Scheduler, fourth
    EXPECT_EQ(custom->buttons()[3].x, 256);  // Categories, fifth
    // The bar shows Payees second; More lists what is now beyond it.
    std::string after = screen();
    EXPECT_NE(after.find("tab#tab:1 image=\"tab-payees.png\" title=\"Payees\""), std::string::npos) << after;
    EXPECT_NE(after.find("text=\"Categories\""), std::string::npos) << after;
    tap("tab:1");
    EXPECT_NE(screen().find("navbar title=\"Payees\""), std::string::npos);
    EXPECT_NE(screen().find("tab#tab:1 button=\"tab_button_6.png\""), std::string::npos) << screen();
    tap("tab:2");
    EXPECT_NE(screen().find("tab#tab:2 button=\"tab_button_1.png\""), std::string::npos) << screen();
}

TEST_F(AppDelegateTest, LeavingATabEndsTheSearchRunningOnIt) {
    category("Groceries");
    category("Rent");
    launchWithAnAccount();
    tap("tab:3");
    event(R"({"kind":"text","target":"search","text":"groc"})");
    std::string searching = screen();
    EXPECT_NE(searching.find("Groceries"), std::string::npos) << searching;
    EXPECT_EQ(searching.find("Rent"), std::string::npos) << searching;
    tap("tab:0");
    tap("tab:3");
    std::string back = screen();
    EXPECT_NE(back.find("searchbar#search placeholder=\"Search\" text=\"\""), std::string::npos) << back;
    EXPECT_NE(back.find("Rent"), std::string::npos) << back;
}

TEST_F(AppDelegateTest, ReportsHaveTheirOwnRowInMoreAfterSettings) {
    launchWithAnAccount();
    tap("tab:4");  // More
    std::string more = screen();
    EXPECT_NE(more.find("row#row:0:2 accessory=\"disclosure\" image=\"more_tab_reports.png\" style=\"default\" text=\"Reports\""),
              std::string::npos)
        << more;
    tap("row:0:2");
    EXPECT_NE(screen().find("navbar title=\"Reports\"\n      button#nav:left image=\"nav_back_left.png\" title=\"Back\""),
              std::string::npos)
        << screen();
    tap("row:0:0");  // Spending by Category
    EXPECT_NE(screen().find("chart#chart"), std::string::npos) << screen();

    // A store received by sync replaces every object the report holds: the
    // More stack goes back to its list.
    delegate_->syncResetTabs();
    tap("tab:4");
    EXPECT_NE(screen().find("navbar title=\"More\""), std::string::npos) << screen();
}

TEST_F(AppDelegateTest, AGeneratedBookLaunchesWithoutLosingAnything) {
    BookGenerator::Options options;
    options.transactions = 600;
    BookGenerator::generate(options);
    size_t transactions = db().fetchEntityCustom("Transaction").size();
    launch();
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), transactions);
    EXPECT_EQ(checkBooks(), "");
}

}  // namespace
}  // namespace tallo
