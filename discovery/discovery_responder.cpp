#include "discovery/discovery_responder.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "core/udp_socket.h"
#include "core/vl_sync.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "platform/text.h"

namespace {

constexpr int kRetryPauses = 60;
constexpr auto kPause = std::chrono::milliseconds(1000);
constexpr auto kBetweenReplies = std::chrono::milliseconds(1);
constexpr std::size_t kMaxNameBytes = 999;

// Opens the discovery port; false when a stop came first.
bool OpenDiscoverySocket(VlSync& server, CUdpSocket& socket) {
  bool toldTaken = false;
  while (server.stopFlag.load() == 0) {
    if (socket.OpenUdp(server.ports.discoveryIn, "255.255.255.255", 1)) {
      // Port 0 (tests) asks for any free port; the socket must be bound to
      // receive at all.
      if (server.ports.discoveryIn == 0)
        platform::BindIpv4(socket.handle, platform::kAddressAny, 0);
      server.Log(0, -1, u"Auto-detection is enabled.");
      return true;
    }
    if (!toldTaken) {
      server.Log(1, -1, u"Auto-detection is already started.");
      toldTaken = true;
    }
    for (int pause = 0; pause < kRetryPauses; ++pause) {
      std::this_thread::sleep_for(kPause);
      if (server.stopFlag.load() != 0) return false;
    }
  }
  return false;
}

void Answer(VlSync& server, const char* sender, const std::string& reply) {
  CUdpSocket socket;
  // Not bound: the reply leaves from a port the system picks.
  if (!socket.OpenUdp(0, sender, 0)) return;
  socket.remotePort = static_cast<std::uint16_t>(server.ports.discoveryOut);
  socket.SendTo(reply.data(), static_cast<int>(reply.size()));
  socket.Close();
}

}  // namespace

std::string DiscoveryReply(int tcpPort, std::string_view nameUtf8) {
  if (nameUtf8.size() > kMaxDiscoveryNameBytes) {
    std::size_t cut = kMaxDiscoveryNameBytes;
    // Back to the first byte of a character.
    while (cut > 0 && (static_cast<unsigned char>(nameUtf8[cut]) & 0xC0) == 0x80) --cut;
    nameUtf8 = nameUtf8.substr(0, cut);
  }
  std::string reply = "VLSYNC/vvppl";
  reply.append(nameUtf8.data(), nameUtf8.size());
  reply[7] = static_cast<char>(kDiscoveryVersion & 0xFF);
  reply[8] = static_cast<char>((kDiscoveryVersion >> 8) & 0xFF);
  reply[9] = static_cast<char>(tcpPort & 0xFF);
  reply[10] = static_cast<char>((tcpPort >> 8) & 0xFF);
  reply[11] = static_cast<char>(nameUtf8.size() & 0xFF);
  return reply;
}

void DiscoveryThread(VlSync* server, DiscoveryRun* run) {
  CUdpSocket socket;
  try {
    if (OpenDiscoverySocket(*server, socket))
      run->boundPort.store(platform::LocalPort(socket.handle));
    std::string name = platform::WideToUtf8(platform::ComputerName());
    if (name.size() > kMaxNameBytes) name.resize(kMaxNameBytes);
    while (server->stopFlag.load() == 0) {
      char buffer[kDiscoveryReplyBytes] = {};
      char sender[kSenderTextBytes] = {};
      int count = 0;
      if (socket.ReceiveFrom(buffer, &count, sender))
        Answer(*server, sender, DiscoveryReply(server->port.load(), name));
      std::this_thread::sleep_for(kBetweenReplies);
    }
  } catch (...) {
    server->Log(1, -1, u"Auto-detection error.");
  }
  if (socket.handle != platform::kNoSocket) socket.Close();
  run->ended.store(true);
}
