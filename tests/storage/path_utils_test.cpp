#include "storage/path_utils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file.h"
#include "support/temp_folder.h"

namespace {

TEST(PathUtilsTest, FileTimeToUnixSecondsTruncatesTowardZero) {
  EXPECT_EQ(FileTimeToUnixSeconds(116444736000000000ull), 0);
  EXPECT_EQ(FileTimeToUnixSeconds(116444736010000000ull), 1);
  EXPECT_EQ(FileTimeToUnixSeconds(116444735999999999ull), 0);
  const std::int64_t before1970 = FileTimeToUnixSeconds(116444735990000000ull);
  EXPECT_EQ(before1970, -1);
  const auto bits = static_cast<std::uint64_t>(before1970);
  EXPECT_EQ(static_cast<std::uint32_t>(bits), 4294967295u);
  EXPECT_EQ(static_cast<std::uint32_t>(bits >> 32), 4294967295u);
  EXPECT_EQ(FileTimeToUnixSeconds(0), -11644473600LL);
}

TEST(PathUtilsTest, SplittingAtTheLastSeparator) {
  const auto truncated = [](std::u16string path) {
    TruncateToFolder(path);
    return path;
  };
  EXPECT_EQ(truncated(u"a\\b\\c.txt"), u"a\\b\\");
  EXPECT_EQ(truncated(u"a/b"), u"a/");
  EXPECT_EQ(truncated(u"c.txt"), u"");
  EXPECT_EQ(truncated(u"a\\b\\"), u"a\\b\\");
  EXPECT_EQ(truncated(u""), u"");
  std::u16string path = u"x/y/z";
  EXPECT_EQ(TruncateToFolder(path), 4u);

  EXPECT_EQ(FileNamePart(u"a\\b\\c.txt"), 4u);
  EXPECT_EQ(FileNamePart(u"a/b\\c"), 4u);
  EXPECT_EQ(FileNamePart(u"c.txt"), 0u);
  EXPECT_EQ(FileNamePart(u"a\\b\\"), 4u);
}

TEST(PathUtilsTest, CreateFolderPathMakesEveryPrefixButTheLastName) {
  TempFolder folder;
  EXPECT_EQ(CreateFolderPath(folder.Wide("x/y")), 1);
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "x"));
  EXPECT_FALSE(folder.Exists("x/y"));
  EXPECT_EQ(CreateFolderPath(folder.Wide("x/y/")), 1);
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "x/y"));
  // Backslashes separate too, on every platform's side of the parse.
  EXPECT_EQ(CreateFolderPath(folder.Wide() + u"/p\\q/"), 1);
  EXPECT_EQ(CreateFolderPath(u""), 1);

  // A file where a folder should be stops the walk; what came before stays.
  folder.WriteFile("before/blocked", "file");
  EXPECT_EQ(CreateFolderPath(folder.Wide("before/blocked/inner/")), 0);
  EXPECT_EQ(folder.ReadFile("before/blocked"), "file");
  EXPECT_FALSE(folder.Exists("before/blocked/inner"));
}

TEST(PathUtilsTest, CreateFolderPathLengthBound) {
  TempFolder folder;
  const std::u16string root = folder.Wide() + u"/";
  const std::u16string fits = root + std::u16string(2600 - root.size(), u'n');
  EXPECT_EQ(CreateFolderPath(fits), 1) << "the last name is never created";
  EXPECT_EQ(CreateFolderPath(fits + u"n"), 0);
}

TEST(PathUtilsTest, FileExistsWithSizeTellsFilesFromFoldersAndMissingPaths) {
  TempFolder folder;
  folder.WriteFile("dir/five.txt", "12345");
  folder.WriteFile("empty.txt", "");
  std::uint32_t low = 77, high = 88;
  EXPECT_EQ(FileExistsWithSize(folder.Wide("dir/five.txt"), &low, &high), 1);
  EXPECT_EQ(low, 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(FileExistsWithSize(folder.Wide("empty.txt"), &low, nullptr), 1);
  EXPECT_EQ(low, 0u);
  EXPECT_EQ(FileExistsWithSize(folder.Wide("dir"), nullptr, nullptr), 0);
  low = 77, high = 88;
  EXPECT_EQ(FileExistsWithSize(folder.Wide("dir/missing.txt"), &low, &high), 0);
  EXPECT_EQ(low, 77u);
  EXPECT_EQ(high, 88u);
}

TEST(PathUtilsTest, JoinPathAddsOneSeparator) {
  const std::u16string sep(1, platform::kSeparator);
  EXPECT_EQ(JoinPath(u"a", u"b"), u"a" + sep + u"b");
  EXPECT_EQ(JoinPath(u"a\\", u"b"), u"a\\b");
  EXPECT_EQ(JoinPath(u"a/", u"b"), u"a/b");
}

}  // namespace
