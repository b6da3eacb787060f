// GETFILE, PUTBOOK, PUTFILE and GETLIST byte for byte on a loopback
// connection, with the files they leave on disk.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/session.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif
#include "support/wire_test.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TransferTest : public WireTest {
 protected:
  // A greeted connection with set "s" selected, in backup mode.
  std::unique_ptr<TestClient> Selected() {
    auto client = Connect();
    EXPECT_EQ(Ask(*client, "SELECT s dev Shelf"), "WELCOME\r\n");
    EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
    return client;
  }
  // The whole GETLIST answer.
  static std::string ListAnswer(TestClient& client, int blocks) {
    EXPECT_TRUE(client.Send("GETLIST\r\n"));
    std::string all = client.ReadLine();
    for (int block = 0; block < blocks; ++block)
      for (std::string line; !(line = client.ReadLine()).empty();) {
        all += line;
        if (line == "\r\n") break;
      }
    return all + client.ReadLine();
  }
  static std::string Put(TestClient& client, const char* command, const std::string& name,
                         const std::string& body) {
    return Ask(client, std::string(command) + " " + std::to_string(body.size()) + " 0 0 0 " + name);
  }
  void WaitForSessionsToEnd() { ASSERT_TRUE(server.WaitForSessions(0)); }
};

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(TransferTest, GetListBlocksInBackupAndSyncMode) {
  auto client = Selected();
  EXPECT_EQ(ListAnswer(*client, 2), "WAIT\r\n\r\n\r\n.\r\n");
  EXPECT_TRUE(Logged(0, "Create file list..."));

  folder.WriteFile("Backup/s/Books/a.txt", "12345");
  fs::last_write_time(folder.path() / "Backup/s/Books/a.txt",
                      std::chrono::file_clock::from_sys(
                          std::chrono::sys_seconds(std::chrono::seconds(1423612800))));
  folder.WriteFile("Backup/s/UserData/x y/z.dat", "");
  folder.WriteFile("Sync/only in sync.txt", "sync");
  const std::string list = ListAnswer(*client, 2);
  EXPECT_TRUE(StartsWith(list, "WAIT\r\n5 0 1423612800 0 \\a.txt\r\n\r\n0 0 ")) << list;
  EXPECT_TRUE(EndsWith(list, " \\x y\\z.dat\r\n\r\n.\r\n")) << list;

  EXPECT_EQ(Ask(*client, "MODE S"), "OK\r\n");
  const std::string sync = ListAnswer(*client, 1);
  EXPECT_TRUE(StartsWith(sync, "WAIT\r\n4 0 ")) << sync;
  EXPECT_TRUE(EndsWith(sync, " \\only in sync.txt\r\n\r\n.\r\n")) << sync;
}

TEST_F(TransferTest, GetFileSendsExactlyTheFileFromTheRightFolder) {
  folder.WriteFile("Backup/s/Books/both.txt", "from books");
  folder.WriteFile("Backup/s/UserData/both.txt", "from user data");
  folder.WriteFile("Backup/s/UserData/sub/only.txt", "user");
  folder.WriteFile("Backup/s/Books/empty.txt", "");
  folder.WriteFile("Backup/s/Books/5120.bin", std::string(5120, 'a'));
  const std::string body5121 = std::string(5120, 'b') + "c";
  folder.WriteFile("Backup/s/Books/5121.bin", body5121);
  folder.WriteFile("Sync/sync.txt", "sync");
  auto client = Selected();

  EXPECT_EQ(Ask(*client, "GETFILE both.txt"), "OK 10 0 0 0\r\n");
  EXPECT_EQ(client->Read(10), "from books");
  EXPECT_EQ(Ask(*client, "GETFILE sub/only.txt"), "OK 4 0 0 0\r\n");
  EXPECT_EQ(client->Read(4), "user");
  EXPECT_EQ(Ask(*client, "GETFILE \\sub\\only.txt"), "OK 4 0 0 0\r\n");
  EXPECT_EQ(client->Read(4), "user");
  EXPECT_EQ(Ask(*client, "GETFILE empty.txt"), "OK 0 0 0 0\r\n");
  EXPECT_EQ(Ask(*client, "GETFILE 5120.bin"), "OK 5120 0 0 0\r\n");
  EXPECT_EQ(client->Read(5120), std::string(5120, 'a'));
  EXPECT_EQ(Ask(*client, "GETFILE 5121.bin"), "OK 5121 0 0 0\r\n");
  EXPECT_EQ(client->Read(5121), body5121);
  EXPECT_EQ(Ask(*client, "GETFILE sync.txt"), "ERROR Cannot open file.\r\n");
  EXPECT_TRUE(Logged(0, "File open error."));

  EXPECT_EQ(Ask(*client, "MODE S"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "GETFILE both.txt"), "ERROR Cannot open file.\r\n");
  EXPECT_EQ(Ask(*client, "GETFILE sync.txt"), "OK 4 0 0 0\r\n");
  EXPECT_EQ(client->Read(4), "sync");
  EXPECT_EQ(server.Count("Done."), 7);
}

TEST_F(TransferTest, PutStoresReplacesAndAnswersExistForTheSameBook) {
  folder.WriteFile("Backup/s/Books/kept.epub", "12345");
  folder.WriteFile("Backup/s/UserData/notes.txt", "old!!");
  folder.WriteFile("Backup/s/Books/resized.epub", "short");
  auto client = Selected();

  // The same book: EXIST, no body is read, and it counts as received.
  EXPECT_EQ(Put(*client, "PUTBOOK", "kept.epub", "abcde"), "EXIST\r\n");
  EXPECT_TRUE(Logged(0, "File exist."));
  // The same user file is sent again and replaced.
  EXPECT_EQ(Put(*client, "PUTFILE", "notes.txt", "new!!"), "OK\r\n");
  ASSERT_TRUE(client->Send("new!!"));
  // Another size replaces the book.
  EXPECT_EQ(Put(*client, "PUTBOOK", "resized.epub", "longer body"), "OK\r\n");
  ASSERT_TRUE(client->Send("longer body"));
  // Replaced characters, folders made on the way, spaces kept in the name.
  EXPECT_EQ(Ask(*client, "PUTBOOK 3 0 0 0 a/b\\c: d*.txt"), "OK\r\n");
  ASSERT_TRUE(client->Send("abc"));
  EXPECT_EQ(Ask(*client, "PUTFILE 0 0 9 9 empty file"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");

  EXPECT_EQ(folder.ReadFile("Backup/s/Books/kept.epub"), "12345");
  EXPECT_EQ(folder.ReadFile("Backup/s/UserData/notes.txt"), "new!!");
  EXPECT_EQ(folder.ReadFile("Backup/s/Books/resized.epub"), "longer body");
  EXPECT_EQ(folder.ReadFile("Backup/s/Books/a/b/c_ d_.txt"), "abc");
  EXPECT_TRUE(folder.Exists("Backup/s/UserData/empty file"));
  EXPECT_TRUE(Logged(0, "Put BOOK = c_ d_.txt"));
  EXPECT_TRUE(Logged(0, "Put FILE = empty file"));
  EXPECT_TRUE(Logged(0, "File size different."));

  // A second commit without a new cycle spends nothing more and deletes all.
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_FALSE(folder.Exists("Backup/s/Books/kept.epub"));
  // A name sent twice in a cycle survives two commits.
  EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Put(*client, "PUTBOOK", "twice.epub", "tw"), i == 0 ? "OK\r\n" : "EXIST\r\n");
    if (i == 0) {
      ASSERT_TRUE(client->Send("tw"));
    }
  }
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_TRUE(folder.Exists("Backup/s/Books/twice.epub"));
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_FALSE(folder.Exists("Backup/s/Books/twice.epub"));
}

TEST_F(TransferTest, MalformedPutLines) {
  auto client = Selected();
  EXPECT_EQ(Ask(*client, "PUTBOOK 1 0 0 name-without-fourth-space"), "BAD COMMAND\r\n");
  EXPECT_EQ(Ask(*client, "PUTFILE"), "BAD COMMAND\r\n");
  EXPECT_EQ(Ask(*client, "PUTFILE 1 0 0 0 "), "SKIP/File can not open.\r\n");
  EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
}

// Names that long cannot come in a request line of at most 1022 bytes, so
// the session runs here on the test's thread, still over a real connection.
TEST_F(TransferTest, NameLengthBoundCountsStoredUnits) {
  CNetSocket listener;
  ASSERT_TRUE(listener.Listen(0));
  TestClient client(listener.address.port);
  auto accepted = std::make_unique<CNetSocket>();
  platform::AcceptStatus status;
  ASSERT_TRUE(listener.Accept(*accepted, &status));
  CSession session(server, std::move(accepted), 0);
  const auto run = [&](const std::string& line) {
    EXPECT_EQ(session.Execute(line.c_str()), 1);
    return client.ReadLine();
  };
  EXPECT_EQ(run("SELECT s dev Shelf"), "WELCOME\r\n");
  // 2598 units and the terminator pass the name check; the path below the
  // set's folder is then too long to open or to store.
  EXPECT_EQ(run("GETFILE " + std::string(2598, 'n')), "ERROR Cannot open file.\r\n");
  EXPECT_EQ(run("GETFILE " + std::string(2599, 'n')), "ERROR TOO LONG\r\n");
  // Composed characters count once: 1300 times e with a grave accent.
  std::string composed;
  for (int i = 0; i < 2598; ++i) composed += "e\xcc\x80";
  EXPECT_EQ(run("GETFILE " + composed), "ERROR Cannot open file.\r\n");
  EXPECT_EQ(run("PUTBOOK 1 0 0 0 " + std::string(2599, 'n')), "SKIP/File name too long/\r\n");
  EXPECT_EQ(run("PUTBOOK 1 0 0 0 " + std::string(2598, 'n')), "SKIP/File name too long/\r\n");
  EXPECT_FALSE(folder.Exists("Backup/s/Books"));
}

TEST_F(TransferTest, LongPathsAreStoredWhole) {
  // A deep Backup folder, so that the set's files pass the classic limits.
#ifdef _WIN32
  // The Windows profile functions reach no catalogue past the classic limit.
  const std::size_t backupUnits = 200;
#else
  const std::size_t backupUnits = 2599 - 40 - 101;
#endif
  std::string deep = "Backup";
  while (folder.Wide(deep).size() + 101 < backupUnits) deep += "/" + std::string(100, 'd');
  server.SetFolders(folder.Wide(deep), folder.Wide("Sync"));
  auto client = Selected();
  // The longest path that a commit can recognise is 2598 units; a request
  // line carries at most about 1000 bytes of name.
  const std::size_t room = 2598 - folder.Wide(deep + "/s/UserData/sub/").size();
  const std::size_t length = std::min<std::size_t>(room, 900);
  std::string tail;
  while (tail.size() + 201 < length) tail += std::string(200, 'f') + "/";
  tail += std::string(length - tail.size(), 'f');
  const std::string name = "sub/" + tail;
  EXPECT_EQ(Ask(*client, "PUTFILE 2 0 0 0 " + name), "OK\r\n");
  ASSERT_TRUE(client->Send("ok"));
  if (length == room) {
    EXPECT_EQ(Ask(*client, "PUTFILE 2 0 0 0 " + name + "g"), "SKIP/File name too long/\r\n");
  }
  EXPECT_EQ(Ask(*client, "GETFILE " + name), "OK 2 0 0 0\r\n");
  EXPECT_EQ(client->Read(2), "ok");
  std::string listed = name;
  for (char& unit : listed)
    if (unit == '/') unit = '\\';
  EXPECT_TRUE(EndsWith(ListAnswer(*client, 2), " \\" + listed + "\r\n\r\n.\r\n"));
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "GETFILE " + name), "OK 2 0 0 0\r\n");
  EXPECT_EQ(client->Read(2), "ok");
}

TEST_F(TransferTest, NamesThatLeaveTheFolderAreRefused) {
  folder.WriteFile("Backup/s/secret.txt", "secret");
  folder.WriteFile("outside.txt", "outside");
  auto client = Selected();
  for (const char* name :
       {"..\\secret.txt", "../secret.txt", "a/../../secret.txt", "../../../outside.txt"}) {
    EXPECT_EQ(Ask(*client, std::string("GETFILE ") + name), "ERROR Cannot open file.\r\n") << name;
    EXPECT_EQ(Ask(*client, std::string("PUTBOOK 1 0 0 0 ") + name), "SKIP/File can not open.\r\n")
        << name;
    EXPECT_EQ(Ask(*client, std::string("PUTFILE 1 0 0 0 ") + name), "SKIP/File can not open.\r\n")
        << name;
  }
  EXPECT_EQ(server.Count("Bad file name."), 12);
  EXPECT_TRUE(Logged(1, "Bad file name."));
  // The session goes on, and nothing outside was touched.
  EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
  EXPECT_EQ(folder.ReadFile("Backup/s/secret.txt"), "secret");
  EXPECT_EQ(folder.ReadFile("outside.txt"), "outside");
  EXPECT_FALSE(folder.Exists("Backup/s/Books"));
}

TEST_F(TransferTest, NothingIsTouchedBeforeASetIsSelected) {
  folder.WriteFile("Backup/Books/a.txt", "a");
  folder.WriteFile("Books/a.txt", "a");
  auto client = Connect();
  EXPECT_EQ(Ask(*client, "GETFILE a.txt"), "ERROR Cannot open file.\r\n");
  EXPECT_EQ(Ask(*client, "PUTBOOK 1 0 0 0 b.txt"), "SKIP/File can not open.\r\n");
  EXPECT_EQ(Ask(*client, "PUTFILE 1 0 0 0 b.txt"), "SKIP/File can not open.\r\n");
  ASSERT_TRUE(client->Send("GETLIST\r\n"));
  EXPECT_EQ(client->Read(13), "WAIT\r\n\r\n\r\n.\r\n");
  // No Sync folder set: sync mode lists one empty block.
  server.SetFolders(folder.Wide("Backup"), u"");
  EXPECT_EQ(Ask(*client, "MODE S"), "OK\r\n");
  ASSERT_TRUE(client->Send("GETLIST\r\n"));
  EXPECT_EQ(client->Read(11), "WAIT\r\n\r\n.\r\n");
  EXPECT_FALSE(folder.Exists("Backup/b.txt"));
  EXPECT_FALSE(folder.Exists("b.txt"));
}

TEST_F(TransferTest, ADroppedUploadLeavesTheOldFileAndNoPartialFile) {
  folder.WriteFile("Backup/s/UserData/notes.txt", "the old notes");
  {
    auto client = Selected();
    EXPECT_EQ(Put(*client, "PUTFILE", "notes.txt", std::string(100000, 'n')), "OK\r\n");
    ASSERT_TRUE(client->Send(std::string(50000, 'n')));
  }
  WaitForSessionsToEnd();
  EXPECT_EQ(folder.ReadFile("Backup/s/UserData/notes.txt"), "the old notes");
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(folder.path() / "Backup/s/UserData")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

#ifndef _WIN32
// Windows does not let a file being read be cut short; POSIX does.
TEST_F(TransferTest, AFileThatShrinksWhileSentEndsTheSessionInsteadOfBeingPadded) {
  constexpr std::uintmax_t kSize = 64u << 20;  // more than the socket buffers hold
  folder.WriteFile("Backup/s/Books/big.bin", "");
  fs::resize_file(folder.path() / "Backup/s/Books/big.bin", kSize);
  auto client = Selected();
  EXPECT_EQ(Ask(*client, "GETFILE big.bin"), "OK 67108864 0 0 0\r\n");
  // The server fills the connection and waits; then the file loses its tail.
  std::this_thread::sleep_for(300ms);
  fs::resize_file(folder.path() / "Backup/s/Books/big.bin", 1 << 20);
  const std::string body = client->ReadToEnd();
  EXPECT_LT(body.size(), kSize);
  EXPECT_TRUE(Logged(1, "Read error."));
  EXPECT_EQ(server.Count("Done."), 0);
  WaitForSessionsToEnd();
}

// A write that fails (here: past the process's file-size limit, as a full
// disk would) ends the session; the earlier file stays and no partial file.
TEST_F(TransferTest, AFailedWriteEndsTheSessionAndKeepsTheEarlierFile) {
  folder.WriteFile("Backup/s/UserData/notes.txt", "the old notes");
  auto client = Selected();
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit saved = limit;
  limit.rlim_cur = 100000;
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(Put(*client, "PUTFILE", "notes.txt", std::string(300000, 'n')), "OK\r\n");
  client->Send(std::string(300000, 'n'));
  EXPECT_EQ(client->ReadToEnd(), "");
  WaitForSessionsToEnd();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(Logged(1, "Can not write file."));
  EXPECT_EQ(folder.ReadFile("Backup/s/UserData/notes.txt"), "the old notes");
  EXPECT_FALSE(folder.Exists("Backup/s/UserData/notes.txt.vlpart"));
}
#endif

TEST(ParsePutArgsTest, NumbersAndNamesAsTheReaderSendsThem) {
  std::string text = "\t+12 -1 99999999999 x7 a b/c:*?\"<>|";
  PutArgs args;
  ASSERT_TRUE(ParsePutArgs(text.data(), &args));
  EXPECT_EQ(args.sizeLow, 12u);
  EXPECT_EQ(args.sizeHigh, 4294967295u);
  EXPECT_EQ(args.third, 4294967295u);
  EXPECT_EQ(args.fourth, 0u);
  EXPECT_STREQ(args.name, "a b\\c_______");
  std::string three = "1 2 3 name";
  EXPECT_FALSE(ParsePutArgs(three.data(), &args));
  std::string empty = "1 2 3 4 ";
  ASSERT_TRUE(ParsePutArgs(empty.data(), &args));
  EXPECT_STREQ(args.name, "");
}

}  // namespace
