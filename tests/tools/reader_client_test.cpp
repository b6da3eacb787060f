// A whole reader cycle against a real server: back a library up, commit,
// restore it into an empty folder and compare it byte for byte; back up again
// with a file removed; download the Sync folder.
#include "tools/reader_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/recording_server.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kBigFileBytes = 200u * 1024 * 1024;

// "Sèrie" with its accent as a separate mark, and composed.
const std::string kDecomposed = "Se\xcc\x80rie.epub";
const std::string kComposed = "S\xc3\xa8rie.epub";

void WriteFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// A large file of varied bytes, written in pieces.
void WriteBigFile(const fs::path& path, std::uintmax_t size) {
  std::ofstream out(path, std::ios::binary);
  std::string piece(1 << 20, '\0');
  std::uint32_t state = 12345;
  for (std::uintmax_t done = 0; done < size; done += piece.size()) {
    for (char& byte : piece) {
      state = state * 1103515245u + 12345u;
      byte = static_cast<char>(state >> 24);
    }
    out.write(piece.data(),
              static_cast<std::streamsize>(std::min<std::uintmax_t>(piece.size(), size - done)));
  }
}

bool SameContent(const fs::path& a, const fs::path& b) {
  std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
  if (!left || !right || fs::file_size(a) != fs::file_size(b)) return false;
  std::string x(1 << 20, '\0'), y(1 << 20, '\0');
  while (left && right) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount() ||
        x.compare(0, static_cast<std::size_t>(left.gcount()), y, 0,
                  static_cast<std::size_t>(right.gcount())) != 0)
      return false;
  }
  return true;
}

// Every file below `root` by its relative path (UTF-8, "/" separators).
std::map<std::string, fs::path> FilesBelow(const fs::path& root) {
  std::map<std::string, fs::path> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) {
      const std::u8string relative = fs::relative(entry.path(), root).generic_u8string();
      files[std::string(relative.begin(), relative.end())] = entry.path();
    }
  return files;
}

class ReaderClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.SetFolders(folder.Wide("Backup"), folder.Wide("Sync"));
    port = server.StartListening();
  }
  std::u16string Wide(const fs::path& path) const {
    const std::u8string text = path.u8string();
    return platform::Utf8ToWide(std::string(text.begin(), text.end()));
  }
  fs::path Path(const std::string& relative) const { return folder.path() / fs::u8path(relative); }

  TempFolder folder;
  RecordingServer server;
  int port = 0;
};

TEST_F(ReaderClientTest, BackupCommitRestoreAndPruneAWholeLibrary) {
  // The library and the names it is stored under.
  std::map<std::string, std::string> stored = {
      {"Books/Series One/Vol 1.epub", "Books/Series One/Vol 1.epub"},
      {"Books/Series One/Deeper/x.txt", "Books/Series One/Deeper/x.txt"},
      {"Books/" + kDecomposed, "Books/" + kComposed},
      {"Books/empty.bin", "Books/empty.bin"},
      {"Books/5120.bin", "Books/5120.bin"},
      {"Books/5121.bin", "Books/5121.bin"},
      {"Books/big.bin", "Books/big.bin"},
      {"UserData/settings.json", "UserData/settings.json"},
  };
#ifndef _WIN32
  stored["UserData/notes: 1*.txt"] = "UserData/notes_ 1_.txt";
#endif
  for (const auto& [name, storedName] : stored) {
    if (name == "Books/big.bin") continue;
    const std::size_t size = name.find("5120") != std::string::npos    ? 5120
                             : name.find("5121") != std::string::npos  ? 5121
                             : name.find("empty") != std::string::npos ? 0
                                                                       : name.size();
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
      content[i] = static_cast<char>(name[i % name.size()] + i);
    WriteFile(Path("library/" + name), content);
  }
  fs::create_directories(Path("library/Books"));
  WriteBigFile(Path("library/Books/big.bin"), kBigFileBytes);

  {
    ReaderClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port)) << client.lastError();
    ASSERT_TRUE(client.Select("tablet", "dev-1", "My tablet"));
    ASSERT_TRUE(client.Mode(false));
    const auto counts = client.UploadFolder(Wide(Path("library")));
    ASSERT_TRUE(counts) << client.lastError();
    EXPECT_EQ(counts->sent, static_cast<int>(stored.size()));
    EXPECT_EQ(counts->skipped, 0);
    ASSERT_TRUE(client.Commit());
    client.Quit();
  }
  {
    ReaderClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port));
    ASSERT_TRUE(client.Select("tablet", "dev-1", "My tablet"));
    ASSERT_TRUE(client.Mode(false));
    const auto counts = client.DownloadAll(Wide(Path("restored")), false);
    ASSERT_TRUE(counts) << client.lastError();
    EXPECT_EQ(counts->sent, static_cast<int>(stored.size()));
    client.Quit();
  }
  const auto restored = FilesBelow(Path("restored"));
  EXPECT_EQ(restored.size(), stored.size());
  for (const auto& [name, storedName] : stored) {
    const auto found = restored.find(storedName);
    ASSERT_NE(found, restored.end()) << storedName;
    EXPECT_TRUE(SameContent(Path("library/" + name), found->second)) << storedName;
  }

  // The next backup without one book deletes it from the set; books of the
  // same size are not sent again.
  fs::remove(Path("library/Books/Series One/Vol 1.epub"));
  {
    ReaderClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port));
    ASSERT_TRUE(client.Select("tablet", "dev-1", "My tablet"));
    ASSERT_TRUE(client.Mode(false));
    const auto counts = client.UploadFolder(Wide(Path("library")));
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->unchanged, 6);
    ASSERT_TRUE(client.Commit());
    const auto sets = client.List();
    ASSERT_TRUE(sets);
    ASSERT_EQ(sets->size(), 1u);
    EXPECT_EQ((*sets)[0].substr(0, 13), "tablet dev-1 ");
    client.Quit();
  }
  const auto inSet = FilesBelow(Path("Backup/tablet"));
  EXPECT_EQ(inSet.count("Books/Series One/Vol 1.epub"), 0u);
  EXPECT_EQ(inSet.count("Books/Series One/Deeper/x.txt"), 1u);
  EXPECT_EQ(inSet.count("Books/big.bin"), 1u);
  EXPECT_EQ(inSet.size(), stored.size());  // the rest, and the catalogue
}

TEST_F(ReaderClientTest, SyncFolderListsAndDownloads) {
  WriteFile(Path("Sync/Comics/Issue 1.cbz"), "comic");
  WriteFile(Path("Sync/readme.txt"), "read me");
  WriteFile(Path("Sync/empty"), "");
  ReaderClient client;
  ASSERT_TRUE(client.Connect("127.0.0.1", port));
  ASSERT_TRUE(client.Mode(true));
  const auto blocks = client.GetList(1);
  ASSERT_TRUE(blocks);
  ASSERT_EQ(blocks->size(), 1u);
  std::vector<std::string> paths;
  for (const ListedFile& file : (*blocks)[0]) paths.push_back(file.path);
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"\\Comics\\Issue 1.cbz", "\\empty", "\\readme.txt"}));
  const auto counts = client.DownloadAll(Wide(Path("got")), true);
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->sent, 3);
  EXPECT_TRUE(SameContent(Path("Sync/Comics/Issue 1.cbz"), Path("got/Comics/Issue 1.cbz")));
  EXPECT_TRUE(SameContent(Path("Sync/readme.txt"), Path("got/readme.txt")));
  EXPECT_TRUE(SameContent(Path("Sync/empty"), Path("got/empty")));
  client.Quit();
}

TEST(LocalPathForTest, WirePathsStayInsideTheFolder) {
  const auto path = LocalPathFor(u"root", "\\a\\b.txt");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->substr(0, 5), u"root" + std::u16string(1, path->at(4)));
  EXPECT_FALSE(LocalPathFor(u"root", "\\..\\x"));
  EXPECT_FALSE(LocalPathFor(u"root", "\\"));
}

}  // namespace
