#include "storage/prune.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/path_list.h"
#include "support/temp_folder.h"

namespace {

class PruneTest : public ::testing::Test {
 protected:
  void Keep(const std::string& relative) { list.Add(folder.Wide("Books/" + relative)); }

  TempFolder folder;
  CPathList list;
};

TEST_F(PruneTest, UnlistedFilesGoAndEmptiedFoldersWithThemButTheRootStays) {
  folder.WriteFile("Books/gone/a.epub", "a");
  folder.WriteFile("Books/gone/deeper/b.epub", "b");
  folder.WriteFile("Books/mixed/keep.epub", "k");
  folder.WriteFile("Books/mixed/drop.epub", "d");
  folder.WriteFile("Books/top.epub", "t");
  std::filesystem::create_directories(folder.path() / "Books/hollow/inner");
  Keep("mixed/keep.epub");

  list.Prune(folder.Wide("Books"));

  EXPECT_FALSE(folder.Exists("Books/gone"));
  EXPECT_FALSE(folder.Exists("Books/hollow"));
  EXPECT_TRUE(folder.Exists("Books/mixed/keep.epub"));
  EXPECT_FALSE(folder.Exists("Books/mixed/drop.epub"));
  EXPECT_FALSE(folder.Exists("Books/top.epub"));
  EXPECT_TRUE(folder.Exists("Books"));
}

TEST_F(PruneTest, ClearedListEmptiesTheTreeAndAMissingFolderIsHarmless) {
  folder.WriteFile("Books/a/b/c.epub", "c");
  folder.WriteFile("Books/d.epub", "d");
  Keep("d.epub");
  list.Clear();
  list.Prune(folder.Wide("Books"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "Books"));
  list.Prune(folder.Wide("NeverUploaded"));
  EXPECT_FALSE(folder.Exists("NeverUploaded"));
}

TEST_F(PruneTest, TrailingSeparatorGivesTheSamePaths) {
  folder.WriteFile("Books/sub/keep.epub", "k");
  Keep("sub/keep.epub");
  list.Prune(folder.Wide("Books") + u"/");
  EXPECT_TRUE(folder.Exists("Books/sub/keep.epub"));
}

TEST_F(PruneTest, EachEntrySparesOneFileInOnePrune) {
  folder.WriteFile("Books/twice.epub", "2");
  folder.WriteFile("Books/once.epub", "1");
  Keep("twice.epub");
  Keep("twice.epub");
  Keep("once.epub");
  list.Prune(folder.Wide("Books"));
  EXPECT_TRUE(folder.Exists("Books/once.epub"));
  EXPECT_TRUE(folder.Exists("Books/twice.epub"));
  // The next prune without new entries spends what is left.
  list.Prune(folder.Wide("Books"));
  EXPECT_FALSE(folder.Exists("Books/once.epub"));
  EXPECT_TRUE(folder.Exists("Books/twice.epub"));
  list.Prune(folder.Wide("Books"));
  EXPECT_FALSE(folder.Exists("Books/twice.epub"));
  EXPECT_TRUE(folder.Exists("Books"));
}

#ifndef _WIN32
// Links are made with the POSIX calls here; wine cannot make them.
TEST_F(PruneTest, LinksAreNeverFollowed) {
  folder.WriteFile("Elsewhere/precious.epub", "only copy");
  folder.WriteFile("Books/real.epub", "r");
  std::filesystem::create_directory_symlink(folder.path() / "Elsewhere",
                                            folder.path() / "Books/dirlink");
  std::filesystem::create_symlink(folder.path() / "Elsewhere/precious.epub",
                                  folder.path() / "Books/filelink.epub");
  Keep("filelink.epub");

  list.Prune(folder.Wide("Books"));

  EXPECT_EQ(folder.ReadFile("Elsewhere/precious.epub"), "only copy");
  EXPECT_FALSE(std::filesystem::is_symlink(folder.path() / "Books/dirlink"))
      << "an unlisted link is deleted as a file";
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "Books/filelink.epub"));
  EXPECT_FALSE(folder.Exists("Books/real.epub"));
}
#endif

}  // namespace
