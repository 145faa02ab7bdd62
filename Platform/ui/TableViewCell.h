#pragma once
// TableViewCell: one row of a table — its texts (a main text and a detail
// or subtitle), picture, accessory (disclosure arrow, check mark), colours
// and font, and at most one control: a switch, a text field or a segmented
// control, whose changes reach the cell's handlers. Cells are made by the
// table's data source each time the table is drawn; a screen that keeps a
// prepared cell (a settings row) hands out the same one.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    static Color white(double white, double alpha = 1) { return {white, white, white, alpha}; }
    std::string css() const;
    friend bool operator==(const Color&, const Color&) = default;
};

struct Label {
    std::string text;
    std::optional<Color> color;
    double fontSize = 0;  // 0: the style's size
    bool bold = false;
    bool hidden = false;
    bool centered = false;  // the text centred in the row
};

class TableViewCell {
public:
    enum class Style { Default, Value1, Value2, Subtitle };
    enum class Accessory { None, DisclosureIndicator, DetailDisclosureButton, Checkmark };

    struct Switch {
        bool on = false;
        bool enabled = true;
        std::function<void(bool)> valueChanged;
    };
    struct TextField {
        std::string text;
        std::string placeholder;
        bool secure = false;
        bool multiline = false;  // a text view: several lines (notes)
        std::string keyboard = "default";  // "default", "number", "decimal"
        std::function<void(const std::string&)> editingChanged;
        // Puts the caret into the field (at the end of its text) at the next
        // drawing, and only then: later drawings leave the focus where the
        // person put it.
        void becomeFirstResponder() { focusRequested = true; }
        bool focusRequested = false;
    };
    struct Segmented {
        std::vector<std::string> items;
        int selectedIndex = 0;
        std::function<void(int)> valueChanged;
    };

    explicit TableViewCell(Style style = Style::Default, std::string reuseIdentifier = "cell");
    virtual ~TableViewCell();

    Style style() const { return style_; }
    Label& textLabel() { return text_; }
    Label& detailTextLabel() { return detail_; }
    std::string imageName;
    bool imageInactive = false;
    Accessory accessoryType = Accessory::None;
    bool selectable = true;
    // The row's height in points; 0 is the table's standard row of 44.
    double rowHeight = 0;
    std::optional<Color> backgroundColor;
    std::unique_ptr<Switch> switchControl;
    std::unique_ptr<TextField> textField;
    std::unique_ptr<Segmented> segmentedControl;

    // Draws the row into `row` (whose id is "row:<section>:<row>"),
    // registering the control's handler under "<kind>:<section>:<row>".
    virtual void render(SceneNode& row, SceneContext& context, const std::string& suffix);

private:
    Style style_;
    std::string reuseIdentifier_;
    Label text_;
    Label detail_;
};

}  // namespace tallo
