#include "Platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

TEST(UserDefaults, SettingsSurviveARestart) {
    test::TemporaryFolder folder;
    std::string path = folder.path() + "/Library/Preferences/Tallo.plist";
    {
        UserDefaults defaults(path);
        EXPECT_TRUE(defaults.setBool("use_payee", true));
        defaults.setString("default_currency_code", "EUR");
        defaults.setInteger("not_first_time", 1);
        defaults.setInteger("negative", -42);
        defaults.setDate("lastSyncDate", Date(1300190400.25));
        defaults.setData("desktop_identifier", {0x00, 0xff, 0x10});
        defaults.setDouble("rate", 1.0837);
    }
    UserDefaults reread(path);
    EXPECT_EQ(reread.boolValue("use_payee"), true);
    EXPECT_EQ(reread.stringValue("default_currency_code"), "EUR");
    EXPECT_EQ(reread.integerValue("not_first_time"), 1);
    EXPECT_EQ(reread.integerValue("negative"), -42);
    EXPECT_EQ(reread.dateValue("lastSyncDate"), Date(1300190400.25));
    EXPECT_EQ(reread.dataValue("desktop_identifier"), (UserDefaults::Data{0x00, 0xff, 0x10}));
    EXPECT_EQ(reread.doubleValue("rate"), 1.0837);
}

TEST(UserDefaults, ATemporaryFileOfAWriteCutShortIsRemovedAndTheSettingsKept) {
    test::TemporaryFolder folder;
    std::string path = folder.path() + "/Tallo.plist";
    UserDefaults(path).setString("default_currency_code", "EUR");
    std::ofstream(path + ".tmp") << "bplist00 half of a newer write";
    UserDefaults defaults(path);
    EXPECT_EQ(defaults.stringForKey("default_currency_code"), "EUR");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(UserDefaults, AbsentKeysReadAsAbsent) {
    test::TemporaryFolder folder;
    UserDefaults defaults(folder.path() + "/Tallo.plist");
    EXPECT_FALSE(defaults.hasKey("use_category"));
    EXPECT_FALSE(defaults.boolValue("use_category").has_value());
    EXPECT_FALSE(defaults.boolForKey("use_category"));
    EXPECT_EQ(defaults.integerForKey("x"), 0);
    EXPECT_EQ(defaults.stringForKey("x"), "");
    defaults.setString("documentName", "Home");
    EXPECT_FALSE(defaults.dateValue("documentName").has_value());  // another type reads as absent
    defaults.removeObjectForKey("documentName");
    EXPECT_FALSE(UserDefaults(folder.path() + "/Tallo.plist").hasKey("documentName"));
}

TEST(UserDefaults, ADamagedFileIsKeptNotOverwritten) {
    test::TemporaryFolder folder;
    std::string path = folder.path() + "/Tallo.plist";
    std::ofstream(path) << "<plist><dict><key>use_payee</key>";  // cut off mid-way
    UserDefaults defaults(path);
    EXPECT_NE(defaults.lastError().find("not a property-list dictionary"), std::string::npos);
    EXPECT_FALSE(defaults.hasKey("use_payee"));
    EXPECT_TRUE(defaults.setBool("use_category", true));
    EXPECT_EQ(readFile(path + ".damaged"), "<plist><dict><key>use_payee</key>");
    EXPECT_TRUE(UserDefaults(path).boolForKey("use_category"));
}

TEST(UserDefaults, AFailedWriteIsReportedAndLeavesTheFile) {
    test::TemporaryFolder folder;
    std::string path = folder.path() + "/Tallo.plist";
    UserDefaults defaults(path);
    defaults.setString("documentName", "Home");
    std::string before = readFile(path);
    // A folder where the temporary file must go makes the write fail, even for root.
    std::filesystem::create_directory(path + ".tmp");
    bool written = defaults.setString("documentName", "Office");
    EXPECT_FALSE(written);
    EXPECT_FALSE(defaults.lastError().empty());
    EXPECT_EQ(readFile(path), before);
}

}  // namespace
}  // namespace tallo
