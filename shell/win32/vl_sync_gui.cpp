#include "shell/win32/vl_sync_gui.h"

#include <cwchar>

#include "shell/win32/main_dialog.h"

void VlSyncGui::Log(int level, int session, std::u16string_view text) {
  if (owner == nullptr) return;
  wchar_t prefix[32];
  std::swprintf(prefix, 32, L"[%d:%03d]", level, session);
  // The whole line, however long; it keeps its CR LF.
  const std::wstring line = prefix + ToWide(text) + L"\r\n";
  C_DLG* dialog = owner;
  dialog->RunOnWindowThread([dialog, &line] { dialog->AppendText(line); });
}

void VlSyncGui::OnListenFailed() {
  if (owner != nullptr) owner->ListenerStopped();
}

void VlSyncGui::OnListenEnded() {
  if (owner != nullptr) owner->ListenerStopped();
}
