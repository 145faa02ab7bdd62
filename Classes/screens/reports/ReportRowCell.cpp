#include "Classes/screens/reports/ReportRowCell.h"

#include "Classes/screens/categories/CategoryAmount.h"

namespace tallo {

ReportRowCell::ReportRowCell() : TLPictureCell(TableViewCell::Style::Subtitle, "report") {}

void ReportRowCell::setAmount(const Decimal& amount) {
    value = CategoryAmount::text(amount);
    valueColor = CategoryAmount::color(amount);
}

void ReportRowCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TLPictureCell::render(row, context, suffix);
    if (!value.empty()) row.set("value", value);
    if (valueColor) row.set("valueColor", valueColor->css());
    if (!swatch.empty()) row.set("swatch", swatch);
}

}  // namespace tallo
