#include "Platform/import/CsvMapping.h"

#include <algorithm>
#include <cctype>

#include "Platform/import/CsvReader.h"

namespace tallo {

namespace {

std::string trimmed(std::string_view text) {
    size_t start = 0, end = text.size();
    while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(start, end - start));
}

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Removes a currency sign or code, grouping spaces (also the no-break ones
// locales use) and grouping separators; leaves digits, sign, parentheses and
// the decimal separator.
std::string numberCharacters(std::string_view text, char decimalSeparator, bool& negative) {
    std::string out;
    negative = false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isdigit(c)) {
            out.push_back(static_cast<char>(c));
        } else if (c == static_cast<unsigned char>(decimalSeparator)) {
            out.push_back('.');
        } else if (c == '-' || c == '(') {
            negative = true;
        } else if (std::isupper(c)) {  // a currency code: exactly three capitals
            size_t end = i;
            while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
            if (end - i != 3 || !std::all_of(text.begin() + static_cast<long>(i), text.begin() + static_cast<long>(end),
                                             [](char l) { return std::isupper(static_cast<unsigned char>(l)); })) {
                return {};
            }
            i = end - 1;
        } else if (c == '+' || c == ')' || c == ' ' || c == '\'' || c == ',' || c == '.' || c >= 0x80 || c == '$') {
            // grouping, currency signs ($, €, £) and no-break spaces
        } else {
            return {};
        }
    }
    return out;
}

}  // namespace

std::optional<Decimal> CsvMapping::parseAmount(std::string_view text, char decimalSeparator) {
    bool negative = false;
    std::string digits = numberCharacters(trimmed(text), decimalSeparator, negative);
    if (digits.empty() || std::count(digits.begin(), digits.end(), '.') > 1 || digits == ".") return std::nullopt;
    std::optional<Decimal> value = Decimal::fromString(digits);
    if (!value || value->isNaN()) return std::nullopt;
    return negative ? Decimal::zero() - *value : *value;
}

std::optional<StatementDay> CsvMapping::parseDay(std::string_view text, CsvDateOrder order) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : trimmed(text)) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            current.push_back(c);
        } else if (!current.empty()) {
            parts.push_back(current);
            current.clear();
        }
        if (parts.size() == 3) break;  // a time may follow the day
    }
    if (!current.empty() && parts.size() < 3) parts.push_back(current);
    if (parts.size() == 1 && parts[0].size() == 8) {
        parts = {parts[0].substr(0, 4), parts[0].substr(4, 2), parts[0].substr(6, 2)};
    }
    if (parts.size() != 3 || std::any_of(parts.begin(), parts.end(), [](auto& p) { return p.size() > 4; })) {
        return std::nullopt;
    }
    if (parts[0].size() == 4) order = CsvDateOrder::YearMonthDay;
    int a = std::stoi(parts[0]), b = std::stoi(parts[1]), c = std::stoi(parts[2]);
    StatementDay day;
    switch (order) {
        case CsvDateOrder::MonthDayYear: day = {c, a, b}; break;
        case CsvDateOrder::DayMonthYear: day = {c, b, a}; break;
        case CsvDateOrder::YearMonthDay: day = {a, b, c}; break;
    }
    size_t yearDigits = parts[order == CsvDateOrder::YearMonthDay ? 0 : 2].size();
    if (yearDigits <= 2) day.year += day.year < 70 ? 2000 : 1900;
    if (!isValidStatementDay(day)) return std::nullopt;
    return day;
}

CsvMapping CsvMapping::forLocale(const std::string& locale) {
    CsvMapping mapping;
    std::string language = locale.substr(0, 2);
    std::string region = locale.size() >= 5 ? locale.substr(3, 2) : "";
    if (language == "ja" || language == "zh" || language == "ko" || language == "sv" || language == "hu" ||
        language == "lt") {
        mapping.dateOrder = CsvDateOrder::YearMonthDay;
    } else if (locale == "en_US" || locale == "en" || region == "US" || region == "PH") {
        mapping.dateOrder = CsvDateOrder::MonthDayYear;
    } else {
        mapping.dateOrder = CsvDateOrder::DayMonthYear;
    }
    static const char* const kCommaDecimal[] = {"de", "fr", "es", "it", "nl", "pt", "pl", "cs", "da", "fi",
                                                "nb", "ru", "sv", "tr", "el", "hu", "lt", "sk", "sl", "ro"};
    bool comma = std::any_of(std::begin(kCommaDecimal), std::end(kCommaDecimal),
                             [&](const char* l) { return language == l; });
    if (locale == "de_CH" || locale == "fr_CH" || locale == "it_CH") comma = false;  // Swiss 1'234.56
    if (comma) {
        mapping.decimalSeparator = ',';
        mapping.delimiter = ';';
    }
    return mapping;
}

CsvMapping CsvMapping::guessFromHeader(const std::vector<std::string>& header, const CsvMapping& formats) {
    CsvMapping mapping = formats;
    mapping.hasHeader = true;
    mapping.date = mapping.amount = mapping.debit = mapping.credit = kNone;
    mapping.payee = mapping.memo = mapping.category = mapping.number = kNone;
    auto claim = [](int& column, int index) {
        if (column == kNone) column = index;
    };
    for (size_t i = 0; i < header.size(); ++i) {
        std::string name = lowercase(trimmed(header[i]));
        int index = static_cast<int>(i);
        if (name == "date" || name == "posted date" || name == "transaction date" || name == "posting date" ||
            name == "buchungstag" || name == "datum" || startsWith(name, "date op") || name == "booking date") {
            claim(mapping.date, index);
        } else if (name == "amount" || name == "betrag" || startsWith(name, "betrag (") || name == "montant" ||
                   startsWith(name, "amount (")) {
            claim(mapping.amount, index);
        } else if (name == "debit" || name == "withdrawal" || name == "withdrawals" || name == "money out" ||
                   name == "paid out" || name == "soll" || startsWith(name, "d\xc3\xa9" "bit")) {
            claim(mapping.debit, index);
        } else if (name == "credit" || name == "deposit" || name == "deposits" || name == "money in" ||
                   name == "paid in" || name == "haben" || startsWith(name, "cr\xc3\xa9" "dit")) {
            claim(mapping.credit, index);
        } else if (name == "payee" || name == "description" || name == "name" || name == "merchant" ||
                   startsWith(name, "beg\xc3\xbcnstigter") || startsWith(name, "empf\xc3\xa4nger") ||
                   name == "libell\xc3\xa9" || name == "counterparty") {
            claim(mapping.payee, index);
        } else if (name == "memo" || name == "notes" || name == "reference" || name == "verwendungszweck" ||
                   name == "details") {
            claim(mapping.memo, index);
        } else if (name == "category" || name == "kategorie" || name == "cat\xc3\xa9gorie") {
            claim(mapping.category, index);
        } else if (name == "number" || name == "check number" || name == "check #" || name == "cheque number" ||
                   name == "num") {
            claim(mapping.number, index);
        }
    }
    return mapping;
}

StatementResult CsvMapping::read(std::string_view text) const {
    StatementResult result;
    auto fail = [&](int line, std::string message) {
        result.statement.entries.clear();
        result.errorLine = line;
        result.error = "line " + std::to_string(line) + ": " + message;
        return result;
    };
    if (date == kNone || (amount == kNone && debit == kNone && credit == kNone)) {
        return fail(0, "the mapping names no date or no amount column");
    }
    CsvTable table = CsvReader::read(text, delimiter);
    if (!table.ok()) return fail(table.errorLine, table.error.substr(table.error.find(": ") + 2));
    auto cell = [](const CsvRecord& record, int column) -> std::optional<std::string> {
        if (column == kNone) return std::string();
        if (static_cast<size_t>(column) >= record.fields.size()) return std::nullopt;
        return trimmed(record.fields[static_cast<size_t>(column)]);
    };
    for (size_t r = hasHeader ? 1 : 0; r < table.records.size(); ++r) {
        const CsvRecord& record = table.records[r];
        StatementEntry entry;
        entry.line = record.line;
        std::optional<std::string> dayText = cell(record, date);
        if (!dayText) return fail(record.line, "no date column");
        std::optional<StatementDay> day = parseDay(*dayText, dateOrder);
        if (!day) return fail(record.line, "\"" + *dayText + "\" is not a date");
        entry.day = *day;
        std::optional<std::string> amountText = cell(record, amount), debitText = cell(record, debit),
                                   creditText = cell(record, credit);
        if (!amountText || !debitText || !creditText) return fail(record.line, "no amount column");
        std::optional<Decimal> value;
        if (!amountText->empty()) {
            value = parseAmount(*amountText, decimalSeparator);
            if (!value) return fail(record.line, "\"" + *amountText + "\" is not an amount");
        } else {
            Decimal sum = Decimal::zero();
            bool any = false;
            for (auto [text, sign] : {std::pair{*creditText, 1}, std::pair{*debitText, -1}}) {
                if (text.empty()) continue;
                std::optional<Decimal> part = parseAmount(text, decimalSeparator);
                if (!part) return fail(record.line, "\"" + text + "\" is not an amount");
                // Debit columns hold magnitudes, but some banks sign them: either way it is money out.
                Decimal magnitude = part->isNegativeSign() ? Decimal::zero() - *part : *part;
                sum = sign > 0 ? sum + *part : sum - magnitude;
                any = true;
            }
            if (!any) return fail(record.line, "no amount");
            value = sum;
        }
        entry.amount = *value;
        entry.payee = cell(record, payee).value_or("");
        entry.memo = cell(record, memo).value_or("");
        entry.category = cell(record, category).value_or("");
        entry.number = cell(record, number).value_or("");
        result.statement.entries.push_back(std::move(entry));
    }
    return result;
}

}  // namespace tallo
