#pragma once
// ReportViewC: what the report screens share — a chart over a grouped table,
// both filled again by reload() each time the screen comes into view, so a
// report never shows figures older than the store; the texts of amounts in
// the default currency and of months.

#include <cstdint>
#include <string>

#include "Classes/shell/TLViewC.h"
#include "Platform/foundation/Decimal.h"
#include "Platform/ui/ChartView.h"

namespace tallo {

class ReportViewC : public TLViewC {
public:
    ReportViewC();

    ChartView& chart() { return chart_; }
    // Computes the figures, fills the chart and makes the table ask again.
    virtual void reload() = 0;

    void viewWillAppear(bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    // "$1,234.50" in the default currency.
    static std::string amountText(const Decimal& amount);
    // The default currency's code ("USD"), "" without one.
    static std::string currencyCode();
    // "Mar 2011" for a month ID; "Mar" without the year.
    static std::string monthText(uint32_t monthID, bool withYear = true);

protected:
    ChartView chart_;
};

}  // namespace tallo
