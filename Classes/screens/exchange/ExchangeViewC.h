#pragma once
// ExchangeViewC: "Import & Export" in Settings. The person chooses an
// account (or the whole book, for exports), then
//   - brings a bank file in: the page's file chooser uploads it to
//     "statementpicker"; a file that reads opens ImportPreviewViewC on it
//     (a CSV file with the formats its preview lets the person change), one
//     that does not shows why (with its line) under the chooser;
//   - takes the chosen account or the book out as CSV, QIF or a journal for
//     ledger and hledger: the file is offered to the page as a download
//     named after the account ("Checking.qif", "Tallo.journal").
//
//   content
//     table#table   section "Account": Whole Book, each account (✓ on the chosen)
//                   section "Export": CSV, QIF, Journal (ledger, hledger)
//     filepicker#statementpicker title="Import Bank File" error="…"
//     download name="Checking.qif" title="Save Checking.qif" detail="12 transactions"

#include <string>

#include "Classes/shell/TLViewC.h"

namespace tallo {

class TLAccount;

class ExchangeViewC : public TLViewC {
public:
    ExchangeViewC();

    void viewWillAppear(bool animated) override;
    void prepareForMode(int mode) override;
    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::string tableViewTitleForFooterInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void renderContent(SceneNode& content, SceneContext& context) override;

    // What an upload of a bank file does: the reason it was refused, or ""
    // (the preview then opens).
    const std::string& importFile(const std::vector<uint8_t>& data);
    // The export of the chosen account (or the book) in `format`
    // (TLExportFormat), offered to the page.
    void exportAs(int format);
    TLAccount* chosenAccount() const { return chosen_; }

private:
    std::vector<TLAccount*> accounts_;
    TLAccount* chosen_ = nullptr;  // nothing: the whole book
    std::string uploadError_;
    std::string offeredName_;
    std::string offeredDetail_;
};

}  // namespace tallo
