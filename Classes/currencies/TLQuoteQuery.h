#pragma once
// TLQuoteQuery: the exchange with the stock-quote service, without the
// network and without the store — which symbols to ask for, in which
// batches, at which address, and what an answer says.
//
// A symbol is the two codes and "=X+": "EURUSD=X+" asks how many USD one
// EUR is worth. Every ordered pair of distinct codes is asked for, the pair
// and then its reverse, at most 190 symbols a request. With USD, EUR, GBP:
//   USDEUR=X+EURUSD=X+USDGBP=X+GBPUSD=X+EURGBP=X+GBPEUR=X+
// 14 currencies make 182 symbols (one request), 15 make 210 (190 + 20).
//
// An answer is lines of three comma-separated fields,
//   "EURUSD=X",1.3245,"6/3/2011"
// the symbol echoed in quotes, the value, the date (not used). Lines of any
// other shape are skipped one by one and the rest is still read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/foundation/Decimal.h"

namespace tallo {

struct TLQuote {
    std::string fromCode;
    std::string toCode;
    Decimal oneFromInTo;  // always a positive finite number
};

class TLQuoteQuery {
public:
    static constexpr size_t kSymbolsPerRequest = 190;

    // The `s` values of the requests for `codes`, in order; each ends in "+".
    // A pair of equal codes is not asked for and not counted. Codes that are
    // not three ASCII letters or digits are left out too (they could never be
    // read back from an answer and would break the address).
    static std::vector<std::string> symbolBatches(const std::vector<std::string>& codes);

    // `service` (scheme, host and port: "http://127.0.0.1:8080", a trailing
    // "/" ignored) + "/d/quotes.csv?s=<batch>&f=sl1d1&e=.csv".
    static std::string requestURL(const std::string& service, const std::string& batch);

    // The quotes of an answer, in its order. Lines break at "\r\n", "\r" or
    // "\n", whichever splits the text into the most pieces (ties in that
    // order). A line is used when it has exactly three fields, its first
    // field names two different codes, and its value is a positive finite
    // number within single precision; the value keeps single precision
    // ("1.3245" → 1.3245, "1.23456789" → 1.234568).
    static std::vector<TLQuote> parseAnswer(std::string_view text);

    // The value field read as the service means it: a whole decimal number
    // (white space around it allowed) rounded to single precision and given
    // back in the fewest digits that name that single. Nothing for text that
    // is not a number, and for NaN, infinities, zero, negatives and values
    // outside single precision.
    static std::optional<Decimal> readRate(std::string_view field);
};

}  // namespace tallo
