#include "Platform/ui/PickerView.h"

namespace tallo {

PickerView::PickerView(std::string id, Rect frame) : View(frame), id_(std::move(id)) {}

int PickerView::selectedRowInComponent(int component) const {
    if (component < 0 || static_cast<size_t>(component) >= selected_.size()) return 0;
    return selected_[static_cast<size_t>(component)];
}

void PickerView::selectRow(int row, int component, bool) {
    if (component < 0 || row < 0) return;
    if (selected_.size() <= static_cast<size_t>(component)) selected_.resize(static_cast<size_t>(component) + 1, 0);
    selected_[static_cast<size_t>(component)] = row;
}

SceneNode PickerView::makeNode(SceneContext& context) {
    SceneNode node("picker", id_);
    if (showsSelectionIndicator) node.set("indicator", true);
    if (dataSource_ == nullptr) return node;
    std::weak_ptr<View> weak = weak_from_this();
    int components = dataSource_->numberOfComponentsInPickerView(*this);
    for (int c = 0; c < components; ++c) {
        SceneNode& wheel = node.add(SceneNode("component"));
        int rows = dataSource_->pickerViewNumberOfRowsInComponent(*this, c);
        for (int r = 0; r < rows; ++r) {
            std::string rowId = id_ + ":" + std::to_string(c) + ":" + std::to_string(r);
            SceneNode& row = wheel.add(SceneNode("pickerRow", rowId));
            row.set("title", dataSource_->pickerViewTitleForRow(*this, r, c));
            if (selectedRowInComponent(c) == r) row.set("selected", true);
            context.addAction(rowId, [this, weak, r, c](const UIEvent& event) {
                auto alive = weak.lock();
                if (!alive || event.kind != UIEvent::Kind::Tap) return;
                selectRow(r, c, true);
                if (delegate_ != nullptr) delegate_->pickerViewDidSelectRow(*this, r, c);
            });
        }
    }
    return node;
}

}  // namespace tallo
