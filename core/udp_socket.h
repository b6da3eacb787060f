// CUdpSocket: the datagram socket of discovery. Operations give 1 or 0 and
// never log. The owner closes the socket (Close); destruction does not.
#pragma once

#include <cstdint>

#include "platform/socket.h"

inline constexpr std::uint16_t kDefaultReplyPort = 53179;
// ReceiveFrom takes at most this many bytes, so a zeroed 100-byte buffer
// stays terminated.
inline constexpr int kMaxDatagramBytes = 99;
inline constexpr int kSenderTextBytes = 200;

class CUdpSocket {
 public:
  CUdpSocket() = default;
  ~CUdpSocket();
  CUdpSocket(const CUdpSocket&) = delete;
  CUdpSocket& operator=(const CUdpSocket&) = delete;

  // A datagram socket, bound to `localPort` unless its low 16 bits are 0,
  // sending to `remoteHost` (dotted decimal or a host name; may be null) at
  // port 53179. On failure no socket is left open.
  int OpenUdp(int localPort, const char* remoteHost, int broadcast);
  int SendTo(const char* buffer, int length);
  // Waits for one datagram; stores at most 99 bytes, unterminated, and the
  // sender's dotted-decimal address, terminated, in `sender` (200 bytes).
  int ReceiveFrom(char* buffer, int* count, char* sender);
  // Shuts down and closes; wakes a thread waiting in ReceiveFrom.
  void Close();

  int started = 0;
  std::uint16_t requestedVersion = 0x0101;
  platform::SocketHandle handle = platform::kNoSocket;
  std::uint32_t remoteAddress = 0;
  std::uint16_t remotePort = 0;
};
