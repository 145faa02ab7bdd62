#pragma once
// BudgetCategoryCell: a category offered for a budget limit ("Manage
// Budget", "Unbudgeted") — its name, set in for a subcategory, its amount on
// the right and (unless it needs none) the add mark.

#include <string>

#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TLCategory;

class BudgetCategoryCell : public TableViewCell {
public:
    BudgetCategoryCell() : TableViewCell(Style::Default, "category") {}

    // `amountText` as shown, in `color`.
    void setCategory(const TLCategory& category, const std::string& amountText, Color color);

    Label amountLabel;
    bool indented = false;
    bool addMark = true;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;
};

}  // namespace tallo
