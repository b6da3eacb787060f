#include "storage/path_list.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace {

std::u16string Units(std::size_t count) { return std::u16string(count, u'p'); }

TEST(PathListTest, LengthBound) {
  CPathList list;
  EXPECT_EQ(list.Add(Units(2598)), 1);
  EXPECT_EQ(list.Add(Units(2599)), 0);
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(list.Add(u""), 1) << "an empty path is still a path";
}

TEST(PathListTest, CapacityGrowsInHundredsWhenAtMostOneSlotIsFree) {
  CPathList list;
  EXPECT_EQ(list.capacity(), 0);
  EXPECT_EQ(list.Add(u"a"), 1);
  EXPECT_EQ(list.capacity(), 100);
  for (int i = 1; i < 99; ++i) list.Add(u"x" + std::u16string(1, char16_t(u'0' + i % 10)));
  EXPECT_EQ(list.count(), 99);
  EXPECT_EQ(list.capacity(), 100);
  list.Add(u"hundredth");
  EXPECT_EQ(list.count(), 100);
  EXPECT_EQ(list.capacity(), 200);
  list.Clear();
  EXPECT_EQ(list.capacity(), 0);
  EXPECT_EQ(list.count(), 0);
  list.Clear();
  EXPECT_EQ(list.Add(u"again"), 1);
  EXPECT_EQ(list.capacity(), 100);
}

TEST(PathListTest, EachAddedPathSparesItsFileOncePerPrune) {
  TempFolder folder;
  folder.WriteFile("Books/a/b.pdf", "b");
  folder.WriteFile("Books/twice.epub", "t");
  folder.WriteFile("Books/other.epub", "o");
  const std::u16string root = folder.Wide();

  CPathList list;
  // Either slash counts as a separator in what the reader announced.
  list.Add(root + u"\\Books\\a/b.pdf");
  list.Add(root + u"/Books/twice.epub");
  list.Add(root + u"/Books/twice.epub");

  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/a/b.pdf")), 0);
  EXPECT_TRUE(folder.Exists("Books/a/b.pdf"));
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/other.epub")), 1);
  EXPECT_FALSE(folder.Exists("Books/other.epub"));

  // A second prune with the same list: the single entry is spent, the double
  // one still has one left.
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/twice.epub")), 0);
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/twice.epub")), 0);
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/a/b.pdf")), 1);
  EXPECT_FALSE(folder.Exists("Books/a/b.pdf"));
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/twice.epub")), 1);
  EXPECT_FALSE(folder.Exists("Books/twice.epub"));

  // A file that cannot be deleted (it is not there) is reported as kept.
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/gone.epub")), 0);
}

TEST(PathListTest, LetterCaseFollowsTheFileSystem) {
  TempFolder folder;
  folder.WriteFile("Books/Title.EPUB", "x");
  CPathList list;
  list.Add(folder.Wide("Books/title.epub"));
#ifdef _WIN32
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/Title.EPUB")), 0);
  EXPECT_TRUE(folder.Exists("Books/Title.EPUB"));
#else
  EXPECT_EQ(list.KeepOrDelete(folder.Wide("Books/Title.EPUB")), 1);
  EXPECT_FALSE(folder.Exists("Books/Title.EPUB"));
#endif
}

TEST(PathListTest, ManyPathsInManyFoldersKeepTheirOwnCounts) {
  TempFolder folder;
  // Names repeat across folders; every tenth file is announced twice; many
  // more paths without files grow the table several times over.
  const auto relative = [](int i) {
    return "f" + std::to_string(i % 37) + "/n" + std::to_string(i / 37) + ".bin";
  };
  constexpr int kFiles = 1500;
  CPathList list;
  for (int i = 0; i < kFiles; ++i) {
    folder.WriteFile(relative(i), "x");
    ASSERT_EQ(list.Add(folder.Wide(relative(i))), 1);
    if (i % 10 == 0) list.Add(folder.Wide(relative(i)));
  }
  for (int i = kFiles; i < 20 * kFiles; ++i) ASSERT_EQ(list.Add(folder.Wide(relative(i))), 1);
  EXPECT_EQ(list.count(), 20 * kFiles + kFiles / 10);

  for (int i = 0; i < kFiles; ++i) ASSERT_EQ(list.KeepOrDelete(folder.Wide(relative(i))), 0) << i;
  for (int i = 0; i < kFiles; ++i) {
    list.KeepOrDelete(folder.Wide(relative(i)));
    EXPECT_EQ(folder.Exists(relative(i)), i % 10 == 0) << i;
  }
}

}  // namespace
