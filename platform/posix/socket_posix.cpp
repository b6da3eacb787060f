#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/socket.h"

namespace platform {
namespace {

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_port = htons(port);
  in.sin_addr.s_addr = address;
  return in;
}

bool SetIntOption(SocketHandle socket, int level, int name, int value) {
  return setsockopt(Fd(socket), level, name, &value, sizeof value) == 0;
}

}  // namespace

bool StartSocketLibrary(std::uint16_t) { return true; }
void StopSocketLibrary() {}

SocketHandle OpenTcpSocket() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return fd < 0 ? kNoSocket : fd;
}

SocketHandle OpenUdpSocket() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kNoSocket : fd;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(Fd(socket));
}

// On Linux this is also what wakes a thread blocked in accept or recvfrom on
// the same socket; close alone does not.
void ShutdownBoth(SocketHandle socket) { shutdown(Fd(socket), SHUT_RDWR); }

bool SetReuseAddress(SocketHandle socket) {
  return SetIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);
}
bool SetKeepAlive(SocketHandle socket) { return SetIntOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1); }

bool SetNoDelay(SocketHandle socket) { return SetIntOption(socket, IPPROTO_TCP, TCP_NODELAY, 1); }
bool SetBroadcast(SocketHandle socket) { return SetIntOption(socket, SOL_SOCKET, SO_BROADCAST, 1); }

bool SetReceiveTimeout(SocketHandle socket, int milliseconds) {
  timeval tv{};
  tv.tv_sec = milliseconds / 1000;
  tv.tv_usec = (milliseconds % 1000) * 1000;
  return setsockopt(Fd(socket), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0;
}

bool BindIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  return bind(Fd(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

bool StartListening(SocketHandle socket, int backlog) { return listen(Fd(socket), backlog) == 0; }

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in in{};
  socklen_t length = sizeof in;
  if (getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&in), &length) != 0) return 0;
  return ntohs(in.sin_port);
}

SocketHandle AcceptConnection(SocketHandle listener, std::uint32_t* peerAddress,
                              std::uint16_t* peerPort, AcceptStatus* status) {
  sockaddr_in in{};
  socklen_t length = sizeof in;
  const int fd = accept4(Fd(listener), reinterpret_cast<sockaddr*>(&in), &length, SOCK_CLOEXEC);
  if (fd < 0) {
    switch (errno) {
      case EINTR:
      case ECONNABORTED:
      case EPROTO:
      case EMFILE:
      case ENFILE:
      case ENOBUFS:
      case ENOMEM:
      case EPERM:  // a firewall rule refused this one connection
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
  return fd;
}

bool ConnectIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  int result;
  do {
    result = connect(Fd(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

long SendSome(SocketHandle socket, const void* data, std::size_t length) {
  ssize_t sent;
  do {
    sent = send(Fd(socket), data, length, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? -1 : static_cast<long>(sent);
}

long ReceiveSome(SocketHandle socket, void* buffer, std::size_t size) {
  ssize_t got;
  do {
    got = recv(Fd(socket), buffer, size, 0);
  } while (got < 0 && errno == EINTR);
  return got < 0 ? -1 : static_cast<long>(got);
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t length, std::uint32_t address,
                  std::uint16_t port) {
  const sockaddr_in in = MakeAddress(address, port);
  ssize_t sent;
  do {
    sent = sendto(Fd(socket), data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&in),
                  sizeof in);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? -1 : static_cast<long>(sent);
}

long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size,
                     std::uint32_t* fromAddress, std::uint16_t* fromPort) {
  sockaddr_in in{};
  socklen_t length = sizeof in;
  ssize_t got;
  do {
    got = recvfrom(Fd(socket), buffer, size, 0, reinterpret_cast<sockaddr*>(&in), &length);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return -1;
  if (fromAddress) *fromAddress = in.sin_addr.s_addr;
  if (fromPort) *fromPort = ntohs(in.sin_port);
  return static_cast<long>(got);
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
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

}  // namespace platform
