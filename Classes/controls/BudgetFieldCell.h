#pragma once
// BudgetFieldCell: one category row of the budget screen, or a section's
// head while the budget is edited.
//
// A category with a limit: its name (bold for a master category, grey),
// its amount in the section's colour (an expense negated), "of $30.00" (or
// "of *$70.00" for a limit summed from the subcategories), the hint "Left"
// when the amount is under the limit and "Over" otherwise (also when equal),
// and beside it the difference — or, while editing, the limit itself.
// Without a limit: the name in light grey, cut with "..." until name and
// amount fit in 240 points (200 for a subcategory), the amount, and while
// editing the add mark.
//
//   row#row:2:1 hint="Left" limit="of $30.00" note="$18.00" text="Groceries"
//               value="-$12.00" valueColor=… indent=yes

#include <string>

#include "Platform/foundation/Decimal.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TLBudgetField;

class BudgetFieldCell : public TableViewCell {
public:
    BudgetFieldCell();

    // Fills the row from `field` (its section gives the colour and sign).
    void setField(const TLBudgetField& field, bool editing);

    Label& nameLabel() { return textLabel(); }
    Label amountLabel;
    std::string limitText;
    std::string hintText;
    std::string noteText;
    bool addMark = false;
    bool indented = false;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;

    // The amount as a section shows it: an expense negated, in its colour.
    static std::string sectionAmountText(const Decimal& amount, int recordsType);
    static Color sectionColor(int recordsType);
};

}  // namespace tallo
