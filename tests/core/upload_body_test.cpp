// Receiving an upload body: the bytes land in the target only when the last
// one has arrived, and nothing a failed transfer leaves behind replaces the
// earlier file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "core/session.h"
#include "core/vl_sync.h"
#include "support/recording_server.h"
#include "support/temp_folder.h"
#include "support/test_client.h"

namespace {

constexpr int kSlot = 7;

// A session on a real connection whose request loop runs on its own thread,
// started in the middle of an upload as PUTFILE leaves it.
class UploadBodyTest : public ::testing::Test {
 protected:
  void StartUpload(const std::string& target, std::int64_t size) {
    ASSERT_EQ(listener.Listen(0), 1);
    peer = std::make_unique<TestClient>(listener.address.port);
    auto connection = std::make_unique<CNetSocket>();
    platform::AcceptStatus status;
    ASSERT_EQ(listener.Accept(*connection, &status), 1);
    session = new CSession(server, std::move(connection), kSlot);
    server.sessions[kSlot].store(session);
    ASSERT_EQ(session->BeginUpload(folder.Wide(target), size), 1);
    loop = std::thread([this] {
      session->ServeRequests();
      server.ReleaseSession(kSlot);
    });
  }

  void TearDown() override {
    if (peer) peer->Close();
    if (loop.joinable()) loop.join();
  }

  RecordingServer server;
  TempFolder folder;
  CNetSocket listener;
  std::unique_ptr<TestClient> peer;
  CSession* session = nullptr;
  std::thread loop;
};

TEST_F(UploadBodyTest, BodyInManyPiecesCompletesAtTheAnnouncedCountAndReplacesTheTarget) {
  folder.WriteFile("book.epub", "the earlier backup");
  std::string body;
  for (int i = 0; i < 200000; ++i) body.push_back(static_cast<char>(i * 7));
  StartUpload("book.epub", static_cast<std::int64_t>(body.size()));

  // Odd-sized segments, and the next request glued to the last one.
  std::size_t sent = 0;
  for (std::size_t piece = 1; sent + piece < body.size(); piece = piece * 3 + 1) {
    ASSERT_TRUE(peer->Send(std::string_view(body).substr(sent, piece)));
    sent += piece;
    if (sent < body.size() / 2) {
      EXPECT_EQ(folder.ReadFile("book.epub"), "the earlier backup");
    }
  }
  ASSERT_TRUE(peer->Send(body.substr(sent) + "NEXT\r\n"));
  EXPECT_EQ(peer->ReadLine(), "ERROR/Command not found.\r\n");
  EXPECT_EQ(folder.ReadFile("book.epub"), body);
  EXPECT_FALSE(folder.Exists("book.epub.vlpart"));
  EXPECT_EQ(session->transferState, kNoTransfer);
  EXPECT_EQ(session->receivedBytes, static_cast<std::int64_t>(body.size()));
}

TEST_F(UploadBodyTest, EmptyBodyCompletesWithoutWaiting) {
  StartUpload("empty.txt", 0);
  ASSERT_TRUE(peer->Send("AFTER\r\n"));
  EXPECT_EQ(peer->ReadLine(), "ERROR/Command not found.\r\n");
  EXPECT_TRUE(folder.Exists("empty.txt"));
  EXPECT_EQ(folder.ReadFile("empty.txt"), "");
}

TEST_F(UploadBodyTest, DroppedConnectionKeepsTheEarlierFileAndLeavesNoPartialFile) {
  folder.WriteFile("notes.txt", "keep me");
  StartUpload("notes.txt", 1000);
  ASSERT_TRUE(peer->Send(std::string(600, 'n')));
  peer->Close();
  loop.join();
  EXPECT_EQ(folder.ReadFile("notes.txt"), "keep me");
  EXPECT_FALSE(folder.Exists("notes.txt.vlpart"));
  EXPECT_EQ(server.ActiveSessions(), 0);
}

TEST_F(UploadBodyTest, UploadIntoAMissingFolderIsRefused) {
  ASSERT_EQ(listener.Listen(0), 1);
  TestClient client(listener.address.port);
  auto connection = std::make_unique<CNetSocket>();
  platform::AcceptStatus status;
  ASSERT_EQ(listener.Accept(*connection, &status), 1);
  CSession lone(server, std::move(connection), kSlot);
  EXPECT_EQ(lone.BeginUpload(folder.Wide("no/such/folder/file.bin"), 10), 0);
  EXPECT_EQ(lone.transferState, kNoTransfer);
  EXPECT_EQ(lone.file, platform::kNoFile);
}

}  // namespace
