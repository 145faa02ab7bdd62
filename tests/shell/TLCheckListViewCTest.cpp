// Choosing among fixed texts, as the account type chooser does: what the
// opener reads when the list closes.

#include "Classes/shell/TLCheckListViewC.h"

#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

// The screen that opens the list and reads it back as it closes.
class Opener : public TLViewC {
public:
    void willDismissModalView(TLNavigationViewC* modal) override {
        auto* list = dynamic_cast<TLCheckListViewC*>(modal);
        ++dismissals;
        checked = list->checkedIndexArray;
        selectedIndex = list->selectedIndex;
        canceled = list->isCanceled;
    }
    int dismissals = 0;
    std::vector<int> checked;
    int selectedIndex = 99;
    bool canceled = false;
};

class TLCheckListViewCTest : public test::ScreenTest {
protected:
    std::shared_ptr<TLCheckListViewC> open(int type, std::vector<int> checked) {
        opener_ = std::make_shared<Opener>();
        app().setRootViewController(std::make_shared<NavigationController>(opener_));
        auto list = std::make_shared<TLCheckListViewC>();
        list->setTitle("Account Type");
        list->labelsArray = {"Bank", "Cash", "Credit Card", "Asset"};
        list->iconPathsArray = {"home-bank.png", "home-cash.png", "home-credit.png", "home-asset.png"};
        list->checkedIndexArray = std::move(checked);
        list->type = type;
        opener_->presentModalView(list, 0);
        return list;
    }
    std::shared_ptr<Opener> opener_;
};

TEST_F(TLCheckListViewCTest, TheAccountTypeListShowsItsRowsAndTheCurrentChoice) {
    open(TLCheckListType::ChooseOneAndClose, {2});
    EXPECT_EQ(scene(),
              "window\n"
              "  screen modal=yes transition=\"present\"\n"
              "    navbar title=\"Account Type\"\n"
              "      button#nav:left title=\"Cancel\"\n"
              "    content\n"
              "      table#table style=\"grouped\"\n"
              "        section\n"
              "          row#row:0:0 image=\"home-bank.png\" imageInactive=yes style=\"default\" text=\"Bank\"\n"
              "          row#row:0:1 image=\"home-cash.png\" imageInactive=yes style=\"default\" text=\"Cash\"\n"
              "          row#row:0:2 accessory=\"checkmark\" image=\"home-credit.png\" imageInactive=yes style=\"default\" text=\"Credit Card\"\n"
              "          row#row:0:3 image=\"home-asset.png\" imageInactive=yes style=\"default\" text=\"Asset\"\n");
}

TEST_F(TLCheckListViewCTest, ChooseOneAndCloseClosesWithTheTappedRowAloneChecked) {
    open(TLCheckListType::ChooseOneAndClose, {2});
    tap("row:0:0");
    EXPECT_EQ(opener_->dismissals, 1);
    EXPECT_EQ(opener_->checked, std::vector<int>{0});
    EXPECT_EQ(opener_->selectedIndex, 0);
    EXPECT_FALSE(opener_->canceled);
    EXPECT_EQ(app().visibleViewController(), opener_.get());
}

TEST_F(TLCheckListViewCTest, ChooseOneAndStayStaysAndKeepsTheMarkedRowMarked) {
    auto list = open(TLCheckListType::ChooseOneAndStay, {1});
    EXPECT_FALSE(has(scene(), "nav:left"));  // only ChooseOneAndClose has "Cancel"
    tap("row:0:1");
    EXPECT_EQ(list->checkedIndexArray, std::vector<int>{1});
    tap("row:0:3");
    EXPECT_EQ(list->checkedIndexArray, std::vector<int>{3});
    EXPECT_EQ(opener_->dismissals, 0);
    EXPECT_EQ(app().visibleViewController(), list.get());
}

TEST_F(TLCheckListViewCTest, ChooseSeveralTicksRowsOnAndOffOneByOne) {
    auto list = open(TLCheckListType::ChooseSeveral, {0, 2});
    tap("row:0:2");
    EXPECT_EQ(list->checkedIndexArray, std::vector<int>{0});
    tap("row:0:3");
    EXPECT_EQ(list->checkedIndexArray, (std::vector<int>{0, 3}));
    EXPECT_EQ(list->selectedIndex, 3);
}

TEST_F(TLCheckListViewCTest, CancelLeavesTheChoiceAndSaysSoBeforeTheOpenerReads) {
    open(TLCheckListType::ChooseOneAndClose, {2});
    tap("row:0:1");  // closes at once: open again to cancel
    open(TLCheckListType::ChooseOneAndClose, {2});
    tap("nav:left");
    EXPECT_EQ(opener_->dismissals, 1);
    EXPECT_EQ(opener_->checked, std::vector<int>{2});
    EXPECT_EQ(opener_->selectedIndex, -1);
    EXPECT_TRUE(opener_->canceled);
}

}  // namespace
}  // namespace tallo
