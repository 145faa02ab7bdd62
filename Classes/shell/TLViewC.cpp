#include "Classes/shell/TLViewC.h"

#include "Classes/shell/TLGlobal.h"

namespace tallo {

TLViewC::TLViewC(TableView::Style style) : tableView_(style) {
    tableView_.setDataSource(this);
    tableView_.setDelegate(this);
}

void TLViewC::viewDidLoad() {
    configureView();
    createHeaderAndFooter();
}

void TLViewC::setEditing(bool editing, bool animated) {
    TLNavigationViewC::setEditing(editing, animated);
    tableView_.setEditing(editing, animated);
    updateFields();
}

void TLViewC::viewWillAppear(bool) {
    if (selectedIndexPath_ != kNoSelection && !TLGlobal::sharedGlobal().shouldMissDeselect()) {
        tableView_.selectRowAtIndexPath(selectedIndexPath_, false);
    }
}

void TLViewC::viewDidAppear(bool) {
    if (selectedIndexPath_ != kNoSelection && !TLGlobal::sharedGlobal().shouldMissDeselect()) {
        tableView_.deselectRowAtIndexPath(selectedIndexPath_, true);
    }
    selectedIndexPath_ = kNoSelection;
}

void TLViewC::renderContent(SceneNode& content, SceneContext& context) {
    if (tableView_.isHidden()) {
        SceneNode& empty = content.add(SceneNode("empty"));
        if (!label.empty()) empty.set("title", label);
        if (!label2.empty()) empty.set("detail", label2);
    }
    tableView_.render(content, context);
}

SceneNode TLViewC::footerText(const std::string& text, double size, bool bold) {
    SceneNode line("text");
    line.set("text", text);
    line.set("size", size);
    if (bold) line.set("bold", true);
    line.set("align", "center");
    line.set("color", Color{0.392, 0.4, 0.486}.css());
    return line;
}

}  // namespace tallo
