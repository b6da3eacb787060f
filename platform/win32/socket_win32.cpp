#include "platform/socket.h"
#include "platform/win32/windows_headers.h"

namespace platform {
namespace {

SOCKET Sock(SocketHandle socket) { return static_cast<SOCKET>(socket); }

SocketHandle Handle(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_port = htons(port);
  in.sin_addr.s_addr = address;
  return in;
}

bool SetIntOption(SocketHandle socket, int level, int name, int value) {
  return setsockopt(Sock(socket), level, name, reinterpret_cast<const char*>(&value),
                    sizeof value) == 0;
}

int Clamp(std::size_t length) {
  return length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
}

}  // namespace

bool StartSocketLibrary(std::uint16_t version) {
  WSADATA data{};
  if (WSAStartup(version, &data) != 0) return false;
  if (data.wVersion != version) {
    WSACleanup();
    return false;
  }
  return true;
}

void StopSocketLibrary() { WSACleanup(); }

SocketHandle OpenTcpSocket() { return Handle(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)); }
SocketHandle OpenUdpSocket() { return Handle(socket(AF_INET, SOCK_DGRAM, 0)); }

// closesocket is also what wakes a thread blocked in accept on Windows.
void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(Sock(socket));
}

void ShutdownBoth(SocketHandle socket) { shutdown(Sock(socket), SD_BOTH); }

bool SetReuseAddress(SocketHandle) { return true; }
bool SetKeepAlive(SocketHandle socket) { return SetIntOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1); }

bool SetNoDelay(SocketHandle socket) { return SetIntOption(socket, IPPROTO_TCP, TCP_NODELAY, 1); }
bool SetBroadcast(SocketHandle socket) { return SetIntOption(socket, SOL_SOCKET, SO_BROADCAST, 1); }

bool SetReceiveTimeout(SocketHandle socket, int milliseconds) {
  const DWORD value = static_cast<DWORD>(milliseconds);
  return setsockopt(Sock(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value),
                    sizeof value) == 0;
}

bool BindIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  return bind(Sock(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

bool StartListening(SocketHandle socket, int backlog) { return listen(Sock(socket), backlog) == 0; }

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in in{};
  int length = sizeof in;
  if (getsockname(Sock(socket), reinterpret_cast<sockaddr*>(&in), &length) != 0) return 0;
  return ntohs(in.sin_port);
}

SocketHandle AcceptConnection(SocketHandle listener, std::uint32_t* peerAddress,
                              std::uint16_t* peerPort, AcceptStatus* status) {
  sockaddr_in in{};
  int length = sizeof in;
  const SOCKET accepted = accept(Sock(listener), reinterpret_cast<sockaddr*>(&in), &length);
  if (accepted == INVALID_SOCKET) {
    switch (WSAGetLastError()) {
      case WSAECONNRESET:
      case WSAEMFILE:
      case WSAENOBUFS:
        *status = AcceptStatus::kTransient;
        break;
      default:
        *status = AcceptStatus::kFailed;
    }
    return kNoSocket;
  }
  *status = AcceptStatus::kOk;
  if (peerAddress) *peerAddress = in.sin_addr.s_addr;
  if (peerPort) *peerPort = ntohs(in.sin_port);
  return Handle(accepted);
}

bool ConnectIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  return connect(Sock(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

long SendSome(SocketHandle socket, const void* data, std::size_t length) {
  const int sent = send(Sock(socket), static_cast<const char*>(data), Clamp(length), 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long ReceiveSome(SocketHandle socket, void* buffer, std::size_t size) {
  const int got = recv(Sock(socket), static_cast<char*>(buffer), Clamp(size), 0);
  return got == SOCKET_ERROR ? -1 : got;
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t length, std::uint32_t address,
                  std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  const int sent = sendto(Sock(socket), static_cast<const char*>(data), Clamp(length), 0,
                          reinterpret_cast<const sockaddr*>(&in), sizeof in);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size,
                     std::uint32_t* fromAddress, std::uint16_t* fromPort) {
  sockaddr_in in{};
  int length = sizeof in;
  const int got = recvfrom(Sock(socket), static_cast<char*>(buffer), Clamp(size), 0,
                           reinterpret_cast<sockaddr*>(&in), &length);
  // A datagram longer than the buffer still delivers its first part.
  if (got == SOCKET_ERROR && WSAGetLastError() != WSAEMSGSIZE) return -1;
  if (fromAddress) *fromAddress = in.sin_addr.s_addr;
  if (fromPort) *fromPort = ntohs(in.sin_port);
  return got == SOCKET_ERROR ? Clamp(size) : got;
}

std::uint32_t ParseIpv4(const char* text) { return inet_addr(text); }

bool LookUpHostIpv4(const char* name, std::uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* answer = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &answer) != 0 || answer == nullptr) return false;
  *address = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(answer);
  return true;
}

std::string Ipv4ToText(std::uint32_t address) {
  in_addr in{};
  in.s_addr = address;
  return inet_ntoa(in);
}

}  // namespace platform
