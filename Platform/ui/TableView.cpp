#include "Platform/ui/TableView.h"

#include <utility>

namespace tallo {

namespace {

std::string rowsText(const char* kind, const std::vector<IndexPath>& rows) {
    std::string text = kind;
    for (const IndexPath& row : rows) text += " " + std::to_string(row.section) + ":" + std::to_string(row.row);
    return text;
}

std::string suffix(IndexPath indexPath) { return std::to_string(indexPath.section) + ":" + std::to_string(indexPath.row); }

const char* animationName(TableView::RowAnimation animation) {
    switch (animation) {
        case TableView::RowAnimation::None: return "";
        case TableView::RowAnimation::Fade: return "fade";
        case TableView::RowAnimation::Right: return "right";
        case TableView::RowAnimation::Left: return "left";
        case TableView::RowAnimation::Top: return "top";
        case TableView::RowAnimation::Bottom: return "bottom";
    }
    return "";
}

// One more change of the pending update; after a full reload only the rows
// changed since then are news.
void addChange(std::string& changes, const std::string& change) {
    if (changes == "reload") changes.clear();
    changes += (changes.empty() ? "" : "; ") + change;
}

}  // namespace

void TableView::setEditing(bool editing, bool /*animated*/) { editing_ = editing; }

void TableView::reloadData() {
    change_ = "reload";
    inserted_.clear();
    // The rows may all be different ones now.
    selected_.reset();
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation) {
    if (rows.empty()) return;
    if (change_ == "reload") inserted_.clear();
    addChange(change_, rowsText("insert", rows));
    for (const IndexPath& row : rows) inserted_.emplace_back(row, animation);
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation) {
    if (!rows.empty()) addChange(change_, rowsText("delete", rows));
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation) {
    // After a full reload every row is redrawn anyway.
    if (!rows.empty() && change_ != "reload") addChange(change_, rowsText("reload", rows));
}

void TableView::selectRowAtIndexPath(IndexPath indexPath, bool) { selected_ = indexPath; }

void TableView::deselectRowAtIndexPath(IndexPath indexPath, bool) {
    if (selected_ == indexPath) selected_.reset();
}

void TableView::scrollToRowAtIndexPath(IndexPath indexPath, bool) { scrollTarget_ = indexPath; }

int TableView::numberOfRowsInSection(int section) {
    return dataSource_ != nullptr ? dataSource_->tableViewNumberOfRowsInSection(*this, section) : 0;
}

void TableView::tapRow(IndexPath indexPath) {
    if (delegate_ != nullptr) delegate_->tableViewDidSelectRowAtIndexPath(*this, indexPath);
}

// The table as one node: its state, the index strip, then each section and
// row with the actions the person may take on them.
void TableView::render(SceneNode& into, SceneContext& context) {
    for (const SceneNode& node : header_) into.add(node);
    if (!hidden_ && dataSource_ != nullptr) {
        SceneNode& table = into.add(SceneNode("table", "table"));
        renderTableState(table, context);
        renderIndex(table, context);
        int sections = dataSource_->numberOfSectionsInTableView(*this);
        for (int s = 0; s < sections; ++s) renderSection(table.add(SceneNode("section")), s, context);
    }
    // The update is drawn once.
    inserted_.clear();
    for (const SceneNode& node : footer_) into.add(node);
}

void TableView::renderTableState(SceneNode& table, SceneContext& context) {
    table.set("style", style_ == Style::Grouped ? "grouped" : "plain");
    if (editing_) table.set("editing", true);
    if (!change_.empty()) table.set("change", std::exchange(change_, std::string()));
    if (scrollTarget_) table.set("scrollTo", suffix(*std::exchange(scrollTarget_, std::nullopt)));
    if (rightMargin > 0) table.set("rightMargin", rightMargin);
    if (rowHeight > 0) table.set("rowHeight", rowHeight);
    if (contentOffset_ != 0) table.set("offset", contentOffset_);
    if (offsetAnimation_ > 0) table.set("animate", std::exchange(offsetAnimation_, 0.0));
    if (bottomInset_ != 0) table.set("inset", bottomInset_);
    if (delegate_ == nullptr) return;
    context.addAction("table", [this](const UIEvent& event) {
        if (delegate_ == nullptr) return;
        if (event.kind == UIEvent::Kind::Refresh) delegate_->tableViewDidPullToRefresh(*this);
        if (event.kind == UIEvent::Kind::Scroll) {
            contentOffset_ = event.offset;
            delegate_->scrollViewDidEndDragging(*this, event.offset);
        }
    });
}

void TableView::renderIndex(SceneNode& table, SceneContext& context) {
    std::vector<std::string> index = dataSource_->sectionIndexTitlesForTableView(*this);
    if (index.empty()) return;
    SceneNode& strip = table.add(SceneNode("index"));
    for (size_t i = 0; i < index.size(); ++i) {
        std::string id = "index:" + std::to_string(i);
        strip.add(SceneNode("indexTitle", id)).set("title", index[i]);
        context.addAction(id, [this, title = index[i], i](const UIEvent&) {
            if (delegate_ == nullptr) return;
            int section = delegate_->tableViewSectionForSectionIndexTitleAtIndex(*this, title, static_cast<int>(i));
            scrollTarget_ = IndexPath{section, 0};
        });
    }
}

const char* TableView::insertedAnimation(IndexPath path) const {
    for (const auto& [row, animation] : inserted_) {
        if (row == path) return animationName(animation);
    }
    return "";
}

void TableView::renderSection(SceneNode& section, int s, SceneContext& context) {
    std::string header = dataSource_->tableViewTitleForHeaderInSection(*this, s);
    std::string footer = dataSource_->tableViewTitleForFooterInSection(*this, s);
    if (!header.empty()) section.set("header", header);
    if (!footer.empty()) section.set("footer", footer);
    int rows = dataSource_->tableViewNumberOfRowsInSection(*this, s);
    for (int r = 0; r < rows; ++r) {
        IndexPath path{s, r};
        std::string id = "row:" + suffix(path);
        SceneNode& row = section.add(SceneNode("row", id));
        std::shared_ptr<TableViewCell> cell = dataSource_->tableViewCellForRowAtIndexPath(*this, path);
        if (cell) cell->render(row, context, suffix(path));
        if (selected_ == path) row.set("selected", true);
        if (const char* animation = insertedAnimation(path); *animation != '\0') row.set("inserted", animation);
        if (!cell || cell->selectable) {
            context.addAction(id, [this, path](const UIEvent& event) {
                if (event.kind == UIEvent::Kind::Tap) tapRow(path);
            });
        }
        if (cell && cell->accessoryType == TableViewCell::Accessory::DetailDisclosureButton) {
            context.addAction("accessory:" + suffix(path), [this, path](const UIEvent& event) {
                if (event.kind == UIEvent::Kind::Tap && delegate_ != nullptr) {
                    delegate_->tableViewAccessoryButtonTappedForRowWithIndexPath(*this, path);
                }
            });
        }
        renderRowEditing(row, path, context);
    }
}

// The row's editing controls: the green "+" of a row that adds one (the
// "Add …" row of an editor), swipe-to-delete, and the drag handle.
void TableView::renderRowEditing(SceneNode& row, IndexPath path, SceneContext& context) {
    bool editable = dataSource_->tableViewCanEditRowAtIndexPath(*this, path);
    using EditingStyle = TableViewCellEditingStyle;
    EditingStyle style = editable && delegate_ != nullptr ? delegate_->tableViewEditingStyleForRowAtIndexPath(*this, path)
                                                          : EditingStyle::Delete;
    if (editable && editing_ && style == EditingStyle::Insert) {
        row.set("insertable", true);
        context.addAction("insert:" + suffix(path), [this, path](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Tap && dataSource_ != nullptr) dataSource_->tableViewCommitInsertForRowAtIndexPath(*this, path);
        });
    } else if (editable && style == EditingStyle::Delete) {
        row.set("deletable", true);
        context.addAction("delete:" + suffix(path), [this, path](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Delete && dataSource_ != nullptr) {
                dataSource_->tableViewCommitDeleteForRowAtIndexPath(*this, path);
            }
        });
    }
    if (!editing_ || !dataSource_->tableViewCanMoveRowAtIndexPath(*this, path)) return;
    row.set("movable", true);
    context.addAction("move:" + suffix(path), [this, path](const UIEvent& event) {
        if (event.kind != UIEvent::Kind::Move || dataSource_ == nullptr) return;
        IndexPath to{event.toSection, event.toRow};
        // Only to a place that exists.
        int sections = dataSource_->numberOfSectionsInTableView(*this);
        if (to.section >= sections || to.row >= dataSource_->tableViewNumberOfRowsInSection(*this, to.section)) return;
        dataSource_->tableViewMoveRowAtIndexPathToIndexPath(*this, path, to);
    });
}

}  // namespace tallo
