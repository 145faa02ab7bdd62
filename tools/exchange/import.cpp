// tallo-import: brings a bank file into one account of an application home.
//
//   tallo-import --home DIR --account NAME [--format ofx|qif|csv] [--dry-run]
//                [--columns date=0,payee=1,amount=2] [--no-header]
//                [--locale ID] [--time-zone NAME] FILE
//
// Shows the preview (a line per row: new, duplicate or unmatched), then
// enters the rows that are not duplicates in one save — or, with
// --dry-run, stops after the preview. A file that cannot be read, or a row
// that cannot be entered, changes nothing and is named by its line (status 1).
#include <cstdio>
#include <string>

#include "Classes/exchange/TLImportPreview.h"
#include "Classes/exchange/TLImportRowState.h"
#include "Classes/exchange/TLStatementFormat.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "tools/exchange/ExchangeCommandLine.h"

namespace {

using namespace tallo;

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo-import --home DIR --account NAME [--format ofx|qif|csv] [--dry-run] FILE\n"
                 "  --home DIR          the application home (default $TALLO_HOME or ~/.local/share/tallo)\n"
                 "  --account NAME      the account the statement belongs to\n"
                 "  --format F          ofx (also QFX), qif or csv (default: from the file)\n"
                 "  --columns LIST      CSV columns from 0: date=0,payee=1,amount=2 (also debit, credit, memo,\n"
                 "                      category, number); default: named by the file's header\n"
                 "  --no-header         the CSV file's first line is an entry\n"
                 "  --locale ID         how the CSV file writes dates and numbers (default: the current locale)\n"
                 "  --time-zone NAME    the zone whose days the entries are dated in\n"
                 "  --dry-run           show the preview and change nothing\n");
}

// "date=0,payee=1,amount=2" into `mapping`; false for a name or number it does not know.
bool applyColumns(const std::string& list, CsvMapping& mapping) {
    mapping.date = mapping.amount = mapping.debit = mapping.credit = CsvMapping::kNone;
    mapping.payee = mapping.memo = mapping.category = mapping.number = CsvMapping::kNone;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(',', start);
        std::string item = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t equals = item.find('=');
        if (equals == std::string::npos) return false;
        std::string name = item.substr(0, equals);
        char* stop = nullptr;
        long column = std::strtol(item.c_str() + equals + 1, &stop, 10);
        if (*stop != '\0' || stop == item.c_str() + equals + 1 || column < 0 || column > 1000) return false;
        int* slot = name == "date" ? &mapping.date : name == "amount" ? &mapping.amount : name == "debit" ? &mapping.debit
                    : name == "credit" ? &mapping.credit : name == "payee" ? &mapping.payee : name == "memo" ? &mapping.memo
                    : name == "category" ? &mapping.category : name == "number" ? &mapping.number : nullptr;
        if (slot == nullptr) return false;
        *slot = static_cast<int>(column);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

void printPreview(const TLImportPreview& preview) {
    static const char* const kStates[] = {"new", "duplicate", "unmatched"};
    for (const TLImportRow& row : preview.rows()) {
        const StatementEntry& e = row.entry;
        std::string filed = row.category != nullptr ? row.category->name().value_or("")
                            : !row.newCategory.empty() ? row.newCategory + " (new)"
                            : row.transferAccount != nullptr ? "[" + row.transferAccount->name().value_or("") + "]"
                            : !e.splits.empty() ? "(" + std::to_string(e.splits.size()) + " parts)"
                                                : "";
        std::printf("%6d  %-9s  %04d-%02d-%02d  %12s  %-30s  %s%s\n", e.line, kStates[row.state], e.day.year, e.day.month,
                    e.day.day, e.amount.toString().c_str(), e.payee.c_str(), filed.c_str(),
                    row.problem.empty() ? "" : ("  ! " + row.problem).c_str());
    }
    std::printf("%d new, %d duplicate, %d unmatched\n", preview.count(TLImportRowState::New),
                preview.count(TLImportRowState::Duplicate), preview.count(TLImportRowState::Unmatched));
}

}  // namespace

int main(int argc, char** argv) {
    std::string home, accountName, formatName, columns, locale, timeZone, file;
    bool dryRun = false, noHeader = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        using exchange_cli::option;
        if (option("--home", argc, argv, i, home) || option("--account", argc, argv, i, accountName) ||
            option("--format", argc, argv, i, formatName) || option("--columns", argc, argv, i, columns) ||
            option("--locale", argc, argv, i, locale) || option("--time-zone", argc, argv, i, timeZone)) {
            continue;
        }
        if (arg == "--dry-run" || arg == "--no-header") {
            (arg == "--dry-run" ? dryRun : noHeader) = true;
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (!arg.empty() && arg[0] != '-' && file.empty()) {
            file = arg;
        } else {
            std::fprintf(stderr, "tallo-import: unknown argument %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (accountName.empty() || file.empty()) {
        usage(stderr);
        return 2;
    }
    int format = formatName.empty() ? TLStatementFormat::forFileName(file)
                 : formatName == "ofx" || formatName == "qfx" ? TLStatementFormat::Ofx
                 : formatName == "qif" ? TLStatementFormat::Qif
                 : formatName == "csv" ? TLStatementFormat::Csv
                                       : -2;
    if (format == -2) {
        std::fprintf(stderr, "tallo-import: --format wants ofx, qif or csv, not %s\n", formatName.c_str());
        return 2;
    }
    std::string text;
    if (!exchange_cli::readFile(file, text)) {
        std::fprintf(stderr, "tallo-import: cannot read %s\n", file.c_str());
        return 1;
    }
    if (format == TLStatementFormat::Unknown) format = TLStatementFormat::forText(text);
    if (!exchange_cli::openHome("tallo-import", home, locale, timeZone)) return 1;
    TLAccount* account = exchange_cli::accountNamed("tallo-import", accountName);
    if (account == nullptr) return 1;

    CsvMapping mapping = TLStatementFormat::guessMapping(text);
    if (!columns.empty() && !applyColumns(columns, mapping)) {
        std::fprintf(stderr, "tallo-import: --columns wants name=number pairs, not %s\n", columns.c_str());
        return 2;
    }
    if (noHeader) mapping.hasHeader = false;
    StatementResult read = TLStatementFormat::read(text, format, &mapping);
    if (!read.ok()) {
        std::fprintf(stderr, "tallo-import: %s: %s\n", file.c_str(), read.error.c_str());
        return 1;
    }
    TLImportPreview preview(read.statement, account);
    printPreview(preview);
    if (!preview.problem().empty()) {
        std::fprintf(stderr, "tallo-import: %s: %s\n", file.c_str(), preview.problem().c_str());
        return 1;
    }
    if (dryRun) return 0;
    TLImportPreview::Outcome outcome = preview.confirm();
    if (!outcome.ok()) {
        std::fprintf(stderr, "tallo-import: %s: %s; nothing was imported\n", file.c_str(), outcome.error.c_str());
        return 1;
    }
    std::printf("imported %d, skipped %d duplicates into %s\n", outcome.imported, outcome.skipped,
                account->name().value_or("").c_str());
    return 0;
}
