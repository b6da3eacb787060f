#include "core/net_socket.h"

#include <cstring>

namespace {

constexpr int kListenBacklog = 5;
constexpr int kDrainBufferBytes = 256;

}  // namespace

CNetSocket::~CNetSocket() {
  Close();
  if (started == 1) {
    platform::StopSocketLibrary();
    started = 0;
  }
}

void CNetSocket::Startup() {
  if (started == 1) platform::StopSocketLibrary();
  requestedVersion = 0x0101;
  started = platform::StartSocketLibrary(requestedVersion) ? 1 : 0;
}

int CNetSocket::Listen(int port) {
  const platform::SocketHandle socket = platform::OpenTcpSocket();
  if (socket == platform::kNoSocket) return 0;
  address = Ipv4Address{};
  address.port = static_cast<std::uint16_t>(port);
  address.address = platform::kAddressAny;
  platform::SetReuseAddress(socket);
  if (!platform::BindIpv4(socket, address.address, address.port) ||
      !platform::StartListening(socket, kListenBacklog)) {
    platform::CloseSocket(socket);
    return 0;
  }
  address.port = platform::LocalPort(socket);
  listening_.store(true);
  handle.store(socket);
  return 1;
}

int CNetSocket::Accept(CNetSocket& connection, platform::AcceptStatus* status) {
  const platform::SocketHandle listener = handle.load();
  if (listener == platform::kNoSocket) {
    *status = platform::AcceptStatus::kFailed;
    return 0;
  }
  std::uint32_t peer = 0;
  std::uint16_t peerPort = 0;
  const platform::SocketHandle accepted =
      platform::AcceptConnection(listener, &peer, &peerPort, status);
  if (accepted == platform::kNoSocket) return 0;
  // A reader that vanished without closing must not hold its slot for ever.
  platform::SetKeepAlive(accepted);
  connection.address = Ipv4Address{};
  connection.address.address = peer;
  connection.address.port = peerPort;
  connection.handle.store(accepted);
  return 1;
}

int CNetSocket::Connect(const char* host, int port) {
  const platform::SocketHandle socket = platform::OpenTcpSocket();
  if (socket == platform::kNoSocket) return 0;
  const std::uint32_t target = platform::ParseIpv4(host);
  if (!platform::ConnectIpv4(socket, target, static_cast<std::uint16_t>(port))) {
    platform::CloseSocket(socket);
    return 0;
  }
  address = Ipv4Address{};
  address.address = target;
  address.port = static_cast<std::uint16_t>(port);
  handle.store(socket);
  return 1;
}

int CNetSocket::Close() {
  const platform::SocketHandle socket = handle.exchange(platform::kNoSocket);
  if (socket == platform::kNoSocket) return 1;
  platform::ShutdownBoth(socket);
  if (!listening_.exchange(false)) {
    char scratch[kDrainBufferBytes];
    while (platform::ReceiveSome(socket, scratch, sizeof scratch) > 0) {
    }
  }
  platform::CloseSocket(socket);
  return 1;
}

int CNetSocket::SendBytes(const char* buffer, std::int64_t length) {
  const platform::SocketHandle socket = handle.load();
  while (length > 0) {
    const long sent = platform::SendSome(socket, buffer, static_cast<std::size_t>(length));
    if (sent <= 0) return 0;
    buffer += sent;
    length -= sent;
  }
  return 1;
}

int CNetSocket::SendLine(const char* text) {
  std::int64_t length = 0;
  while (text[length] != '\0') ++length;
  // A short line goes out in one send: sent apart, its CR LF would wait for
  // the peer's delayed acknowledgement of the text (Nagle), which costs every
  // request-and-reply exchange tens of milliseconds.
  constexpr std::int64_t kOneSendBytes = 4096;
  if (length <= kOneSendBytes - 2) {
    char line[kOneSendBytes];
    std::memcpy(line, text, static_cast<std::size_t>(length));
    line[length] = '\r';
    line[length + 1] = '\n';
    return SendBytes(line, length + 2);
  }
  return SendBytes(text, length) && SendBytes("\r\n", 2) ? 1 : 0;
}

int CNetSocket::Receive(char* buffer, int size, int* count) {
  if (count) *count = 0;
  if (size <= 0) return 0;
  const long got = platform::ReceiveSome(handle.load(), buffer, static_cast<std::size_t>(size));
  if (got <= 0) return 0;
  if (count) *count = static_cast<int>(got);
  return 1;
}

int CNetSocket::ReceiveByte(char* buffer, int* count) { return Receive(buffer, 1, count); }

int CNetSocket::ReceiveLine(char* buffer, int* count) {
  *count = 0;
  for (int stored = 0; stored <= kMaxLineBytes; ++stored) {
    if (!ReceiveByte(buffer + stored, nullptr)) return 0;
    const char byte = buffer[stored];
    if (byte == '\r' && !ReceiveByte(buffer + stored, nullptr)) return 0;
    if (byte == '\n' || byte == '\r') {
      buffer[stored] = '\0';
      *count = stored;
      return 1;
    }
  }
  return 0;
}
