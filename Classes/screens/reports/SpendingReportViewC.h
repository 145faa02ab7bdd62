#pragma once
// SpendingReportViewC: where the money went in a period — a doughnut of the
// spending by master category with its legend as rows (the category, its
// share, its amount), the total in the middle.
//
// Opened from Reports it offers the period: a tap on "Period" lists This
// Month, Last Month, This Year, Last 12 Months and Custom Range; a custom
// range adds "From" and "To" rows that open the shared date picker. A tap on
// a slice or a legend row drills down: a master with subcategories opens
// this screen again for that master (its own slice and one per
// subcategory, over the same days); any other slice opens its transactions
// (ReportTransactionsViewC).

#include <memory>
#include <vector>

#include "Classes/budgets/TLReportPeriod.h"
#include "Classes/budgets/TLSpendingReport.h"
#include "Classes/screens/reports/ReportViewC.h"
#include "Classes/shell/TLDatePicker.h"

namespace tallo {

class TLCheckListViewC;

class SpendingReportViewC : public ReportViewC, public TLDatePickerDelegate {
public:
    // `master` nothing: spending by master category over a period the person
    // chooses; a master: that master's spending over `span`.
    SpendingReportViewC();
    SpendingReportViewC(const TLCategory* master, const TLTimeInterval& span, std::string periodTitle);
    ~SpendingReportViewC() override;

    TLReportPeriod period;
    const TLSpendingReport& report() const { return report_; }
    // The period's name as the Period row shows it ("This Month", or the
    // custom range's days).
    std::string periodTitle() const;

    void reload() override;
    void viewWillDisappear(bool animated) override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    void datePickerDateChanged(TLDatePicker* picker) override;

    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::string tableViewTitleForFooterInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

    // The colour of the slice at `index` (CSS).
    std::string sliceColor(size_t index) const;

private:
    bool isDrilled() const { return drilled_; }
    TLTimeInterval span() const;
    void openSlice(size_t index);
    void openPeriodChooser();
    void openDate(bool from);

    bool drilled_ = false;
    const TLCategory* master_ = nullptr;
    TLTimeInterval drilledSpan_;
    std::string drilledTitle_;
    TLSpendingReport report_;
    std::shared_ptr<TLCheckListViewC> periodList_;
    bool choosingFrom_ = true;
};

}  // namespace tallo
