#include "Platform/import/QifReader.h"

#include <algorithm>
#include <cctype>

#include "Platform/import/CsvMapping.h"

namespace tallo {

namespace {

std::string trimmed(std::string_view text) {
    size_t start = 0, end = text.size();
    while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(start, end - start));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    }

    StatementResult run() {
        std::string_view raw;
        while (nextLine(raw)) {
            std::string line = trimmed(raw);
            if (line.empty()) continue;
            if (line[0] == '!') {
                if (!header(line)) return result_;
                continue;
            }
            if (skipping_) continue;  // account lists, categories, memorised entries
            if (!field(line)) return result_;
        }
        if (open_) return fail(entry_.line, "the last entry has no closing ^");
        return result_;
    }

private:
    bool nextLine(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++line_;
        return true;
    }

    bool header(const std::string& line) {
        if (open_) return failed(line_, "a new section starts inside an entry");
        std::string_view name(line);
        if (name.rfind("!Type:", 0) == 0 || name.rfind("!type:", 0) == 0) {
            std::string kind = trimmed(name.substr(6));
            if (equalsIgnoringCase(kind, "Invst")) return failed(line_, "investment registers cannot be imported");
            skipping_ = !(equalsIgnoringCase(kind, "Bank") || equalsIgnoringCase(kind, "Cash") ||
                          equalsIgnoringCase(kind, "CCard") || equalsIgnoringCase(kind, "Oth A") ||
                          equalsIgnoringCase(kind, "Oth L"));
        } else {
            // An account list's N/T/^ lines describe accounts; options lines
            // (!Option:AutoSwitch, !Clear:AutoSwitch) change nothing here.
            if (equalsIgnoringCase(name, "!Account")) skipping_ = true;
        }
        return true;
    }

    bool field(const std::string& line) {
        char code = line[0];
        std::string value = trimmed(std::string_view(line).substr(1));
        if (code == '^') return close();
        if (!open_) {
            open_ = true;
            entry_ = StatementEntry();
            entry_.line = line_;
            hasDay_ = hasAmount_ = false;
        }
        switch (code) {
            case 'D': {
                std::optional<StatementDay> day = QifReader::parseDay(value);
                if (!day) return failed(line_, "\"" + value + "\" is not a date");
                entry_.day = *day;
                hasDay_ = true;
                return true;
            }
            case 'T':
            case 'U': {
                std::optional<Decimal> amount = CsvMapping::parseAmount(value, '.');
                if (!amount) return failed(line_, "\"" + value + "\" is not an amount");
                entry_.amount = *amount;
                hasAmount_ = true;
                return true;
            }
            case 'P': entry_.payee = value; return true;
            case 'M': entry_.memo = value; return true;
            case 'L': entry_.category = value; return true;
            case 'N': entry_.number = value; return true;
            case 'S':
                entry_.splits.push_back(StatementSplit{value, "", Decimal::zero()});
                return true;
            case 'E':
                if (entry_.splits.empty()) return failed(line_, "a split memo before its category");
                entry_.splits.back().memo = value;
                return true;
            case '$': {
                if (entry_.splits.empty()) return failed(line_, "a split amount before its category");
                std::optional<Decimal> amount = CsvMapping::parseAmount(value, '.');
                if (!amount) return failed(line_, "\"" + value + "\" is not an amount");
                entry_.splits.back().amount = *amount;
                return true;
            }
            default:
                return true;  // cleared status, address lines, percentages: not kept
        }
    }

    bool close() {
        if (!open_) return true;  // a lone ^ closes nothing
        open_ = false;
        if (!hasDay_) return failed(entry_.line, "an entry without a date");
        if (!hasAmount_) return failed(entry_.line, "an entry without an amount");
        result_.statement.entries.push_back(std::move(entry_));
        return true;
    }

    bool failed(int line, const std::string& message) {
        fail(line, message);
        return false;
    }
    StatementResult& fail(int line, const std::string& message) {
        result_.statement.entries.clear();
        result_.errorLine = line;
        result_.error = "line " + std::to_string(line) + ": " + message;
        return result_;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 0;
    bool skipping_ = false;
    bool open_ = false;
    bool hasDay_ = false, hasAmount_ = false;
    StatementEntry entry_;
    StatementResult result_;
};

}  // namespace

StatementResult QifReader::read(std::string_view text) { return Reader(text).run(); }

std::optional<StatementDay> QifReader::parseDay(std::string_view text) {
    std::string day = trimmed(text);
    // Quicken writes the years 2000 on with an apostrophe: 1/15'24. Spaces
    // pad single digits in some exports (" 1/15'24").
    day.erase(std::remove(day.begin(), day.end(), ' '), day.end());
    bool dotted = day.find('.') != std::string::npos;
    size_t apostrophe = day.find('\'');
    if (apostrophe != std::string::npos) {
        std::string year = day.substr(apostrophe + 1);
        if (year.size() <= 2) year = std::to_string(2000 + std::atoi(year.c_str()));
        day = day.substr(0, apostrophe) + "/" + year;
    }
    return CsvMapping::parseDay(day, dotted ? CsvDateOrder::DayMonthYear : CsvDateOrder::MonthDayYear);
}

}  // namespace tallo
