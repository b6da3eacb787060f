// The client's search finds a running server and reads its reply.
#include "tools/find_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/udp_socket.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "platform/text.h"
#include "support/recording_server.h"

namespace {

// A port that was free a moment ago, for the replies.
int FreeUdpPort() {
  CUdpSocket probe;
  EXPECT_TRUE(probe.OpenUdp(0, nullptr, 0));
  platform::BindIpv4(probe.handle, platform::kAddressAny, 0);
  const int port = platform::LocalPort(probe.handle);
  probe.Close();
  return port;
}

TEST(FindServersTest, FindsTheServerWithItsPortAndName) {
  const int replyPort = FreeUdpPort();
  RecordingServer server(Ports{0, 0, replyPort});
  const int tcpPort = server.StartListening();
  for (int i = 0; i < 400 && server.DiscoveryPort() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_NE(server.DiscoveryPort(), 0);

  const auto found = FindServers("127.0.0.1", server.DiscoveryPort(), replyPort, 1500);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, "127.0.0.1");
  EXPECT_EQ(found[0].port, tcpPort);
  const std::string name = platform::WideToUtf8(platform::ComputerName());
  EXPECT_EQ(found[0].name, name.substr(0, 87));

  // No server at that port: nothing, once the wait is over.
  server.StopListening();
  EXPECT_TRUE(FindServers("127.0.0.1", FreeUdpPort(), replyPort, 200).empty());
}

}  // namespace
