#pragma once
// TableView: a list of rows in sections, plain or grouped, asked of its data
// source each time it is drawn and reporting taps, deletions and moves to
// its delegate. It keeps what the person sees besides the rows: the selected
// row, editing mode, whether it is hidden, the scroll position, a section
// index and the last row change (for the client to animate).

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/ui/IndexPath.h"
#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TableView;

enum class TableViewCellEditingStyle { None, Delete, Insert };

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView& table, int section) = 0;
    // The cell of the row; the table keeps it only while drawing.
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) = 0;
    virtual std::string tableViewTitleForHeaderInSection(TableView&, int) { return {}; }
    virtual std::string tableViewTitleForFooterInSection(TableView&, int) { return {}; }
    virtual std::vector<std::string> sectionIndexTitlesForTableView(TableView&) { return {}; }
    virtual bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) { return false; }
    virtual bool tableViewCanMoveRowAtIndexPath(TableView&, IndexPath) { return false; }
    // The person deleted (swipe or editing control) a row.
    virtual void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath) {}
    // The person tapped the "+" of a row whose editing style is Insert.
    virtual void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) {}
    virtual void tableViewMoveRowAtIndexPathToIndexPath(TableView&, IndexPath, IndexPath) {}
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) {}
    // A tap on the right-hand part of a row whose accessory is
    // DetailDisclosureButton (its detail text and the button beside it),
    // apart from a tap on the rest of the row.
    virtual void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath) {}
    // How an editable row is edited: swiped or minus-deleted (the default),
    // or, while the table is editing, added to with a "+".
    virtual TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath) {
        return TableViewCellEditingStyle::Delete;
    }
    // A tap on the index strip's title at `index`; answers the section to show.
    virtual int tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string&, int index) { return index; }
    // The person pulled the list down past its top.
    virtual void tableViewDidPullToRefresh(TableView&) {}
    // A drag of the list ended with its content `offset` points scrolled
    // up (0: at the top; the area above the rows counts).
    virtual void scrollViewDidEndDragging(TableView&, double /*offset*/) {}
};

class TableView {
public:
    enum class Style { Plain, Grouped };
    enum class RowAnimation { None, Fade, Right, Left, Top, Bottom };

    explicit TableView(Style style = Style::Plain) : style_(style) {}

    Style style() const { return style_; }
    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(TableViewDataSource* source) { dataSource_ = source; }
    TableViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated);

    // Everything is asked again at the next drawing; these say what changed
    // so the client can animate it. The changes made before one drawing form
    // one update, drawn once: the table reads change="delete 0:2; insert 0:3"
    // and each inserted row carries its animation (inserted="fade"; None
    // marks nothing). Rows are numbered as in the table after the update,
    // deleted ones as before it. reloadData drops the pending update (every
    // row may be different now) and forgets the selected row.
    void reloadData();
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);

    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    void selectRowAtIndexPath(IndexPath indexPath, bool animated);
    void deselectRowAtIndexPath(IndexPath indexPath, bool animated);
    void scrollToRowAtIndexPath(IndexPath indexPath, bool animated);
    // Points the content is scrolled up; drawn when not 0.
    double contentOffset() const { return contentOffset_; }
    void setContentOffset(double offset, double animationSeconds = 0) {
        contentOffset_ = offset;
        offsetAnimation_ = animationSeconds;
    }
    // Points taken off the bottom of the list (the keyboard or a picker
    // covers them); drawn when not 0.
    double bottomInset() const { return bottomInset_; }
    void setBottomInset(double inset) { bottomInset_ = inset; }

    // Texts above and below the rows (the empty states, footers).
    std::vector<SceneNode>& headerNodes() { return header_; }
    std::vector<SceneNode>& footerNodes() { return footer_; }
    int rightMargin = 0;
    // The height in points of a row whose cell asks for none; 0 leaves it
    // to the page's standard row.
    double rowHeight = 0;

    // The number of rows the data source reports for `section`.
    int numberOfRowsInSection(int section);
    void render(SceneNode& into, SceneContext& context);

private:
    void renderTableState(SceneNode& table, SceneContext& context);
    void renderIndex(SceneNode& table, SceneContext& context);
    void renderSection(SceneNode& section, int s, SceneContext& context);
    void renderRowEditing(SceneNode& row, IndexPath path, SceneContext& context);
    void tapRow(IndexPath indexPath);
    // The animation of a row of the pending update's insertions; "" for others.
    const char* insertedAnimation(IndexPath path) const;

    Style style_;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    bool hidden_ = false;
    bool editing_ = false;
    std::optional<IndexPath> selected_;
    std::optional<IndexPath> scrollTarget_;
    double contentOffset_ = 0;
    double offsetAnimation_ = 0;
    double bottomInset_ = 0;
    std::string change_;  // the row changes since the last drawing, for the client
    std::vector<std::pair<IndexPath, RowAnimation>> inserted_;
    std::vector<SceneNode> header_;
    std::vector<SceneNode> footer_;
};

}  // namespace tallo
