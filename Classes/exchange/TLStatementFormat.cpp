#include "Classes/exchange/TLStatementFormat.h"

#include <algorithm>
#include <cctype>

#include "Platform/foundation/Locale.h"
#include "Platform/import/CsvReader.h"
#include "Platform/import/OfxReader.h"
#include "Platform/import/QifReader.h"

namespace tallo {

namespace {
std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}
}  // namespace

int TLStatementFormat::forFileName(const std::string& name) {
    size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : lower(name.substr(dot + 1));
    if (extension == "ofx" || extension == "qfx") return Ofx;
    if (extension == "qif") return Qif;
    if (extension == "csv" || extension == "txt") return Csv;
    return Unknown;
}

int TLStatementFormat::forText(std::string_view text) {
    std::string start = lower(text.substr(0, 4096));
    if (start.find("<ofx>") != std::string::npos || start.find("ofxheader") != std::string::npos) return Ofx;
    size_t first = start.find_first_not_of("\xef\xbb\xbf \r\n\t");
    if (first != std::string::npos && (start.compare(first, 6, "!type:") == 0 || start.compare(first, 8, "!account") == 0 ||
                                       start.compare(first, 7, "!option") == 0)) {
        return Qif;
    }
    return Csv;
}

CsvMapping TLStatementFormat::guessMapping(std::string_view text) {
    CsvMapping formats = CsvMapping::forLocale(Locale::current());
    formats.delimiter = CsvReader::guessDelimiter(text);
    // The header alone: a file of many rows is read once, by read().
    size_t end = 0;
    bool quoted = false;
    while (end < text.size() && (quoted || text[end] != '\n')) {
        if (text[end] == '"') quoted = !quoted;
        ++end;
    }
    CsvTable header = CsvReader::read(text.substr(0, end), formats.delimiter);
    if (!header.ok() || header.records.empty()) return formats;
    return CsvMapping::guessFromHeader(header.records[0].fields, formats);
}

StatementResult TLStatementFormat::read(std::string_view text, int format, const CsvMapping* mapping) {
    switch (format) {
        case Ofx: return OfxReader::read(text);
        case Qif: return QifReader::read(text);
        default: {
            CsvMapping guessed = mapping != nullptr ? *mapping : guessMapping(text);
            return guessed.read(text);
        }
    }
}

}  // namespace tallo
