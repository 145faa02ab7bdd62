#include "Platform/foundation/Localization.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Platform/foundation/Bundle.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

TEST(Localization, EnglishIsTheKeyAndTheFallback) {
    EXPECT_EQ(L("years"), "years");
    EXPECT_EQ(L("Uncategorized"), "Uncategorized");
}

TEST(Localization, TheCurrentLanguagesTableIsUsed) {
    test::ScopedLocale german("de_DE");
    EXPECT_EQ(L("years"), "Jahre");
    EXPECT_EQ(L("No such text"), "No such text");  // missing entries stay English
}

TEST(Localization, AWordWithTwoSensesHasAnEntryForEach) {
    EXPECT_EQ(L("Security", "investment"), "Security");  // English shows the word itself
    test::ScopedLocale german("de_DE");
    EXPECT_EQ(L("Security"), "Sicherheit");
    EXPECT_EQ(L("Security", "investment"), "Wertpapier");
    EXPECT_EQ(L("Shares", "no such sense"), "Shares");  // a sense without an entry stays English
}

TEST(Localization, ParsesCommentsEscapesAndUnicode) {
    auto table = Localization::parseStringsTable(
        "/* header */\n"
        "\"Uncategorized\" = \"Ohne Kategorie\"; // trailing\n"
        "\"Say \\\"hi\\\"\"=\"Sag \\\"hallo\\\"\\n\";\n"
        "\"Café\" = \"Café ☕\";\n");
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->size(), 3u);
    EXPECT_EQ(table->at("Uncategorized"), "Ohne Kategorie");
    EXPECT_EQ(table->at("Say \"hi\""), "Sag \"hallo\"\n");
    EXPECT_EQ(table->at("Café"), "Café ☕");
}

TEST(Localization, BrokenTablesAreRefusedWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {
             Case{"\"a\" = \"b\";\n\"c\" \"d\";", "line 2: expected '=' after the key"},
             Case{"\"a\" = \"b\"", "line 1: expected ';' after the value"},
             Case{"\"a\" = \"b;", "line 1: unterminated quoted string"},
             Case{"\"a\" = \"b\n\";", "line 1: line break inside a quoted string"},
             Case{"/* never closed", "line 1: unterminated comment"},
             Case{"a = \"b\";", "line 1: expected a quoted string"},
             Case{"\"a\\q\" = \"b\";", "line 1: unknown escape \\q"},
         }) {
        std::string error;
        EXPECT_FALSE(Localization::parseStringsTable(c.text, &error).has_value()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(Localization, ABrokenTableFallsBackToEnglishAsAWhole) {
    test::TemporaryFolder folder;
    std::filesystem::create_directories(folder.path() + "/fr.lproj");
    std::ofstream(folder.path() + "/fr.lproj/Localizable.strings") << "\"years\" = \"ans\";\n\"day\" = ";
    std::string previous = Bundle::resourcePath();
    Bundle::setResourcePath(folder.path());
    {
        test::ScopedLocale french("fr_FR");
        EXPECT_EQ(L("years"), "years");
    }
    Bundle::setResourcePath(previous);
    Localization::reload();
}

}  // namespace
}  // namespace tallo
