// CNetSocket: a TCP socket that sends whole buffers, reads protocol lines one
// byte at a time and closes gracefully. Every operation gives 1 for success
// and 0 for failure; none logs or throws.
//
// One thread uses an object at a time, with one exception: Close may run on
// another thread while the owner waits in Accept (that is how a stop ends the
// wait), so the handle is swapped atomically and closed exactly once.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/socket.h"

// The longest protocol line: 1022 bytes before its end, so a line buffer of
// 1023 bytes always holds what arrived, and 1024 keeps it terminated.
inline constexpr int kMaxLineBytes = 1022;
inline constexpr int kLineBufferBytes = 1024;

struct Ipv4Address {
  std::uint16_t family = 2;   // AF_INET on every platform
  std::uint16_t port = 0;     // host byte order
  std::uint32_t address = 0;  // network byte order
};

class CNetSocket {
 public:
  CNetSocket() = default;
  // Closes the socket, then releases the socket library if this object
  // started it.
  ~CNetSocket();
  CNetSocket(const CNetSocket&) = delete;
  CNetSocket& operator=(const CNetSocket&) = delete;

  // Starts the socket library, version 1.1, releasing an earlier start of
  // this object first. `started` tells whether it worked.
  void Startup();
  // A listening socket on every interface at `port` (0 picks a free one),
  // backlog 5. On failure no socket is left open.
  int Listen(int port);
  // Waits for a connection and hands it to `connection` with TCP keep-alive
  // on. `status` tells a transient failure from a broken listener.
  int Accept(CNetSocket& connection, platform::AcceptStatus* status);
  // A client connection to a dotted-decimal address (tests and tools).
  int Connect(const char* host, int port);
  // Shuts down both directions, drops what still arrives, closes. Always 1.
  int Close();

  int SendBytes(const char* buffer, std::int64_t length);
  // Sends the text and then CR LF, even after a text that ends in LF.
  int SendLine(const char* text);
  // One receive of at most `size` bytes. 0 (and a count of 0) when the peer
  // closed or the receive failed.
  int Receive(char* buffer, int size, int* count);
  int ReceiveByte(char* buffer, int* count);
  // One line into a buffer of at least kLineBufferBytes - 1 bytes. A line ends
  // at LF, or at CR plus whatever one byte follows it; the end is replaced by
  // a zero byte. Fails on a closed connection and on a 1023rd byte without an
  // end; what arrived then stays in the buffer, unterminated.
  int ReceiveLine(char* buffer, int* count);

  int started = 0;
  std::uint16_t requestedVersion = 0x0101;
  Ipv4Address address;
  std::atomic<platform::SocketHandle> handle{platform::kNoSocket};

 private:
  // A listening socket has nothing to drain, and on some systems a read on
  // it waits instead of failing.
  std::atomic<bool> listening_{false};
};
