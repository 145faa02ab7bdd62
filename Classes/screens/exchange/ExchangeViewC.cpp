#include "Classes/screens/exchange/ExchangeViewC.h"

#include <algorithm>
#include <cctype>

#include "Classes/exchange/TLBookExporter.h"
#include "Classes/exchange/TLImportPreview.h"
#include "Classes/exchange/TLStatementFormat.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/screens/exchange/ImportPreviewViewC.h"
#include "Classes/screens/exchange/TLExportFormat.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/DownloadOffer.h"

namespace tallo {

namespace {

constexpr int kAccountSection = 0;

struct FormatRow {
    const char* label;
    const char* extension;
    const char* contentType;
};
constexpr FormatRow kFormats[TLExportFormat::Count] = {{"CSV", "csv", "text/csv; charset=utf-8"},
                                                       {"QIF", "qif", "application/qif"},
                                                       {"Journal (ledger, hledger)", "journal", "text/plain; charset=utf-8"}};

// A file name from an account name: letters, digits, '-', '_' and '.' kept,
// anything else '_' ("Euro Account" → "Euro_Account").
std::string fileNameFor(const std::string& name) {
    std::string out;
    for (unsigned char c : name) out += std::isalnum(c) || c == '-' || c == '_' || c == '.' ? static_cast<char>(c) : '_';
    return out.empty() || out[0] == '.' ? "Tallo" + out : out;
}

}  // namespace

ExchangeViewC::ExchangeViewC() : TLViewC(TableView::Style::Grouped) { setTitle(L("Import & Export")); }

void ExchangeViewC::viewWillAppear(bool animated) {
    accounts_ = TLAccount::getAccounts();
    if (chosen_ != nullptr && std::find(accounts_.begin(), accounts_.end(), chosen_) == accounts_.end()) chosen_ = nullptr;
    if (chosen_ == nullptr) chosen_ = TLAccount::getDefaultAccount();
    TLViewC::viewWillAppear(animated);
    tableView().reloadData();
}

void ExchangeViewC::prepareForMode(int) { setLeftBarButtonType(TLBarButtonType::Back); }

int ExchangeViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    return section == kAccountSection ? static_cast<int>(accounts_.size()) + 1 : TLExportFormat::Count;
}

std::string ExchangeViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    return section == kAccountSection ? L("Account") : L("Export");
}

std::string ExchangeViewC::tableViewTitleForFooterInSection(TableView&, int section) {
    return section == kAccountSection ? L("Bank files are imported into the account chosen here.")
                                      : L("The journal is read by ledger and hledger.");
}

std::shared_ptr<TableViewCell> ExchangeViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>();
    if (indexPath.section == kAccountSection) {
        TLAccount* account = indexPath.row == 0 ? nullptr : accounts_[static_cast<size_t>(indexPath.row - 1)];
        cell->textLabel().text = account == nullptr ? L("Whole Book") : account->name().value_or("");
        if (account != nullptr) cell->imageName = account->getIcon().name;
        if (account == chosen_) cell->accessoryType = TableViewCell::Accessory::Checkmark;
    } else {
        cell->textLabel().text = L(kFormats[indexPath.row].label);
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    }
    return cell;
}

void ExchangeViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    table.deselectRowAtIndexPath(indexPath, false);
    if (indexPath.section == kAccountSection) {
        chosen_ = indexPath.row == 0 ? nullptr : accounts_[static_cast<size_t>(indexPath.row - 1)];
        uploadError_.clear();
        table.reloadData();
        return;
    }
    exportAs(indexPath.row);
}

void ExchangeViewC::exportAs(int format) {
    if (format < 0 || format >= TLExportFormat::Count) return;
    std::string text = format == TLExportFormat::Csv   ? TLBookExporter::csv(chosen_)
                       : format == TLExportFormat::Qif ? TLBookExporter::qif(chosen_)
                                                       : TLBookExporter::journal(chosen_);
    std::string base = chosen_ == nullptr ? "Tallo" : fileNameFor(chosen_->name().value_or(""));
    offeredName_ = base + "." + kFormats[format].extension;
    size_t count = 0;
    if (chosen_ != nullptr) {
        count = chosen_->transactions().size();
    } else {
        for (TLAccount* account : accounts_) count += account->transactions().size();
    }
    offeredDetail_ = stringWithFormat(L("%@ transactions"), {std::to_string(count)});
    DownloadOffer::offer({offeredName_, kFormats[format].contentType, std::move(text)});
}

const std::string& ExchangeViewC::importFile(const std::vector<uint8_t>& data) {
    uploadError_.clear();
    if (chosen_ == nullptr) {
        uploadError_ = L("Choose the account the statement belongs to.");
        return uploadError_;
    }
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    int format = TLStatementFormat::forText(text);
    if (format == TLStatementFormat::Csv) {
        // The preview reads it, and reads it again when the person changes its formats.
        CsvMapping mapping = TLStatementFormat::guessMapping(text);
        if (mapping.date == CsvMapping::kNone ||
            (mapping.amount == CsvMapping::kNone && mapping.debit == CsvMapping::kNone && mapping.credit == CsvMapping::kNone)) {
            uploadError_ = L("The file's first line names no date or amount column.");
            return uploadError_;
        }
        pushView(std::make_shared<ImportPreviewViewC>(chosen_, std::string(text), mapping), 0, false);
        return uploadError_;
    }
    StatementResult read = TLStatementFormat::read(text, format);
    if (!read.ok()) {
        uploadError_ = read.error;
        return uploadError_;
    }
    if (read.statement.entries.empty()) {
        uploadError_ = L("The file holds no transactions.");
        return uploadError_;
    }
    auto preview = std::make_shared<TLImportPreview>(read.statement, chosen_);
    pushView(std::make_shared<ImportPreviewViewC>(preview), 0, false);
    return uploadError_;
}

void ExchangeViewC::renderContent(SceneNode& content, SceneContext& context) {
    TLViewC::renderContent(content, context);
    SceneNode& upload = content.add(SceneNode("filepicker", "statementpicker"));
    upload.set("accept", ".ofx,.qfx,.qif,.csv,.txt");
    upload.set("title", L("Import Bank File"));
    if (!uploadError_.empty()) upload.set("error", uploadError_);
    std::weak_ptr<ViewController> weak = weak_from_this();
    context.addAction("statementpicker", [this, weak](const UIEvent& event) {
        auto alive = weak.lock();
        if (alive && event.kind == UIEvent::Kind::Picture) importFile(event.data);
    });
    if (DownloadOffer::named(offeredName_) != nullptr) {
        SceneNode& download = content.add(SceneNode("download", "download"));
        download.set("name", offeredName_);
        download.set("title", stringWithFormat(L("Save %@"), {offeredName_}));
        download.set("detail", offeredDetail_);
    }
}

}  // namespace tallo
