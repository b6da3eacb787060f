// A reader's end of a loopback connection, made with the platform calls
// directly so that it does not lean on the wrappers under test.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/socket.h"

class TestClient {
 public:
  explicit TestClient(int port, int timeoutMilliseconds = 10000);
  ~TestClient();
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  bool connected() const { return socket_ != platform::kNoSocket; }
  bool Send(std::string_view bytes);
  // Exactly `count` bytes, or fewer when the peer closed or the wait ran out.
  std::string Read(std::size_t count);
  // Up to and including the next CR LF.
  std::string ReadLine();
  // Everything until the peer closes.
  std::string ReadToEnd();
  // True when the peer has closed (nothing more arrives; an orderly end).
  bool PeerClosed();
  // Sends the first line and reads the greeting.
  std::string Greet(std::string_view firstLine = "VLSYNC/1.0\r\n");
  void Close();

 private:
  platform::SocketHandle socket_ = platform::kNoSocket;
};

inline constexpr char kGreeting[] = "Recv.\n\r\nVLSYNC/1.0\r\n";
