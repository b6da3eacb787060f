#include "core/udp_socket.h"

#include <algorithm>
#include <cstring>
#include <string>

CUdpSocket::~CUdpSocket() {
  if (started == 1) {
    platform::StopSocketLibrary();
    started = 0;
  }
}

int CUdpSocket::OpenUdp(int localPort, const char* remoteHost, int broadcast) {
  handle = platform::OpenUdpSocket();
  if (handle == platform::kNoSocket) return 0;
  if (broadcast) platform::SetBroadcast(handle);
  remotePort = kDefaultReplyPort;
  const auto port = static_cast<std::uint16_t>(localPort & 0xFFFF);
  if (port != 0 && !platform::BindIpv4(handle, platform::kAddressAny, port)) {
    Close();
    return 0;
  }
  if (remoteHost == nullptr) return 1;
  const std::uint32_t parsed = platform::ParseIpv4(remoteHost);
  if (parsed != platform::kAddressNone) {
    remoteAddress = parsed;
    return 1;
  }
  // "255.255.255.255" parses to the failure value, so it always comes here.
  std::uint32_t found = 0;
  if (!platform::LookUpHostIpv4(remoteHost, &found)) {
    Close();
    return 0;
  }
  remoteAddress = found;
  return 1;
}

int CUdpSocket::SendTo(const char* buffer, int length) {
  return platform::SendDatagram(handle, buffer, static_cast<std::size_t>(length), remoteAddress,
                                remotePort) < 0
             ? 0
             : 1;
}

int CUdpSocket::ReceiveFrom(char* buffer, int* count, char* sender) {
  std::uint32_t from = 0;
  const long got = platform::ReceiveDatagram(handle, buffer, kMaxDatagramBytes, &from, nullptr);
  if (got < 0) return 0;
  *count = static_cast<int>(got);
  const std::string text = platform::Ipv4ToText(from);
  const std::size_t length = std::min<std::size_t>(text.size(), kSenderTextBytes - 1);
  std::memcpy(sender, text.data(), length);
  sender[length] = '\0';
  return 1;
}

void CUdpSocket::Close() {
  if (handle == platform::kNoSocket) return;
  platform::ShutdownBoth(handle);
  platform::CloseSocket(handle);
  handle = platform::kNoSocket;
}
