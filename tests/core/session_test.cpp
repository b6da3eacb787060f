// The session's framing as a reader sees it: exact bytes on a real loopback
// connection, and the log lines that go with them.
#include "core/session.h"

#include <gtest/gtest.h>

#include <string>

#include "support/recording_server.h"
#include "support/test_client.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { port = server.StartListening(); }

  // Session lines, ignoring the listener's own.
  std::vector<LogEntry> SessionLines() const {
    std::vector<LogEntry> lines;
    for (const LogEntry& line : server.Lines())
      if (line.text != "Start Listen." && line.text != "Start new session.") lines.push_back(line);
    return lines;
  }

  RecordingServer server;
  int port = 0;
};

TEST_F(SessionTest, GreetingForEveryFirstLineThatStartsWithVlsync) {
  const std::string exactly1000 = "VLSYNC" + std::string(994, '.') + "\n";
  for (const std::string& first :
       {std::string("VLSYNC/1.0\r\n"), std::string("VLSYNC\n"),
        std::string("VLSYNCwhatever else\r\n"), std::string("VLSYNC\rQ"), exactly1000}) {
    TestClient client(port);
    EXPECT_EQ(client.Greet(first), kGreeting) << first.substr(0, 20);
    // The session reads requests after it.
    ASSERT_TRUE(client.Send("\n"));
    EXPECT_EQ(client.ReadLine(), "ERROR/Command not found.\r\n");
  }
  ASSERT_TRUE(server.WaitForSessions(0));
  EXPECT_EQ(server.Count("VLSYNC"), 5);
}

TEST_F(SessionTest, WrongFirstLineGetsUnknownCommandAndAQuietClose) {
  for (const char* first : {"vlsync\r\n", "VLSYN\r\n", "GET / HTTP/1.0\r\n"}) {
    TestClient client(port);
    ASSERT_TRUE(client.Send(first));
    EXPECT_EQ(client.ReadToEnd(), "Unknown command.\r\n") << first;
  }
  // A peer that closes before any line is turned away the same way.
  {
    TestClient client(port);
    client.Close();
  }
  ASSERT_TRUE(server.WaitForSessions(0));
  EXPECT_TRUE(SessionLines().empty()) << "a quiet end logs nothing";
}

TEST_F(SessionTest, OverlongFirstLineGetsCommandTooLong) {
  for (int length : {1001, 1022}) {
    TestClient client(port);
    ASSERT_TRUE(client.Send("VLSYNC" + std::string(length - 6, 'a') + "\r\n"));
    EXPECT_EQ(client.ReadToEnd(), "Command too long.\n\r\n") << length;
  }
  ASSERT_TRUE(server.WaitForSessions(0));
  EXPECT_TRUE(SessionLines().empty());
}

TEST_F(SessionTest, FirstLineWithoutAnEndInTheFirst1023BytesIsJudgedByItsStart) {
  // Its first 1023 bytes pass the prefix test; the rest is the next request.
  TestClient client(port);
  ASSERT_TRUE(client.Send("VLSYNC" + std::string(1017, 'a') + "QUIT\r\n"));
  EXPECT_EQ(client.Read(sizeof kGreeting - 1), kGreeting);
  EXPECT_EQ(client.ReadToEnd(), "BYE\r\n");
}

TEST_F(SessionTest, RequestsAreFramedByLineFeedOrCarriageReturnAndAnyByte) {
  TestClient client(port);
  ASSERT_EQ(client.Greet(), kGreeting);
  ASSERT_TRUE(client.Send("HELLO\rZFOO\nBAR\r\n"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(client.ReadLine(), "ERROR/Command not found.\r\n") << i;
  // Keywords match only whole and in upper case.
  ASSERT_TRUE(client.Send("quit\r\nMOD\r\n"));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(client.ReadLine(), "ERROR/Command not found.\r\n") << i;
  // A request of 1022 bytes is still run.
  ASSERT_TRUE(client.Send(std::string(1022, 'r') + "\n"));
  EXPECT_EQ(client.ReadLine(), "ERROR/Command not found.\r\n");

  ASSERT_TRUE(server.WaitForLine("Command not found."));
  for (const LogEntry& line : SessionLines()) {
    if (line.text != "Command not found.") continue;
    EXPECT_EQ(line.level, 1);
    EXPECT_EQ(line.session, 0);
  }
  EXPECT_EQ(server.Count("Command not found."), 6);
}

TEST_F(SessionTest, OverlongRequestEndsTheSessionWithoutAReply) {
  TestClient client(port);
  ASSERT_EQ(client.Greet(), kGreeting);
  ASSERT_TRUE(client.Send(std::string(1023, 'r') + "\n"));
  EXPECT_EQ(client.ReadToEnd(), "");
  ASSERT_TRUE(server.WaitForSessions(0));
  EXPECT_EQ(server.Count("Command not found."), 0);
  EXPECT_EQ(server.Count("Close session."), 1);
}

TEST_F(SessionTest, EndOfSessionLogsAndFreesTheSlot) {
  {
    TestClient client(port);
    ASSERT_EQ(client.Greet(), kGreeting);
  }
  ASSERT_TRUE(server.WaitForSessions(0));
  const std::vector<LogEntry> lines = SessionLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "VLSYNC");
  EXPECT_EQ(lines[0].level, 0);
  EXPECT_EQ(lines[0].session, 0);
  EXPECT_EQ(lines[1].text, "Close session.");
  EXPECT_EQ(lines[1].level, 1);
  EXPECT_EQ(lines[1].session, -1);
}

TEST_F(SessionTest, ModeAnswersOkAndQuitEndsTheSessionWhateverFollowsIt) {
  TestClient client(port);
  ASSERT_EQ(client.Greet(), kGreeting);
  ASSERT_TRUE(client.Send("MODE S\r\nMODE B\r\nMODE s\r\nMODE\r\n"));
  EXPECT_EQ(client.Read(16), "OK\r\nOK\r\nOK\r\nOK\r\n");
  ASSERT_TRUE(client.Send("QUITX\r\n"));
  EXPECT_EQ(client.ReadToEnd(), "BYE\r\n");
  ASSERT_TRUE(server.WaitForSessions(0));
  const std::vector<LogEntry> lines = SessionLines();
  ASSERT_EQ(lines.size(), 6u);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(lines[i].text, "Mode selected.");
    EXPECT_EQ(lines[i].level, 0);
    EXPECT_EQ(lines[i].session, 0);
  }
  EXPECT_EQ(lines[5].text, "Close session.");
}

TEST(StartsWithTest, MatchesWholeKeywordCaseSensitively) {
  EXPECT_EQ(StartsWith("QUITX", "QUIT"), 1);
  EXPECT_EQ(StartsWith("QUIT", "QUIT"), 1);
  EXPECT_EQ(StartsWith("QUI", "QUIT"), 0);
  EXPECT_EQ(StartsWith("quit", "QUIT"), 0);
  EXPECT_EQ(StartsWith("", ""), 1);
}

}  // namespace
