#include "core/net_socket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/test_client.h"

namespace {

// A real loopback connection: `conn` is the server's end, `peer` the reader's.
class NetSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(listener.Listen(0), 1);
    ASSERT_NE(listener.address.port, 0);
    peer = std::make_unique<TestClient>(listener.address.port);
    ASSERT_TRUE(peer->connected());
    platform::AcceptStatus status;
    ASSERT_EQ(listener.Accept(conn, &status), 1);
    platform::SetReceiveTimeout(conn.handle.load(), 10000);
  }

  // Reads one line into a zeroed buffer; returns the result, fills `line`.
  int ReadLine(std::string* line, int* count) {
    std::memset(buffer, 0, sizeof buffer);
    const int result = conn.ReceiveLine(buffer, count);
    *line = std::string(buffer, std::strlen(buffer));
    return result;
  }

  CNetSocket listener;
  CNetSocket conn;
  std::unique_ptr<TestClient> peer;
  char buffer[kLineBufferBytes];
};

TEST_F(NetSocketTest, LineEndsAtLineFeedOrAtCarriageReturnAndTheByteAfterIt) {
  ASSERT_TRUE(peer->Send(std::string("ABC\r\nABC\nABC\rXABC\r\0", 19) + "tail\n"));
  std::string line;
  int count = -1;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(ReadLine(&line, &count), 1) << "line " << i;
    EXPECT_EQ(line, "ABC");
    EXPECT_EQ(count, 3);
  }
  // The X after the lone CR and the zero byte after the last CR were taken as
  // line ends, so the next line starts cleanly.
  ASSERT_EQ(ReadLine(&line, &count), 1);
  EXPECT_EQ(line, "tail");
}

TEST_F(NetSocketTest, LineLengthBoundAndZeroBytesInside) {
  ASSERT_TRUE(peer->Send(std::string(1022, 'a') + "\n"));
  std::string line;
  int count = 0;
  ASSERT_EQ(ReadLine(&line, &count), 1);
  EXPECT_EQ(count, 1022);
  EXPECT_EQ(line, std::string(1022, 'a'));

  // A zero byte is stored like any other; the count still covers it.
  ASSERT_TRUE(peer->Send(std::string("AB\0CD\n", 6)));
  ASSERT_EQ(ReadLine(&line, &count), 1);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(std::string(buffer, 5), std::string("AB\0CD", 5));

  // The 1023rd byte without an end fails the call; the bytes stay.
  ASSERT_TRUE(peer->Send(std::string(1023, 'b') + "\n"));
  EXPECT_EQ(ReadLine(&line, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(std::string(buffer, 1023), std::string(1023, 'b'));
}

TEST_F(NetSocketTest, PeerClosingMidLineOrBeforeTheByteAfterCarriageReturnFails) {
  ASSERT_TRUE(peer->Send("partial"));
  peer->Close();
  std::string line;
  int count = -1;
  EXPECT_EQ(ReadLine(&line, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(std::string(buffer, 7), "partial");

  int got = -1;
  char byte;
  EXPECT_EQ(conn.Receive(&byte, 1, &got), 0);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(conn.Receive(&byte, 0, &got), 0);
}

TEST_F(NetSocketTest, LoneCarriageReturnThenCloseFails) {
  ASSERT_TRUE(peer->Send("ABC\r"));
  peer->Close();
  std::string line;
  int count = -1;
  EXPECT_EQ(ReadLine(&line, &count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(NetSocketTest, SendLineAlwaysAppendsCarriageReturnLineFeed) {
  EXPECT_EQ(conn.SendLine(""), 1);
  EXPECT_EQ(conn.SendLine("Recv.\n"), 1);
  EXPECT_EQ(conn.SendLine("OK"), 1);
  const std::string big(200000, 'z');
  EXPECT_EQ(conn.SendBytes(big.data(), static_cast<std::int64_t>(big.size())), 1);
  EXPECT_EQ(peer->Read(2 + 8 + 4), "\r\nRecv.\n\r\nOK\r\n");
  EXPECT_EQ(peer->Read(big.size()), big);
}

TEST_F(NetSocketTest, CloseIsGracefulAndRepeatable) {
  ASSERT_TRUE(peer->Send("unread data"));
  EXPECT_EQ(conn.Close(), 1);
  EXPECT_EQ(conn.handle.load(), platform::kNoSocket);
  EXPECT_EQ(conn.Close(), 1);
  EXPECT_TRUE(peer->PeerClosed());

  CNetSocket never;
  EXPECT_EQ(never.Close(), 1);
  EXPECT_EQ(never.SendLine("x"), 0);
}

TEST(NetSocketListenTest, TakenPortFailsAndLeavesNoSocket) {
  CNetSocket first;
  ASSERT_EQ(first.Listen(0), 1);
  CNetSocket second;
  EXPECT_EQ(second.Listen(first.address.port), 0);
  EXPECT_EQ(second.handle.load(), platform::kNoSocket);
}

TEST(NetSocketListenTest, ClosedListenerCanBeBoundAgainAtOnce) {
  CNetSocket listener;
  ASSERT_EQ(listener.Listen(0), 1);
  const int port = listener.address.port;
  {
    // Leave a connection behind in TIME_WAIT on the server side.
    TestClient client(port);
    CNetSocket accepted;
    platform::AcceptStatus status;
    ASSERT_EQ(listener.Accept(accepted, &status), 1);
    accepted.Close();
  }
  listener.Close();
  CNetSocket again;
  EXPECT_EQ(again.Listen(port), 1);
}

}  // namespace
