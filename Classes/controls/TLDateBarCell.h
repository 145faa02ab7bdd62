#pragma once
// TLDateBarCell: the row that holds the budget's month bar. The bar is the
// screen's own (it keeps the month between drawings); the cell only draws
// it, its slots answering under "datebar:<slot>".

#include "Classes/controls/TLDateBar.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TLDateBarCell : public TableViewCell {
public:
    explicit TLDateBarCell(TLDateBar& bar) : TableViewCell(Style::Default, "datebar"), bar_(bar) { selectable = false; }

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override {
        TableViewCell::render(row, context, suffix);
        bar_.render(row, context, "datebar");
    }

private:
    TLDateBar& bar_;
};

}  // namespace tallo
