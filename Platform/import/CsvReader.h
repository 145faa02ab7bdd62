#pragma once
// CsvReader: comma-separated text by the rules of RFC 4180, with the
// delimiter a caller chooses (banks in comma-decimal countries use ';').
//
//   - Records end at CRLF or LF; a last record without a line end counts.
//   - A field in double quotes may hold the delimiter, line ends and quotes
//     written twice:  "Smith, J.","say ""hi"""  →  [Smith, J.] [say "hi"].
//   - Quotes inside an unquoted field are kept as they are (a"b → a"b).
//   - A UTF-8 byte-order mark at the start is skipped; empty lines are
//     skipped (they are not records of one empty field).
// Errors, with the line they are on: a quoted field that never closes, and
// anything but the delimiter or a line end after a closing quote.

#include <string>
#include <string_view>
#include <vector>

namespace tallo {

struct CsvRecord {
    int line = 0;  // the line the record starts on, 1 = first
    std::vector<std::string> fields;
};

struct CsvTable {
    std::vector<CsvRecord> records;
    std::string error;  // "" when the whole text was read
    int errorLine = 0;
    bool ok() const { return error.empty(); }
};

class CsvReader {
public:
    static CsvTable read(std::string_view text, char delimiter = ',');
    // The delimiter a file most likely uses: whichever of ',', ';' and tab
    // occurs most often outside quotes on its first line (',' on a tie).
    static char guessDelimiter(std::string_view text);
};

}  // namespace tallo
