#include "Classes/controls/TLBudgetBar.h"

#include <cmath>

#include "Classes/controls/TLBudgetBarIndicator.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

const char* indicatorName(int indicator) {
    switch (indicator) {
        case TLBudgetBarIndicator::Yellow: return "yellow";
        case TLBudgetBarIndicator::Red: return "red";
        default: return "green";
    }
}

// The bar's fill, stretched to its width by the page.
const char* barPicture(int indicator) {
    switch (indicator) {
        case TLBudgetBarIndicator::Yellow: return "yellow_bar.png";
        case TLBudgetBarIndicator::Red: return "red_bar.png";
        default: return "green_bar.png";
    }
}

std::string money(const Decimal& value) { return TLCurrencyCenter::sharedCenter().currencyStringFromNumber(value); }

}  // namespace

float TLBudgetBar::share(float part, float whole) {
    float value = whole > 0 ? part / whole : kOverLimit;
    return value > 1 ? kOverLimit : value;
}

void TLBudgetBar::setLimit(const Decimal& limit) {
    limitValue_ = limit;
    limit_ = limit.floatValue();
    recompute();
}

void TLBudgetBar::setAmount(const Decimal& amount) {
    amountValue_ = amount;
    amount_ = amount.floatValue();
    recompute();
}

void TLBudgetBar::setTodayAmount(float todayAmount) {
    todayAmount_ = todayAmount;
    recompute();
}

void TLBudgetBar::setShowsToday(bool showsToday) {
    showsToday_ = showsToday;
    recompute();
}

void TLBudgetBar::setShowAsterisk(bool showAsterisk) {
    showAsterisk_ = showAsterisk;
    recompute();
}

void TLBudgetBar::setBarType(int barType) {
    barType_ = barType;
    recompute();
}

int TLBudgetBar::barWidth() const { return static_cast<int>(percentage_ * kBarWidth) + 12; }

void TLBudgetBar::recompute() {
    isEmty_ = isZero(amountValue_);
    percentage_ = share(amount_, limit_);
    todayPercentage_ = share(todayAmount_, limit_);
    todayPosition_ = static_cast<int>(todayPercentage_ * kBarWidth);

    if (barType_ == TLBudgetRecordType::Expense) {
        if (percentage_ > 1) {
            indicatorType_ = TLBudgetBarIndicator::Red;
        } else if (percentage_ >= todayPercentage_ && showsToday_) {
            indicatorType_ = TLBudgetBarIndicator::Yellow;
        } else {
            indicatorType_ = TLBudgetBarIndicator::Green;
        }
    } else if (percentage_ >= 1) {
        indicatorType_ = TLBudgetBarIndicator::Green;
    } else if (amount_ > todayAmount_ && showsToday_) {
        indicatorType_ = TLBudgetBarIndicator::Yellow;
    } else {
        indicatorType_ = TLBudgetBarIndicator::Red;
    }

    // The difference and its word; a zero difference is not written.
    Decimal difference;
    std::string word;
    auto order = amountValue_ <=> limitValue_;
    if (order < 0) {
        difference = limitValue_ - amountValue_;
        word = L("left");
    } else if (order > 0) {
        difference = amountValue_ - limitValue_;
        word = L("over");
    } else {
        word = isZero(limitValue_) ? L("No records") : L("perfect");
    }
    rightLabel_ = isZero(difference) ? word : stringWithFormat("%@ %@", {money(difference), word});
    std::string format = barType_ == TLBudgetRecordType::Expense ? L("Expense (%@%@)") : L("Income (%@%@)");
    leftLabel_ = stringWithFormat(format, {showAsterisk_ ? "*" : "", money(limitValue_)});
}

SceneNode TLBudgetBar::node() const {
    SceneNode bar("budgetbar");
    bar.set("type", barType_ == TLBudgetRecordType::Expense ? "expense" : "income");
    bar.set("left", leftLabel_);
    bar.set("right", rightLabel_);
    bar.set("back", "bar_back.png");
    if (!isEmty_) {
        bar.set("indicator", indicatorName(indicatorType_));
        bar.set("image", barPicture(indicatorType_));
        bar.set("width", barWidth());
        // The share filled, for a page wider than the bar's 283 points.
        bar.set("fill", std::round(std::fmin(percentage_, 1.0f) * 1000) / 10);
    }
    if (showsToday_) {
        bar.set("marker", "today.png");
        bar.set("today", todayMarkerX());
        bar.set("todayAt", std::round(std::fmin(todayPercentage_, 1.0f) * 1000) / 10);
    }
    return bar;
}

}  // namespace tallo
