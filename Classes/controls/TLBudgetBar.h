#pragma once
// TLBudgetBar: the bar of a budget section — how much of the month's limit
// the section's amount fills, coloured by how it stands (TLBudgetBarIndicator),
// with a marker where today's pace is and two labels. Each setter recomputes.
//
// The filled share is amount ÷ limit, capped just above 1 (1.0000009537, the
// float after 1): a zero limit with any amount counts as exceeded. The bar's
// width is the whole part of share × 283 points, plus 12; today's marker
// stands at the whole part of (today's amount ÷ limit, capped alike) × 283,
// plus 15. With a limit of 100 and 40 spent on day 20 of a 30-day month
// (today's amount about 62): expenses green; 70 spent: yellow (ahead of the
// pace); 101 spent: red. In a past month (no marker) expenses stay green up
// to the limit. Income: red below the pace, yellow ahead of it, green at
// the limit or above.
//
// Labels: left "Expense (*$100.00)" / "Income ($100.00)" (the "*" when the
// limit is a sum of category limits); right "$60.00 left", "$1.00 over",
// "perfect" (amount = limit ≠ 0) or "No records" (both 0). A bar with no
// amount draws no fill.

#include <string>

#include "Classes/store/TLBudgetRecordType.h"
#include "Platform/foundation/Decimal.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class TLBudgetBar {
public:
    static constexpr int kBarWidth = 283;
    // The share that counts as past the limit: the float just above 1.
    static constexpr float kOverLimit = 1.0000009537f;

    void setLimit(const Decimal& limit);
    void setAmount(const Decimal& amount);
    // The amount the pace expects by now (limit × the share of the month gone).
    void setTodayAmount(float todayAmount);
    void setShowsToday(bool showsToday);
    void setShowAsterisk(bool showAsterisk);
    // A TLBudgetRecordType.
    void setBarType(int barType);

    float limit() const { return limit_; }
    float amount() const { return amount_; }
    float todayAmount() const { return todayAmount_; }
    int barType() const { return barType_; }
    // A TLBudgetBarIndicator.
    int indicatorType() const { return indicatorType_; }
    bool showsToday() const { return showsToday_; }
    bool showAsterisk() const { return showAsterisk_; }
    bool isEmty() const { return isEmty_; }
    float percentage() const { return percentage_; }
    float todayPercentage() const { return todayPercentage_; }
    int todayPosition() const { return todayPosition_; }
    // The filled bar's width in points; the today marker's x.
    int barWidth() const;
    int todayMarkerX() const { return todayPosition_ + 15; }
    const std::string& leftLabel() const { return leftLabel_; }
    const std::string& rightLabel() const { return rightLabel_; }

    // "budgetbar" with the type, indicator, pictures, width, marker and labels.
    SceneNode node() const;

private:
    void recompute();
    static float share(float part, float whole);

    Decimal limitValue_;
    Decimal amountValue_;
    float limit_ = 0;
    float amount_ = 0;
    float todayAmount_ = 0;
    int barType_ = TLBudgetRecordType::Expense;
    int indicatorType_ = 0;
    bool showsToday_ = false;
    bool showAsterisk_ = false;
    bool isEmty_ = true;
    float percentage_ = 0;
    float todayPercentage_ = 0;
    int todayPosition_ = 0;
    std::string leftLabel_;
    std::string rightLabel_;
};

}  // namespace tallo
