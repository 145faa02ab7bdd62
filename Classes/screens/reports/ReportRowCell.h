#pragma once
// ReportRowCell: a row of a report's table — a picture, a text over a second
// line, and an amount on the right in its sign's colour (red below zero,
// green above, grey at zero; or a colour of its own). A legend row also
// carries the colour of its slice, drawn as a dot before the text:
//
//   row#row:1:0 image="Food" swatch="#f2711c" text="Food" detail="70.9%" value="$163.64" …

#include <optional>
#include <string>

#include "Classes/controls/TLPictureCell.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class ReportRowCell : public TLPictureCell {
public:
    ReportRowCell();

    // The amount in the default currency, coloured by its sign.
    void setAmount(const Decimal& amount);
    std::string value;
    std::optional<Color> valueColor;
    std::string swatch;  // a CSS colour, "" for none

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;
};

}  // namespace tallo
