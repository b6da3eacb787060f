// A server on an ephemeral port that records what it reports, for tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/vl_sync.h"

struct LogEntry {
  int level;
  int session;
  std::string text;  // UTF-8
};

inline constexpr auto kWaitLimit = std::chrono::seconds(20);

class RecordingServer : public VlSync {
 public:
  explicit RecordingServer(Ports ports = Ports{0, 0, 0});
  // Stops the listener, then waits for it and for every session to end.
  ~RecordingServer() override;

  void Log(int level, int session, std::u16string_view text) override;
  void OnListenFailed() override;
  void OnListenEnded() override;

  // Initialize, Start, and wait until the port is bound. Returns the port.
  int StartListening();
  // Stop, and wait for the listener's last notification.
  void StopListening();

  // The lines of the listener and the sessions; the discovery thread's run
  // beside them in their own order.
  std::vector<LogEntry> Lines() const;
  std::vector<LogEntry> AllLines() const;
  int Count(const std::string& text) const;
  // True once a line with this text (and, unless -2, this session) is logged.
  bool WaitForLine(const std::string& text, int session = -2);
  bool WaitForSessions(int active);
  bool WaitForListenerDone();
  int failedCalls() const;
  int endedCalls() const;

 private:
  bool WaitUntil(const std::function<bool()>& done);

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<LogEntry> lines_;
  int failedCalls_ = 0;
  int endedCalls_ = 0;
  bool started_ = false;
};
