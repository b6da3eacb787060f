#include "core/vl_sync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/session.h"
#include "platform/process.h"
#include "support/recording_server.h"
#include "support/test_client.h"

namespace {

TEST(VlSyncTest, SetFoldersLogsBothPathsFirstAndStoresThemVerbatim) {
  RecordingServer server;
  server.SetFolders(u"C:\\100%\\Backup", u"/tmp/%s/Sync");
  const std::vector<LogEntry> lines = server.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].level, 1);
  EXPECT_EQ(lines[0].session, -1);
  EXPECT_EQ(lines[0].text, "BackupFolder=C:\\100%\\Backup");
  EXPECT_EQ(lines[1].level, 1);
  EXPECT_EQ(lines[1].text, "SyncFolder=/tmp/%s/Sync");
  EXPECT_EQ(server.BackupFolder(), u"C:\\100%\\Backup");
  EXPECT_EQ(server.SyncFolder(), u"/tmp/%s/Sync");
}

TEST(VlSyncTest, StopWhileWaitingInAcceptEndsTheListenerOnceAndCleanly) {
  RecordingServer server;
  const int port = server.StartListening();
  ASSERT_NE(port, 0);
  EXPECT_EQ(server.port.load(), port) << "asked for any port, it shows the one bound";
  server.StopListening();
  EXPECT_TRUE(server.WaitForLine("End Listen."));
  EXPECT_EQ(server.endedCalls(), 1);
  EXPECT_EQ(server.failedCalls(), 0);
  EXPECT_EQ(server.Count("Error Accept."), 0);
  const std::vector<LogEntry> lines = server.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Start Listen.");
  EXPECT_EQ(lines[0].level, 0);
  EXPECT_EQ(lines[1].text, "End Listen.");

  // The port is free again at once, and a second cycle works the same way.
  CNetSocket probe;
  EXPECT_EQ(probe.Listen(port), 1);
  probe.Close();
  server.Start();
  ASSERT_TRUE(server.WaitForSessions(0));
  for (int i = 0; i < 2000 && server.Count("Start Listen.") < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server.Count("Start Listen."), 2);
  server.StopListening();
}

TEST(VlSyncTest, TakenPortReportsListenErrorAndNoEnd) {
  CNetSocket squatter;
  ASSERT_EQ(squatter.Listen(0), 1);
  RecordingServer server(Ports{squatter.address.port, 0, 0});
  server.Initialize();
  server.Start();
  ASSERT_TRUE(server.WaitForListenerDone());
  EXPECT_EQ(server.port.load(), squatter.address.port);
  EXPECT_EQ(server.failedCalls(), 1);
  EXPECT_EQ(server.endedCalls(), 0);
  const std::vector<LogEntry> lines = server.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Start Listen.");
  EXPECT_EQ(lines[1].text, "Listen Error.");
  EXPECT_EQ(lines[1].level, 1);
  EXPECT_EQ(lines[1].session, -1);
}

TEST(VlSyncTest, SessionsTakeTheLowestFreeSlotAndOutliveAStop) {
  RecordingServer server;
  const int port = server.StartListening();
  std::vector<std::unique_ptr<TestClient>> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(std::make_unique<TestClient>(port));
    ASSERT_EQ(clients.back()->Greet(), kGreeting);
    ASSERT_TRUE(server.WaitForLine("VLSYNC", i));
  }
  ASSERT_TRUE(server.WaitForLine("Start new session.", 2));

  clients[1]->Close();
  ASSERT_TRUE(server.WaitForSessions(2));
  EXPECT_TRUE(server.WaitForLine("Close session.", -1));
  TestClient again(port);
  ASSERT_EQ(again.Greet(), kGreeting);
  EXPECT_TRUE(server.WaitForLine("VLSYNC", 1)) << "slot 1 is reused before slot 3";
  EXPECT_EQ(server.Count("Start new session."), 4);

  server.StopListening();
  ASSERT_TRUE(again.Send("HELLO\r\n"));
  EXPECT_EQ(again.ReadLine(), "ERROR/Command not found.\r\n");
  ASSERT_TRUE(clients[0]->Send("X\n"));
  EXPECT_EQ(clients[0]->ReadLine(), "ERROR/Command not found.\r\n");
}

// A server whose session threads cannot be started.
class NoThreadServer : public RecordingServer {
 protected:
  bool StartSessionThread(CSession*) override { return false; }
};

TEST(VlSyncTest, SessionThatCannotStartFreesItsSlotAndClosesTheConnection) {
  NoThreadServer server;
  const int port = server.StartListening();
  TestClient client(port);
  ASSERT_TRUE(server.WaitForLine("Can not start session.", -1));
  EXPECT_TRUE(client.PeerClosed());
  EXPECT_EQ(server.ActiveSessions(), 0);
  EXPECT_EQ(server.Count("Start new session."), 1);
}

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

TEST(VlSyncTest, ThousandSessionsThenBusyForTheNext) {
  if (platform::RaiseOpenFileLimit() != 0 && platform::RaiseOpenFileLimit() < 2200)
    GTEST_SKIP() << "the open-file limit is below the 2200 descriptors this test needs";
  RecordingServer server;
  const int port = server.StartListening();
  const long long before = platform::ResidentMemoryBytes();
  std::vector<std::unique_ptr<TestClient>> clients;
  for (int i = 0; i < kMaxSessions; ++i) {
    clients.push_back(std::make_unique<TestClient>(port, 30000));
    ASSERT_TRUE(clients.back()->connected()) << i;
    ASSERT_EQ(clients.back()->Greet(), kGreeting) << i;
  }
  ASSERT_TRUE(server.WaitForSessions(kMaxSessions));
  const long long after = platform::ResidentMemoryBytes();
  std::printf("1000 idle sessions: %lld KiB more resident memory\n", (after - before) / 1024);
  if (UnderSanitizer() || platform::RunningUnderWine()) {
    std::printf(
        "memory bound not checked: sanitizer shadow memory and wine's committed\n"
        "thread stacks are not what the server costs on its own\n");
  } else if (before > 0) {
    // Both ends live in this process, so this overstates the server's share.
    EXPECT_LT(after - before, 100LL * 1024 * 1024);
  }

  TestClient extra(port);
  EXPECT_EQ(extra.ReadToEnd(), "BUSY\r\n");
  ASSERT_TRUE(server.WaitForLine("Session full.", -1));
  bool fullLineSeen = false;
  for (const LogEntry& line : server.Lines()) {
    if (line.text == "Start new session." && line.session == -1) fullLineSeen = true;
    if (line.text == "Session full.") {
      EXPECT_TRUE(fullLineSeen) << "the session line comes first";
      EXPECT_EQ(line.level, 1);
    }
  }

  // The thousand still work; a freed slot is taken by the next reader.
  ASSERT_TRUE(clients[999]->Send("PING\r\n"));
  EXPECT_EQ(clients[999]->ReadLine(), "ERROR/Command not found.\r\n");
  ASSERT_TRUE(clients[0]->Send("PING\r\n"));
  EXPECT_EQ(clients[0]->ReadLine(), "ERROR/Command not found.\r\n");
  clients[500]->Close();
  ASSERT_TRUE(server.WaitForSessions(kMaxSessions - 1));
  TestClient late(port);
  ASSERT_EQ(late.Greet(), kGreeting);
  EXPECT_TRUE(server.WaitForLine("VLSYNC", 500));
  clients.clear();
}

}  // namespace
