// The budget's month bar: stepping and choosing months with the year
// carried both ways, the labels in view and where the year tab sits.

#include "Classes/controls/TLDateBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallo {
namespace {

struct Chosen {
    std::vector<std::string> told;
    void listen(TLDateBar& bar) {
        bar.didSelectMonth = [this](int month, int year) { told.push_back(std::to_string(month) + "/" + std::to_string(year)); };
    }
};

std::string visible(const TLDateBar& bar) {
    std::string out;
    for (int i = bar.visibleOffset(); i < bar.visibleOffset() + TLDateBar::kVisible; ++i) {
        out += (out.empty() ? "" : " ") + bar.labelTitle(i);
    }
    return out;
}

TEST(TLDateBar, StepsForwardFromDecemberIntoJanuaryOfTheNextYear) {
    TLDateBar bar;
    Chosen chosen;
    chosen.listen(bar);
    bar.setMonth(12, 2011);
    EXPECT_TRUE(chosen.told.empty()) << "setting the month tells nobody";
    EXPECT_EQ(visible(bar), "Sep Oct Nov Dec");
    EXPECT_EQ(bar.yearTabIndex(), -1) << "no January in view, no year tab";

    bar.touchSlot(5);
    EXPECT_EQ(chosen.told, std::vector<std::string>{"1/2012"});
    EXPECT_EQ(visible(bar), "Oct Nov Dec Jan");
    EXPECT_EQ(bar.yearTabIndex(), bar.offset());
    EXPECT_EQ(bar.yearTabTitle(bar.offset()), "2012");
}

TEST(TLDateBar, ChoosingTheLabelThreeBackFromFebruaryIsNovemberOfTheYearBefore) {
    TLDateBar bar;
    Chosen chosen;
    chosen.listen(bar);
    bar.setMonth(2, 2011);
    EXPECT_EQ(visible(bar), "Nov Dec Jan Feb");
    EXPECT_EQ(bar.yearTabTitle(bar.visibleOffset() + 2), "2011");
    bar.touchSlot(1);
    EXPECT_EQ(chosen.told, std::vector<std::string>{"11/2010"});
    EXPECT_EQ(bar.year(), 2010);
    EXPECT_EQ(visible(bar), "Aug Sep Oct Nov");
}

TEST(TLDateBar, SlotsStepOneMonthOrToTheLabelAndTheChosenOneDoesNothing) {
    TLDateBar bar;
    Chosen chosen;
    chosen.listen(bar);
    bar.setMonth(1, 2011);
    bar.touchSlot(0);
    bar.touchSlot(4);  // the chosen label itself
    bar.touchSlot(3);
    bar.forwardBy(13);
    EXPECT_EQ(chosen.told, (std::vector<std::string>{"12/2010", "11/2010", "12/2011"}));
}

}  // namespace
}  // namespace tallo
