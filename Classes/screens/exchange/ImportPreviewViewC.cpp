#include "Classes/screens/exchange/ImportPreviewViewC.h"

#include <cstdio>

#include "Classes/exchange/TLImportPreview.h"
#include "Classes/exchange/TLImportRowState.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/AlertView.h"

namespace tallo {

namespace {

// The sections in the order shown, by the row state each lists.
constexpr int kSectionStates[] = {TLImportRowState::New, TLImportRowState::Unmatched, TLImportRowState::Duplicate};

std::string filedUnder(const TLImportRow& row) {
    if (row.transferAccount != nullptr) return "→ " + row.transferAccount->name().value_or("");
    if (row.category != nullptr) return row.category->name().value_or("");
    if (!row.newCategory.empty()) return row.newCategory + " " + L("(new)");
    if (!row.entry.splits.empty()) return stringWithFormat(L("%@ parts"), {std::to_string(row.entry.splits.size())});
    return L("Uncategorized");
}

}  // namespace

// Section 0 holds a CSV file's formats; sections 1–3 the rows by state.
constexpr int kFormatSection = 0;
constexpr const char* kOrders[] = {"01/15/2024", "15/01/2024", "2024-01-15"};

ImportPreviewViewC::ImportPreviewViewC(std::shared_ptr<TLImportPreview> preview)
    : TLViewC(TableView::Style::Grouped), sections_(3) {
    setTitle(L("Preview"));
    setPreview(std::move(preview));
}

ImportPreviewViewC::ImportPreviewViewC(TLAccount* account, std::string csvText, const CsvMapping& mapping)
    : TLViewC(TableView::Style::Grouped),
      sections_(3),
      isCsv_(true),
      account_(account),
      csvText_(std::move(csvText)),
      mapping_(mapping) {
    setTitle(L("Preview"));
    readCsv();
}

void ImportPreviewViewC::readCsv() {
    StatementResult read = mapping_.read(csvText_);
    readError_ = read.error;
    setPreview(std::make_shared<TLImportPreview>(read.statement, account_));
}

void ImportPreviewViewC::setPreview(std::shared_ptr<TLImportPreview> preview) {
    preview_ = std::move(preview);
    for (auto& rows : sections_) rows.clear();
    for (size_t i = 0; i < preview_->rows().size(); ++i) {
        for (size_t s = 0; s < 3; ++s) {
            if (preview_->rows()[i].state == kSectionStates[s]) sections_[s].push_back(i);
        }
    }
    if (!preview_->problem().empty()) {
        label = L("This file cannot be imported");
        label2 = preview_->problem();
        tableView().setHidden(true);
    }
}

void ImportPreviewViewC::prepareForMode(int) {
    setLeftBarButtonType(TLBarButtonType::Back);
    bool something = preview_->problem().empty() && readError_.empty() &&
                     sections_[0].size() + sections_[1].size() > 0 && !done_;
    navigationItem().rightBarButtonItem = BarButtonItem{L("Import"), "", something, true, [this] { importRows(); }};
}

int ImportPreviewViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (section == kFormatSection) return isCsv_ ? 2 : 0;
    return static_cast<int>(sections_[static_cast<size_t>(section - 1)].size());
}

std::string ImportPreviewViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (section == kFormatSection) return isCsv_ ? L("Reading the File") : "";
    static const char* const kTitles[] = {"New (%@)", "Without Category (%@)", "Already in the Book (%@)"};
    size_t count = sections_[static_cast<size_t>(section - 1)].size();
    return count == 0 ? "" : stringWithFormat(L(kTitles[section - 1]), {std::to_string(count)});
}

std::string ImportPreviewViewC::tableViewTitleForFooterInSection(TableView&, int section) {
    return section == kFormatSection ? readError_ : "";
}

std::shared_ptr<TableViewCell> ImportPreviewViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == kFormatSection) {
        auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Value1);
        bool dates = indexPath.row == 0;
        cell->textLabel().text = dates ? L("Dates") : L("Decimal Separator");
        cell->detailTextLabel().text = dates ? kOrders[static_cast<int>(mapping_.dateOrder)]
                                             : std::string(1, mapping_.decimalSeparator);
        return cell;
    }
    const TLImportRow& row =
        preview_->rows()[sections_[static_cast<size_t>(indexPath.section - 1)][static_cast<size_t>(indexPath.row)]];
    const StatementEntry& e = row.entry;
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Subtitle);
    cell->textLabel().text = !e.payee.empty() ? e.payee : !e.memo.empty() ? e.memo : L("No Payee");
    char day[16];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", e.day.year, e.day.month, e.day.day);
    std::string detail = std::string(day) + " · " + e.amount.toString() + " · " + filedUnder(row);
    if (!row.problem.empty()) detail += " · " + row.problem;
    cell->detailTextLabel().text = detail;
    return cell;
}

void ImportPreviewViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    table.deselectRowAtIndexPath(indexPath, false);
    if (indexPath.section != kFormatSection || done_) return;
    if (indexPath.row == 0) {
        mapping_.dateOrder = static_cast<CsvDateOrder>((static_cast<int>(mapping_.dateOrder) + 1) % 3);
    } else {
        mapping_.decimalSeparator = mapping_.decimalSeparator == '.' ? ',' : '.';
    }
    readCsv();
    prepareForMode(0);
    table.reloadData();
}

void ImportPreviewViewC::importRows() {
    if (done_) return;
    TLImportPreview::Outcome outcome = preview_->confirm();
    done_ = true;
    prepareForMode(0);
    std::shared_ptr<AlertView> alert;
    if (outcome.ok()) {
        alert = std::make_shared<AlertView>(
            L("Imported"),
            stringWithFormat(L("%@ transactions imported into %@, %@ already in the book left out."),
                             {std::to_string(outcome.imported), preview_->account()->name().value_or(""),
                              std::to_string(outcome.skipped)}),
            L("OK"));
    } else {
        alert = std::make_shared<AlertView>(L("Nothing Imported"), outcome.error, L("OK"));
    }
    std::weak_ptr<ViewController> weak = weak_from_this();
    alert->clicked = [this, weak](int) {
        if (weak.lock()) popView();
    };
    alert->show();
}

}  // namespace tallo
