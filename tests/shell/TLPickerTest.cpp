// The shared pickers coming and going under a virtual clock, and the room
// table screens make for them and for the keyboard.

#include "Classes/shell/TLDatePicker.h"
#include "Classes/shell/TLPicker.h"
#include "Classes/shell/TLViewC.h"
#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

class TLPickerTest : public test::ScreenTest {
protected:
    TLPickerTest() {
        for (const char* name : {"pickerWillShow", "pickerWillHide", "resignAllResponders"}) {
            NotificationCenter::defaultCenter().addObserver(this, name, [this](const Notification& n) { posted += n.name + " "; });
        }
    }
    ~TLPickerTest() override { NotificationCenter::defaultCenter().removeObserver(this); }
    TLDatePicker& datePicker() { return TLGlobal::sharedGlobal().datePicker(); }
    TLPicker& picker() { return TLGlobal::sharedGlobal().picker(); }
    bool onRoot(View& view) { return view.superview() == &app().rootView(); }
    std::string posted;
};

TEST_F(TLPickerTest, TheDatePickerComesUpOnceAndSlidesToItsPlace) {
    datePicker().showAnimated(true);
    datePicker().showAnimated(true);
    EXPECT_EQ(posted, "pickerWillShow ");
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "  view animate=0.3 frame=\"0,265,320,400\" from=\"0,200,320,400\"\n    datepicker#datePicker date=\"2011-03-15\" frame=\"0,0,320,216\"\n"))
        << shown;
}

TEST_F(TLPickerTest, AHiddenPickerLeavesTheRootViewAfterItsAnimation) {
    datePicker().showAnimated(false);
    datePicker().hideAnimated(true);
    datePicker().hideAnimated(true);
    EXPECT_EQ(posted, "pickerWillShow pickerWillHide ");
    EXPECT_TRUE(has(scene(), "view animate=0.3 frame=\"0,665,320,400\"")) << scene();  // sliding down
    RunLoop::main().advance(0.29);
    EXPECT_TRUE(onRoot(datePicker().view()));
    RunLoop::main().advance(0.02);
    EXPECT_FALSE(onRoot(datePicker().view()));
    EXPECT_FALSE(has(scene(), "datepicker"));
}

TEST_F(TLPickerTest, ShownAgainWithinTheAnimationThePickerStays) {
    datePicker().showAnimated(false);
    datePicker().hideAnimated(true);
    RunLoop::main().advance(0.1);
    datePicker().showAnimated(true);
    RunLoop::main().advance(1.0);
    EXPECT_TRUE(onRoot(datePicker().view()));
    EXPECT_FALSE(datePicker().isHidden());
    // Hidden, shown and hidden again: it goes 0.3 s after the last hide —
    // still there 0.25 s after it, gone at 0.35 s.
    datePicker().hideAnimated(true);
    RunLoop::main().advance(0.2);
    datePicker().showAnimated(true);
    datePicker().hideAnimated(true);
    RunLoop::main().advance(0.25);
    EXPECT_TRUE(onRoot(datePicker().view()));
    RunLoop::main().advance(0.1);
    EXPECT_FALSE(onRoot(datePicker().view()));
}

TEST_F(TLPickerTest, TheValuePickerSendsTheDatePickerAway) {
    datePicker().showAnimated(false);
    posted.clear();
    picker().showAnimated(false);
    EXPECT_EQ(posted, "resignAllResponders pickerWillHide ");
    EXPECT_TRUE(datePicker().isHidden());
    EXPECT_FALSE(picker().isHidden());  // not hidden by its own notification
    EXPECT_TRUE(has(scene(), "picker#picker frame=\"0,0,320,216\" indicator=yes")) << scene();
}

TEST_F(TLPickerTest, TheDatePickerTellsItsDelegateTheChosenDay) {
    struct Delegate : TLDatePickerDelegate {
        void datePickerDateChanged(TLDatePicker* picker) override { days.push_back(DatePicker::dayText(picker->picker().date())); }
        std::vector<std::string> days;
    } delegate;
    datePicker().delegate = &delegate;
    datePicker().picker().setDate(test::localDate(2011, 3, 15, 18, 30));
    datePicker().showAnimated(false);
    send(R"({"kind":"text","target":"datePicker","text":"2011-03-16"})");
    send(R"({"kind":"text","target":"datePicker","text":"2011-02-30"})");  // no such day: nothing
    EXPECT_EQ(delegate.days, std::vector<std::string>{"2011-03-16"});
    EXPECT_EQ(test::local(datePicker().picker().date()), "2011-03-16 18:30:00");
    datePicker().delegate = nullptr;
}

// A list on the first tab, as the transaction editor's table.
class TLViewCRoomTest : public test::ScreenTest {
protected:
    TLViewCRoomTest() : screen_(std::make_shared<TLViewC>()) {
        app().setRootViewController(std::make_shared<NavigationController>(screen_));
    }
    void keyboard(bool showing) {
        NotificationCenter::defaultCenter().postNotification(
            showing ? kKeyboardWillShowNotification : kKeyboardWillHideNotification, nullptr, standardKeyboardInfo(showing));
    }
    std::shared_ptr<TLViewC> screen_;
};

TEST_F(TLViewCRoomTest, TheKeyboardTwiceShrinksTheTableOnce) {
    keyboard(true);
    keyboard(true);
    EXPECT_EQ(screen_->tableView().bottomInset(), 166);  // 216 less the tab bar's 50
    EXPECT_TRUE(has(scene(), "inset=166")) << scene();
    keyboard(false);
    keyboard(false);
    EXPECT_EQ(screen_->tableView().bottomInset(), 0);
}

TEST_F(TLViewCRoomTest, TheFieldBeingTypedInIsScrolledIntoView) {
    struct Form : TLViewC {
        int tableViewNumberOfRowsInSection(TableView&, int) override { return 8; }
        std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override {
            auto cell = std::make_shared<TableViewCell>();
            cell->textField = std::make_unique<TableViewCell::TextField>();
            return cell;
        }
    };
    auto form = std::make_shared<Form>();
    form->isVisible = true;
    app().setRootViewController(std::make_shared<NavigationController>(form));
    app().render();
    ASSERT_TRUE(app().handleMessage(R"({"kind":"focus","target":"field:0:6"})"));
    EXPECT_TRUE(has(scene(), "scrollTo=\"0:6\"")) << scene();
    EXPECT_EQ(form->tableView().bottomInset(), 166);
    ASSERT_TRUE(app().handleMessage(R"({"kind":"blur","target":"field:0:6"})"));
    EXPECT_EQ(form->tableView().bottomInset(), 0);
}

TEST_F(TLViewCRoomTest, TheDatePickerTakesItsOwnHeightAndShownPickersGo) {
    TLGlobal::sharedGlobal().picker().showAnimated(false);
    TLGlobal::sharedGlobal().datePicker().showAnimated(false);
    EXPECT_TRUE(TLGlobal::sharedGlobal().picker().isHidden());
    EXPECT_EQ(screen_->keyboardRoom(), 166);
    TLGlobal::sharedGlobal().datePicker().hideAnimated(false);
    EXPECT_EQ(screen_->tableView().bottomInset(), 0);
}

TEST_F(TLViewCRoomTest, AScreenOutOfViewOrReloadingLeavesItsTableAlone) {
    screen_->isReloading = true;
    keyboard(true);
    keyboard(false);  // reloading: the room is kept
    EXPECT_EQ(screen_->tableView().bottomInset(), 166);
    screen_->isReloading = false;
    keyboard(false);
    auto next = std::make_shared<TLViewC>();
    screen_->pushView(next, 0);
    keyboard(true);
    EXPECT_EQ(screen_->tableView().bottomInset(), 0);
    EXPECT_EQ(next->tableView().bottomInset(), 166);
}

TEST_F(TLViewCRoomTest, AModalScreenWithoutNavigationBarGivesBackLess) {
    auto modal = std::make_shared<TLViewC>();
    screen_->presentModalView(modal, 0);
    modal->navigationController()->setNavigationBarHidden(true);
    keyboard(true);
    EXPECT_EQ(modal->keyboardRoom(), 216 - 62);
}

TEST_F(TLViewCRoomTest, AHeaderMoreThanHalfInViewOpensOtherwiseItHides) {
    screen_->isHeaderViewEnabled = true;
    screen_->headerHeight = 44;
    send(R"({"kind":"scroll","target":"table","offset":30})");  // 14 of 44 points in view
    EXPECT_FALSE(screen_->isHeaderViewActivated);
    EXPECT_EQ(screen_->tableView().contentOffset(), 30);
    RunLoop::main().advance(0.1);
    EXPECT_EQ(screen_->tableView().contentOffset(), 44);
    send(R"({"kind":"scroll","target":"table","offset":21})");  // 23 in view: more than 22
    EXPECT_TRUE(screen_->isHeaderViewActivated);
    EXPECT_TRUE(screen_->isHeaderViewShown());
    send(R"({"kind":"scroll","target":"table","offset":120})");  // rows further down: left alone
    EXPECT_EQ(screen_->tableView().contentOffset(), 120);
}

}  // namespace
}  // namespace tallo
