// The discovery responder: answers every datagram on the discovery port with
// the server's TCP port and the computer's name, so that a reader finds the
// server without an address.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

class VlSync;

inline constexpr int kDiscoveryVersion = 1;
// The reply is built in a buffer of this size: 12 bytes and the name.
inline constexpr std::size_t kDiscoveryReplyBytes = 100;
inline constexpr std::size_t kMaxDiscoveryNameBytes = kDiscoveryReplyBytes - 1 - 12;

// What the server keeps of one discovery thread.
struct DiscoveryRun {
  std::atomic<int> boundPort{0};  // the port it listens on, once open
  std::atomic<bool> ended{false};
};

// "VLSYNC/", the version and the port as 16-bit little-endian numbers, the
// name's byte length, and the name: 12 + N bytes. A name longer than 87
// bytes is cut at the last whole character that fits.
std::string DiscoveryReply(int tcpPort, std::string_view nameUtf8);

// The thread: opens the discovery port (retrying every minute while another
// socket holds it), then answers datagrams until it sees the server's stop
// flag, which it looks at before each wait: one more datagram is answered
// after a stop.
void DiscoveryThread(VlSync* server, DiscoveryRun* run);
