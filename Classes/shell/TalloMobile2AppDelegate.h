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
// Return after five minutes or more (measured on the program's clock) the
// first tab is selected again, a passcode locks the application, and the
// rates are downloaded again; every return runs the schedules' pass.

#include <functional>
#include <memory>
#include <optional>

#include "Platform/foundation/Date.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/TabBarController.h"

namespace tallo {

class TLNavigationViewC;

class TalloMobile2AppDelegate : public ApplicationDelegate, public TabBarControllerDelegate {
public:
    TalloMobile2AppDelegate();

    // The tab bar the launch shows (made on first use).
    std::shared_ptr<TabBarController> tabBarController();
    // A new screen of the kind a tab item's tag names, as More opens them.
    std::shared_ptr<TLNavigationViewC> screenForTag(int tag);

    bool applicationDidFinishLaunching() override;
    void finishLoading();
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;

    bool tabBarControllerShouldSelectViewController(TabBarController& tabs, ViewController* next) override;
    void tabBarControllerDidSelectViewController(TabBarController& tabs, ViewController* selected) override;

    // Asks the currency center for the rates (set by the program; tests count).
    std::function<void()> downloadRates;
    std::optional<Date> enterBackgroundTime() const { return enterBackgroundTime_; }

private:
    void updateBadges();

    std::shared_ptr<TabBarController> tabs_;
    std::optional<Date> enterBackgroundTime_;
    std::optional<Date> enterForegroundTime_;
};

}  // namespace tallo
