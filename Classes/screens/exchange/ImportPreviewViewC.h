#pragma once
// ImportPreviewViewC: what importing a bank file into an account will do,
// before anything changes — the rows to enter ("New"), those without a
// category to file them under ("Without Category", entered uncategorised)
// and those already in the book ("Already in the Book", left out). Each row
// shows the payee (or memo), the day, the amount and where it will be filed.
// "Import" enters the new rows in one save and says how many; when a row
// cannot be entered nothing is, and the alert names its line. Either alert
// closes the screen; so does "Back" without importing.

#include <memory>

#include "Classes/shell/TLViewC.h"

namespace tallo {

class TLImportPreview;

class ImportPreviewViewC : public TLViewC {
public:
    explicit ImportPreviewViewC(std::shared_ptr<TLImportPreview> preview);

    void prepareForMode(int mode) override;
    int numberOfSectionsInTableView(TableView&) override { return 3; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    // Enters the rows (see above).
    void importRows();

private:
    std::shared_ptr<TLImportPreview> preview_;
    std::vector<std::vector<size_t>> sections_;  // row numbers of the preview, by section
    bool done_ = false;
};

}  // namespace tallo
