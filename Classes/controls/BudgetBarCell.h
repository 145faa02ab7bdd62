#pragma once
// BudgetBarCell: the head row of a budget section outside editing — the
// section's TLBudgetBar, drawn inside the row.

#include "Classes/controls/TLBudgetBar.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

class BudgetBarCell : public TableViewCell {
public:
    BudgetBarCell() : TableViewCell(Style::Default, "bar") {}

    TLBudgetBar bar;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override {
        TableViewCell::render(row, context, suffix);
        row.add(bar.node());
    }
};

}  // namespace tallo
