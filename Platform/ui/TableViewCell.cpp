#include "Platform/ui/TableViewCell.h"

#include <cstdio>
#include <utility>

namespace tallo {

namespace {

const char* styleName(TableViewCell::Style style) {
    switch (style) {
        case TableViewCell::Style::Default: return "default";
        case TableViewCell::Style::Value1: return "value1";
        case TableViewCell::Style::Value2: return "value2";
        case TableViewCell::Style::Subtitle: return "subtitle";
    }
    return "default";
}

const char* accessoryName(TableViewCell::Accessory accessory) {
    switch (accessory) {
        case TableViewCell::Accessory::None: return "";
        case TableViewCell::Accessory::DisclosureIndicator: return "disclosure";
        case TableViewCell::Accessory::DetailDisclosureButton: return "detail";
        case TableViewCell::Accessory::Checkmark: return "checkmark";
    }
    return "";
}

void renderLabel(SceneNode& row, const char* prefix, const Label& label) {
    if (label.hidden || label.text.empty()) return;
    std::string name(prefix);
    row.set(name, label.text);
    if (label.color) row.set(name + "Color", label.color->css());
    if (label.fontSize > 0) row.set(name + "Size", label.fontSize);
    if (label.bold) row.set(name + "Bold", true);
    if (label.centered) row.set(name + "Align", "center");
}

}  // namespace

std::string Color::css() const {
    char text[64];
    std::snprintf(text, sizeof text, "rgba(%d,%d,%d,%g)", static_cast<int>(red * 255 + 0.5), static_cast<int>(green * 255 + 0.5),
                  static_cast<int>(blue * 255 + 0.5), alpha);
    return text;
}

TableViewCell::TableViewCell(Style style, std::string reuseIdentifier)
    : style_(style), reuseIdentifier_(std::move(reuseIdentifier)) {}

TableViewCell::~TableViewCell() = default;

void TableViewCell::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    row.set("style", styleName(style_));
    renderLabel(row, "text", text_);
    renderLabel(row, "detail", detail_);
    if (!imageName.empty()) row.set("image", imageName);
    if (imageInactive) row.set("imageInactive", true);
    if (accessoryType != Accessory::None) row.set("accessory", accessoryName(accessoryType));
    if (backgroundColor) row.set("background", backgroundColor->css());
    if (rowHeight > 0) row.set("height", rowHeight);
    if (switchControl) {
        std::string id = "switch:" + suffix;
        SceneNode& control = row.add(SceneNode("switch", id));
        control.set("on", switchControl->on);
        if (!switchControl->enabled) {
            control.set("enabled", false);
        } else {
            Switch* control_ = switchControl.get();
            context.addAction(id, [control_](const UIEvent& event) {
                if (event.kind != UIEvent::Kind::Toggle) return;
                control_->on = event.on;
                if (control_->valueChanged) control_->valueChanged(event.on);
            });
        }
    }
    if (textField) {
        std::string id = "field:" + suffix;
        SceneNode& field = row.add(SceneNode("field", id));
        field.set("text", textField->text);
        if (!textField->placeholder.empty()) field.set("placeholder", textField->placeholder);
        if (textField->secure) field.set("secure", true);
        if (textField->multiline) field.set("multiline", true);
        field.set("keyboard", textField->keyboard);
        if (std::exchange(textField->focusRequested, false)) field.set("focus", true);
        TextField* field_ = textField.get();
        context.addAction(id, [field_](const UIEvent& event) {
            if (event.kind != UIEvent::Kind::Text) return;
            field_->text = event.text;
            if (field_->editingChanged) field_->editingChanged(event.text);
        });
    }
    if (segmentedControl) {
        SceneNode& control = row.add(SceneNode("segmented"));
        for (size_t i = 0; i < segmentedControl->items.size(); ++i) {
            std::string id = "segment:" + suffix + ":" + std::to_string(i);
            SceneNode& segment = control.add(SceneNode("segment", id));
            segment.set("title", segmentedControl->items[i]);
            if (static_cast<int>(i) == segmentedControl->selectedIndex) segment.set("selected", true);
            Segmented* control_ = segmentedControl.get();
            int index = static_cast<int>(i);
            context.addAction(id, [control_, index](const UIEvent& event) {
                if (event.kind != UIEvent::Kind::Tap) return;
                control_->selectedIndex = index;
                if (control_->valueChanged) control_->valueChanged(index);
            });
        }
    }
}

}  // namespace tallo
