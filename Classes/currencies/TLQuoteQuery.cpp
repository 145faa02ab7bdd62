#include "Classes/currencies/TLQuoteQuery.h"

#include <charconv>
#include <cmath>

namespace tallo {

namespace {

bool isQuotableCode(const std::string& code) {
    if (code.size() != 3) return false;
    for (char c : code) {
        bool letterOrDigit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letterOrDigit) return false;
    }
    return true;
}

size_t countPieces(std::string_view text, std::string_view separator) {
    size_t pieces = 1;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, at + separator.size())) {
        ++pieces;
    }
    return pieces;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// The separator that gives the most lines; "\r\n" before "\r" before "\n"
// when they give as many.
std::string_view lineSeparator(std::string_view text) {
    size_t crlf = countPieces(text, "\r\n");
    size_t cr = countPieces(text, "\r");
    size_t lf = countPieces(text, "\n");
    if (crlf >= cr && crlf >= lf) return "\r\n";
    if (cr >= crlf && cr >= lf) return "\r";
    return "\n";
}

std::string_view trimmed(std::string_view text) {
    const char* space = " \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// `"EURUSD=X"` → EUR and USD: the field without its opening quote and its
// last three characters (`=X"`), of which the first six name the codes.
std::optional<TLQuote> readSymbol(std::string_view field) {
    if (field.size() <= 4) return std::nullopt;
    std::string_view pair = field.substr(1, field.size() - 4);
    if (pair.size() <= 5) return std::nullopt;
    TLQuote quote{std::string(pair.substr(0, 3)), std::string(pair.substr(3, 3)), Decimal::zero()};
    // The service is never asked for a currency in itself; such a line would
    // make a record of a currency to itself.
    if (quote.fromCode == quote.toCode) return std::nullopt;
    return quote;
}

}  // namespace

std::vector<std::string> TLQuoteQuery::symbolBatches(const std::vector<std::string>& codes) {
    std::vector<std::string> quotable;
    for (const std::string& code : codes) {
        if (isQuotableCode(code)) quotable.push_back(code);
    }
    std::vector<std::string> batches;
    std::string batch;
    size_t count = 0;
    auto append = [&](const std::string& from, const std::string& to) {
        batch += from + to + "=X+";
        if (++count % kSymbolsPerRequest == 0) {
            batches.push_back(std::move(batch));
            batch.clear();
        }
    };
    for (size_t i = 0; i < quotable.size(); ++i) {
        for (size_t j = i + 1; j < quotable.size(); ++j) {
            if (quotable[i] == quotable[j]) continue;
            append(quotable[i], quotable[j]);
            append(quotable[j], quotable[i]);
        }
    }
    if (!batch.empty()) batches.push_back(std::move(batch));
    return batches;
}

std::string TLQuoteQuery::requestURL(const std::string& service, const std::string& batch) {
    std::string base = service;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/d/quotes.csv?s=" + batch + "&f=sl1d1&e=.csv";
}

std::optional<Decimal> TLQuoteQuery::readRate(std::string_view field) {
    std::string_view text = trimmed(field);
    if (text.empty()) return std::nullopt;
    float value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    // Zero, negatives, NaN, infinities and subnormals are no exchange rate:
    // a rate of 0 would wipe every converted amount.
    if (!std::isnormal(value) || value < 0) return std::nullopt;
    char digits[32];
    auto written = std::to_chars(digits, digits + sizeof digits, value);
    if (written.ec != std::errc()) return std::nullopt;
    return Decimal::fromString(std::string_view(digits, written.ptr - digits));
}

std::vector<TLQuote> TLQuoteQuery::parseAnswer(std::string_view text) {
    std::vector<TLQuote> quotes;
    for (std::string_view line : split(text, lineSeparator(text))) {
        if (line.empty()) continue;
        std::vector<std::string_view> fields = split(line, ",");
        if (fields.size() != 3) continue;
        std::optional<TLQuote> quote = readSymbol(fields[0]);
        if (!quote) continue;
        std::optional<Decimal> rate = readRate(fields[1]);
        if (!rate) continue;
        quote->oneFromInTo = *rate;
        quotes.push_back(std::move(*quote));
    }
    return quotes;
}

}  // namespace tallo
