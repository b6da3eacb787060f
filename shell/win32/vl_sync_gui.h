// VlSyncGui: the server core as the window shows it. Its notifications come
// from the core's threads and take effect on the window's thread.
#pragma once

#include "core/vl_sync.h"

class C_DLG;

class VlSyncGui : public VlSync {
 public:
  explicit VlSyncGui(Ports ports = Ports{}) : VlSync(ports) {}
  // "[level:session]text\r\n" into the owner's log; returns once it is there
  // (or at once when the window is gone).
  void Log(int level, int session, std::u16string_view text) override;
  // Both put the window back to Stopped.
  void OnListenFailed() override;
  void OnListenEnded() override;

  C_DLG* owner = nullptr;
};
