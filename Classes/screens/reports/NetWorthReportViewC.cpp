#include "Classes/screens/reports/NetWorthReportViewC.h"

#include "Classes/screens/reports/ReportRowCell.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr const char* kLineColor = "#2185d0";

}  // namespace

NetWorthReportViewC::NetWorthReportViewC() { setTitle(L("Net Worth")); }

void NetWorthReportViewC::reload() {
    points_ = TLNetWorthHistory::lastMonthEnds(Clock::now(), 24);
    chart_ = ChartView();
    chart_.kind = ChartView::Kind::Line;
    ChartSeries worth{L("Net Worth"), {}, {kLineColor}};
    for (const TLNetWorthPoint& point : points_) {
        chart_.labels.push_back(monthText(point.month));
        worth.values.push_back(point.amount.toString());
    }
    chart_.series.push_back(std::move(worth));
    if (!points_.empty()) chart_.caption = L("Now") + " " + amountText(points_.back().amount);
}

std::string NetWorthReportViewC::tableViewTitleForHeaderInSection(TableView&, int) {
    std::string code = currencyCode();
    return code.empty() ? L("At month end") : L("At month end, in") + " " + code;
}

std::string NetWorthReportViewC::tableViewTitleForFooterInSection(TableView&, int) {
    return L("Balances in other currencies are converted at today's rates.");
}

std::shared_ptr<TableViewCell> NetWorthReportViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    const TLNetWorthPoint& point = points_[points_.size() - 1 - static_cast<size_t>(indexPath.row)];
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::None);
    auto cell = std::make_shared<ReportRowCell>();
    cell->textLabel().text = monthText(point.month);
    cell->detailTextLabel().text = formatter.stringFromDate(point.monthEnd);
    cell->setAmount(point.amount);
    cell->selectable = false;
    return cell;
}

}  // namespace tallo
