// Which limit holds for a budget record in a month: a limit entered for one
// month, or for every month from it on until a later one overrides it.

#include "Classes/budgets/TLBudgetRecord.h"

#include <string>

#include "tests/budgets/BudgetTestSupport.h"

namespace tallo {
namespace {

using test::D;

class MonthLimitTest : public test::BudgetTest {
protected:
    MonthLimitTest() {
        merged = budget();
        groceries = record(merged, category("Groceries"));
    }
    // The limit that holds in each of the months, "-" where none does:
    // "99:- 100:50 …".
    std::string limits(uint32_t from, uint32_t to) {
        std::string out;
        for (uint32_t m = from; m <= to; ++m) {
            TLBudgetRecordCustom* custom = groceries->getCustomLimitWithMonthID(m);
            out += (out.empty() ? "" : " ") + std::to_string(m) + ":" + (custom ? text(custom->limit()) : "-");
        }
        return out;
    }
    TLBudget* merged;
    TLBudgetRecord* groceries;
};

TEST_F(MonthLimitTest, AMonthsOwnLimitWinsOtherwiseTheLatestEarlierEveryMonthLimit) {
    limit(groceries, 100, "50", true);
    limit(groceries, 103, "80", false);
    limit(groceries, 105, "60", true);
    EXPECT_EQ(limits(99, 107), "99:- 100:50 101:50 102:50 103:80 104:50 105:60 106:60 107:60");
}

TEST_F(MonthLimitTest, AOneMonthLimitNeverHoldsInOtherMonths) {
    limit(groceries, 200, "75", false);
    EXPECT_EQ(limits(199, 201), "199:- 200:75 201:-");
}

TEST_F(MonthLimitTest, WithoutLimitsNoMonthHasOneAndTheActiveMonthReadsZero) {
    EXPECT_EQ(limits(0, 2), "0:- 1:- 2:-");
    EXPECT_EQ(groceries->getCustomLimitWithMonthID(kMarch2011), nullptr);
    TLBudgetState::setActiveMonthID(kMarch2011);
    EXPECT_EQ(groceries->getCustomLimitWithActiveMonth(), nullptr);
    EXPECT_EQ(groceries->getLimitWithActiveMonth(), D("0"));
    // Another record's limits are not this one's.
    limit(record(merged, category("Rent")), kMarch2011, "900");
    EXPECT_EQ(groceries->getLimitWithActiveMonth(), D("0"));
}

// The budget screen's road: a limit typed in March for every month, one
// typed in May for May only, then a new limit in April for every month on,
// which replaces the later every-month limits but not May's own.
TEST_F(MonthLimitTest, LimitsEnteredOnTheScreenHoldForTheActiveMonthOrFromItOn) {
    const uint32_t march = kMarch2011, april = march + 1, may = march + 2, june = march + 3;
    TLBudgetState::setActiveMonthID(march);
    TLBudgetRecordCustom* fromMarch = groceries->createLimitForActiveMonth();
    ASSERT_NE(fromMarch, nullptr);
    EXPECT_EQ(fromMarch->record(), groceries);
    EXPECT_EQ(fromMarch->month(), march);
    EXPECT_EQ(fromMarch->global(), true);
    fromMarch->setLimit(D("400"));
    EXPECT_EQ(groceries->getLimitWithActiveMonth(), D("400"));

    TLBudgetState::setActiveMonthID(may);
    groceries->createLimitForActiveMonth()->setGlobal(false);
    groceries->getCustomLimitWithActiveMonth()->setLimit(D("550"));
    TLBudgetState::setActiveMonthID(june);
    groceries->createLimitForActiveMonth()->setLimit(D("420"));
    EXPECT_EQ(limits(march, june + 1), "24134:400 24135:400 24136:550 24137:420 24138:420");

    TLBudgetState::setActiveMonthID(april);
    groceries->createLimitForActiveMonth()->setLimit(D("380"));
    groceries->deleteGlobalCustomLimitsAfterActiveMonth();
    EXPECT_EQ(limits(march, june + 1), "24134:400 24135:380 24136:550 24137:380 24138:380");
    EXPECT_EQ(groceries->customLimits().size(), 3u);
    db().save();
    EXPECT_EQ(limits(march, june + 1), "24134:400 24135:380 24136:550 24137:380 24138:380");
}

}  // namespace
}  // namespace tallo
