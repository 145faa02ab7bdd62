#include "Classes/screens/reports/ReportViewC.h"

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/screens/categories/CategoryAmount.h"
#include "Classes/values/CVDates.h"
#include "Classes/values/TLMonthID.h"

namespace tallo {

ReportViewC::ReportViewC() : TLViewC(TableView::Style::Grouped) {}

void ReportViewC::viewWillAppear(bool animated) {
    reload();
    tableView().reloadData();
    TLViewC::viewWillAppear(animated);
}

void ReportViewC::renderContent(SceneNode& content, SceneContext& context) {
    content.add(chart_.render(context));
    TLViewC::renderContent(content, context);
}

std::string ReportViewC::amountText(const Decimal& amount) { return CategoryAmount::text(amount); }

std::string ReportViewC::currencyCode() {
    TLCurrency* currency = TLCurrencyCenter::sharedCenter().defaultCurrency();
    return currency != nullptr ? currency->code().value_or("") : "";
}

std::string ReportViewC::monthText(uint32_t monthID, bool withYear) {
    static const std::vector<std::string> names = CVDates::getMonthsArray();
    std::string text = names[TLMonthID::month(monthID) - 1];
    if (withYear) text += " " + std::to_string(TLMonthID::year(monthID));
    return text;
}

}  // namespace tallo
