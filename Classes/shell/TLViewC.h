#pragma once
// TLViewC: a screen with a table, the area above it (header) and below it
// (footer), and the empty-state texts shown instead of the table when there
// is nothing to list. It is its table's data source and delegate; screens
// override the table calls.
//
// Selected row: the row last tapped is kept in selectedIndexPath (row 10000
// of section 0 means none). When the screen comes into view again it shows
// that row selected and then deselects it, unless TLGlobal's
// shouldMissDeselect is set (the row may have been deleted).
//
// Header area (a search bar), when enabled: a drag of the table that ends
// with less than headerHeight scrolled either opens the header (more than
// half of it, headerHeight / 2 in whole points, in view: shown fully and
// marked activated; an activated one at once, without animation) or, when
// the screen lets it hide at the end of a drag, hides it (not activated,
// after a delay of 0.1 s).
//
// Keyboard and picker room: a visible screen that hears the keyboard's
// will-show notification or "pickerWillShow" hides both shared pickers and,
// once, takes the keyboard's (or the date picker's) height off the bottom of
// its table — less 50 points on a screen that is not modal (the tab bar lies
// under the keyboard) and 62 more when its navigation bar is hidden. The
// will-hide notification or "pickerWillHide" gives back exactly what was
// taken, unless the screen is reloading.

#include <string>

#include "Classes/shell/TLNavigationViewC.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/ui/Keyboard.h"
#include "Platform/ui/TableView.h"

namespace tallo {

class TLViewC : public TLNavigationViewC, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr IndexPath kNoSelection{0, 10000};

    explicit TLViewC(TableView::Style style = TableView::Style::Plain);
    ~TLViewC() override;

    TableView& tableView() { return tableView_; }
    IndexPath selectedIndexPath() const { return selectedIndexPath_; }
    void setSelectedIndexPath(IndexPath indexPath) { selectedIndexPath_ = indexPath; }

    // The empty-state texts and panel; shown when the table is hidden.
    std::string label;
    std::string label2;
    bool infoViewShown = false;

    // Header area.
    int headerHeight = 0;
    bool isHeaderViewEnabled = false;
    bool shouldHeaderViewHideOnEndDraging = true;
    bool isHeaderViewActivated = false;
    bool isEndedInHeader = false;
    double headerHideDelay = 0;
    void setHeaderHeight(int height) { headerHeight = height; }
    void setIsHeaderViewEnabled(bool enabled) { isHeaderViewEnabled = enabled; }
    // Scrolls the header fully into view, or out of it (after headerHideDelay).
    void showHeaderViewAnimated(bool animated);
    void hideHeaderViewAnimated(bool animated);
    bool isHeaderViewShown() const { return tableView_.contentOffset() <= 0; }

    double networthHeight = 0;  // a balance bar under the table; 0 when none
    double footerHeight = 0;
    bool isDeletable = false;
    bool crossoutDeleteActive = false;
    bool keyboardIsOn = false;
    bool isReloading = false;

    void setEditing(bool editing, bool animated) override;
    // Also refreshes the fields and resizes the footer 0.2 s later.
    void toggleEdit() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    // Builds the header and footer areas (screens add their texts).
    virtual void createHeaderAndFooter() {}
    virtual void configureView() {}
    virtual void updateFields() {}
    virtual void resizeFooterView() {}
    // Draws the header area above the rows (while it is enabled).
    virtual void renderHeaderView(SceneNode& /*content*/, SceneContext& /*context*/) {}
    void reloadRowAtIndexPath(IndexPath indexPath) { tableView_.reloadRowsAtIndexPaths({indexPath}, TableView::RowAnimation::None); }

    // The keyboard's and the pickers' notifications.
    void keyboardWillShow(const Notification& notification);
    void keyboardWillHide(const Notification& notification);
    // Points taken off the table for the keyboard or a picker now.
    double keyboardRoom() const { return keyboardRoom_; }

    // Table defaults: one empty section; a tap is remembered as the selected row.
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 0; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override { return nullptr; }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) override { selectedIndexPath_ = indexPath; }
    void scrollViewDidEndDragging(TableView& table, double offset) override;

protected:
    // A footer line as the settings screens draw them: centred text.
    static SceneNode footerText(const std::string& text, double size, bool bold);
    // Runs `task` after `seconds` unless the screen is gone by then.
    void performAfterDelay(double seconds, std::function<void()> task);

private:
    TableView tableView_;
    IndexPath selectedIndexPath_ = kNoSelection;
    double keyboardRoom_ = 0;
};

}  // namespace tallo
