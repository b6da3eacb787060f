// The GETLIST text of one root, on real folders.
#include "storage/file_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/text.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

void SetUnixTime(const fs::path& path, long long seconds) {
  fs::last_write_time(path, std::chrono::file_clock::from_sys(
                                std::chrono::sys_seconds(std::chrono::seconds(seconds))));
}

std::string ListOf(const std::u16string& root) {
  CFileList list;
  list.root = root;
  list.AddFolder(root);
  return platform::WideToUtf8(list.text);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(FileListTest, OneLinePerFileWithSizeTimeAndBackslashedPath) {
  TempFolder folder;
  folder.WriteFile("Sync/a.txt", "12345");
  SetUnixTime(folder.path() / "Sync/a.txt", 1423612800);
  EXPECT_EQ(ListOf(folder.Wide("Sync")), "5 0 1423612800 0 \\a.txt\r\n");
  // The same with the root given with a final separator.
  EXPECT_EQ(ListOf(folder.Wide("Sync") + platform::kSeparator), "5 0 1423612800 0 \\a.txt\r\n");
}

TEST(FileListTest, SubtreesStandWhereTheirFolderWasMet) {
  TempFolder folder;
  folder.WriteFile("Sync/a.txt", "12345");
  folder.WriteFile("Sync/B/deeper/c d.txt", "");
  SetUnixTime(folder.path() / "Sync/B/deeper/c d.txt", -1);
  folder.WriteFile("Sync/B/e.txt", "e");
  folder.WriteFile("Sync/B/e.txt.vlpart", "partial upload");
  folder.WriteFile("Sync/f.txt", "ff");
  fs::create_directories(folder.path() / "Sync/Empty/Inner");
  std::ofstream(folder.path() / "Sync/big.bin").close();
  fs::resize_file(folder.path() / "Sync/big.bin", std::uintmax_t{1} << 32);

  const std::vector<std::string> lines = Lines(ListOf(folder.Wide("Sync")));
  ASSERT_EQ(lines.size(), 5u);
  std::vector<std::string> paths;
  for (const std::string& line : lines) paths.push_back(line.substr(line.find('\\')));
  // B's two files are next to each other, wherever B came in the listing.
  const auto first = std::find(paths.begin(), paths.end(), "\\B\\e.txt");
  const auto second = std::find(paths.begin(), paths.end(), "\\B\\deeper\\c d.txt");
  ASSERT_NE(first, paths.end());
  ASSERT_NE(second, paths.end());
  EXPECT_EQ(std::abs(first - second), 1);
  for (const std::string& line : lines) {
    if (line.find("c d.txt") != std::string::npos) {
      EXPECT_EQ(line, "0 0 4294967295 4294967295 \\B\\deeper\\c d.txt");
    }
    if (line.find("big.bin") != std::string::npos) {
      EXPECT_EQ(line.substr(0, 4), "0 1 ");
    }
  }
}

TEST(FileListTest, EmptyMissingAndLoopingRoots) {
  TempFolder folder;
  fs::create_directories(folder.path() / "Sync/Only/Empty");
  EXPECT_EQ(ListOf(folder.Wide("Sync")), "");
  CFileList missing;
  missing.root = folder.Wide("Missing");
  EXPECT_EQ(missing.AddFolder(missing.root), 0);
  EXPECT_EQ(missing.text, u"");
#ifndef _WIN32
  // A link back up the tree: each file once, and the walk ends.
  folder.WriteFile("Sync/Only/x.txt", "x");
  fs::create_directory_symlink(folder.path() / "Sync", folder.path() / "Sync/Only/loop");
  fs::create_directory_symlink(folder.path() / "Sync/Only", folder.path() / "Sync/again");
  EXPECT_EQ(Lines(ListOf(folder.Wide("Sync"))).size(), 1u);
#endif
}

}  // namespace
