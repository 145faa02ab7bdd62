#pragma once
// TLViewC: a screen with a table, the area above it (header) and below it
// (footer), and the empty-state texts shown instead of the table when there
// is nothing to list. It is its table's data source and delegate; screens
// override the table calls.
//
// The row last tapped is kept in selectedIndexPath (row 10000 of section 0
// means none). When the screen comes into view again it shows that row
// selected and then deselects it, unless TLGlobal's shouldMissDeselect is
// set (the row may have been deleted).

#include <string>

#include "Classes/shell/TLNavigationViewC.h"
#include "Platform/ui/TableView.h"

namespace tallo {

class TLViewC : public TLNavigationViewC, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr IndexPath kNoSelection{0, 10000};

    explicit TLViewC(TableView::Style style = TableView::Style::Plain);

    TableView& tableView() { return tableView_; }
    IndexPath selectedIndexPath() const { return selectedIndexPath_; }
    void setSelectedIndexPath(IndexPath indexPath) { selectedIndexPath_ = indexPath; }

    // The empty-state texts; shown when the table is hidden.
    std::string label;
    std::string label2;

    void setEditing(bool editing, bool animated) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    // Builds the header and footer areas (screens add their texts).
    virtual void createHeaderAndFooter() {}
    virtual void configureView() {}
    virtual void updateFields() {}
    void reloadRowAtIndexPath(IndexPath indexPath) { tableView_.reloadRowsAtIndexPaths({indexPath}, TableView::RowAnimation::None); }

    // Table defaults: one empty section; a tap is remembered as the selected row.
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 0; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override { return nullptr; }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) override { selectedIndexPath_ = indexPath; }

protected:
    // A footer line as the settings screens draw them: centred text.
    static SceneNode footerText(const std::string& text, double size, bool bold);

private:
    TableView tableView_;
    IndexPath selectedIndexPath_ = kNoSelection;
};

}  // namespace tallo
