// LIST, SELECT and COMMIT as a reader sees them: exact replies on a real
// loopback connection, and the set's folder and catalogue on disk.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/ini.h"
#include "platform/text.h"
#include "support/wire_test.h"

namespace {

class BackupSetTest : public WireTest {
 protected:
  // Everything up to and including the final "." line.
  static std::string ListOf(TestClient& client) {
    EXPECT_TRUE(client.Send("LIST\r\n"));
    std::string all;
    for (std::string line; (line = client.ReadLine()) != ".\r\n";) {
      if (line.empty()) return all + "<closed>";
      all += line;
    }
    return all + ".\r\n";
  }
  std::string Catalogue(const std::string& set, const char16_t* key) const {
    const auto value =
        platform::ReadProfileString(folder.Wide("Backup/" + set + "/vlbackup.ini"), u"BACKUP", key);
    return value ? platform::WideToUtf8(*value) : "<missing>";
  }
};

TEST_F(BackupSetTest, ListOfAMissingOrEmptyBackupFolderIsOnlyTheFullStop) {
  auto client = Connect();
  ASSERT_TRUE(client->Send("LIST\r\n"));
  EXPECT_EQ(client->Read(3), ".\r\n");
  std::filesystem::create_directories(folder.path() / "Backup");
  ASSERT_TRUE(client->Send("LISTING\r\n"));
  EXPECT_EQ(client->Read(3), ".\r\n");
  EXPECT_EQ(Ask(*client, "QUIT"), "BYE\r\n");
  EXPECT_TRUE(client->PeerClosed());
}

TEST_F(BackupSetTest, SelectCreatesTheSetCommitStampsItAndListShowsIt) {
  auto client = Connect();
  EXPECT_EQ(Ask(*client, "SELECT set1 dev-9 My  reading shelf"), "WELCOME\r\n");
  EXPECT_TRUE(folder.Exists("Backup/set1/vlbackup.ini"));
  EXPECT_FALSE(folder.Exists("Backup/set1/Books"));
  EXPECT_FALSE(folder.Exists("Backup/set1/UserData"));
  EXPECT_EQ(Catalogue("set1", u"NAME"), "My  reading shelf");
  EXPECT_EQ(Catalogue("set1", u"DEVICE"), "dev-9");
  EXPECT_EQ(Catalogue("set1", u"DATE_LOW"), "<missing>");
  EXPECT_TRUE(Logged(0, "Backup selected."));
  EXPECT_TRUE(Logged(0, "Device ID = dev-9"));
  EXPECT_EQ(ListOf(*client), "set1 dev-9 0 0 My  reading shelf\r\n.\r\n");

  const auto before = static_cast<long long>(std::time(nullptr));
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  const auto after = static_cast<long long>(std::time(nullptr));
  EXPECT_TRUE(Logged(0, "Committing..."));
  EXPECT_EQ(Catalogue("set1", u"DATE_HEIGH"), "0");
  const long long stamp = std::stoll(Catalogue("set1", u"DATE_LOW"));
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);
  EXPECT_EQ(ListOf(*client),
            "set1 dev-9 " + std::to_string(stamp) + " 0 My  reading shelf\r\n.\r\n");

  // Selecting the set again renames it and keeps its files and its stamp.
  folder.WriteFile("Backup/set1/Books/kept.epub", "k");
  EXPECT_EQ(Ask(*client, "SELECT set1 dev-10 Renamed"), "WELCOME\r\n");
  EXPECT_EQ(Catalogue("set1", u"NAME"), "Renamed");
  EXPECT_EQ(Catalogue("set1", u"DEVICE"), "dev-10");
  EXPECT_EQ(Catalogue("set1", u"DATE_LOW"), std::to_string(stamp));
  EXPECT_TRUE(folder.Exists("Backup/set1/Books/kept.epub"));
}

TEST_F(BackupSetTest, SelectArgumentsAreBoundedAt200Bytes) {
  auto client = Connect();
  const std::string prefix = "big dev ";
  const std::string exactly200 = prefix + std::string(200 - prefix.size(), 'n');
  EXPECT_EQ(Ask(*client, "SELECT " + exactly200 + "n"), "ERROR/Command is too long.\r\n");
  EXPECT_TRUE(Logged(1, "Bad command."));
  EXPECT_FALSE(folder.Exists("Backup/big"));
  // The session goes on, and a text of 200 bytes is taken.
  EXPECT_EQ(Ask(*client, "SELECT " + exactly200), "WELCOME\r\n");
  EXPECT_EQ(Catalogue("big", u"NAME"), std::string(200 - prefix.size(), 'n'));
  // Fields may be empty; an empty device lists as Unknown.
  EXPECT_EQ(Ask(*client, "SELECT quiet  A name"), "WELCOME\r\n");
  EXPECT_EQ(Catalogue("quiet", u"DEVICE"), "");
  const std::string list = ListOf(*client);
  EXPECT_NE(list.find("quiet Unknown 0 0 A name\r\n"), std::string::npos) << list;
}

TEST_F(BackupSetTest, SelectWithMissingFieldsEndsTheSession) {
  struct Case {
    const char* request;
    int level;
    const char* log;
  };
  for (const Case& c :
       {Case{"SELECT onlyid", 1, "device ID Error."}, Case{"SELECT", 1, "device ID Error."},
        Case{"SELECT id device", 0, "Display name Error."}}) {
    auto client = Connect();
    ASSERT_TRUE(client->Send(std::string(c.request) + "\r\n"));
    EXPECT_EQ(client->ReadToEnd(), "ERROR/Bad command.\r\n") << c.request;
    EXPECT_TRUE(Logged(c.level, c.log)) << c.request;
  }
  EXPECT_FALSE(folder.Exists("Backup"));
}

TEST_F(BackupSetTest, BackupIdsThatLeaveTheBackupFolderAreRefused) {
  std::vector<std::string> bad = {".", "..", "../out", "a/b", "a\\b", "c:x", "/abs"};
#ifdef _WIN32
  for (const char* device : {"CON", "nul", "Com1.txt", "LPT9", "trailing."}) bad.push_back(device);
#endif
  for (const std::string& id : bad) {
    auto client = Connect();
    ASSERT_TRUE(client->Send("SELECT " + id + " dev name\r\n"));
    EXPECT_EQ(client->ReadToEnd(), "ERROR/Bad command.\r\n") << id;
  }
  EXPECT_EQ(server.Count("Bad backup ID."), static_cast<int>(bad.size()));
  EXPECT_TRUE(Logged(1, "Bad backup ID."));
  EXPECT_FALSE(folder.Exists("Backup"));
  EXPECT_FALSE(folder.Exists("out"));
  EXPECT_FALSE(folder.Exists("vlbackup.ini"));
}

TEST_F(BackupSetTest, SetsThatCannotBeMadeEndTheSession) {
  // A set path past the limit is refused, not cut.
  server.SetFolders(folder.Wide("Backup/" + std::string(2400, 'x')), folder.Wide("Sync"));
  {
    auto client = Connect();
    ASSERT_TRUE(client->Send("SELECT " + std::string(180, 'i') + " d n\r\n"));
    EXPECT_EQ(client->ReadToEnd(), "ERROR/Can not create directory.\r\n");
  }
  EXPECT_FALSE(folder.Exists("Backup"));
  // A Backup folder that is a file.
  folder.WriteFile("Backup", "not a folder");
  server.SetFolders(folder.Wide("Backup"), folder.Wide("Sync"));
  {
    auto client = Connect();
    ASSERT_TRUE(client->Send("SELECT s d n\r\n"));
    EXPECT_EQ(client->ReadToEnd(), "ERROR/Can not create directory.\r\n");
  }
  // A catalogue that cannot be written.
  std::filesystem::remove(folder.path() / "Backup");
  std::filesystem::create_directories(folder.path() / "Backup/s/vlbackup.ini");
  {
    auto client = Connect();
    ASSERT_TRUE(client->Send("SELECT s d n\r\n"));
    EXPECT_EQ(client->ReadToEnd(), "ERROR/Can not create backup.\r\n");
  }
}

TEST_F(BackupSetTest, CommitBeforeSelectPrunesNothing) {
  folder.WriteFile("Backup/Books/a.epub", "a");
  folder.WriteFile("Books/b.epub", "b");
  auto client = Connect();
  EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "COMMIT"), "ERROR/Bad command.\r\n");
  EXPECT_TRUE(Logged(1, "Backup not selected."));
  EXPECT_EQ(ListOf(*client), ".\r\n");
  EXPECT_TRUE(folder.Exists("Backup/Books/a.epub"));
  EXPECT_TRUE(folder.Exists("Books/b.epub"));
}

TEST_F(BackupSetTest, CommitWithoutUploadsEmptiesBooksAndUserDataOfTheSetOnly) {
  for (const char* file :
       {"Backup/s/Books/a/b/one.epub", "Backup/s/Books/two.epub", "Backup/s/UserData/x/y.dat",
        "Backup/s/notes.txt", "Backup/other/Books/three.epub"})
    folder.WriteFile(file, "content");
  auto client = Connect();
  EXPECT_EQ(Ask(*client, "SELECT s d Shelf"), "WELCOME\r\n");
  EXPECT_EQ(Ask(*client, "MODE B"), "OK\r\n");
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "Backup/s/Books"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "Backup/s/UserData"));
  EXPECT_TRUE(folder.Exists("Backup/s/notes.txt"));
  EXPECT_TRUE(folder.Exists("Backup/s/vlbackup.ini"));
  EXPECT_TRUE(folder.Exists("Backup/other/Books/three.epub"));
  // A second commit finds nothing more to do.
  EXPECT_EQ(Ask(*client, "COMMIT"), "OK\r\n");
  EXPECT_TRUE(folder.Exists("Backup/s/Books"));
}

}  // namespace
