// Socket primitives. Each call is one step of the operating system's socket
// interface with a plain result; nothing here logs or throws. Addresses are
// IPv4 in network byte order, ports in host byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// inet_addr's failure value, which is also the broadcast address.
inline constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAddressAny = 0;

enum class AcceptStatus {
  kOk,
  // Interrupted, aborted by the peer before it was taken, or out of
  // descriptors or buffers: the listening socket is still good.
  kTransient,
  // The listening socket itself is gone or broken.
  kFailed,
};

// Starts the socket library asking for `version` (0x0101 is 1.1). True only
// when it started and granted exactly that version. POSIX has nothing to start.
bool StartSocketLibrary(std::uint16_t version);
void StopSocketLibrary();

SocketHandle OpenTcpSocket();
SocketHandle OpenUdpSocket();
void CloseSocket(SocketHandle socket);
void ShutdownBoth(SocketHandle socket);

// POSIX only: a restarted server must not wait out TIME_WAIT. On Windows the
// same option would let another program steal a bound port, so it is a no-op.
bool SetReuseAddress(SocketHandle socket);
bool SetKeepAlive(SocketHandle socket);
// Sends small writes at once instead of holding them until earlier data is
// acknowledged; for a peer that sends a request right after a body.
bool SetNoDelay(SocketHandle socket);
bool SetBroadcast(SocketHandle socket);
// Bounds how long a receive waits (tests and tools; the server never times out).
bool SetReceiveTimeout(SocketHandle socket, int milliseconds);

bool BindIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port);
bool StartListening(SocketHandle socket, int backlog);
// The port a bound socket got; 0 when it cannot be read.
std::uint16_t LocalPort(SocketHandle socket);
SocketHandle AcceptConnection(SocketHandle listener, std::uint32_t* peerAddress,
                              std::uint16_t* peerPort, AcceptStatus* status);
bool ConnectIpv4(SocketHandle socket, std::uint32_t address, std::uint16_t port);

// One send; returns the count sent (> 0) or -1. Interruptions are retried; a
// peer that has gone never raises a signal.
long SendSome(SocketHandle socket, const void* data, std::size_t length);
// One receive; returns the count (> 0), 0 for an orderly close, -1 for an error.
long ReceiveSome(SocketHandle socket, void* buffer, std::size_t size);

long SendDatagram(SocketHandle socket, const void* data, std::size_t length, std::uint32_t address,
                  std::uint16_t port);
long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size,
                     std::uint32_t* fromAddress, std::uint16_t* fromPort);

// Dotted-decimal text to an address as inet_addr reads it; kAddressNone when
// the text is not one (and for "255.255.255.255").
std::uint32_t ParseIpv4(const char* text);
// Name lookup; the first IPv4 address of the answer.
bool LookUpHostIpv4(const char* name, std::uint32_t* address);
std::string Ipv4ToText(std::uint32_t address);

}  // namespace platform
