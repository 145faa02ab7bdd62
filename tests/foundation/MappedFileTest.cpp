// MappedFile: the file's bytes as they are on disk, an empty file as no
// bytes, and a clear refusal for what cannot be mapped.
#include "Platform/foundation/MappedFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

TEST(MappedFile, MapsAFileAsItIsAndRefusesWhatIsNotAFile) {
    test::TemporaryFolder folder;
    const std::string path = folder.path() + "/TalloMobile2.sqlite";
    std::string content = "SQLite format 3";
    content.append(70000, '\0');
    content += "end";
    std::ofstream(path, std::ios::binary) << content;

    std::string error;
    auto mapped = MappedFile::open(path, &error);
    ASSERT_TRUE(mapped.has_value()) << error;
    ASSERT_EQ(mapped->size(), content.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->data()), mapped->size()), content);
    MappedFile moved = std::move(*mapped);  // the mapping goes with the move
    EXPECT_EQ(mapped->data(), nullptr);
    EXPECT_EQ(moved.size(), content.size());

    std::ofstream(folder.path() + "/empty", std::ios::binary);
    auto empty = MappedFile::open(folder.path() + "/empty", &error);
    ASSERT_TRUE(empty.has_value()) << error;
    EXPECT_EQ(empty->size(), 0u);

    EXPECT_FALSE(MappedFile::open(folder.path() + "/missing", &error).has_value());
    EXPECT_EQ(error, folder.path() + "/missing: No such file or directory");
    EXPECT_FALSE(MappedFile::open(folder.path(), &error).has_value());
    EXPECT_EQ(error, folder.path() + ": not a regular file");
}

}  // namespace
}  // namespace tallo
