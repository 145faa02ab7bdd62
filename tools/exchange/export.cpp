// tallo-export: one account or the whole book of an application home as
// CSV, QIF or a journal for ledger and hledger.
//
//   tallo-export --home DIR --format csv|qif|journal [--account NAME]
//                [--output FILE] [--locale ID] [--time-zone NAME]
//
// Writes to standard output unless --output names a file, which is written
// whole or not at all.
#include <cstdio>
#include <string>

#include "Classes/exchange/TLBookExporter.h"
#include "Classes/ledger/TLAccount.h"
#include "Platform/foundation/AtomicFile.h"
#include "tools/exchange/ExchangeCommandLine.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: tallo-export --home DIR --format csv|qif|journal [--account NAME] [--output FILE]\n"
                 "  --home DIR          the application home (default $TALLO_HOME or ~/.local/share/tallo)\n"
                 "  --format F          csv, qif, or journal (read by ledger and hledger)\n"
                 "  --account NAME      only this account (default: the whole book)\n"
                 "  --output FILE       where to write (default: standard output)\n"
                 "  --locale ID, --time-zone NAME   the days the transactions are dated in\n");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tallo;
    std::string home, accountName, format, output, locale, timeZone;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        using exchange_cli::option;
        if (option("--home", argc, argv, i, home) || option("--account", argc, argv, i, accountName) ||
            option("--format", argc, argv, i, format) || option("--output", argc, argv, i, output) ||
            option("--locale", argc, argv, i, locale) || option("--time-zone", argc, argv, i, timeZone)) {
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        std::fprintf(stderr, "tallo-export: unknown argument %s\n", arg.c_str());
        usage(stderr);
        return 2;
    }
    if (format != "csv" && format != "qif" && format != "journal") {
        std::fprintf(stderr, "tallo-export: --format wants csv, qif or journal%s%s\n", format.empty() ? "" : ", not ",
                     format.c_str());
        return 2;
    }
    if (!exchange_cli::openHome("tallo-export", home, locale, timeZone)) return 1;
    TLAccount* account = nullptr;
    if (!accountName.empty() && (account = exchange_cli::accountNamed("tallo-export", accountName)) == nullptr) return 1;
    std::string text = format == "csv"   ? TLBookExporter::csv(account)
                       : format == "qif" ? TLBookExporter::qif(account)
                                         : TLBookExporter::journal(account);
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::string error;
    if (!writeFileAtomically(output, text, error)) {
        std::fprintf(stderr, "tallo-export: cannot write %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
