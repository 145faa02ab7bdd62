#include "Classes/controls/BudgetCategoryCell.h"

#include "Classes/ledger/TLCategory.h"

namespace tallo {

void BudgetCategoryCell::setCategory(const TLCategory& category, const std::string& amountText, Color color) {
    indented = category.mastercat() != nullptr;
    textLabel().text = category.name().value_or("");
    textLabel().bold = !indented;
    amountLabel.text = amountText;
    amountLabel.color = color;
}

void BudgetCategoryCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    TableViewCell::render(row, context, suffix);
    row.set("value", amountLabel.text);
    if (amountLabel.color) row.set("valueColor", amountLabel.color->css());
    if (addMark) row.set("addMark", true);
    if (indented) row.set("indent", true);
}

}  // namespace tallo
