#pragma once
// ImportPreviewViewC: what importing a bank file into an account will do,
// before anything changes — the rows to enter ("New"), those without a
// category to file them under ("Without Category", entered uncategorised)
// and those already in the book ("Already in the Book", left out). Each row
// shows the payee (or memo), the day, the amount and where it will be filed.
// "Import" enters the new rows in one save and says how many; when a row
// cannot be entered nothing is, and the alert names its line. Either alert
// closes the screen; so does "Back" without importing.
//
// A CSV file's preview starts with the way its dates and numbers are read
// ("Dates" 01/15/2024 → 15/01/2024 → 2024-01-15, "Decimal Separator" "." ↔
// ","): a tap on either reads the file again and the preview follows; a
// reading that fails shows its line under them and imports nothing.

#include <memory>
#include <string>

#include "Classes/shell/TLViewC.h"
#include "Platform/import/CsvMapping.h"

namespace tallo {

class TLAccount;
class TLImportPreview;

class ImportPreviewViewC : public TLViewC {
public:
    explicit ImportPreviewViewC(std::shared_ptr<TLImportPreview> preview);
    // A CSV file, read with `mapping` (its formats may then be changed here).
    ImportPreviewViewC(TLAccount* account, std::string csvText, const CsvMapping& mapping);

    void prepareForMode(int mode) override;
    int numberOfSectionsInTableView(TableView&) override { return 4; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::string tableViewTitleForFooterInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    // Enters the rows (see above).
    void importRows();

private:
    void setPreview(std::shared_ptr<TLImportPreview> preview);
    void readCsv();
    std::shared_ptr<TLImportPreview> preview_;
    std::vector<std::vector<size_t>> sections_;  // row numbers of the preview, by state section
    bool isCsv_ = false;
    TLAccount* account_ = nullptr;
    std::string csvText_;
    CsvMapping mapping_;
    std::string readError_;
    bool done_ = false;
};

}  // namespace tallo
