// Finding servers as a reader does: one datagram to the discovery port
// (broadcast by default), then the replies that come to the reply port.
#pragma once

#include <string>
#include <vector>

struct FoundServer {
  std::string address;  // dotted decimal
  int port = 0;         // TCP
  std::string name;     // UTF-8
};

// Sends to `target` (a host or "255.255.255.255") at `discoveryPort` and
// collects the replies that reach `replyPort` within `waitMilliseconds`.
// Nothing found, or the reply port taken, gives an empty list.
std::vector<FoundServer> FindServers(const std::string& target, int discoveryPort, int replyPort,
                                     int waitMilliseconds);
