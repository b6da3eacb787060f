#include "support/recording_server.h"

#include <thread>

#include "platform/text.h"

RecordingServer::RecordingServer(Ports ports) : VlSync(ports) {}

RecordingServer::~RecordingServer() {
  if (started_) StopListening();
  // Threads that log into this object end before its members go.
  EndThreads();
  WaitForSessions(0);
}

void RecordingServer::Log(int level, int session, std::u16string_view text) {
  const std::lock_guard<std::mutex> hold(lock_);
  lines_.push_back({level, session, platform::WideToUtf8(text)});
  changed_.notify_all();
}

void RecordingServer::OnListenFailed() {
  const std::lock_guard<std::mutex> hold(lock_);
  ++failedCalls_;
  changed_.notify_all();
}

void RecordingServer::OnListenEnded() {
  const std::lock_guard<std::mutex> hold(lock_);
  ++endedCalls_;
  changed_.notify_all();
}

int RecordingServer::StartListening() {
  Initialize();
  started_ = true;
  Start();
  WaitUntil([&] { return ListeningPort() != 0 || failedCalls_ + endedCalls_ > 0; });
  return ListeningPort();
}

void RecordingServer::StopListening() {
  Stop();
  WaitForListenerDone();
}

std::vector<LogEntry> RecordingServer::Lines() const {
  const std::lock_guard<std::mutex> hold(lock_);
  std::vector<LogEntry> lines;
  for (const LogEntry& line : lines_)
    if (line.text.rfind("Auto-detection", 0) != 0) lines.push_back(line);
  return lines;
}

std::vector<LogEntry> RecordingServer::AllLines() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return lines_;
}

int RecordingServer::Count(const std::string& text) const {
  const std::lock_guard<std::mutex> hold(lock_);
  int count = 0;
  for (const LogEntry& line : lines_)
    if (line.text == text) ++count;
  return count;
}

bool RecordingServer::WaitForLine(const std::string& text, int session) {
  return WaitUntil([&] {
    for (const LogEntry& line : lines_)
      if (line.text == text && (session == -2 || line.session == session)) return true;
    return false;
  });
}

// Sessions empty their slots without telling anyone, so this one polls.
bool RecordingServer::WaitForSessions(int active) {
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  while (ActiveSessions() != active) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool RecordingServer::WaitForListenerDone() {
  return WaitUntil([&] { return failedCalls_ + endedCalls_ > 0; });
}

int RecordingServer::failedCalls() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return failedCalls_;
}

int RecordingServer::endedCalls() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return endedCalls_;
}

bool RecordingServer::WaitUntil(const std::function<bool()>& done) {
  std::unique_lock<std::mutex> hold(lock_);
  // ListeningPort changes without a notification; wake now and then to look.
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    changed_.wait_for(hold, std::chrono::milliseconds(5));
  }
  return true;
}
