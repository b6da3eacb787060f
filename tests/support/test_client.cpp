#include "support/test_client.h"

TestClient::TestClient(int port, int timeoutMilliseconds) {
  socket_ = platform::OpenTcpSocket();
  if (socket_ == platform::kNoSocket) return;
  platform::SetReceiveTimeout(socket_, timeoutMilliseconds);
  if (!platform::ConnectIpv4(socket_, platform::ParseIpv4("127.0.0.1"),
                             static_cast<std::uint16_t>(port)))
    Close();
}

TestClient::~TestClient() { Close(); }

bool TestClient::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const long sent = platform::SendSome(socket_, bytes.data(), bytes.size());
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::string TestClient::Read(std::size_t count) {
  std::string data(count, '\0');
  std::size_t have = 0;
  while (have < count) {
    const long got = platform::ReceiveSome(socket_, data.data() + have, count - have);
    if (got <= 0) break;
    have += static_cast<std::size_t>(got);
  }
  data.resize(have);
  return data;
}

std::string TestClient::ReadLine() {
  std::string line;
  char byte;
  while (platform::ReceiveSome(socket_, &byte, 1) == 1) {
    line.push_back(byte);
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) break;
  }
  return line;
}

std::string TestClient::ReadToEnd() {
  std::string data;
  char buffer[4096];
  long got;
  while ((got = platform::ReceiveSome(socket_, buffer, sizeof buffer)) > 0)
    data.append(buffer, static_cast<std::size_t>(got));
  return data;
}

bool TestClient::PeerClosed() {
  char byte;
  return platform::ReceiveSome(socket_, &byte, 1) == 0;
}

std::string TestClient::Greet(std::string_view firstLine) {
  Send(firstLine);
  return Read(sizeof kGreeting - 1);
}

void TestClient::Close() {
  if (socket_ == platform::kNoSocket) return;
  platform::CloseSocket(socket_);
  socket_ = platform::kNoSocket;
}
