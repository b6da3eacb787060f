#include "core/vl_sync.h"

#include <chrono>
#include <memory>

#include "core/session.h"
#include "core/udp_socket.h"
#include "discovery/discovery_responder.h"
#include "platform/socket.h"

namespace {

// After an accept failure that leaves the listening socket usable (out of
// descriptors, say), give the system a moment before trying again.
constexpr auto kAcceptRetryPause = std::chrono::milliseconds(100);

}  // namespace

VlSync::VlSync(Ports portsToUse) : ports(portsToUse) {}

VlSync::~VlSync() { EndThreads(); }

void VlSync::EndThreads() {
  Stop();
  if (listener_.joinable()) listener_.join();
  EndDiscovery();
}

int VlSync::Initialize() {
  listenSocket.Startup();
  for (auto& slot : sessions) slot.store(nullptr);
  return 1;
}

int VlSync::SetFolders(std::u16string_view backupPath, std::u16string_view syncPath) {
  Log(1, -1, u"BackupFolder=" + std::u16string(backupPath));
  Log(1, -1, u"SyncFolder=" + std::u16string(syncPath));
  const std::lock_guard<std::mutex> hold(foldersLock_);
  backupFolder_ = backupPath;
  syncFolder_ = syncPath;
  return 1;
}

std::u16string VlSync::BackupFolder() const {
  const std::lock_guard<std::mutex> hold(foldersLock_);
  return backupFolder_;
}

std::u16string VlSync::SyncFolder() const {
  const std::lock_guard<std::mutex> hold(foldersLock_);
  return syncFolder_;
}

void VlSync::Start() {
  // The previous listener has already reported its end; this only reaps it.
  if (listener_.joinable()) listener_.join();
  port.store(ports.tcp);
  stopFlag.store(0);
  try {
    listener_ = std::thread(&VlSync::ListenerThread, this);
  } catch (...) {
    Log(1, -1, u"Listen Error.");
    OnListenFailed();
    return;
  }
  StartDiscovery();
}

void VlSync::StartDiscovery() {
  const std::lock_guard<std::mutex> hold(discoveryLock_);
  // Reap the threads of earlier cycles that have ended.
  for (std::size_t i = 0; i < discoveryRuns_.size();) {
    if (!discoveryRuns_[i]->ended.load()) {
      ++i;
      continue;
    }
    discoveryThreads_[i].join();
    discoveryThreads_.erase(discoveryThreads_.begin() + static_cast<std::ptrdiff_t>(i));
    discoveryRuns_.erase(discoveryRuns_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  try {
    auto run = std::make_unique<DiscoveryRun>();
    discoveryThreads_.emplace_back(DiscoveryThread, this, run.get());
    discoveryRuns_.push_back(std::move(run));
  } catch (...) {
    // Readers can still connect by address.
    Log(1, -1, u"Auto-detection error.");
  }
}

void VlSync::EndDiscovery() {
  const std::lock_guard<std::mutex> hold(discoveryLock_);
  for (std::size_t i = 0; i < discoveryRuns_.size(); ++i) {
    const int bound = discoveryRuns_[i]->boundPort.load();
    if (!discoveryRuns_[i]->ended.load() && bound != 0) {
      CUdpSocket wake;
      if (wake.OpenUdp(0, "127.0.0.1", 0)) {
        wake.remotePort = static_cast<std::uint16_t>(bound);
        wake.SendTo("", 0);
        wake.Close();
      }
    }
    discoveryThreads_[i].join();
  }
  discoveryThreads_.clear();
  discoveryRuns_.clear();
}

int VlSync::DiscoveryPort() const {
  const std::lock_guard<std::mutex> hold(discoveryLock_);
  return discoveryRuns_.empty() ? 0 : discoveryRuns_.back()->boundPort.load();
}

int VlSync::ActiveDiscoveryThreads() const {
  const std::lock_guard<std::mutex> hold(discoveryLock_);
  int active = 0;
  for (const auto& run : discoveryRuns_) active += run->ended.load() ? 0 : 1;
  return active;
}

void VlSync::Stop() {
  stopFlag.store(1);
  listenSocket.Close();
}

void VlSync::ReleaseSession(int slot) {
  if (slot < 0 || slot >= kMaxSessions) return;
  if (CSession* session = sessions[slot].load()) {
    session->received.Clear();
    delete session;
  }
  sessions[slot].store(nullptr);
}

void VlSync::Log(int, int, std::u16string_view) {}
void VlSync::OnListenFailed() {}
void VlSync::OnListenEnded() {}

int VlSync::ActiveSessions() const {
  int active = 0;
  for (const auto& slot : sessions)
    if (slot.load() != nullptr) ++active;
  return active;
}

bool VlSync::StartSessionThread(CSession* session) {
  try {
    std::thread(SessionThread, session).detach();
    return true;
  } catch (...) {
    return false;
  }
}

void VlSync::ListenerThread() {
  Log(0, -1, u"Start Listen.");
  if (!listenSocket.Listen(port.load())) {
    if (stopFlag.load() == 0) Log(1, -1, u"Listen Error.");
    OnListenFailed();
    return;
  }
  boundPort_.store(listenSocket.address.port);
  // Asked for any port (tests): discovery must announce the one it got.
  if (port.load() == 0) port.store(listenSocket.address.port);
  try {
    AcceptLoop();
  } catch (...) {
    Log(1, -1, u"Error Accept.");
  }
  // Also covers a Stop that came before the socket existed, and an accept
  // failure: either way a later Start must be able to bind the port again.
  listenSocket.Close();
  boundPort_.store(0);
  Log(0, -1, u"End Listen.");
  OnListenEnded();
}

void VlSync::AcceptLoop() {
  bool transientReported = false;
  while (stopFlag.load() == 0) {
    auto connection = std::make_unique<CNetSocket>();
    platform::AcceptStatus status = platform::AcceptStatus::kFailed;
    if (!listenSocket.Accept(*connection, &status)) {
      if (stopFlag.load() != 0) return;
      if (status == platform::AcceptStatus::kTransient) {
        if (!transientReported) Log(1, -1, u"Error Accept.");
        transientReported = true;
        std::this_thread::sleep_for(kAcceptRetryPause);
        continue;
      }
      Log(1, -1, u"Error Accept.");
      return;
    }
    transientReported = false;
    if (stopFlag.load() != 0) {
      connection->Close();
      return;
    }
    TakeConnection(std::move(connection));
  }
}

void VlSync::TakeConnection(std::unique_ptr<CNetSocket> connection) {
  const int slot = FindFreeSlot();
  Log(0, slot, u"Start new session.");
  if (slot < 0) {
    connection->SendBytes("BUSY\r\n", 6);
    connection->Close();
    Log(1, -1, u"Session full.");
    return;
  }
  CSession* session = nullptr;
  try {
    session = new CSession(*this, std::move(connection), slot);
  } catch (...) {
    Log(1, -1, u"Can not start session.");
    return;
  }
  // The slot is taken before the thread runs, so the next search skips it.
  sessions[slot].store(session);
  if (!StartSessionThread(session)) {
    sessions[slot].store(nullptr);
    delete session;
    Log(1, -1, u"Can not start session.");
  }
}

int VlSync::FindFreeSlot() const {
  for (int slot = 0; slot < kMaxSessions; ++slot)
    if (sessions[slot].load() == nullptr) return slot;
  return -1;
}
