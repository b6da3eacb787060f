#include "tools/find_servers.h"

#include <chrono>
#include <cstdint>

#include "core/udp_socket.h"
#include "platform/socket.h"

std::vector<FoundServer> FindServers(const std::string& target, int discoveryPort, int replyPort,
                                     int waitMilliseconds) {
  std::vector<FoundServer> found;
  CUdpSocket replies;
  if (!replies.OpenUdp(replyPort, nullptr, 0)) return found;
  CUdpSocket request;
  if (request.OpenUdp(0, target.c_str(), 1)) {
    request.remotePort = static_cast<std::uint16_t>(discoveryPort);
    request.SendTo("VLSYNC?", 7);
    request.Close();
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    platform::SetReceiveTimeout(replies.handle, static_cast<int>(left));
    char buffer[kMaxDatagramBytes + 1] = {};
    char sender[kSenderTextBytes] = {};
    int count = 0;
    if (!replies.ReceiveFrom(buffer, &count, sender)) break;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    if (count < 12 || std::string(buffer, 7) != "VLSYNC/" || 12 + bytes[11] > count) continue;
    FoundServer server;
    server.address = sender;
    server.port = bytes[9] | (bytes[10] << 8);
    server.name.assign(buffer + 12, bytes[11]);
    found.push_back(server);
  }
  replies.Close();
  return found;
}
