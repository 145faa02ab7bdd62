#include "Classes/values/TLFormatter.h"

#include <gtest/gtest.h>

#include "Classes/values/StringCorvane.h"

namespace tallo {
namespace {

DateComponents ymd(int years, int months, int days) {
    DateComponents components;
    components.year = years;
    components.month = months;
    components.day = days;
    return components;
}

TEST(TLFormatter, DateInWordsNamesTheNonZeroParts) {
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(ymd(1, 0, 3)), "1 year 3 days");
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(ymd(0, 2, 1)), "2 months 1 day");
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(ymd(2, 11, 30)), "2 years 11 months 30 days");
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(ymd(0, 0, 0)), "");
    DateComponents yearsOnly;
    yearsOnly.year = -2;
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(yearsOnly), "2 years");
    DateComponents hoursOnly;
    hoursOnly.hour = 5;
    EXPECT_EQ(TLFormatter::dateInWordsFromComponents(hoursOnly), "");
}

TEST(TLFormatter, SentenceJoinsTheNonEmptyWords) {
    EXPECT_EQ(TLFormatter::sentenceFromWords(std::vector<std::string>{"Rent", "", "May"}), "Rent May");
    EXPECT_EQ(TLFormatter::sentenceFromWords(std::vector<std::string>{"Groceries"}), "Groceries");
    EXPECT_EQ(TLFormatter::sentenceFromWords(std::vector<std::string>{"", ""}), "");
    EXPECT_EQ(TLFormatter::sentenceFromWords(std::nullopt), "");
}

TEST(StringAtIndex, CountsCharactersNotBytes) {
    EXPECT_EQ(stringAtIndex("Zoë Café", 2), "ë");
    EXPECT_EQ(stringAtIndex("Zoë Café", 7), "é");
    EXPECT_EQ(stringAtIndex("abc", 0), "a");
    EXPECT_EQ(stringAtIndex("abc", 3), "");
    EXPECT_EQ(stringAtIndex("", 0), "");
}

TEST(StringWithFormat, FillsPlacesInOrderAndNeverRescansValues) {
    EXPECT_EQ(stringWithFormat("%@ (transfered %@ %@ account)", {"Rent", "to", "Savings"}),
              "Rent (transfered to Savings account)");
    EXPECT_EQ(stringWithFormat("%@ (transfered %@ %@ account)", {"50%@ off", "from", "Cash"}),
              "50%@ off (transfered from Cash account)");
    EXPECT_EQ(stringWithFormat("Credit Limit exceeded by %@", {}), "Credit Limit exceeded by ");
    EXPECT_EQ(stringWithFormat("100%% of %@", {"rent"}), "100% of rent");
    EXPECT_EQ(stringWithFormat("%", {"x"}), "%");
    EXPECT_EQ(stringWithFormat("%1$@ (überwiesen %2$@ Konto %3$@)", {"Miete", "an", "Sparen"}),
              "Miete (überwiesen an Konto Sparen)");
    EXPECT_EQ(stringWithFormat("%2$@ before %1$@", {"one", "two"}), "two before one");
    EXPECT_EQ(stringWithFormat("%4$@|%0$@|%x", {"a"}), "|%0$@|%x");
}

}  // namespace
}  // namespace tallo
