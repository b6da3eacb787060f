// VlSync: the server core. It owns the listening socket and the table of
// session slots, runs the listener thread and reports through three virtual
// notifications; it knows nothing of windows or consoles.
//
// Threads: the owner (window or console) calls Initialize, SetFolders, Start
// and Stop. The listener thread and every session thread call Log; the
// listener calls OnListenFailed or OnListenEnded as its last act, so an
// implementation of these must accept calls from any thread at any time.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/net_socket.h"

class CSession;
struct DiscoveryRun;

// Where the server listens and answers. Tests pass port 0 for the TCP port
// (the system picks a free one; see ListeningPort).
struct Ports {
  int tcp = 49728;
  int discoveryIn = 53178;
  int discoveryOut = 53179;
};

inline constexpr int kMaxSessions = 1000;

class VlSync {
 public:
  explicit VlSync(Ports ports = Ports{});
  // Stops the listener and the discovery threads and waits for them. Sessions
  // still running must have ended before the object goes (see ActiveSessions).
  virtual ~VlSync();
  VlSync(const VlSync&) = delete;
  VlSync& operator=(const VlSync&) = delete;

  // Starts the socket library and empties every slot. Always 1; a library
  // that did not start shows later as "Listen Error.".
  int Initialize();
  // Logs both paths, then stores them whole. Sessions that are running read
  // either the old pair or the new one, never a mix of the two.
  int SetFolders(std::u16string_view backupPath, std::u16string_view syncPath);
  // Starts the listener thread and a discovery thread and returns at once. Call again only after
  // the previous cycle's OnListenFailed or OnListenEnded.
  void Start();
  // Asks the listener to end and closes the listening socket. Running
  // sessions go on until their connections end.
  void Stop();
  // Stops, then waits for the listener and the discovery threads. A derived
  // class whose Log or notifications use its own members calls this in its
  // destructor, before those members go; the base destructor does it again.
  void EndThreads();
  // A session's last act: frees the session in `slot`, its connection and its
  // received list, and empties the slot.
  void ReleaseSession(int slot);

  virtual void Log(int level, int session, std::u16string_view text);
  virtual void OnListenFailed();
  virtual void OnListenEnded();

  std::u16string BackupFolder() const;
  std::u16string SyncFolder() const;
  // The port the listener is bound to, 0 while it is not listening.
  int ListeningPort() const { return boundPort_.load(); }
  int ActiveSessions() const;
  // The port the newest discovery thread listens on, 0 while none does.
  int DiscoveryPort() const;
  // Discovery threads that have not ended; an earlier cycle's thread goes on
  // until it has answered a datagram after its stop.
  int ActiveDiscoveryThreads() const;

  CNetSocket listenSocket;
  std::atomic<int> stopFlag{0};
  // The TCP port: the configured one, or the one bound when any was asked
  // for. Discovery announces it.
  std::atomic<int> port{0};
  std::array<std::atomic<CSession*>, kMaxSessions> sessions{};
  const Ports ports;

 protected:
  // Runs the session on a thread of its own. False when no thread could be
  // started; the session is then still the caller's.
  virtual bool StartSessionThread(CSession* session);

 private:
  void ListenerThread();
  void StartDiscovery();
  // For the destructor: a datagram to each waiting discovery thread lets it
  // see the stop, since nothing else ends its wait.
  void EndDiscovery();
  void AcceptLoop();
  void TakeConnection(std::unique_ptr<CNetSocket> connection);
  int FindFreeSlot() const;

  mutable std::mutex foldersLock_;
  std::u16string backupFolder_;
  std::u16string syncFolder_;
  std::atomic<int> boundPort_{0};
  std::thread listener_;
  mutable std::mutex discoveryLock_;
  std::vector<std::thread> discoveryThreads_;
  std::vector<std::unique_ptr<DiscoveryRun>> discoveryRuns_;
};
