// The passcode lock of the running program: when it comes (launch with an
// account, five minutes away), what unlocks it, and what a locked program
// shows and answers — the lock screen and nothing else, whatever was on the
// screen before.

#include "Classes/app/TalloMobile2AppDelegate.h"

#include "Classes/schedules/TLScheduler.h"
#include "Classes/shell/TLDatePicker.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/shell/TLViewC.h"
#include "Classes/store/TLSecurityInfo.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::localDate;

// A list of the accounts with their balances: ledger text on the screen.
class AccountBalances : public TLViewC {
public:
    AccountBalances() { setTitle("Balances"); }
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(TLAccount::getAccounts().size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath path) override {
        TLAccount* account = TLAccount::getAccounts()[static_cast<size_t>(path.row)];
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
        cell->textLabel().text = account->name().value_or("");
        cell->detailTextLabel().text = TLGlobal::sharedGlobal().currencyStringFromNumber(account->getBalance());
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) override { ++taps; }
    int taps = 0;
};

class PasscodeLock : public test::LedgerTest {
protected:
    PasscodeLock() : clock_(localDate(2026, 12, 6, 10)) {
        TLGlobal::resetSharedGlobal();
        Application::resetSharedApplication();
        TLSync::resetSharedSync();
        TLSync::sharedSync().setListeningInterface("localhost");
    }
    ~PasscodeLock() override {
        TLSync::resetSharedSync();
        Application::resetSharedApplication();
        TLGlobal::resetSharedGlobal();
        RunLoop::main().runFor(0);
    }
    Application& app() { return Application::sharedApplication(); }
    void launch() {
        delegate_ = std::make_unique<TalloMobile2AppDelegate>();
        delegate_->downloadRates = [] {};
        app().setDelegate(delegate_.get());
        app().launch(delegate_->tabBarController());
    }
    // A second launch of the program on the same home.
    void restart() {
        TLGlobal::resetSharedGlobal();
        Application::resetSharedApplication();
        launch();
    }
    bool send(const std::string& message, std::string* error = nullptr) {
        app().render();
        return app().handleMessage(message, error);
    }
    bool tap(const std::string& id, std::string* error = nullptr) {
        return send(R"({"kind":"tap","target":")" + id + "\"}", error);
    }
    void enter(const std::string& digits) {
        for (char digit : digits) EXPECT_TRUE(tap(std::string("key:") + digit)) << digit;
        RunLoop::main().advance(0.5);
    }
    // Away from `from` for `seconds`: the page hidden, then shown again.
    void away(double seconds) {
        send(R"({"kind":"hidden"})");
        Clock::setNow(Clock::now().addingTimeInterval(seconds));
        send(R"({"kind":"shown"})");
    }
    std::string screen() { return app().render().toText(); }
    void setPasscode(const std::string& passcode) {
        db().securityInfo()->setPasscode(passcode);
        db().save();
    }
    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    test::ScopedClock clock_;
    std::unique_ptr<TalloMobile2AppDelegate> delegate_;
};

// The lock screen as the scene shows it: its title, its action line, the
// keypad, and no tab bar.
void expectLockScreen(const std::string& scene) {
    EXPECT_TRUE(scene.find("screen locked=yes modal=yes\n    navbar title=\"Security\"\n") != std::string::npos) << scene;
    EXPECT_TRUE(scene.find("action=\"Enter your passcode\"") != std::string::npos) << scene;
    EXPECT_TRUE(scene.find("keypad columns=3") != std::string::npos) << scene;
    EXPECT_TRUE(scene.find("tabbar") == std::string::npos) << scene;
    EXPECT_TRUE(scene.find("nav:left") == std::string::npos) << scene;  // nothing closes it
}

TEST_F(PasscodeLock, ALaunchWithAnAccountAsksForThePasscodeUntilItIsRight) {
    account("Checking");
    setPasscode("2580");
    launch();
    EXPECT_TRUE(app().isLocked());
    expectLockScreen(screen());
    enter("2588");
    EXPECT_TRUE(has(screen(), "message=\"Passcode wrong. Try again.\"")) << screen();
    EXPECT_TRUE(app().isLocked());
    enter("2580");
    EXPECT_FALSE(app().isLocked());
    EXPECT_TRUE(TLGlobal::sharedGlobal().isUnlocked());
    EXPECT_TRUE(has(screen(), "tabbar")) << screen();
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 0);
}

TEST_F(PasscodeLock, ALaunchWithoutAnyAccountShowsNoLockButALongAbsenceDoes) {
    setPasscode("2580");
    launch();
    EXPECT_FALSE(app().isLocked());
    // The editor of the first account instead.
    EXPECT_TRUE(has(screen(), "navbar title=\"New Account\"")) << screen();
    away(5 * 60);
    EXPECT_TRUE(app().isLocked());
    expectLockScreen(screen());
}

TEST_F(PasscodeLock, FourMinutesFiftyNineAwayKeepsItOpenFiveMinutesLockOnTheFirstTab) {
    account("Checking");
    setPasscode("2580");
    launch();
    enter("2580");
    EXPECT_TRUE(tap("tab:2"));
    away(4 * 60 + 59);
    EXPECT_FALSE(app().isLocked());
    EXPECT_TRUE(TLGlobal::sharedGlobal().isUnlocked());
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 2);
    away(5 * 60);
    EXPECT_TRUE(app().isLocked());
    EXPECT_FALSE(TLGlobal::sharedGlobal().isUnlocked());
    EXPECT_EQ(delegate_->tabBarController()->selectedIndex(), 0);
    // A second long absence while locked keeps the one lock screen.
    away(10 * 60);
    enter("2580");
    EXPECT_FALSE(app().isLocked());
}

TEST_F(PasscodeLock, WithoutAPasscodeNothingEverLocks) {
    account("Checking");
    setPasscode("");
    launch();
    EXPECT_FALSE(app().isLocked());
    away(60 * 60);
    EXPECT_FALSE(app().isLocked());
    restart();
    EXPECT_FALSE(app().isLocked());
}

TEST_F(PasscodeLock, ARestartLocksAgainEvenRightAfterAnUnlock) {
    account("Checking");
    setPasscode("2580");
    launch();
    enter("2580");
    restart();
    EXPECT_TRUE(app().isLocked());
}

TEST_F(PasscodeLock, ALockedProgramAnswersOnlyTheLockAndShowsNothingOfTheLedger) {
    TLAccount* checking = account("Checking");
    transaction(checking, TLTransactionType::Income, {"1234.56"});
    auto* rent = create<TLScheduler>();
    rent->setInAccount(checking);
    rent->setFrequency(TLSchedulerFrequency::Monthly);
    rent->setNextDate(localDate(2026, 12, 1, 9));  // due: a badge on the Scheduler tab and the icon
    setPasscode("2580");
    launch();
    enter("2580");

    // On the screen: the balances, a question quoting one, the date picker.
    auto balances = std::make_shared<AccountBalances>();
    auto* home = static_cast<NavigationController*>(delegate_->tabBarController()->viewControllers()[0].get());
    home->pushViewController(balances, false);
    std::string open = screen();
    ASSERT_TRUE(has(open, "text=\"Checking\"")) << open;
    ASSERT_TRUE(has(open, "1,234.56")) << open;
    ASSERT_TRUE(has(open, "badge")) << open;
    EXPECT_TRUE(tap("row:0:0"));
    EXPECT_EQ(balances->taps, 1);
    TLGlobal::sharedGlobal().datePicker().showAnimated(false);
    std::make_shared<AlertView>("Transfer", "Move $1,234.56 out of Checking?", "Cancel")->show();
    ASSERT_TRUE(has(screen(), "alert#overlay:0"));

    // Locked while every one of them is up.
    send(R"({"kind":"hidden"})");
    Clock::setNow(Clock::now().addingTimeInterval(5 * 60));
    ASSERT_TRUE(send(R"({"kind":"shown"})"));
    std::string locked = screen();
    expectLockScreen(locked);
    for (const char* leak : {"Checking", "1,234.56", "1234.56", "Balances", "alert", "datepicker", "badge", "tab:"}) {
        EXPECT_FALSE(has(locked, leak)) << leak << " in\n" << locked;
    }
    // What was on the screen before cannot be acted on, even by a page that
    // still shows it.
    std::string why;
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"row:0:0"})", &why));
    EXPECT_TRUE(has(why, "nothing on the screen answers to row:0:0")) << why;
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"overlay:0:0"})"));
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"tab:2"})"));
    EXPECT_FALSE(app().handleMessage(R"({"kind":"text","target":"datePicker","text":"2026-01-01"})"));
    EXPECT_FALSE(send(R"({"kind":"key","key":"Escape"})"));
    EXPECT_EQ(balances->taps, 1);
    // Its own keys and the computer's digits reach the lock.
    for (const char* key : {"2", "5", "8", "0"}) EXPECT_TRUE(send(std::string(R"({"kind":"key","key":")") + key + "\"}"));
    RunLoop::main().advance(0.5);
    EXPECT_FALSE(app().isLocked());

    // Unlocked: the screen, the question and the picker are back as they were.
    std::string back = screen();
    EXPECT_TRUE(has(back, "text=\"Checking\"")) << back;
    EXPECT_TRUE(has(back, "message=\"Move $1,234.56 out of Checking?\"")) << back;
    EXPECT_TRUE(has(back, "datepicker")) << back;
}

}  // namespace
}  // namespace tallo
