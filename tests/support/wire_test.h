// A server on loopback with its Backup and Sync folders in a fresh temporary
// folder, and the helpers that wire-level command tests share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/recording_server.h"
#include "support/temp_folder.h"
#include "support/test_client.h"

class WireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.SetFolders(folder.Wide("Backup"), folder.Wide("Sync"));
    port = server.StartListening();
  }

  // A greeted connection.
  std::unique_ptr<TestClient> Connect() {
    auto client = std::make_unique<TestClient>(port);
    EXPECT_EQ(client->Greet(), kGreeting);
    return client;
  }
  // Sends one request line and reads one reply line (with its CR LF).
  static std::string Ask(TestClient& client, const std::string& request) {
    EXPECT_TRUE(client.Send(request + "\r\n"));
    return client.ReadLine();
  }
  // Waits for the line: some are logged just after their reply is sent.
  bool Logged(int level, const std::string& text) {
    if (!server.WaitForLine(text)) return false;
    for (const LogEntry& line : server.Lines())
      if (line.level == level && line.text == text) return true;
    return false;
  }

  TempFolder folder;
  RecordingServer server;
  int port = 0;
};
