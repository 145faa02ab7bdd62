// Bank files in and the book out, at the sizes a person brings and takes:
//   ParseCsv / ImportCsv     a 10k-row bank CSV: the bare read, then the
//                            whole import (read, preview against the book,
//                            confirm with its one save) into an empty account
//   ParseOfx / ImportOfx     the same for a 10k-transaction OFX statement
//   ExportCsv / ExportQif /
//   ExportJournal            the generated 100k book written out whole
// Rows/s is entries (or transactions) handled per second.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/exchange/TLBookExporter.h"
#include "Classes/exchange/TLImportPreview.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/import/CsvMapping.h"
#include "Platform/import/OfxReader.h"
#include "bench/BenchSupport.h"

namespace {

using namespace tallo;

constexpr int kRows = 10000;
const char* const kShops[] = {"Acme Market", "Corner Bakery", "West Fuel", "Harbor Books", "Union Rent", "City Water"};

// Day i of the statement, spread over about three years from 2021.
void dayOf(int i, int& year, int& month, int& day) {
    year = 2021 + i / 3600;
    month = 1 + (i / 300) % 12;
    day = 1 + (i / 10) % 28;
}

std::string bankCsv() {
    std::string text = "Date,Description,Amount\n";
    char line[128];
    for (int i = 0; i < kRows; ++i) {
        int y, m, d;
        dayOf(i, y, m, d);
        std::snprintf(line, sizeof line, "%02d/%02d/%04d,\"%s #%d\",-%d.%02d\n", m, d, y, kShops[i % 6], i % 97,
                      1 + i % 300, i % 100);
        text += line;
    }
    return text;
}

std::string bankOfx() {
    std::string text =
        "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\n\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>"
        "<DTSERVER>20240131<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\n<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0"
        "<SEVERITY>INFO</STATUS>\n<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>1<ACCTID>42<ACCTTYPE>CHECKING</BANKACCTFROM>"
        "<BANKTRANLIST><DTSTART>20210101<DTEND>20240131\n";
    char line[256];
    for (int i = 0; i < kRows; ++i) {
        int y, m, d;
        dayOf(i, y, m, d);
        std::snprintf(line, sizeof line,
                      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>%04d%02d%02d<TRNAMT>-%d.%02d<FITID>F%06d<NAME>%s</STMTTRN>\n", y,
                      m, d, 1 + i % 300, i % 100, i, kShops[i % 6]);
        text += line;
    }
    return text + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
}

// A fresh home with one empty dollar account, for each import.
TLAccount* emptyAccount(int run) {
    std::string home = bench::benchRoot() + "/import-" + std::to_string(run);
    ApplicationHome::setCurrent(ApplicationHome(home));
    UserDefaults::resetStandardUserDefaults(home + "/Tallo.plist");
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    TLDatabase& db = TLDatabase::sharedDatabase();
    auto* usd = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
    usd->setCode("USD");
    usd->setDefault(true);
    auto* account = static_cast<TLAccount*>(db.createObjectForEntity("Account"));
    account->setName("Checking");
    account->setCurrency(usd);
    db.save();
    return account;
}

void rowsPerSecond(benchmark::State& state, double rows) {
    state.counters["Rows/s"] = benchmark::Counter(rows * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

CsvMapping csvMapping() {
    return CsvMapping::guessFromHeader({"Date", "Description", "Amount"}, CsvMapping::forLocale("en_US"));
}

void ParseCsv(benchmark::State& state) {
    std::string text = bankCsv();
    CsvMapping mapping = csvMapping();
    for (auto _ : state) benchmark::DoNotOptimize(mapping.read(text));
    rowsPerSecond(state, kRows);
}

void ImportCsv(benchmark::State& state) {
    std::string text = bankCsv();
    CsvMapping mapping = csvMapping();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TLAccount* account = emptyAccount(run++);
        state.ResumeTiming();
        TLImportPreview preview(mapping.read(text).statement, account);
        benchmark::DoNotOptimize(preview.confirm());
    }
    rowsPerSecond(state, kRows);
}

void ParseOfx(benchmark::State& state) {
    std::string text = bankOfx();
    for (auto _ : state) benchmark::DoNotOptimize(OfxReader::read(text));
    rowsPerSecond(state, kRows);
}

void ImportOfx(benchmark::State& state) {
    std::string text = bankOfx();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TLAccount* account = emptyAccount(1000 + run++);
        state.ResumeTiming();
        TLImportPreview preview(OfxReader::read(text).statement, account);
        benchmark::DoNotOptimize(preview.confirm());
    }
    rowsPerSecond(state, kRows);
}

template <std::string (*Export)(TLAccount*)>
void ExportBook(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    bench::useGeneratedBook(n);
    TLDatabase::sharedDatabase().context();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = Export(nullptr);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    rowsPerSecond(state, static_cast<double>(n));
    state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
}

}  // namespace

BENCHMARK(ParseCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ParseOfx)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportOfx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_TEMPLATE(ExportBook, TLBookExporter::csv)->Name("ExportCsv")->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_TEMPLATE(ExportBook, TLBookExporter::qif)->Name("ExportQif")->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_TEMPLATE(ExportBook, TLBookExporter::journal)->Name("ExportJournal")->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
