#include "Classes/screens/reports/SpendingReportViewC.h"

#include <array>
#include <utility>

#include "Classes/ledger/TLCategory.h"
#include "Classes/screens/reports/ReportRowCell.h"
#include "Classes/screens/reports/ReportTransactionsViewC.h"
#include "Classes/shell/TLCheckListViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/values/CVDates.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr int kPeriodSection = 0;
constexpr int kLegendSection = 1;

// Slices take these in turn, largest first; the uncategorised one is grey.
constexpr std::array<const char*, 12> kPalette = {"#f2711c", "#2185d0", "#21ba45", "#a333c8", "#e03997", "#5c940d",
                                                  "#00b5ad", "#fbbd08", "#6435c9", "#db2828", "#a5673f", "#c2255c"};
constexpr const char* kUncategorizedColor = "#a0a4ab";

const char* periodName(TLReportPeriodKind kind) {
    switch (kind) {
        case TLReportPeriodKind::ThisMonth: return "This Month";
        case TLReportPeriodKind::LastMonth: return "Last Month";
        case TLReportPeriodKind::ThisYear: return "This Year";
        case TLReportPeriodKind::Last12Months: return "Last 12 Months";
        case TLReportPeriodKind::CustomRange: break;
    }
    return "Custom Range";
}

std::string dayText(Date date) {
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::None);
    return formatter.stringFromDate(date);
}

std::string sliceName(const TLCategory* category) {
    return category != nullptr ? category->name().value_or("") : L("Uncategorized");
}

}  // namespace

SpendingReportViewC::SpendingReportViewC() { setTitle(L("Spending")); }

SpendingReportViewC::SpendingReportViewC(const TLCategory* master, const TLTimeInterval& span, std::string periodTitle)
    : drilled_(true), master_(master), drilledSpan_(span), drilledTitle_(std::move(periodTitle)) {
    setTitle(sliceName(master));
}

SpendingReportViewC::~SpendingReportViewC() {
    TLDatePicker& picker = TLGlobal::sharedGlobal().datePicker();
    if (picker.delegate == this) picker.delegate = nullptr;
}

std::string SpendingReportViewC::periodTitle() const {
    if (drilled_) return drilledTitle_;
    if (period.kind != TLReportPeriodKind::CustomRange) return L(periodName(period.kind));
    TLTimeInterval days = span();
    return dayText(days.startDate()) + " – " + dayText(*days.endDate());
}

TLTimeInterval SpendingReportViewC::span() const { return drilled_ ? drilledSpan_ : period.interval(Clock::now()); }

std::string SpendingReportViewC::sliceColor(size_t index) const {
    if (index < report_.slices().size() && report_.slices()[index].category == nullptr) return kUncategorizedColor;
    return kPalette[index % kPalette.size()];
}

void SpendingReportViewC::reload() {
    TLTimeInterval days = span();
    report_ = drilled_ ? TLSpendingReport::ofMaster(master_, days) : TLSpendingReport::byMaster(days);
    chart_ = ChartView();
    chart_.kind = ChartView::Kind::Doughnut;
    ChartSeries spent{L("Spent"), {}, {}};
    for (size_t i = 0; i < report_.slices().size(); ++i) {
        const TLReportSlice& slice = report_.slices()[i];
        chart_.labels.push_back(sliceName(slice.category));
        spent.values.push_back(slice.amount.toString());
        spent.colors.push_back(sliceColor(i));
    }
    chart_.series.push_back(std::move(spent));
    chart_.centerText = amountText(report_.total());
    chart_.caption = periodTitle();
    chart_.pointTapped = [this](int index) { openSlice(static_cast<size_t>(index)); };
}

int SpendingReportViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (section == kPeriodSection) return !drilled_ && period.kind == TLReportPeriodKind::CustomRange ? 3 : 1;
    return report_.slices().empty() ? 1 : static_cast<int>(report_.slices().size());
}

std::string SpendingReportViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (section != kLegendSection) return {};
    std::string code = currencyCode();
    return code.empty() ? L("Spending") : L("Spending in") + " " + code;
}

std::string SpendingReportViewC::tableViewTitleForFooterInSection(TableView&, int section) {
    if (section != kLegendSection || report_.slices().empty()) return {};
    return L("Total") + " " + amountText(report_.total());
}

std::shared_ptr<TableViewCell> SpendingReportViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == kPeriodSection) {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
        if (indexPath.row == 0) {
            cell->textLabel().text = L("Period");
            cell->detailTextLabel().text = drilled_ || period.kind != TLReportPeriodKind::CustomRange
                                               ? periodTitle()
                                               : L(periodName(period.kind));
        } else {
            TLTimeInterval days = span();
            cell->textLabel().text = indexPath.row == 1 ? L("From") : L("To");
            cell->detailTextLabel().text = dayText(indexPath.row == 1 ? days.startDate() : *days.endDate());
        }
        if (drilled_) {
            cell->selectable = false;
        } else {
            cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        }
        return cell;
    }
    auto cell = std::make_shared<ReportRowCell>();
    if (report_.slices().empty()) {
        cell->textLabel().text = L("No spending in this period.");
        cell->textLabel().color = Color::white(0.55);
        cell->selectable = false;
        return cell;
    }
    size_t index = static_cast<size_t>(indexPath.row);
    const TLReportSlice& slice = report_.slices()[index];
    cell->textLabel().text = sliceName(slice.category);
    cell->detailTextLabel().text = report_.percentOf(slice.amount).toString() + "%";
    if (slice.category != nullptr) {
        cell->setPicture(slice.category->getImageSmall(true));
    } else {
        cell->imageName = "Uncategorized.png";
    }
    cell->value = amountText(slice.amount);
    cell->valueColor = Color::white(0.2);
    cell->swatch = sliceColor(index);
    cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    return cell;
}

void SpendingReportViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.section == kLegendSection) return openSlice(static_cast<size_t>(indexPath.row));
    if (drilled_) return;
    if (indexPath.row == 0) return openPeriodChooser();
    openDate(indexPath.row == 1);
}

void SpendingReportViewC::openSlice(size_t index) {
    if (index >= report_.slices().size()) return;
    const TLCategory* category = report_.slices()[index].category;
    TLTimeInterval days = span();
    if (!drilled_ && category != nullptr && !category->getOrderedSubcats().empty()) {
        pushView(std::make_shared<SpendingReportViewC>(category, days, periodTitle()), 0);
        return;
    }
    pushView(std::make_shared<ReportTransactionsViewC>(category, days, sliceName(category), periodTitle(),
                                                       report_.slices()[index].amount),
             0);
}

void SpendingReportViewC::openPeriodChooser() {
    periodList_ = std::make_shared<TLCheckListViewC>();
    periodList_->setTitle(L("Period"));
    const std::vector<TLReportPeriodKind>& kinds = TLReportPeriod::all();
    for (size_t i = 0; i < kinds.size(); ++i) {
        periodList_->labelsArray.push_back(L(periodName(kinds[i])));
        if (kinds[i] == period.kind) periodList_->checkedIndexArray.push_back(static_cast<int>(i));
    }
    periodList_->type = TLCheckListType::ChooseOneAndClose;
    presentModalView(periodList_, 0);
}

void SpendingReportViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (!periodList_ || modal != periodList_.get()) return;
    const std::vector<TLReportPeriodKind>& kinds = TLReportPeriod::all();
    int chosen = periodList_->selectedIndex;
    periodList_.reset();
    if (chosen < 0 || chosen >= static_cast<int>(kinds.size())) return;
    period.kind = kinds[static_cast<size_t>(chosen)];
    if (period.kind == TLReportPeriodKind::CustomRange && period.from == Date() && period.to == Date()) {
        // A first custom range: this month so far.
        period.from = CVDates::firstDayOfMonthDate(Clock::now());
        period.to = Clock::now();
    }
    reload();
    tableView().reloadData();
}

void SpendingReportViewC::openDate(bool from) {
    choosingFrom_ = from;
    TLDatePicker& picker = TLGlobal::sharedGlobal().datePicker();
    TLTimeInterval days = span();
    picker.picker().setDate(from ? days.startDate() : *CVDates::startOfDayDate(days.endDate()));
    picker.delegate = this;
    picker.showAnimated(workAnimated);
}

void SpendingReportViewC::datePickerDateChanged(TLDatePicker* picker) {
    if (picker == nullptr) return;
    (choosingFrom_ ? period.from : period.to) = picker->picker().date();
    // The rows always read earlier day first.
    if (period.to < period.from) std::swap(period.from, period.to);
    reload();
    tableView().reloadData();
}

void SpendingReportViewC::viewWillDisappear(bool animated) {
    TLDatePicker& picker = TLGlobal::sharedGlobal().datePicker();
    if (picker.delegate == this) {
        picker.hideAnimated(false);
        picker.delegate = nullptr;
    }
    ReportViewC::viewWillDisappear(animated);
}

}  // namespace tallo
