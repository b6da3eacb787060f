#include "core/udp_socket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(UdpSocketTest, OpenSetsTheReplyPortAndResolvesTheRemoteHost) {
  CUdpSocket plain;
  ASSERT_EQ(plain.OpenUdp(0, nullptr, 0), 1);
  EXPECT_EQ(plain.remotePort, 53179);
  EXPECT_EQ(plain.remoteAddress, 0u);
  plain.Close();

  CUdpSocket dotted;
  ASSERT_EQ(dotted.OpenUdp(0, "127.0.0.1", 0), 1);
  EXPECT_EQ(dotted.remoteAddress, platform::ParseIpv4("127.0.0.1"));
  dotted.Close();

  // The all-ones text reads as inet_addr's failure value and must come back
  // from the name lookup as the broadcast address.
  CUdpSocket broadcast;
  ASSERT_EQ(broadcast.OpenUdp(0, "255.255.255.255", 1), 1);
  EXPECT_EQ(broadcast.remoteAddress, 0xFFFFFFFFu);
  EXPECT_EQ(broadcast.remotePort, 53179);
  broadcast.Close();

  CUdpSocket unknown;
  EXPECT_EQ(unknown.OpenUdp(0, "no-such-host.invalid", 0), 0);
  EXPECT_EQ(unknown.handle, platform::kNoSocket);
}

TEST(UdpSocketTest, BindToATakenPortFails) {
  CUdpSocket first;
  ASSERT_EQ(first.OpenUdp(0, nullptr, 0), 1);
  ASSERT_TRUE(platform::BindIpv4(first.handle, platform::kAddressAny, 0));
  const int port = platform::LocalPort(first.handle);
  CUdpSocket second;
  EXPECT_EQ(second.OpenUdp(port, nullptr, 0), 0);
  EXPECT_EQ(second.handle, platform::kNoSocket);
  first.Close();
}

TEST(UdpSocketTest, DatagramsTravelWithTheSenderAddressAndAreCutAt99Bytes) {
  CUdpSocket receiver;
  ASSERT_EQ(receiver.OpenUdp(0, nullptr, 0), 1);
  ASSERT_TRUE(platform::BindIpv4(receiver.handle, platform::kAddressAny, 0));
  platform::SetReceiveTimeout(receiver.handle, 10000);
  CUdpSocket sender;
  ASSERT_EQ(sender.OpenUdp(0, "127.0.0.1", 0), 1);
  sender.remotePort = platform::LocalPort(receiver.handle);

  ASSERT_EQ(sender.SendTo("hello", 5), 1);
  char buffer[100];
  char from[kSenderTextBytes];
  std::memset(buffer, 0, sizeof buffer);
  int count = 0;
  ASSERT_EQ(receiver.ReceiveFrom(buffer, &count, from), 1);
  EXPECT_EQ(count, 5);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_STREQ(from, "127.0.0.1");

  const std::string big(150, 'q');
  ASSERT_EQ(sender.SendTo(big.data(), static_cast<int>(big.size())), 1);
  std::memset(buffer, 0, sizeof buffer);
  ASSERT_EQ(receiver.ReceiveFrom(buffer, &count, from), 1);
  EXPECT_EQ(count, 99);
  EXPECT_EQ(buffer[99], '\0');
  receiver.Close();
  sender.Close();
}

}  // namespace
