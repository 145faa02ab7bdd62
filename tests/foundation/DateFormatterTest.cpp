#include "Platform/foundation/DateFormatter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

namespace tallo {

namespace {

using test::localDate;
using test::ScopedLocale;

constexpr double kJan2Midnight2001Utc = 978393600;  // 2001-01-02 00:00:00 +0000
constexpr const char* kNarrowNoBreakSpace = "\u202f";

std::string format(const std::string& locale, DateStyle dateStyle, DateStyle timeStyle, Date date) {
    DateFormatter formatter;
    formatter.setLocale(locale);
    formatter.setDateStyle(dateStyle);
    formatter.setTimeStyle(timeStyle);
    return formatter.stringFromDate(date);
}

// The parsed instant in seconds since 1970 (which a failure prints readably).
std::optional<double> parse(const std::string& pattern, const std::string& text,
                            const std::string& timeZone = test::kPinnedTimeZone) {
    DateFormatter formatter;
    formatter.setDateFormat(pattern);
    formatter.setTimeZone(timeZone);
    std::optional<Date> date = formatter.dateFromString(text);
    if (!date) return std::nullopt;
    return date->timeIntervalSince1970();
}

// Tuesday 15 March 2011, 10:30 in New York.
Date tuesday() { return localDate(2011, 3, 15, 10, 30, 0); }

TEST(DateFormatterTest, StylesInUnitedStatesEnglish) {
    EXPECT_EQ(format("en_US", DateStyle::Short, DateStyle::None, tuesday()), "3/15/11");
    EXPECT_EQ(format("en_US", DateStyle::Medium, DateStyle::None, tuesday()), "Mar 15, 2011");
    EXPECT_EQ(format("en_US", DateStyle::Long, DateStyle::None, tuesday()), "March 15, 2011");
    EXPECT_EQ(format("en_US", DateStyle::Full, DateStyle::None, tuesday()), "Tuesday, March 15, 2011");
    // CLDR puts a narrow no-break space before AM/PM.
    EXPECT_EQ(format("en_US", DateStyle::None, DateStyle::Short, tuesday()),
              std::string("10:30") + kNarrowNoBreakSpace + "AM");
    EXPECT_EQ(format("en_US", DateStyle::Short, DateStyle::Short, tuesday()),
              std::string("3/15/11, 10:30") + kNarrowNoBreakSpace + "AM");
}

TEST(DateFormatterTest, StylesInGerman) {
    EXPECT_EQ(format("de_DE", DateStyle::Short, DateStyle::None, tuesday()), "15.03.11");
    EXPECT_EQ(format("de_DE", DateStyle::Medium, DateStyle::None, tuesday()), "15.03.2011");
    EXPECT_EQ(format("de_DE", DateStyle::Long, DateStyle::None, tuesday()), "15. März 2011");
    EXPECT_EQ(format("de_DE", DateStyle::Full, DateStyle::None, tuesday()), "Dienstag, 15. März 2011");
    EXPECT_EQ(format("de_DE", DateStyle::None, DateStyle::Short, tuesday()), "10:30");
}

TEST(DateFormatterTest, BothStylesNoneShowNothing) {
    EXPECT_EQ(format("en_US", DateStyle::None, DateStyle::None, tuesday()), "");
}

TEST(DateFormatterTest, DefaultsToTheCurrentLocaleAndTimeZoneAndShortDate) {
    // 23:30 on 15 March in New York is already 16 March in Berlin.
    Date lateEvening = localDate(2011, 3, 15, 23, 30, 0);
    EXPECT_EQ(DateFormatter().stringFromDate(lateEvening), "3/15/11");
    ScopedLocale german("de_DE", "Europe/Berlin");
    EXPECT_EQ(DateFormatter().stringFromDate(lateEvening), "16.03.11");
}

TEST(DateFormatterTest, TheLastOfPatternAndStyleWins) {
    DateFormatter formatter;
    formatter.setDateFormat("yyyy-MM-dd");
    EXPECT_EQ(formatter.stringFromDate(tuesday()), "2011-03-15");
    formatter.setDateStyle(DateStyle::Medium);
    EXPECT_EQ(formatter.stringFromDate(tuesday()), "Mar 15, 2011");
    formatter.setDateFormat("dd/MM");
    formatter.setLocale("de_DE");  // a locale change keeps the pattern
    EXPECT_EQ(formatter.stringFromDate(tuesday()), "15/03");
}

// The date utilities name month abbreviations by parsing "MM" and
// formatting the result with "MMM".
std::vector<std::string> abbreviatedMonths(const std::string& locale) {
    DateFormatter reader;
    reader.setDateFormat("MM");
    DateFormatter writer;
    writer.setDateFormat("MMM");
    writer.setLocale(locale);
    std::vector<std::string> names;
    for (const char* number : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"}) {
        std::optional<Date> date = reader.dateFromString(number);
        names.push_back(date ? writer.stringFromDate(*date) : "?");
    }
    return names;
}

TEST(DateFormatterTest, AbbreviatedMonthNamesFromParsedMonthNumbers) {
    EXPECT_EQ(abbreviatedMonths("en_US"), (std::vector<std::string>{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul",
                                                                    "Aug", "Sep", "Oct", "Nov", "Dec"}));
    EXPECT_EQ(abbreviatedMonths("de_DE"), (std::vector<std::string>{"Jan.", "Feb.", "März", "Apr.", "Mai", "Juni",
                                                                    "Juli", "Aug.", "Sept.", "Okt.", "Nov.", "Dez."}));
}

TEST(DateFormatterTest, ParsesTheReferenceDateWithEachZonePatternOfTheDateUtilities) {
    const std::string text = "2001-01-02 00:00:00 +0000";
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss ZZZZ", text), kJan2Midnight2001Utc);
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss ZZZ", text), kJan2Midnight2001Utc);
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss zzz", text), kJan2Midnight2001Utc);
    // Without a zone the text is wall-clock time in the formatter's zone.
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss", "2001-01-02 00:00:00"), kJan2Midnight2001Utc + 5 * 3600);
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss", "2001-01-02 00:00:00", "Europe/Berlin"),
              kJan2Midnight2001Utc - 3600);
}

TEST(DateFormatterTest, LocalizedGmtPatternTakesGmtFormsAndNumericOffsetsButNotZoneNames) {
    const std::string pattern = "yyyy-MM-dd HH:mm:ss ZZZZ";
    EXPECT_EQ(parse(pattern, "2001-01-02 00:00:00 GMT"), kJan2Midnight2001Utc);
    EXPECT_EQ(parse(pattern, "2001-01-02 00:00:00 GMT+01:00"), kJan2Midnight2001Utc - 3600);
    EXPECT_EQ(parse(pattern, "2001-01-02 00:00:00 -0500"), kJan2Midnight2001Utc + 5 * 3600);
    EXPECT_EQ(parse(pattern, "2001-01-02 00:00:00 EST"), std::nullopt);
    // "GMT+01" is read and "00" is left over: no date.
    EXPECT_EQ(parse(pattern, "2001-01-02 00:00:00 GMT+0100"), std::nullopt);
    // The zone-name pattern, the utilities' third try, does take "EST".
    EXPECT_EQ(parse("yyyy-MM-dd HH:mm:ss zzz", "2001-01-02 00:00:00 EST"), kJan2Midnight2001Utc + 5 * 3600);
}

TEST(DateFormatterTest, RefusesTextThatDoesNotMatchThePatternEntirely) {
    const std::string plain = "yyyy-MM-dd HH:mm:ss";
    EXPECT_EQ(parse(plain, "2001-01-02 00:00:00 +0000"), std::nullopt);  // text left over
    EXPECT_EQ(parse(plain, "2001-01-02"), std::nullopt);                 // text missing
    EXPECT_EQ(parse(plain, ""), std::nullopt);
    EXPECT_EQ(parse(plain, "2001-13-02 00:00:00"), std::nullopt);  // no month 13
    EXPECT_EQ(parse(plain, "2001-02-30 00:00:00"), std::nullopt);  // no 30 February
    // 02:30 did not happen in New York on 13 March 2011.
    EXPECT_EQ(parse(plain, "2011-03-13 02:30:00"), std::nullopt);
    EXPECT_EQ(parse(plain, "2011-03-13 03:30:00"), localDate(2011, 3, 13, 3, 30, 0).timeIntervalSince1970());
}

TEST(DateFormatterTest, FormatsAndParsesBackAnInstantInAnotherZone) {
    DateFormatter formatter;
    formatter.setDateFormat("yyyy-MM-dd HH:mm:ss ZZZ");
    formatter.setTimeZone("Europe/Berlin");
    EXPECT_EQ(formatter.stringFromDate(tuesday()), "2011-03-15 15:30:00 +0100");
    std::optional<Date> parsed = formatter.dateFromString("2011-03-15 15:30:00 +0100");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->timeIntervalSince1970(), tuesday().timeIntervalSince1970());
}

}  // namespace
}  // namespace tallo
