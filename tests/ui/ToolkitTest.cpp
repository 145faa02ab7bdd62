// The toolkit as a person meets it: what is on the screen (as canonical
// scene text), and what a tap, a switch or a swipe does to it.

#include <gtest/gtest.h>

#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/Keyboard.h"
#include "Platform/ui/KeypadView.h"
#include "Platform/ui/NavigationController.h"
#include "Platform/ui/TabBarController.h"
#include "Platform/ui/TableView.h"

namespace tallo {
namespace {

// A screen listing fruit, which counts its life-cycle calls.
class FruitList : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    explicit FruitList(std::string name) {
        setTitle(std::move(name));
        table.setDataSource(this);
        table.setDelegate(this);
    }
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(fruit.size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath path) override {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
        cell->textLabel().text = fruit[static_cast<size_t>(path.row)];
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        return cell;
    }
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void tableViewCommitDeleteForRowAtIndexPath(TableView& t, IndexPath path) override {
        fruit.erase(fruit.begin() + path.row);
        t.deleteRowsAtIndexPaths({path}, TableView::RowAnimation::Fade);
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override { tapped = path.row; }
    void renderContent(SceneNode& content, SceneContext& context) override { table.render(content, context); }
    void viewWillAppear(bool) override { ++appeared; }
    void viewWillDisappear(bool) override { ++disappeared; }

    TableView table;
    std::vector<std::string> fruit{"Apple", "Banana", "Cherry"};
    int tapped = -1;
    int appeared = 0;
    int disappeared = 0;
};

class ToolkitTest : public ::testing::Test {
protected:
    ToolkitTest() { Application::resetSharedApplication(); }
    ~ToolkitTest() override {
        Application::resetSharedApplication();
        RunLoop::main().runFor(0);  // let closed screens go
    }
    Application& app() { return Application::sharedApplication(); }
    std::string scene() { return app().render().toText(); }
    bool send(const std::string& message, std::string* error = nullptr) {
        app().render();
        return app().handleMessage(message, error);
    }
};

TEST_F(ToolkitTest, ANavigationStackShowsItsTopScreenWithABackButton) {
    auto fruits = std::make_shared<FruitList>("Fruit");
    auto stack = std::make_shared<NavigationController>(fruits);
    app().setRootViewController(stack);
    EXPECT_EQ(scene(),
              "window\n"
              "  screen\n"
              "    navbar title=\"Fruit\"\n"
              "    content\n"
              "      table#table style=\"plain\"\n"
              "        section\n"
              "          row#row:0:0 accessory=\"disclosure\" deletable=yes style=\"value1\" text=\"Apple\"\n"
              "          row#row:0:1 accessory=\"disclosure\" deletable=yes style=\"value1\" text=\"Banana\"\n"
              "          row#row:0:2 accessory=\"disclosure\" deletable=yes style=\"value1\" text=\"Cherry\"\n");
    auto detail = std::make_shared<FruitList>("Banana");
    stack->pushViewController(detail, true);
    EXPECT_EQ(fruits->disappeared, 1);
    std::string pushed = scene();
    EXPECT_NE(pushed.find("navbar title=\"Banana\"\n      button#nav:back title=\"Back\""), std::string::npos) << pushed;
    EXPECT_NE(pushed.find("transition=\"push\""), std::string::npos);
    ASSERT_TRUE(send(R"({"kind":"tap","target":"nav:back"})"));
    EXPECT_EQ(stack->topViewController(), fruits.get());
    EXPECT_EQ(fruits->appeared, 2);
}

TEST_F(ToolkitTest, RowsAnswerTapsAndSwipesAndNothingElse) {
    auto fruits = std::make_shared<FruitList>("Fruit");
    app().setRootViewController(std::make_shared<NavigationController>(fruits));
    ASSERT_TRUE(send(R"({"kind":"tap","target":"row:0:2"})"));
    EXPECT_EQ(fruits->tapped, 2);
    ASSERT_TRUE(send(R"({"kind":"delete","target":"delete:0:0"})"));
    EXPECT_EQ(fruits->fruit, (std::vector<std::string>{"Banana", "Cherry"}));
    EXPECT_NE(scene().find("change=\"delete 0:0\""), std::string::npos);

    std::string why;
    EXPECT_FALSE(send(R"({"kind":"tap","target":"row:0:2"})", &why));  // gone with the deletion
    EXPECT_EQ(why, "nothing on the screen answers to row:0:2");
    EXPECT_FALSE(send(R"({"kind":"tap","target":"nav:right"})", &why));
    EXPECT_FALSE(send("not json", &why));
    EXPECT_EQ(fruits->fruit.size(), 2u);
}

TEST_F(ToolkitTest, RowChangesBeforeOneDrawingAreOneUpdateDrawnOnce) {
    auto fruits = std::make_shared<FruitList>("Fruit");
    app().setRootViewController(std::make_shared<NavigationController>(fruits));
    scene();
    fruits->fruit.erase(fruits->fruit.begin());
    fruits->table.deleteRowsAtIndexPaths({IndexPath{0, 0}}, TableView::RowAnimation::Fade);
    fruits->fruit.push_back("Damson");
    fruits->table.insertRowsAtIndexPaths({IndexPath{0, 2}}, TableView::RowAnimation::Top);
    std::string updated = scene();
    EXPECT_NE(updated.find("change=\"delete 0:0; insert 0:2\""), std::string::npos) << updated;
    EXPECT_NE(updated.find("row#row:0:2 accessory=\"disclosure\" deletable=yes inserted=\"top\" style=\"value1\" "
                           "text=\"Damson\""),
              std::string::npos)
        << updated;
    EXPECT_EQ(updated.find("row#row:0:0 accessory=\"disclosure\" deletable=yes inserted"), std::string::npos);
    std::string next = scene();
    EXPECT_EQ(next.find("inserted"), std::string::npos) << "drawn once";
    EXPECT_EQ(next.find("change="), std::string::npos);

    // A full reload makes every row new: nothing is marked inserted.
    fruits->table.insertRowsAtIndexPaths({IndexPath{0, 0}}, TableView::RowAnimation::Fade);
    fruits->table.reloadData();
    std::string reloaded = scene();
    EXPECT_NE(reloaded.find("change=\"reload\""), std::string::npos);
    EXPECT_EQ(reloaded.find("inserted"), std::string::npos);
}

TEST_F(ToolkitTest, MoreThanFiveTabsShowFourAndMore) {
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const char* name : {"Home", "Budget", "Scheduler", "Categories", "Payees", "Settings"}) {
        auto stack = std::make_shared<NavigationController>(std::make_shared<FruitList>(name));
        stack->tabBarItem().title = name;
        screens.push_back(stack);
    }
    tabs->setViewControllers(screens);
    tabs->setMoreViewController(std::make_shared<FruitList>("More"));
    screens[2]->tabBarItem().badgeValue = "3";
    app().setRootViewController(tabs);
    SceneNode rendered = app().render();
    const SceneNode* bar = rendered.findKind("tabbar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->toText(),
              "tabbar\n"
              "  tab#tab:0 selected=yes title=\"Home\"\n"
              "  tab#tab:1 title=\"Budget\"\n"
              "  tab#tab:2 badge=\"3\" title=\"Scheduler\"\n"
              "  tab#tab:3 title=\"Categories\"\n"
              "  tab#tab:4 image=\"tab-more.png\" title=\"More\"\n");
    ASSERT_TRUE(app().handleMessage(R"({"kind":"tap","target":"tab:4"})"));
    EXPECT_EQ(tabs->selectedIndex(), TabBarController::kMoreIndex);
    EXPECT_NE(scene().find("navbar title=\"More\""), std::string::npos);
}

TEST_F(ToolkitTest, MovingTabsKeepsTheSelectedScreenAndAScreenMovedUnderMoreIsReachedThroughMore) {
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const char* name : {"Home", "Budget", "Scheduler", "Categories", "Payees", "Settings"}) {
        auto stack = std::make_shared<NavigationController>(std::make_shared<FruitList>(name));
        stack->tabBarItem().title = name;
        screens.push_back(stack);
    }
    tabs->setViewControllers(screens);
    tabs->setMoreViewController(std::make_shared<FruitList>("More"));
    app().setRootViewController(tabs);
    ASSERT_TRUE(send(R"({"kind":"tap","target":"tab:2"})"));  // Scheduler

    tabs->beginCustomizing();
    // Settings (under More, its second row) onto the bar's first place.
    ASSERT_TRUE(send(R"({"kind":"move","target":"move:1:1","toSection":0,"toRow":0})"));
    EXPECT_EQ(tabs->viewControllers()[0], screens[5]);
    EXPECT_EQ(tabs->selectedViewController(), screens[2].get());
    EXPECT_EQ(tabs->selectedIndex(), 3);
    // Scheduler itself moved past the bar: More is selected instead.
    ASSERT_TRUE(send(R"({"kind":"move","target":"move:0:3","toSection":1,"toRow":1})"));
    EXPECT_EQ(tabs->selectedIndex(), TabBarController::kMoreIndex);
    // A move to a place that does not exist changes nothing.
    ASSERT_TRUE(send(R"({"kind":"move","target":"move:0:0","toSection":1,"toRow":9})"));
    EXPECT_EQ(tabs->viewControllers()[0], screens[5]);
    tabs->endCustomizing();
    EXPECT_NE(scene().find("navbar title=\"More\""), std::string::npos);
}

TEST_F(ToolkitTest, AModalScreenCoversEverythingUntilDismissed) {
    auto fruits = std::make_shared<FruitList>("Fruit");
    auto stack = std::make_shared<NavigationController>(fruits);
    app().setRootViewController(stack);
    auto form = std::make_shared<FruitList>("Form");
    form->navigationItem().leftBarButtonItem = BarButtonItem{"Cancel", "", true, false, [&form] {
                                                                 form->dismissModalViewControllerAnimated(true);
                                                             }};
    fruits->presentModalViewController(std::make_shared<NavigationController>(form), true);
    std::string covered = scene();
    EXPECT_NE(covered.find("screen modal=yes transition=\"present\""), std::string::npos) << covered;
    EXPECT_NE(covered.find("navbar title=\"Form\""), std::string::npos);
    EXPECT_EQ(covered.find("Fruit"), std::string::npos);
    EXPECT_EQ(app().visibleViewController(), form.get());
    ASSERT_TRUE(send(R"({"kind":"tap","target":"nav:left"})"));
    EXPECT_EQ(fruits->modalViewController(), nullptr);
    EXPECT_EQ(app().visibleViewController(), fruits.get());
    EXPECT_EQ(fruits->appeared, 2);
}

TEST_F(ToolkitTest, AlertsAnswerOnceAndGo) {
    app().setRootViewController(std::make_shared<NavigationController>(std::make_shared<FruitList>("Fruit")));
    auto alert = std::make_shared<AlertView>("Limit exceeded", "Credit Limit exceeded by $120.00", "Close",
                                             std::vector<std::string>{"Don't Remind"});
    int answer = -1;
    alert->clicked = [&](int index) { answer = index; };
    alert->show();
    std::string shown = scene();
    EXPECT_NE(shown.find("alert#overlay:0 message=\"Credit Limit exceeded by $120.00\" title=\"Limit exceeded\"\n"
                         "    button#overlay:0:0 title=\"Close\"\n"
                         "    button#overlay:0:1 title=\"Don't Remind\""),
              std::string::npos)
        << shown;
    EXPECT_FALSE(send(R"({"kind":"tap","target":"row:0:0"})"));  // under the alert: not answerable
    ASSERT_TRUE(send(R"({"kind":"tap","target":"overlay:0:1"})"));
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(app().overlays().empty());
    EXPECT_FALSE(send(R"({"kind":"tap","target":"overlay:0:1"})"));
}

TEST_F(ToolkitTest, ControlsInCellsReportTheirNewValues) {
    struct Form : ViewController, TableViewDataSource {
        Form() {
            table.setDataSource(this);
            cell = std::make_shared<TableViewCell>();
            cell->switchControl = std::make_unique<TableViewCell::Switch>();
            cell->switchControl->valueChanged = [this](bool on) { switched = on; };
            field = std::make_shared<TableViewCell>();
            field->textField = std::make_unique<TableViewCell::TextField>();
            field->textField->editingChanged = [this](const std::string& text) { typed = text; };
        }
        int tableViewNumberOfRowsInSection(TableView&, int) override { return 2; }
        std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath p) override {
            return p.row == 0 ? cell : field;
        }
        void renderContent(SceneNode& content, SceneContext& context) override { table.render(content, context); }
        TableView table;
        std::shared_ptr<TableViewCell> cell, field;
        bool switched = false;
        std::string typed;
    };
    auto form = std::make_shared<Form>();
    app().setRootViewController(form);
    ASSERT_TRUE(send(R"({"kind":"toggle","target":"switch:0:0","on":true})"));
    EXPECT_TRUE(form->switched);
    EXPECT_TRUE(form->cell->switchControl->on);
    ASSERT_TRUE(send(R"({"kind":"text","target":"field:0:1","text":"Zoë"})"));
    EXPECT_EQ(form->typed, "Zoë");
    EXPECT_NE(scene().find("field#field:0:1 keyboard=\"default\" text=\"Zoë\""), std::string::npos);
    EXPECT_FALSE(send(R"({"kind":"toggle","target":"switch:0:0"})"));  // no value: refused
    EXPECT_TRUE(form->cell->switchControl->on);
}

TEST_F(ToolkitTest, TypingInAFieldBringsTheKeyboardOnceAndTakesItAway) {
    struct Notes : ViewController, TableViewDataSource, TableViewDelegate {
        Notes() {
            table.setDataSource(this);
            table.setDelegate(this);
            note = std::make_shared<TableViewCell>();
            note->textField = std::make_unique<TableViewCell::TextField>();
            note->textField->multiline = true;
        }
        int tableViewNumberOfRowsInSection(TableView&, int) override { return 2; }
        std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath p) override {
            if (p.row == 0) return note;
            auto add = std::make_shared<TableViewCell>();
            add->textLabel().text = "Add Split";
            return add;
        }
        bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath p) override { return p.row == 1; }
        TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath) override {
            return TableViewCellEditingStyle::Insert;
        }
        void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath p) override { inserted = p.row; }
        void renderContent(SceneNode& content, SceneContext& context) override { table.render(content, context); }
        TableView table;
        std::shared_ptr<TableViewCell> note;
        int inserted = -1;
    };
    auto notes = std::make_shared<Notes>();
    app().setRootViewController(notes);
    int shown = 0, hidden = 0;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kKeyboardWillShowNotification, [&](const Notification&) { ++shown; });
    center.addObserver(this, kKeyboardWillHideNotification, [&](const Notification&) { ++hidden; });
    EXPECT_NE(scene().find("field#field:0:0 keyboard=\"default\" multiline=yes text=\"\""), std::string::npos);
    ASSERT_TRUE(send(R"({"kind":"focus","target":"field:0:0"})"));
    ASSERT_TRUE(send(R"({"kind":"focus","target":"field:0:0"})"));
    EXPECT_TRUE(app().isKeyboardShown());
    ASSERT_TRUE(send(R"({"kind":"blur","target":"field:0:0"})"));
    EXPECT_FALSE(send(R"({"kind":"focus","target":"field:9:9"})"));  // no such field
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(hidden, 1);
    center.removeObserver(this);

    // The "+" of an insert row shows while editing and adds.
    EXPECT_EQ(scene().find("insertable"), std::string::npos);
    notes->table.setEditing(true, false);
    EXPECT_NE(scene().find("row#row:0:1 insertable=yes"), std::string::npos) << scene();
    ASSERT_TRUE(send(R"({"kind":"tap","target":"insert:0:1"})"));
    EXPECT_EQ(notes->inserted, 1);
    EXPECT_FALSE(send(R"({"kind":"delete","target":"delete:0:1"})"));  // an insert row is not deleted
}

TEST_F(ToolkitTest, AKeypadReportsTheTagOfEachEnabledKey) {
    struct Amount : ViewController {
        Amount() : pad(KeypadView::amountKeypad()) {
            pad.pressed = [this](int tag) { pressedTags.push_back(tag); };
            pad.keyWithTag(11)->enabled = false;  // a currency without fraction digits
            pad.keyWithTag(12)->highlighted = true;
        }
        void renderContent(SceneNode& content, SceneContext& context) override { pad.render(content, context); }
        KeypadView pad;
        std::vector<int> pressedTags;
    };
    auto amount = std::make_shared<Amount>();
    app().setRootViewController(amount);
    std::string shown = scene();
    EXPECT_NE(shown.find("keypad columns=4"), std::string::npos) << shown;
    EXPECT_NE(shown.find("key#key:12 highlighted=yes image=\"plus.png\" title=\"+\""), std::string::npos) << shown;
    ASSERT_TRUE(send(R"({"kind":"tap","target":"key:7"})"));
    ASSERT_TRUE(send(R"({"kind":"tap","target":"key:15"})"));
    EXPECT_FALSE(send(R"({"kind":"tap","target":"key:11"})"));  // disabled
    EXPECT_EQ(amount->pressedTags, (std::vector<int>{7, 15}));
}

TEST_F(ToolkitTest, KeysTypedOutsideAFieldGoToTheScreenInViewUnlessAQuestionIsUp) {
    struct Pad : ViewController {
        bool keyPressed(const std::string& key) override {
            if (key == "Escape") return false;
            keys += key + " ";
            return true;
        }
        std::string keys;
    };
    auto list = std::make_shared<FruitList>("Fruit");
    auto stack = std::make_shared<NavigationController>(list);
    app().setRootViewController(stack);
    std::string error;
    EXPECT_FALSE(send(R"({"kind":"key","key":"7"})", &error));  // the list takes no key
    EXPECT_EQ(error, "the screen takes no key: 7");
    auto pad = std::make_shared<Pad>();
    list->presentModalViewController(pad, false);
    ASSERT_TRUE(send(R"({"kind":"key","key":"7"})"));
    ASSERT_TRUE(send(R"({"kind":"key","key":"Backspace"})"));
    EXPECT_FALSE(send(R"({"kind":"key","key":"Escape"})", &error));
    auto alert = std::make_shared<AlertView>("Sync failed", "", "OK", std::vector<std::string>{});
    alert->show();
    EXPECT_FALSE(send(R"({"kind":"key","key":"1"})", &error));
    EXPECT_EQ(error, "a question is up: 1");
    EXPECT_EQ(pad->keys, "7 Backspace ");
}

TEST_F(ToolkitTest, ALockScreenIsAllThatIsDrawnAndAnsweredUntilItIsDismissed) {
    struct Lock : ViewController {
        Lock() { setTitle("Locked"); }
        bool keyPressed(const std::string& key) override {
            keys += key + " ";
            return key != "Escape";
        }
        void renderContent(SceneNode& content, SceneContext& context) override {
            content.add(SceneNode("button", "unlock")).set("title", "Unlock");
            context.addAction("unlock", [](const UIEvent&) { Application::sharedApplication().dismissLockScreen(); });
        }
        std::string keys;
    };
    auto list = std::make_shared<FruitList>("Fruit");
    app().setRootViewController(std::make_shared<NavigationController>(list));
    app().setApplicationIconBadgeNumber(3);
    std::make_shared<AlertView>("Delete Banana?", "", "Cancel", std::vector<std::string>{"Delete"})->show();
    ASSERT_TRUE(send(R"({"kind":"focus","target":"overlay:0:0"})"));  // something is being typed in
    int hidden = 0;
    NotificationCenter::defaultCenter().addObserver(this, kKeyboardWillHideNotification, [&](const Notification&) { ++hidden; });
    app().render();  // the page shows the list, the question and the badge

    auto lock = std::make_shared<Lock>();
    app().presentLockScreen(lock);
    app().presentLockScreen(std::make_shared<Lock>());  // one lock at a time
    EXPECT_EQ(hidden, 1);  // the keyboard went with what it typed into
    EXPECT_FALSE(app().isKeyboardShown());
    EXPECT_EQ(list->disappeared, 1);
    // Events for what was drawn before the lock are refused, even before the
    // lock is drawn for the first time.
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"overlay:0:1"})"));
    EXPECT_FALSE(app().handleMessage(R"({"kind":"tap","target":"row:0:1"})"));
    EXPECT_EQ(scene(),
              "window\n"
              "  screen locked=yes modal=yes\n"
              "    content\n"
              "      button#unlock title=\"Unlock\"\n");
    EXPECT_EQ(list->tapped, -1);
    // Keys go to the lock, past the question under it.
    ASSERT_TRUE(send(R"({"kind":"key","key":"4"})"));
    std::string error;
    EXPECT_FALSE(send(R"({"kind":"key","key":"Escape"})", &error));
    EXPECT_EQ(error, "the lock screen takes no such key: Escape");
    EXPECT_EQ(lock->keys, "4 Escape ");

    ASSERT_TRUE(send(R"({"kind":"tap","target":"unlock"})"));
    EXPECT_FALSE(app().isLocked());
    EXPECT_EQ(list->appeared, 2);
    std::string back = scene();
    EXPECT_NE(back.find("alert#overlay:0 title=\"Delete Banana?\""), std::string::npos) << back;
    EXPECT_NE(back.find("badge=3"), std::string::npos) << back;
    EXPECT_FALSE(send(R"({"kind":"tap","target":"unlock"})"));  // gone with its lock
    ASSERT_TRUE(send(R"({"kind":"tap","target":"overlay:0:1"})"));
    NotificationCenter::defaultCenter().removeObserver(this);
}

}  // namespace
}  // namespace tallo
