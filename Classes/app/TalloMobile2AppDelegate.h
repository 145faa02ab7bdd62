#pragma once
// TalloMobile2AppDelegate: starts the application and follows it into the
// background and back.
//
// Launch: the tab bar (Home, Budget, Scheduler, Categories, More with
// Payees and Settings) comes up on its first tab; the stored budgets are
// merged into one; the default categories are made once and the default
// currencies when the store has none; due schedules are paid; the user
// defaults are read; the rates download starts; the store is saved and
// "defaultCategoriesMade" set.
//
// A passcode set locks the application at launch when the store has an
// account, and again after a return from five minutes or more (measured on
// the program's clock), when the first tab is selected again and the rates
// are downloaded again; every return runs the schedules' pass. The
// sync server runs while a desktop library is paired, stops in the
// background unless a transfer is under way, and comes back with the
// program.

#include <functional>
#include <memory>
#include <optional>

#include "Classes/sync/TLSyncObserver.h"
#include "Platform/foundation/Date.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/TabBarController.h"

namespace tallo {

class AccountsViewC;
class SyncScreen;
class TLNavigationViewC;

// It is also what sync asks for the screen: the overlay during a transfer,
// the tabs reset after a new store arrived, the "Connection lost" alert.
class TalloMobile2AppDelegate : public ApplicationDelegate, public TabBarControllerDelegate, public TLSyncObserver {
public:
    TalloMobile2AppDelegate();

    // The tab bar the launch shows (made on first use).
    std::shared_ptr<TabBarController> tabBarController();
    // A new screen of the kind a tab item's tag names, as More opens them.
    std::shared_ptr<TLNavigationViewC> screenForTag(int tag);

    bool applicationDidFinishLaunching() override;
    // ... and puts the rounded corner pictures over the bottom corners of
    // the screen, above everything.
    void finishLoading();
    // The side of each corner picture, in points.
    static constexpr double kScreenCornerSize = 12;
    void showStoreNotices();
    // The lock screen, over everything, as the first tab's root shows it.
    void showPasscodeView();
    // As the accounts list does each time it comes into view: the lock when
    // a passcode is set, the store has an account and the passcode has not
    // been entered since launch (or since a long absence).
    void askForPasscodeIfNeeded();
    // The root screen of the first tab (Home).
    AccountsViewC* homeScreen() const;
    void applicationDidEnterBackground() override;
    void addScreenCorners();
    void applicationWillEnterForeground() override;

    bool tabBarControllerShouldSelectViewController(TabBarController& tabs, ViewController* next) override;
    void tabBarControllerDidSelectViewController(TabBarController& tabs, ViewController* selected) override;
    void tabBarControllerDidEndCustomizing(TabBarController& tabs, bool changed) override;

    void syncShowScreen() override;
    void syncHideScreen() override;
    void syncRemoveScreen() override;
    void syncResetTabs() override;
    void syncReloadTopScreen() override;
    void syncShowAlert(const std::string& title, const std::string& message, const std::string& button) override;
    void syncSetIdleTimerDisabled(bool disabled) override;

    // Asks the currency center for the rates (set by the program; tests count).
    std::function<void()> downloadRates;
    std::optional<Date> enterBackgroundTime() const { return enterBackgroundTime_; }

private:
    void updateBadges();

    std::shared_ptr<TabBarController> tabs_;
    std::shared_ptr<SyncScreen> syncScreen_;
    std::optional<Date> enterBackgroundTime_;
    std::optional<Date> enterForegroundTime_;
};

}  // namespace tallo
