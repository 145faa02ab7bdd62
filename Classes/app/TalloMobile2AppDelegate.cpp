#include "Classes/app/TalloMobile2AppDelegate.h"

#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/schedules/TLSchedulerWorkingTransaction.h"
#include "Classes/screens/accounts/AccountsViewC.h"
#include "Classes/screens/budgets/BudgetInfoViewC.h"
#include "Classes/screens/passcode/PasscodeEditViewC.h"
#include "Classes/screens/categories/CategoriesViewC.h"
#include "Classes/screens/payees/PayeesViewC.h"
#include "Classes/screens/reports/ReportsViewC.h"
#include "Classes/screens/schedulers/SchedulersViewC.h"
#include "Classes/screens/settings/SettingsViewC.h"
#include "Classes/shell/MoreViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/shell/TLSearchViewC.h"
#include "Classes/shell/TLTabBarController.h"
#include "Classes/shell/TLViewC.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/sync/SyncScreen.h"
#include "Classes/sync/TLSync.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/ui/ImageView.h"

namespace tallo {

namespace {

constexpr double kLongAbsenceMinutes = 5.0;

struct Tab {
    const char* title;
    const char* image;
    int tag;
};
// Home, Budget, Scheduler, Categories, then what More lists: Payees, Settings, Reports.
constexpr Tab kTabs[] = {{"Home", "tab-home.png", 0},        {"Budget", "tab-budget.png", 1},
                         {"Scheduler", "tab-scheduler.png", 2}, {"Categories", "tab-categories.png", 3},
                         {"Payees", "tab-payees.png", 6},     {"Settings", "tab-settings.png", 5},
                         {"Reports", "tab-reports.png", 7}};

// The screen of a subsystem whose screens are still to come: its title and
// the framework's empty state.
std::shared_ptr<TLNavigationViewC> emptyScreen(const std::string& title) {
    auto screen = std::make_shared<TLViewC>();
    screen->setTitle(title);
    screen->isRootView = true;
    screen->tableView().setHidden(true);
    screen->label = title;
    screen->label2 = L("Not available yet.");
    return screen;
}

}  // namespace

TalloMobile2AppDelegate::TalloMobile2AppDelegate() = default;

std::shared_ptr<TLNavigationViewC> TalloMobile2AppDelegate::screenForTag(int tag) {
    switch (tag) {
        case 0: return std::make_shared<AccountsViewC>();
        case 1: return std::make_shared<BudgetInfoViewC>();
        case 2: return std::make_shared<SchedulersViewC>();
        case 3: return std::make_shared<CategoriesViewC>();
        case 5: {
            auto settings = std::make_shared<SettingsViewC>();
            settings->setLeftBarButtonType(TLBarButtonType::Back);
            return settings;
        }
        case 6: return std::make_shared<PayeesViewC>();
        case 7: {
            auto reports = std::make_shared<ReportsViewC>();
            reports->setLeftBarButtonType(TLBarButtonType::Back);
            return reports;
        }
        default: return nullptr;
    }
}

std::shared_ptr<TabBarController> TalloMobile2AppDelegate::tabBarController() {
    if (tabs_) return tabs_;
    tabs_ = std::make_shared<TLTabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const Tab& tab : kTabs) {
        std::shared_ptr<TLNavigationViewC> root = tab.tag == 5 ? std::make_shared<SettingsViewC>() : screenForTag(tab.tag);
        if (!root) root = emptyScreen(L(tab.title));
        // Home asks for a first account or the passcode only once the
        // launch has made the currencies and read the settings.
        if (auto* home = dynamic_cast<AccountsViewC*>(root.get())) home->holdsAppearanceChecks = true;
        root->isRootView = true;
        auto stack = std::make_shared<NavigationController>(root);
        stack->tabBarItem() = TabBarItem{L(tab.title), tab.image, tab.tag, ""};
        screens.push_back(stack);
    }
    tabs_->setViewControllers(std::move(screens));
    tabs_->setMoreViewController(std::make_shared<MoreViewC>([this](int tag) { return screenForTag(tag); }));
    return tabs_;
}

bool TalloMobile2AppDelegate::applicationDidFinishLaunching() {
    std::shared_ptr<TabBarController> tabs = tabBarController();
    tabs->setDelegate(this);
    tabs->setSelectedIndex(0);
    auto* custom = static_cast<TLTabBarController*>(tabs.get());
    custom->loadViewIfNeeded();
    custom->initButtons();
    custom->updateSelection();
    TLGlobal& global = TLGlobal::sharedGlobal();
    global.setTabBarController(tabs.get());
    // A schedule editor's working transaction left in the file by the last
    // run (ended while the editor was open) goes before anything counts it.
    TLSchedulerWorkingTransaction::removeLeftover();
    global.mergeBudgets();
    global.createDefaultCategoriesIfNeeded();
    global.createDefaultCurrenciesIfNeeded();
    global.updateSchedulers();
    updateBadges();
    global.readUserDefaults();
    finishLoading();
    showStoreNotices();
    // The first tab's root comes into view on a launched application: it
    // shows the balances the launch left (schedules may have paid) and asks
    // for the first account or the passcode.
    if (AccountsViewC* home = homeScreen()) {
        home->holdsAppearanceChecks = false;
        home->notifyAppearing(false);
    }
    // The Categories tab's all-time totals are read beside the first screen.
    for (const auto& screen : tabs_->viewControllers()) {
        auto* stack = dynamic_cast<NavigationController*>(screen.get());
        if (stack == nullptr || stack->viewControllers().empty()) continue;
        if (auto* categories = dynamic_cast<CategoriesViewC*>(stack->viewControllers()[0].get())) categories->prepareTotals();
    }
    return true;
}

AccountsViewC* TalloMobile2AppDelegate::homeScreen() const {
    if (!tabs_ || tabs_->viewControllers().empty()) return nullptr;
    auto* stack = dynamic_cast<NavigationController*>(tabs_->viewControllers()[0].get());
    if (stack == nullptr || stack->viewControllers().empty()) return nullptr;
    return dynamic_cast<AccountsViewC*>(stack->viewControllers()[0].get());
}

void TalloMobile2AppDelegate::showPasscodeView() { AccountsViewC::showPasscodeView(); }

void TalloMobile2AppDelegate::askForPasscodeIfNeeded() { AccountsViewC::askForPasscodeIfNeeded(); }

// What the opening of the store had to settle, told once on the page: a
// store that cannot be written, or one put back from before the last sync.
void TalloMobile2AppDelegate::showStoreNotices() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    if (!db.recoveryNote().empty()) {
        std::make_shared<AlertView>(L("Store Restored"), db.recoveryNote(), L("OK"))->show();
    }
    if (db.isReadOnly()) {
        std::string message = stringWithFormat(
            L("Tallo cannot write to %@. You can look at your data, but nothing you change is saved."),
            {db.urlToSqliteFile()});
        std::make_shared<AlertView>(L("Read-Only Store"), message, L("OK"))->show();
    }
}

void TalloMobile2AppDelegate::finishLoading() {
    if (downloadRates) downloadRates();
    addScreenCorners();
    TLSync& sync = TLSync::sharedSync();
    sync.setObserver(this);
    sync.applicationDidFinishLaunching();
    TLDatabase::sharedDatabase().save();
    UserDefaults::standardUserDefaults().setBool("defaultCategoriesMade", true);
}

// The pictures that round the bottom corners of the 320 × 480 screen, laid
// over everything (the tab bar, the screens and the shared pickers).
void TalloMobile2AppDelegate::addScreenCorners() {
    View& root = TLGlobal::sharedGlobal().rootView();
    const Rect screen = root.frame();
    root.addSubview(std::make_shared<ImageView>(
        "left_corner.png", Rect{0, screen.height - kScreenCornerSize, kScreenCornerSize, kScreenCornerSize}));
    root.addSubview(std::make_shared<ImageView>(
        "right_corner.png",
        Rect{screen.width - kScreenCornerSize, screen.height - kScreenCornerSize, kScreenCornerSize, kScreenCornerSize}));
}

void TalloMobile2AppDelegate::applicationDidEnterBackground() {
    enterBackgroundTime_ = Clock::now();
    TLSync::sharedSync().applicationDidEnterBackground();
}

void TalloMobile2AppDelegate::applicationWillEnterForeground() {
    enterForegroundTime_ = Clock::now();
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (enterBackgroundTime_ &&
        enterForegroundTime_->timeIntervalSinceDate(*enterBackgroundTime_) / 60.0 >= kLongAbsenceMinutes) {
        if (tabs_) {
            tabs_->setSelectedIndex(0);
            static_cast<TLTabBarController*>(tabs_.get())->updateSelection();
        }
        if (PasscodeEditViewC::isPasscodeSet()) {
            global.setIsUnlocked(false);
            showPasscodeView();
        }
        if (downloadRates) downloadRates();
    }
    TLSync::sharedSync().applicationWillEnterForeground();
    global.updateSchedulers();
    updateBadges();
}

bool TalloMobile2AppDelegate::tabBarControllerShouldSelectViewController(TabBarController& tabs, ViewController*) {
    // A search left running on the tab being left is ended: coming back
    // shows the whole list.
    if (ViewController* current = tabs.selectedViewController()) {
        if (auto* search = dynamic_cast<TLSearchViewC*>(current->visibleLeaf()); search != nullptr && search->isSearching()) {
            search->stopSearch();
        }
    }
    // The budget's stack goes back to its plain title.
    if (tabs.selectedIndex() == 1 && tabs.selectedViewController() != nullptr) {
        tabs.selectedViewController()->tabBarItem().title = L("Budget");
    }
    if (tabs.selectedIndex() != 0) {
        if (auto* stack = dynamic_cast<NavigationController*>(tabs.selectedViewController())) {
            stack->popToRootViewControllerAnimated(false);
        }
    }
    TLGlobal& global = TLGlobal::sharedGlobal();
    if (TLTransaction* working = global.schedulerTransaction()) {
        working->deleteTransactionWithTransferCopy(true);
        global.setSchedulerTransaction(nullptr);
        TLDatabase::sharedDatabase().save();
    }
    return true;
}

void TalloMobile2AppDelegate::tabBarControllerDidEndCustomizing(TabBarController& tabs, bool changed) {
    // The buttons drawn over the items follow the new order.
    if (auto* custom = dynamic_cast<TLTabBarController*>(&tabs); custom != nullptr && changed) {
        custom->rearangeButtons();
        custom->updateSelection();
    }
}

void TalloMobile2AppDelegate::tabBarControllerDidSelectViewController(TabBarController& tabs, ViewController* selected) {
    if (auto* custom = dynamic_cast<TLTabBarController*>(&tabs)) custom->updateSelection();
    if (tabs.selectedIndex() != 0) {
        if (auto* stack = dynamic_cast<NavigationController*>(selected)) stack->popToRootViewControllerAnimated(false);
    }
}

void TalloMobile2AppDelegate::updateBadges() {
    TLGlobal& global = TLGlobal::sharedGlobal();
    Application::sharedApplication().setApplicationIconBadgeNumber(global.applicationIconBadgeNumber());
    if (tabs_ && tabs_->viewControllers().size() > 2) tabs_->viewControllers()[2]->tabBarItem().badgeValue = global.schedulerBadgeValue();
}

void TalloMobile2AppDelegate::syncShowScreen() {
    if (syncScreen_) return;
    syncScreen_ = std::make_shared<SyncScreen>();
    Application::sharedApplication().showOverlay(syncScreen_);
}

void TalloMobile2AppDelegate::syncHideScreen() {}

void TalloMobile2AppDelegate::syncRemoveScreen() {
    if (!syncScreen_) return;
    Application::sharedApplication().removeOverlay(syncScreen_.get());
    syncScreen_.reset();
}

void TalloMobile2AppDelegate::syncResetTabs() {
    if (!tabs_) return;
    for (int index : {tabs_->selectedIndex(), 0}) {
        if (index < 0 || index >= static_cast<int>(tabs_->viewControllers().size())) continue;
        if (auto* stack = dynamic_cast<NavigationController*>(tabs_->viewControllers()[static_cast<size_t>(index)].get())) {
            stack->popToRootViewControllerAnimated(false);
        }
    }
    // The More stack too: its screens (a report, a payee) hold objects of
    // the store being replaced, and would show them when More is chosen again.
    if (tabs_->selectedIndex() == TabBarController::kMoreIndex) {
        if (NavigationController* more = tabs_->moreNavigationController()) more->popToRootViewControllerAnimated(false);
    }
    tabs_->setSelectedIndex(0);
    static_cast<TLTabBarController*>(tabs_.get())->updateSelection();
    // The schedule editor just closed with its stack; its working
    // transaction goes with the store being reloaded (and, if it reached
    // the file, is removed after the reload).
    TLGlobal::sharedGlobal().setSchedulerTransaction(nullptr);
}

void TalloMobile2AppDelegate::syncReloadTopScreen() {
    // The lists reload themselves on "gotNewDatabase"; the screen in view is
    // told it appears again so it draws from the new store.
    if (ViewController* visible = Application::sharedApplication().visibleViewController()) visible->notifyAppearing(false);
    // The first tab is in view again, on a store that may have brought a
    // passcode.
    askForPasscodeIfNeeded();
}

void TalloMobile2AppDelegate::syncShowAlert(const std::string& title, const std::string& message, const std::string& button) {
    std::make_shared<AlertView>(title, message, button)->show();
}

void TalloMobile2AppDelegate::syncSetIdleTimerDisabled(bool disabled) {
    Application::sharedApplication().setIdleTimerDisabled(disabled);
}

}  // namespace tallo
