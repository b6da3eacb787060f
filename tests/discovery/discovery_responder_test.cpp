// Discovery on real datagram sockets on loopback: the exact reply bytes, one
// reply per datagram, the taken port, and the stop rules.
#include "discovery/discovery_responder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "core/udp_socket.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "platform/text.h"
#include "support/recording_server.h"

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10000ms) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Where replies arrive: a socket on a free port of its own.
class ReplyCatcher {
 public:
  ReplyCatcher() {
    EXPECT_TRUE(socket_.OpenUdp(0, nullptr, 0));
    EXPECT_TRUE(platform::BindIpv4(socket_.handle, platform::kAddressAny, 0));
    platform::SetReceiveTimeout(socket_.handle, 3000);
    port = platform::LocalPort(socket_.handle);
  }
  ~ReplyCatcher() { socket_.Close(); }
  // One datagram, or "<none>" when none came in time.
  std::string Next() {
    char buffer[kDiscoveryReplyBytes] = {};
    char sender[kSenderTextBytes] = {};
    int count = 0;
    if (!socket_.ReceiveFrom(buffer, &count, sender)) return "<none>";
    return std::string(buffer, static_cast<std::size_t>(count));
  }
  void ShortWaits() { platform::SetReceiveTimeout(socket_.handle, 300); }

  int port = 0;

 private:
  CUdpSocket socket_;
};

void SendDatagram(int port, const std::string& content) {
  CUdpSocket socket;
  ASSERT_TRUE(socket.OpenUdp(0, "127.0.0.1", 0));
  socket.remotePort = static_cast<std::uint16_t>(port);
  socket.SendTo(content.data(), static_cast<int>(content.size()));
  socket.Close();
}

TEST(DiscoveryReplyTest, BytesOfTheReply) {
  EXPECT_EQ(DiscoveryReply(49728, "PC1"), std::string("VLSYNC/\x01\x00\x40\xC2\x03PC1", 15));
  const std::string umlaut = "B\xc3\xbcro";  // "Büro": 4 characters, 5 bytes
  EXPECT_EQ(DiscoveryReply(1, umlaut), std::string("VLSYNC/\x01\x00\x01\x00\x05", 12) + umlaut);
  // Long names are cut to 87 bytes, never inside a character.
  EXPECT_EQ(DiscoveryReply(1, std::string(100, 'a')).size(), 99u);
  const std::string cut = DiscoveryReply(1, std::string(86, 'a') + "\xc3\xa9");
  EXPECT_EQ(cut.size(), 12u + 86u);
  EXPECT_EQ(static_cast<unsigned char>(cut[11]), 86);
}

TEST(DiscoveryTest, EveryDatagramGetsOneReplyAtTheReplyPort) {
  ReplyCatcher catcher;
  RecordingServer server(Ports{0, 0, catcher.port});
  const int tcpPort = server.StartListening();
  ASSERT_TRUE(WaitFor([&] { return server.DiscoveryPort() != 0; }));
  ASSERT_TRUE(server.WaitForLine("Auto-detection is enabled."));
  const std::string name = platform::WideToUtf8(platform::ComputerName());
  const std::string expected = DiscoveryReply(tcpPort, name);
  ASSERT_EQ(expected.size(), 12 + std::min<std::size_t>(name.size(), 87));

  for (const std::string& request :
       {std::string("where are you?"), std::string(), std::string(500, 'x')}) {
    SendDatagram(server.DiscoveryPort(), request);
    EXPECT_EQ(catcher.Next(), expected) << request.size();
  }
  catcher.ShortWaits();
  EXPECT_EQ(catcher.Next(), "<none>") << "one reply per datagram";
}

TEST(DiscoveryTest, TakenPortIsReportedOnceAndAStopEndsTheWait) {
  ReplyCatcher squatter;  // holds the discovery port
  RecordingServer server(Ports{0, squatter.port, 0});
  server.StartListening();
  ASSERT_TRUE(server.WaitForLine("Auto-detection is already started."));
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(server.Count("Auto-detection is already started."), 1);
  EXPECT_EQ(server.Count("Auto-detection is enabled."), 0);
  for (const LogEntry& line : server.AllLines())
    if (line.text == "Auto-detection is already started.") {
      EXPECT_EQ(line.level, 1);
    }
  server.StopListening();
  EXPECT_TRUE(WaitFor([&] { return server.ActiveDiscoveryThreads() == 0; }, 5000ms));
}

TEST(DiscoveryTest, AfterAStopOneMoreDatagramIsAnswered) {
  ReplyCatcher catcher;
  RecordingServer server(Ports{0, 0, catcher.port});
  const int tcpPort = server.StartListening();
  ASSERT_TRUE(WaitFor([&] { return server.DiscoveryPort() != 0; }));
  const int discoveryPort = server.DiscoveryPort();
  // The stop is seen only before a wait: make sure the thread is waiting,
  // answered once and back at its wait, when the stop comes.
  SendDatagram(discoveryPort, "first");
  ASSERT_NE(catcher.Next(), "<none>");
  std::this_thread::sleep_for(300ms);
  server.StopListening();
  EXPECT_EQ(server.ActiveDiscoveryThreads(), 1);
  SendDatagram(discoveryPort, "late");
  EXPECT_EQ(catcher.Next().substr(0, 11), std::string("VLSYNC/\x01\x00", 9) +
                                              static_cast<char>(tcpPort & 0xFF) +
                                              static_cast<char>(tcpPort >> 8));
  EXPECT_TRUE(WaitFor([&] { return server.ActiveDiscoveryThreads() == 0; }));
}

}  // namespace
