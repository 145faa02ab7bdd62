#include "Platform/foundation/ApplicationHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationHome, AFreshHomeGetsItsFolders) {
    test::TemporaryFolder folder;
    ApplicationHome home(folder.path() + "/tallo");
    std::string error;
    ASSERT_TRUE(home.prepare(&error)) << error;
    EXPECT_TRUE(fs::is_directory(home.documentsPath()));
    EXPECT_TRUE(fs::is_directory(home.preferencesPath()));
    EXPECT_TRUE(fs::is_directory(home.cachesPath()));
}

// Each damaged home is refused with one message naming the path and what
// is wrong, and nothing in it is changed or made.
TEST(ApplicationHome, ADamagedHomeIsRefusedWithThePathAndNothingChanges) {
    struct Case {
        const char* name;
        const char* file;    // made as a file
        const char* folder;  // made as a folder
        const char* expected;
    };
    const Case cases[] = {
        {"Documents is a file", "Documents", nullptr, "/Documents is a file, not a folder"},
        {"Library is a file", "Library", nullptr, "/Library is a file, not a folder"},
        {"Preferences is a file", "Library/Preferences", nullptr, "/Library/Preferences is a file, not a folder"},
        {"the settings are a folder", nullptr, "Library/Preferences/Tallo.plist",
         "/Library/Preferences/Tallo.plist is a folder, not a file"},
        {"the store is a folder", nullptr, "Documents/TalloMobile2.sqlite", "/Documents/TalloMobile2.sqlite is a folder, not a file"},
        {"the home is a file", "", nullptr, " is a file, not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TemporaryFolder folder;
        fs::path root = fs::path(folder.path()) / "home";
        if (c.file != nullptr) {
            fs::path file = root / c.file;
            fs::create_directories(std::string(c.file).empty() ? fs::path(folder.path()) : file.parent_path());
            std::ofstream(std::string(c.file).empty() ? root : file) << "kept";
        } else {
            fs::create_directories(root / c.folder);
        }
        auto before = fs::recursive_directory_iterator(folder.path());
        size_t entries = std::distance(before, fs::recursive_directory_iterator());
        std::string error;
        EXPECT_FALSE(ApplicationHome(root.string()).prepare(&error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.rfind(folder.path(), 0), 0u) << "names the path: " << error;
        size_t after = std::distance(fs::recursive_directory_iterator(folder.path()), fs::recursive_directory_iterator());
        EXPECT_EQ(after, entries);
    }
}

}  // namespace
}  // namespace tallo
