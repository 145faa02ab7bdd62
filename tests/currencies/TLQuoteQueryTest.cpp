#include "Classes/currencies/TLQuoteQuery.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tallo {
namespace {

// "EUR>USD 1.3245" a quote, one a line.
std::string quotes(std::string_view answer) {
    std::string out;
    for (const TLQuote& quote : TLQuoteQuery::parseAnswer(answer)) {
        out += quote.fromCode + ">" + quote.toCode + " " + quote.oneFromInTo.toString() + "\n";
    }
    return out;
}

std::vector<std::string> codes(size_t count) {
    static const char* iso[] = {"USD", "EUR", "GBP", "JPY", "CHF", "CAD", "AUD", "NZD",
                                "SEK", "NOK", "DKK", "PLN", "CZK", "HUF", "RUB", "CNY"};
    return std::vector<std::string>(iso, iso + count);
}

size_t symbolCount(const std::string& batch) { return std::count(batch.begin(), batch.end(), '+'); }

TEST(TLQuoteQuery, EachPairIsAskedForThenItsReverse) {
    EXPECT_EQ(TLQuoteQuery::symbolBatches({"USD", "EUR", "GBP"}),
              std::vector<std::string>{"USDEUR=X+EURUSD=X+USDGBP=X+GBPUSD=X+EURGBP=X+GBPEUR=X+"});
    EXPECT_TRUE(TLQuoteQuery::symbolBatches({"USD"}).empty());
    EXPECT_TRUE(TLQuoteQuery::symbolBatches({}).empty());
    // The same currency twice is never asked against itself.
    EXPECT_EQ(TLQuoteQuery::symbolBatches({"USD", "EUR", "USD"}),
              std::vector<std::string>{"USDEUR=X+EURUSD=X+EURUSD=X+USDEUR=X+"});
}

TEST(TLQuoteQuery, ARequestCarriesAtMost190Symbols) {
    std::vector<std::string> fourteen = TLQuoteQuery::symbolBatches(codes(14));
    ASSERT_EQ(fourteen.size(), 1u);
    EXPECT_EQ(symbolCount(fourteen[0]), 182u);

    std::vector<std::string> fifteen = TLQuoteQuery::symbolBatches(codes(15));
    ASSERT_EQ(fifteen.size(), 2u);
    EXPECT_EQ(symbolCount(fifteen[0]), 190u);
    EXPECT_EQ(symbolCount(fifteen[1]), 20u);
    // 28 + 26 + 24 + … + 12 = 180 symbols for the first nine codes; NOK's
    // five pairs make 181 to 190, so the first request ends with RUB→NOK and
    // the second starts with DKK's pairs.
    EXPECT_TRUE(fifteen[0].ends_with("NOKRUB=X+RUBNOK=X+"));
    EXPECT_TRUE(fifteen[1].starts_with("DKKPLN=X+PLNDKK=X+"));
}

// A code typed or synced in with other characters cannot be read back from
// an answer and would break the address: it is not asked for.
TEST(TLQuoteQuery, CodesThatAreNotThreeLettersOrDigitsAreNotAskedFor) {
    EXPECT_EQ(TLQuoteQuery::symbolBatches({"USD", "EU&R", "E R", "EURO", "", "EUR"}),
              std::vector<std::string>{"USDEUR=X+EURUSD=X+"});
}

TEST(TLQuoteQuery, TheRequestAddressIsTheServicePlusTheQuery) {
    EXPECT_EQ(TLQuoteQuery::requestURL("http://127.0.0.1:8080", "EURUSD=X+USDEUR=X+"),
              "http://127.0.0.1:8080/d/quotes.csv?s=EURUSD=X+USDEUR=X+&f=sl1d1&e=.csv");
    EXPECT_EQ(TLQuoteQuery::requestURL("http://127.0.0.1:8080/", "EURUSD=X+"),
              "http://127.0.0.1:8080/d/quotes.csv?s=EURUSD=X+&f=sl1d1&e=.csv");
}

TEST(TLQuoteQuery, AnswersSplitAtWhicheverLineBreakTheyUse) {
    const char* expected = "EUR>USD 1.3245\nUSD>EUR 0.755\n";
    EXPECT_EQ(quotes("\"EURUSD=X\",1.3245,\"6/3/2011\"\r\n\"USDEUR=X\",0.755,\"6/3/2011\"\r\n"), expected);
    EXPECT_EQ(quotes("\"EURUSD=X\",1.3245,\"6/3/2011\"\n\"USDEUR=X\",0.755,\"6/3/2011\"\n"), expected);
    EXPECT_EQ(quotes("\"EURUSD=X\",1.3245,\"6/3/2011\"\r\"USDEUR=X\",0.755,\"6/3/2011\""), expected);
    // One line without a break at all.
    EXPECT_EQ(quotes("\"EURUSD=X\",1.3245,\"6/3/2011\""), "EUR>USD 1.3245\n");
}

TEST(TLQuoteQuery, LinesOfAnotherShapeAreSkippedAndTheRestIsRead) {
    EXPECT_EQ(quotes("<html>Service Unavailable</html>\r\n"
                     "\"EURUSD=X\",1.3245,\"6/3/2011\",\"4:30pm\"\r\n"  // four fields
                     "\"EURUSD=X\",1.3245\r\n"                          // two fields
                     "\"EUR=X\",1.3245,\"6/3/2011\"\r\n"                // symbol too short
                     "\"EUREUR=X\",1.0,\"6/3/2011\"\r\n"                // a currency in itself
                     "\r\n"
                     "\"GBPUSD=X\",1.6412,\"6/3/2011\"\r\n"),
              "GBP>USD 1.6412\n");
}

// A rate must be a positive number: a 0 or a negative would turn every
// converted balance into 0 or its opposite.
TEST(TLQuoteQuery, OnlyPositiveFiniteNumbersAreRates) {
    EXPECT_EQ(TLQuoteQuery::readRate("1.3245"), Decimal::fromString("1.3245"));
    EXPECT_EQ(TLQuoteQuery::readRate(" 0.7550 "), Decimal::fromString("0.755"));
    EXPECT_EQ(TLQuoteQuery::readRate("80.12"), Decimal::fromString("80.12"));
    for (const char* broken : {"N/A", "", "0", "0.0000", "-1.3245", "nan", "NaN", "inf", "-inf", "1e39", "1e-45",
                               "1.3245abc", "1,3245", "0x1p3", "+"}) {
        EXPECT_FALSE(TLQuoteQuery::readRate(broken)) << broken;
    }
}

// Values keep single precision, as the service's numbers are read: about
// seven significant digits, in the fewest digits naming that single.
TEST(TLQuoteQuery, RatesKeepSinglePrecision) {
    EXPECT_EQ(TLQuoteQuery::readRate("1.23456789"), Decimal::fromString("1.2345679"));
    EXPECT_EQ(TLQuoteQuery::readRate("0.000012345678"), Decimal::fromString("0.000012345678"));
    EXPECT_EQ(TLQuoteQuery::readRate("123456789"), Decimal::fromString("123456792"));
    EXPECT_EQ(TLQuoteQuery::readRate("3e38"), Decimal::fromString("3e38"));
}

}  // namespace
}  // namespace tallo
