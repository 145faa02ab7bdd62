#include "Platform/import/CsvReader.h"

namespace tallo {

namespace {

class Reader {
public:
    Reader(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }

    CsvTable run() {
        CsvTable table;
        while (pos_ < text_.size()) {
            if (atLineEnd()) {  // an empty line is no record
                skipLineEnd();
                continue;
            }
            CsvRecord record;
            record.line = line_;
            if (!readRecord(record, table)) {
                table.records.clear();
                return table;
            }
            table.records.push_back(std::move(record));
        }
        return table;
    }

private:
    bool atLineEnd() const {
        return text_[pos_] == '\n' || (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n');
    }
    void skipLineEnd() {
        if (text_[pos_] == '\r') ++pos_;
        ++pos_;
        ++line_;
    }

    // One record: fields up to a line end or the end of the text.
    bool readRecord(CsvRecord& record, CsvTable& table) {
        while (true) {
            std::string field;
            bool ok = pos_ < text_.size() && text_[pos_] == '"' ? readQuoted(field, table) : readPlain(field);
            if (!ok) return false;
            record.fields.push_back(std::move(field));
            if (pos_ >= text_.size()) return true;
            if (text_[pos_] == delimiter_) {
                ++pos_;  // a delimiter at the very end still opens an (empty) last field
                continue;
            }
            skipLineEnd();  // readPlain and readQuoted stop only at a delimiter or a line end
            return true;
        }
    }

    bool readPlain(std::string& field) {
        size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != delimiter_ && !atLineEnd()) ++pos_;
        field.assign(text_.substr(start, pos_ - start));
        return true;
    }

    bool readQuoted(std::string& field, CsvTable& table) {
        int opened = line_;
        ++pos_;  // the opening quote
        while (true) {
            if (pos_ >= text_.size()) return fail(table, opened, "a quoted field is never closed");
            char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    field.push_back('"');
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c == '\n') ++line_;
            field.push_back(c);
        }
        if (pos_ < text_.size() && text_[pos_] != delimiter_ && !atLineEnd()) {
            return fail(table, line_, "text after a closing quote");
        }
        return true;
    }

    static bool fail(CsvTable& table, int line, const char* message) {
        table.error = "line " + std::to_string(line) + ": " + message;
        table.errorLine = line;
        return false;
    }

    std::string_view text_;
    char delimiter_;
    size_t pos_ = 0;
    int line_ = 1;
};

}  // namespace

CsvTable CsvReader::read(std::string_view text, char delimiter) { return Reader(text, delimiter).run(); }

char CsvReader::guessDelimiter(std::string_view text) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n') break;
        comma += c == ',';
        semicolon += c == ';';
        tab += c == '\t';
    }
    if (semicolon > comma && semicolon >= tab) return ';';
    if (tab > comma && tab > semicolon) return '\t';
    return ',';
}

}  // namespace tallo
